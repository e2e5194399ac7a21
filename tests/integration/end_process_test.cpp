// "End process" on the Tasks page: in a main window built in this process
// (the row goes), and in the program itself inside a PID namespace of its
// own, where the only processes are the test's.
#include "common/flags.h"
#include "integration/vorkel_app.h"
#include "monitor/tasks_grid.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "shell/main_form.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <csignal>
#include <cstdlib>
#include <thread>

#include <sys/stat.h>

using namespace std::chrono_literals;
using test_env::child_process;
using test_env::wait_until;

namespace {

// A copy of sleep under a name that sorts before every other process.
std::string named_sleeper(const std::string &folder) {
    const std::string path = folder + "/aaa_target";
    if (std::system(("cp /bin/sleep '" + path + "'").c_str()) != 0)
        return {};
    return path;
}

int row_of(const TTasks_grid *grid, pid_t pid) {
    for (int r = 0; r < grid->tasks()->shown_count(); ++r)
        if (grid->tasks()->record_at(r)->info.pid == static_cast<std::uint32_t>(pid))
            return r;
    return -1;
}

bool running_anywhere(const std::string &comm) { return test_env::run_capture("pgrep -x " + comm) != ""; }

// The id (as this test sees it) of the process running the program at
// path, 0 when none runs.
pid_t pid_of(const std::string &path) {
    return static_cast<pid_t>(std::atol(test_env::run_capture("pgrep -f '^" + path + " '").c_str()));
}

// A shell line that starts the program at path once a line is written to
// the FIFO go: the process starts when the test says so.
std::string started_on_signal(const std::string &path, const std::string &go) {
    mkfifo(go.c_str(), 0600);
    return "sh -c \"read x < '" + go + "'; exec '" + path + "' 600\"";
}

} // namespace

TEST(EndProcess, InTheMainWindowEndsTheChildAndItsRowGoes) {
    if (!qApp) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char arg0[] = "test_integration";
        static char *argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
        qunsetenv("QT_QPA_PLATFORM");
    }
    const std::string sleeper = named_sleeper(test_env::make_temp_dir("bin"));
    ASSERT_FALSE(sleeper.empty());
    child_process target({sleeper, "600"});
    auto form = std::make_unique<TTM>();
    list_visible = true;
    form->pages->setCurrentWidget(form->sheet2);
    ASSERT_TRUE(wait_until([&] {
        form->task_timerTimer();
        return row_of(form->pgrid, target.pid()) >= 0;
    }));
    const int row = row_of(form->pgrid, target.pid());
    EXPECT_EQ(form->pgrid->tasks()->text_at(row, 1), "aaa_target");
    form->pgrid->setCurrentIndex(form->pgrid->model()->index(row, 1));

    std::vector<std::string> boxes;
    platform::set_message_box_handler([&](const std::string &t, const std::string &c, unsigned) {
        boxes.push_back(c + ": " + t);
        return platform::IDOK;
    });
    for (QAction *a : form->pgrid->actions()) // Del
        if (a->shortcut() == QKeySequence(Qt::Key_Delete))
            a->trigger();
    platform::set_message_box_handler(nullptr);
    EXPECT_EQ(boxes, std::vector<std::string>{"Task warning: Terminate process aaa_target?"});
    EXPECT_EQ(target.wait(5s), 128 + SIGTERM);
    form->task_timerTimer();
    EXPECT_EQ(row_of(form->pgrid, target.pid()), -1) << "the row goes at the next refresh";
    list_visible = false;
    form.reset();
}

class EndProcessApp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_FALSE(app.exe().empty());
    }
    // Shows the window with its Tasks page and puts the keyboard focus in
    // the grid, on its first row.
    void show_tasks_grid() {
        auto second = app.start(); // a second start shows the first's window
        ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 20s));
        second.wait(10s);
        auto w = app.main_window();
        ASSERT_TRUE(w);
        xdotool("windowactivate --sync " + std::to_string(w->id));
        // Into the grid: below the tab bar, the filter box and the header.
        xdotool("mousemove --window " + std::to_string(w->id) + " 80 110 click 1");
        xdotool("key ctrl+Home");
    }
    test_env::x_session x;
    vorkel_app app;
};

TEST_F(EndProcessApp, DelEndsTheSelectedProcessAfterTheQuestion) {
    const std::string sleeper = named_sleeper(app.folder());
    auto p = app.start_in_own_pid_namespace({"'" + sleeper + "' 600"});
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    ASSERT_TRUE(running_anywhere("aaa_target"));
    show_tasks_grid();
    // aaa_target sorts first.
    xdotool("key Delete");
    ASSERT_TRUE(wait_until(
        [] {
            return !test_env::windows_of_class("vorkel").empty() &&
                   xdotool("search --name '^Task warning$'") != "";
        },
        10s))
        << "the question did not come";
    xdotool("key Return");
    EXPECT_TRUE(wait_until([] { return !running_anywhere("aaa_target"); }, 10s));
    EXPECT_TRUE(p.running()) << "Vorkel goes on";
}

TEST_F(EndProcessApp, EndingVorkelItselfRunsExit) {
    auto p = app.start_in_own_pid_namespace();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    show_tasks_grid();
    // Vorkel's own row is the last (Idle, then vorkel).
    xdotool("key ctrl+End Delete");
    ASSERT_TRUE(wait_until([] { return xdotool("search --name '^Task warning$'") != ""; }, 10s));
    xdotool("key Return");
    // The exit sequence runs (farewell window) and the program ends with 0.
    EXPECT_EQ(p.wait(30s), 0);
    EXPECT_TRUE(test_env::file_exists(app.data_dir() + "/vorkel.ini")) << "exit saved the column widths";
}

// The grid refreshes under the open popup menu and under the question, and
// each time a process has started above the chosen one, so the rows shift:
// only the process under the pointer when the menu opened changes.
TEST_F(EndProcessApp, CommandsActOnTheProcessChosenWhenTheMenuOpened) {
    // The question is a Yes/No box when a lower priority could not be
    // raised again ("y" answers it), else OK/Cancel.
    const std::string yes = platform::lowest_settable_nice() > 0 ? "y" : "Return";
    struct CASE {
        std::string keys; // in the open menu, up to the question
        bool ends;        // "End process", else "Set priority" / "Low"
    };
    for (const CASE &c :
         {CASE{"Down Return", true}, CASE{"Down Down Down Right Down Down Down Down Down Return", false}}) {
        const std::string bin = test_env::make_temp_dir("bin");
        for (const char *name : {"bbb_target", "aaa_one", "aaa_two"})
            ASSERT_EQ(std::system(("cp /bin/sleep '" + bin + "/" + name + "'").c_str()), 0);
        auto p = app.start_in_own_pid_namespace({"'" + bin + "/bbb_target' 600",
                                                 started_on_signal(bin + "/aaa_one", bin + "/go_one"),
                                                 started_on_signal(bin + "/aaa_two", bin + "/go_two")});
        ASSERT_TRUE(
            wait_until([&] { return app.tray_icon_shown() && pid_of(bin + "/bbb_target") > 0; }, 20s));
        const pid_t target = pid_of(bin + "/bbb_target");
        show_tasks_grid();        // bbb_target sorts first
        xdotool("key shift+F10"); // the menu by the first row, bbb_target
        // A process starts above the chosen one; the page's timer (1 s)
        // refreshes the grid under the menu, then under the question.
        for (const char *other : {"one", "two"}) {
            test_env::write_file(bin + "/go_" + std::string(other), "\n");
            ASSERT_TRUE(wait_until([&] { return pid_of(bin + "/aaa_" + other) > 0; }));
            std::this_thread::sleep_for(2500ms);
            if (other == std::string("one"))
                xdotool("key " + c.keys);
            ASSERT_TRUE(wait_until([] { return xdotool("search --name '^Task warning$'") != ""; }))
                << "the question did not come";
        }
        xdotool("key " + (c.ends ? std::string("Return") : yes));
        auto nice_of = [](pid_t pid) {
            int nice = -1;
            return pid > 0 && platform::get_process_nice(pid, nice) == 0 ? nice : -1;
        };
        EXPECT_TRUE(wait_until([&] {
            return c.ends ? pid_of(bin + "/bbb_target") == 0 : nice_of(target) == 19;
        })) << "the chosen process ends or gets Low";
        for (const char *other : {"aaa_one", "aaa_two"})
            EXPECT_EQ(nice_of(pid_of(bin + "/" + other)), 0) << other << " untouched";
        p.kill_hard();
        ASSERT_TRUE(wait_until([&] { return !app.tray_icon_shown(); }));
    }
}
