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
#include <sstream>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

// The lines of a walk's output (accessibility_walk.py) that start with
// kind, without it, one a line.
std::string lines_of(const std::string &walk, const std::string &kind) {
    std::string out;
    std::istringstream in(walk);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(kind + " ", 0) == 0)
            out += line.substr(kind.size() + 1) + "\n";
    return out;
}

// The line of the output that starts with start, "" when there is none.
std::string line_of(const std::string &walk, const std::string &start) {
    const std::string all = "\n" + walk;
    const auto at = all.find("\n" + start);
    return at == std::string::npos ? "" : all.substr(at + 1, all.find('\n', at + 1) - at - 1);
}

} // namespace

TEST(Accessibility, EveryFocusableControlHasANameOnEveryPageAndDialog) {
    test_env::x_session x;
    private_bus bus;
    vorkel_app app;
    ASSERT_TRUE(x.ok() && bus.ok() && !app.exe().empty());
    // Two catalogued programs, the first with both boxes ticked (an
    // autostart entry: nothing starts), and statistics of two for the charts.
    std::filesystem::create_directories(app.data_dir());
    const std::string program = "/usr/bin/vkl-named-program";
    create_catalogue(app.data_dir() + "/vorkel.dat");
    write_catalogue(app.data_dir() + "/vorkel.dat",
                    {{program, LINK_PROPERTIES_STRUCT{1, -1, 0}}, {program + "2", LINK_PROPERTIES_STRUCT{}}});
    PROCESS_MAP_LONG statistics;
    for (std::uint32_t id : {1u, 2u}) {
        statistics[id] = PROCESS_INFO_STRUCT_LONG{id};
        std::snprintf(statistics[id].name, sizeof statistics[id].name, id == 1 ? "alpha" : "beta");
        statistics[id].handles_sum = id == 1 ? 120 : 30;
        statistics[id].samples = 10;
    }
    write_global_stat(app.data_dir() + "/vorkel.glb", statistics, GLOBAL_STAT_HEADER{10, 1.0e17, 1.1e17});

    // In a process namespace of its own, the Tasks page lists a handful of
    // processes, not the whole machine's.
    auto p = app.start_in_own_pid_namespace(
        {}, {"DBUS_SESSION_BUS_ADDRESS=" + bus.address(), "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    app.start().wait(15s); // a second start shows the window
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));

    // accessibility_walk.py on the program's window(s) named by args.
    const auto walk = [&](const std::string &args) {
        return test_env::run_capture("DBUS_SESSION_BUS_ADDRESS=" + bus.address() +
                                     " /usr/bin/python3 '" VORKEL_SOURCE_DIR
                                     "/tests/integration/accessibility_walk.py' " +
                                     app.class_name() + " " + args + " 2>&1");
    };
    std::string previous; // the last walk's output
    const auto shortcuts_menu = [&](const std::string &keys) {
        // The second program's row, then its menu from the keyboard.
        const std::string id = std::to_string(app.main_window()->id);
        xdotool("mousemove --window " + id + " 25 12 click 1");  // "Shortcuts"
        xdotool("mousemove --window " + id + " 80 250 click 1"); // into the grid, below the rows
        xdotool("key ctrl+Home Down Menu");
        xdotool("key " + keys + " Return");
    };
    struct EXPECTED {
        std::string window;
        std::function<void()> open;
        std::string pages;              // one a line
        std::vector<std::string> lines; // the start of a CONTROL or BAR line
    };
    const EXPECTED expected[] = {
        {"Vorkel",
         [] {},
         "Shortcuts\nTasks\nLogging\n",
         {"CONTROL table 'Shortcuts'", "CONTROL table cell 'Show: " + program + "'",
          "CONTROL table cell 'StartUp: " + program + "'", "CONTROL table 'Processes'",
          "CONTROL text 'Filter processes'", "CONTROL combo box 'Process to logging'",
          "CONTROL text 'Log file'", "CONTROL push button 'Browse'"}},
        {"Process statistic (average)",
         [&] {
             // " Show stat" on the Logging page, where the last walk left it.
             const std::string button = line_of(previous, "CONTROL push button 'Show stat'");
             ASSERT_NE(button, "");
             xdotool("mousemove " + button.substr(button.rfind(' ', button.rfind(' ') - 1)) + " click 1");
         },
         "All\nCPU\nRAM\nPaged mem\nHandles\nThreads\nTime\n",
         {"CONTROL table 'All'", "CONTROL chart 'Handles'", "BAR alpha|12", "BAR beta|3"}},
        {"Settings",
         [&] {
             ASSERT_TRUE(app.open_tray_menu());
             xdotool("key Up Up Up Return"); // Exit, Shutdown, (separator), Settings
         },
         "Update time\nColors\nOthers\n",
         {"CONTROL slider 'CPU usage update time'", "CONTROL slider 'Check new applications time'",
          "CONTROL slider 'Update tasks info time'", "CONTROL slider 'Tray icon color'",
          "CONTROL slider 'CPU usage color'",
          "CONTROL push button 'Icons' 'Load default icons in popup menu'",
          "CONTROL push button 'Shortcuts' 'Delete shortcuts list'",
          "CONTROL push button 'Settings' 'Restore default settings'"}},
        {"Startup options",
         [&] { shortcuts_menu("Down Down"); },
         "",
         {"CONTROL radio button 'Add in windows startup'", "CONTROL spin button 'min'"}},
        {"Hotkeys", [&] { shortcuts_menu("Down Down Down"); }, "", {"CONTROL text 'Key'"}},
        {"Change icon",
         [&] { shortcuts_menu("Down Down Down Down"); },
         "",
         {"CONTROL text 'Search in file'", "CONTROL push button 'Browse'", "CONTROL table 'Change icon'"}},
    };
    for (const EXPECTED &e : expected) {
        SCOPED_TRACE(e.window);
        e.open();
        const std::string w = walk("'" + e.window + "'");
        EXPECT_EQ(lines_of(w, "PAGE"), e.pages) << w;
        EXPECT_EQ(lines_of(w, "UNNAMED"), "");
        for (const auto &line : e.lines)
            EXPECT_NE(line_of(w, line), "") << line << "\n" << w;
        if (e.window != "Vorkel")
            xdotool("key Escape");
        previous = w;
    }

    // A header click gives the Tasks page a new order: a screen reader
    // reads it place by place, not the places' earlier processes.
    xdotool("mousemove --window " + std::to_string(app.main_window()->id) + " 109 12 click 1"); // "Tasks"
    const auto cells = [&] { return walk("Vorkel Processes"); };
    const std::string before = cells();
    std::istringstream head(line_of(before, "HEAD").substr(5));
    int head_x = 0, head_y = 0;
    ASSERT_TRUE(head >> head_x >> head_y) << before;
    xdotool("mousemove " + std::to_string(head_x) + " " + std::to_string(head_y) + " click 1"); // "Name"
    std::string reversed;
    std::vector<std::string> names;
    std::istringstream in(lines_of(before, "CELL"));
    for (std::string name; std::getline(in, name);)
        names.insert(names.begin(), name);
    for (const std::string &name : names)
        reversed += name + "\n";
    ASSERT_GT(names.size(), 2u) << before;
    EXPECT_TRUE(wait_until([&] { return lines_of(cells(), "CELL") == reversed; }, 10s)) << cells();
}
