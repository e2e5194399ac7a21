// The real program as a screen reader meets it: its windows walked through
// the accessibility registry (accessibility_walk.py) on a session bus of
// the test's own, every page of each. No shown control that takes the
// focus is without a name, the controls whose names come from a label
// carry that label's text, and the statistics charts report their bars.
#include "catalogue/catalogue_file.h"
#include "integration/private_bus.h"
#include "integration/vorkel_app.h"
#include "logging/global_stat.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

struct WALK {
    std::string output;
    std::vector<std::string> lines(const std::string &kind) const {
        std::vector<std::string> out;
        std::istringstream in(output);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(kind + " ", 0) == 0)
                out.push_back(line.substr(kind.size() + 1));
        return out;
    }
    bool has(const std::string &kind, const std::string &start) const {
        for (const auto &line : lines(kind))
            if (line.rfind(start, 0) == 0)
                return true;
        return false;
    }
    // The screen position of the control whose CONTROL line starts so, as
    // xdotool's "mousemove" takes it ("" when there is none).
    std::string centre(const std::string &start) const {
        for (const auto &line : lines("CONTROL"))
            if (line.rfind(start, 0) == 0)
                return line.substr(line.rfind(' ', line.rfind(' ') - 1) + 1);
        return {};
    }
};

std::string joined(const std::vector<std::string> &lines) {
    std::string out;
    for (const auto &l : lines)
        out += l + "\n";
    return out;
}

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_TRUE(bus.ok()) << "no private session bus";
        ASSERT_FALSE(app.exe().empty());
    }
    WALK walk(const std::string &window) const {
        return {test_env::run_capture("DBUS_SESSION_BUS_ADDRESS=" + bus.address() + " /usr/bin/python3 '" +
                                      VORKEL_SOURCE_DIR "/tests/integration/accessibility_walk.py' " +
                                      app.class_name() + " '" + window + "' 2>&1")};
    }
    test_env::x_session x;
    private_bus bus;
    vorkel_app app;
};

} // namespace

TEST_F(Accessibility, EveryFocusableControlHasANameOnEveryPageAndDialog) {
    // Two catalogued programs, the first with both boxes ticked (an
    // autostart entry: nothing starts), and statistics of two for the charts.
    std::filesystem::create_directories(app.data_dir());
    const std::string program = "/usr/bin/vkl-named-program";
    LINK_MAP catalogue;
    catalogue[program] = LINK_PROPERTIES_STRUCT{1, -1, 0};
    catalogue[program + "2"] = LINK_PROPERTIES_STRUCT{0, 0, 0};
    create_catalogue(app.data_dir() + "/vorkel.dat");
    write_catalogue(app.data_dir() + "/vorkel.dat", catalogue);
    PROCESS_MAP_LONG statistics;
    const std::pair<const char *, double> programs[] = {{"alpha", 120}, {"beta", 30}};
    for (std::uint32_t id = 1; id <= 2; ++id) {
        PROCESS_INFO_STRUCT_LONG &r = statistics[id];
        r.id = id;
        std::snprintf(r.name, sizeof r.name, "%s", programs[id - 1].first);
        r.handles_sum = programs[id - 1].second;
        r.samples = 10;
    }
    write_global_stat(app.data_dir() + "/vorkel.glb", statistics, GLOBAL_STAT_HEADER{10, 1.0e17, 1.1e17});

    // In a process namespace of its own, the Tasks page lists a handful of
    // processes, not the whole machine's.
    auto p = app.start_in_own_pid_namespace(
        {}, {"DBUS_SESSION_BUS_ADDRESS=" + bus.address(), "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    app.start().wait(15s); // a second start shows the window
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));

    // How each window opens.
    WALK previous;
    const auto shortcuts_menu = [&](const std::string &keys) {
        // The second program's row, then its menu from the keyboard.
        const std::string id = std::to_string(app.main_window()->id);
        xdotool("mousemove --window " + id + " 25 12 click 1"); // "Shortcuts"
        xdotool("mousemove --window " + id + " 80 62 click 1");
        xdotool("key Down Menu");
        xdotool("key " + keys + " Return");
    };
    const std::map<std::string, std::function<void()>> open = {
        {"Vorkel", [] {}},
        {"Process statistic (average)",
         [&] {
             // " Show stat" on the Logging page, where the last walk left it.
             const std::string at = previous.centre("push button 'Show stat'");
             ASSERT_NE(at, "") << "no \" Show stat\" button";
             xdotool("mousemove " + at + " click 1");
         }},
        {"Settings",
         [&] {
             ASSERT_TRUE(app.open_tray_menu());
             xdotool("key Up Up Up Return"); // Exit, Shutdown, (separator), Settings
         }},
        {"Startup options", [&] { shortcuts_menu("Down Down"); }},
        {"Hotkeys", [&] { shortcuts_menu("Down Down Down"); }},
        {"Change icon", [&] { shortcuts_menu("Down Down Down Down"); }},
    };

    // What each window must show, beside having no unnamed control.
    struct EXPECTED {
        std::string window;
        std::vector<std::string> pages;
        std::vector<std::string> controls; // the start of a CONTROL line
        std::vector<std::string> bars;
    };
    const EXPECTED expected[] = {
        {"Vorkel",
         {"Shortcuts", "Tasks", "Logging"},
         {"table 'Shortcuts'", "table cell 'Show: " + program + "'", "table cell 'StartUp: " + program + "'",
          "table 'Tasks'", "combo box 'Process to logging'", "text 'Log file'", "push button 'Browse'"},
         {}},
        {"Process statistic (average)",
         {"All", "CPU", "RAM", "Paged mem", "Handles", "Threads", "Time"},
         {"table 'All'", "chart 'Handles'"},
         {"alpha|12", "beta|3"}},
        {"Settings",
         {"Update time", "Colors", "Others"},
         {"slider 'CPU usage update time'", "slider 'Check new applications time'",
          "slider 'Update tasks info time'", "slider 'Tray icon color'", "slider 'CPU usage color'",
          "push button 'Icons' 'Load default icons in popup menu'",
          "push button 'Shortcuts' 'Delete shortcuts list'",
          "push button 'Settings' 'Restore default settings'"},
         {}},
        {"Startup options", {}, {"radio button 'Add in windows startup'", "spin button 'min'"}, {}},
        {"Hotkeys", {}, {"text 'Key'"}, {}},
        {"Change icon", {}, {"text 'Search in file'", "push button 'Browse'", "table 'Change icon'"}, {}},
    };
    for (const EXPECTED &e : expected) {
        SCOPED_TRACE(e.window);
        open.at(e.window)();
        const WALK w = walk(e.window);
        EXPECT_EQ(w.lines("PAGE"), e.pages) << w.output;
        EXPECT_EQ(joined(w.lines("UNNAMED")), "");
        for (const auto &control : e.controls)
            EXPECT_TRUE(w.has("CONTROL", control)) << control << "\n" << joined(w.lines("CONTROL"));
        for (const auto &bar : e.bars)
            EXPECT_TRUE(w.has("BAR", bar)) << bar << "\n" << joined(w.lines("BAR"));
        if (e.window != "Vorkel")
            xdotool("key Escape");
        previous = w;
    }
}
