// The Tasks page of the real program as a user drives it, in a PID
// namespace of its own, where the only processes are the test's: a header
// click sorts, the filter narrows, the header menu adds "User" and
// "Command line", Ctrl+T shows the tree, the Logging page lists every
// process while the filter is on, and a vorkel.ini from before keeps its
// widths. Rows are read through Ctrl+C, which copies the current row.
#include "integration/vorkel_app.h"
#include "shell/column_ini.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include <sys/stat.h>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

std::vector<std::string> fields(const std::string &row) {
    std::vector<std::string> out;
    std::stringstream in(row);
    for (std::string f; std::getline(in, f, '\t');)
        out.push_back(f);
    return out;
}

// The fields of the grid's current row after keys (the copy follows them
// in the program's event order, so it is never an older one). A copy of
// anything but a row (a text box's selection) gives none.
std::vector<std::string> row_after(const std::string &keys) {
    xdotool("key --delay 30 " + keys + " ctrl+c");
    auto f = fields(clipboard_text());
    return f.size() >= 6 ? f : std::vector<std::string>();
}

std::string name_after(const std::string &keys) {
    const auto f = row_after(keys);
    return f.empty() ? std::string() : f[0];
}

// The id a process has inside its PID namespace ("NSpid:" lists it last).
std::string namespace_pid(const std::string &pid) {
    const std::string status = test_env::read_file("/proc/" + pid + "/status");
    const auto at = status.find("NSpid:");
    const std::string line = status.substr(at, status.find('\n', at) - at);
    return line.substr(line.find_last_of(" \t") + 1);
}

} // namespace

TEST(TasksView, SortFilterColumnsTreeAndLoggingOnTheRealProgram) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    vorkel_app app;
    ASSERT_FALSE(app.exe().empty());
    // A vorkel.ini as earlier versions wrote it: Name 120 pixels wide.
    ASSERT_EQ(mkdir(app.data_dir().c_str(), 0700), 0);
    const std::array<int, column_count> widths = {300, 60, 2, 40, 120, 50, 60, 60, 55, 50};
    std::string ini = "[SETTINGS]\n";
    for (int i = 0; i < column_count; ++i)
        ini += "x" + std::to_string(i + 1) + "=" + std::to_string(widths[static_cast<std::size_t>(i)]) + "\n";
    test_env::write_file(app.data_dir() + "/vorkel.ini", ini);
    // Two copies of sh: one busy, one waiting for its child sleep with
    // blanks and non-ASCII letters among its arguments. Their names and
    // script reach them through the environment, so that the namespace's
    // own command line does not match the filters below.
    for (const char *name : {"vkl_busy", "vkl_args"})
        ASSERT_EQ(std::system(("cp /bin/sh '" + app.folder() + "/" + name + "'").c_str()), 0);
    setenv("VKL_DIR", app.folder().c_str(), 1);
    setenv("VKL_SCRIPT", "sleep 600; :", 1);
    // Ids 2 to 7 go to processes that end at once: 5, 6 and 7 never get a row.
    std::vector<std::string> companions(6, ":");
    companions.push_back("\"$VKL_DIR/vkl_\"busy -c 'while :; do :; done'");
    companions.push_back("\"$VKL_DIR/vkl_\"args -c \"$VKL_SCRIPT\" 'zweites Argument' 'ä ö'");
    auto p = app.start_in_own_pid_namespace(companions);
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    std::string busy, args;
    ASSERT_TRUE(wait_until([&] {
        busy = test_env::run_capture("pgrep -x vkl_busy");
        args = test_env::run_capture("pgrep -x vkl_args");
        return !busy.empty() && !args.empty();
    }));

    auto second = app.start(); // shows the first copy's window
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 20s));
    second.wait(10s);
    const std::string w = std::to_string(app.main_window()->id);
    xdotool("windowactivate --sync " + w);
    xdotool("mousemove --window " + w + " 60 110 click 1");
    xdotool("key ctrl+Home");
    // The header lies just above the first row, which is selected now.
    int first_row = -1;
    ASSERT_TRUE(wait_until([&] { return (first_row = first_selected_row_top(std::stoul(w), 20)) > 0; }));
    const std::string header_y = std::to_string(first_row - 6);
    // Typing into the filter box, then back into the grid.
    auto filter = [&](const std::string &text) {
        xdotool("key ctrl+f");
        xdotool("type --delay 30 '" + text + "'");
        xdotool("mousemove --window " + w + " 60 " + std::to_string(first_row + 3) + " click 1");
    };

    // A click on "CPU" (after Name's 120 pixels) sorts by it, highest first:
    // the busy process leads, after the idle one at most.
    xdotool("mousemove --window " + w + " 148 " + header_y + " click 1");
    EXPECT_TRUE(wait_until([] {
        const std::string top = name_after("ctrl+Home");
        return top == "vkl_busy" || (top == "Idle" && name_after("Down") == "vkl_busy");
    })) << "sorted by CPU, the busy process is not at the top";

    // Typing a name in the filter leaves its one row.
    filter("vkl_args");
    EXPECT_TRUE(wait_until([] { return name_after("ctrl+Home") == "vkl_args"; }));
    EXPECT_EQ(name_after("ctrl+End"), "vkl_args") << "more than one row";

    // "User" and "Command line" from the header's menu (counted from its
    // end: Tree view, Started, Command line, User) show what ps shows.
    for (const char *ups : {"Up Up Up Up", "Up Up Up"}) {
        xdotool("mousemove --window " + w + " 60 " + header_y + " click 3");
        xdotool("sleep 0.5 mousemove --window " + w + " 5 300"); // off the menu: nothing chosen yet
        xdotool("key --delay 80 " + std::string(ups) + " Return");
    }
    std::vector<std::string> row;
    EXPECT_TRUE(wait_until([&] {
        row = row_after("ctrl+Home");
        return row.size() == 8;
    })) << row.size()
        << " columns";
    const std::string ps = test_env::run_capture("LC_ALL=C.UTF-8 ps -o user=,args= -p " + args);
    const std::string user = ps.substr(0, ps.find(' '));
    ASSERT_EQ(row.size(), 8u);
    EXPECT_EQ(row[6], user);
    EXPECT_EQ(row[7], ps.substr(ps.find_first_not_of(' ', user.size())));
    EXPECT_NE(row[7].find("sleep 600; : zweites Argument ä ö"), std::string::npos) << row[7];

    // The tree: vkl_args's child sleep comes under it, not before it.
    filter("sleep 600");
    EXPECT_TRUE(wait_until([] { return name_after("ctrl+Home") == "sleep"; })) << "flat, by name";
    xdotool("key ctrl+t");
    EXPECT_TRUE(wait_until([] { return name_after("ctrl+Home") == "vkl_args"; }));
    EXPECT_EQ(name_after("Down"), "sleep");

    // The Logging page lists every process while the filter hides the
    // busy one: choosing it by its id logs it.
    const std::string log = test_env::make_temp_dir() + "/busy.log";
    const std::string busy_id = namespace_pid(busy);
    // Back from the grid over the filter box to the page tabs, one step
    // right is "Logging", Tab enters its process list.
    xdotool("key --delay 100 shift+Tab shift+Tab Right Tab");
    xdotool("type --delay 40 " + busy_id);
    xdotool("key Tab");
    xdotool("type --delay 5 " + log);
    xdotool("key --delay 50 Tab Tab space"); // "Start logging"
    EXPECT_TRUE(wait_until([&] {
        return test_env::read_file(log).find(" " + busy_id + " vkl_busy CPU ") != std::string::npos;
    })) << busy_id
        << ": " << test_env::read_file(log);
    xdotool("key space"); // "Stop logging"

    // Exit from the tray menu: vorkel.ini keeps the widths it was given,
    // the sort, columns and tree go with the window's state.
    auto icon = app.tray_icon();
    ASSERT_TRUE(icon);
    xdotool("mousemove --window " + std::to_string(icon->id) + " 8 8 click 3");
    xdotool("sleep 1 key Up Return");
    EXPECT_EQ(p.wait(30s), 0);
    const auto saved = widths_from_ini(test_env::read_file(app.data_dir() + "/vorkel.ini"));
    for (std::size_t i = 3; i < 9; ++i) // the Tasks grid's, but for its stretched last one
        EXPECT_EQ(saved[i], widths[i]) << "x" << i + 1;
    const std::string state = test_env::read_file(std::string(getenv("XDG_CONFIG_HOME")) + "/vorkel.conf");
    for (const char *kept :
         {"TasksSort=cpu", "TasksSortDescending=true", "TasksTree=true", "user,command_line"})
        EXPECT_NE(state.find(kept), std::string::npos) << kept << " in " << state;
}
