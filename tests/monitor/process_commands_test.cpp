// The Tasks grid's process commands on children that the test starts. The
// tests run as root on a shared machine: only the test's own children are
// ever signalled or reniced.
#include "catalogue/launcher.h"
#include "monitor/one_process_form.h"
#include "monitor/process_commands.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "platform/registry.h"
#include "support/qt_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>

#include <csignal>
#include <cstdlib>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using test_env::child_process;
using test_env::wait_until;

namespace {

std::string self_exe() {
    char buf[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// A copy of this test program that runs only the helper test named, with
// env set: a child with several threads, or one that acts as another user.
child_process helper(const std::string &test, const std::vector<std::string> &env) {
    return child_process({self_exe(), "--gtest_filter=ProcessCommandsHelper." + test}, env);
}

struct BOX {
    std::string text, caption;
    unsigned flags = 0;
};

// Answers every message box with the next answer (OK when none are left)
// and records it.
struct BOXES {
    std::vector<BOX> shown;
    std::vector<int> answers;
    BOXES() {
        platform::set_message_box_handler([this](const std::string &t, const std::string &c, unsigned f) {
            shown.push_back({t, c, f});
            if (answers.empty())
                return platform::IDOK;
            const int a = answers.front();
            answers.erase(answers.begin());
            return a;
        });
    }
    ~BOXES() { platform::set_message_box_handler(nullptr); }
};

// The process as its row would show it: its id and its start time now.
CHOSEN_PROCESS chosen(pid_t pid, const std::string &name) {
    return {{static_cast<std::uint32_t>(pid), platform::process_start_time(pid)}, name, true};
}

class ProcessCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ensure_qt_application(true);
        menu = std::make_unique<QMenu>();
        for (const char *c : {"Realtime", "High", "Above normal", "Normal", "Below normal", "Low"})
            menu->addAction(QString::fromLatin1(c));
        prepare_priority_menu(menu.get());
        // As the main window joins them: Qt toggles a checkable item before
        // it reports the click.
        QObject::connect(menu.get(), &QMenu::triggered,
                         [this](QAction *a) { priority_item_chosen(current, menu.get(), a, nullptr); });
    }

    int checked_item() const {
        int found = -1;
        for (int i = 0; i < 6; ++i)
            if (menu->actions()[i]->isChecked())
                found = found == -1 ? i : 99;
        return found;
    }
    static bool pump_until(const std::function<bool()> &pred, std::chrono::milliseconds deadline) {
        return wait_until(
            [&] {
                QApplication::processEvents();
                return pred();
            },
            deadline);
    }

    CHOSEN_PROCESS current; // the process the priority items act on
    std::unique_ptr<QMenu> menu;
};

} // namespace

TEST_F(ProcessCommands, EndProcessAsksThenEndsTheChild) {
    BOXES boxes;
    child_process child({"sleep", "60"});
    bool exited = false;
    end_process_command(chosen(child.pid(), "sleepy"), nullptr, [&] { exited = true; });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Terminate process sleepy?");
    EXPECT_EQ(boxes.shown[0].caption, "Task warning");
    EXPECT_EQ(boxes.shown[0].flags, 0x31u);
    EXPECT_EQ(child.wait(5s), 128 + SIGTERM);
    EXPECT_FALSE(exited);
}

TEST_F(ProcessCommands, AChildThatIgnoresTermIsKilledAfterTheGraceWithoutBlocking) {
    BOXES boxes;
    // An ignored signal stays ignored across exec.
    child_process child({"sh", "-c", "trap '' TERM; exec sleep 60"});
    ASSERT_TRUE(wait_until(
        [&] { return test_env::read_file("/proc/" + std::to_string(child.pid()) + "/comm") == "sleep\n"; }));
    QElapsedTimer clock;
    clock.start();
    end_process_command(chosen(child.pid(), "stubborn"), nullptr, {});
    EXPECT_LT(clock.elapsed(), 500); // the window's thread goes on at once
    // Still there a second later, the event loop running meanwhile.
    pump_until([] { return false; }, 1000ms);
    EXPECT_TRUE(child.running());
    EXPECT_TRUE(pump_until([&] { return !platform::same_process_running(child.pid(), 0); }, 6s));
    EXPECT_GE(clock.elapsed(), end_process_grace_ms - 50);
    EXPECT_EQ(child.wait(2s), 128 + SIGKILL);
}

TEST_F(ProcessCommands, CancelAndTheIdleRowDoNothing) {
    BOXES boxes;
    child_process child({"sleep", "60"});
    boxes.answers = {platform::IDCANCEL};
    end_process_command(chosen(child.pid(), "explorer"), nullptr, {});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Terminate process explorer?");
    // The Idle row (and an empty one) asks nothing and sends nothing.
    end_process_command({{0, 0}, "Idle"}, nullptr, {});
    EXPECT_EQ(boxes.shown.size(), 1u);
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(child.running());
}

// The id now belongs to a process that started later than the one the row
// showed (as after the chosen one ended): every command says so and
// touches nothing.
TEST_F(ProcessCommands, EveryCommandOnAProcessThatHasEndedSaysSoAndDoesNothing) {
    child_process child({"sleep", "60"});
    CHOSEN_PROCESS ended = chosen(child.pid(), "sleep");
    ended.key.start_time += 10000000;
    current = ended;
    int launched = 0;
    const std::function<void()> commands[] = {
        [&] { end_process_command(ended, nullptr, {}); },
        [&] { menu->actions()[5]->trigger(); }, // Low
        [&] { debug_process_command(ended, nullptr, [&](const std::string &) { return ++launched; }); },
        [&] { watch_process_command(ended, nullptr); },
    };
    for (const auto &command : commands) {
        BOXES boxes;
        command();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "The process has ended.");
    }
    EXPECT_EQ(launched, 0);
    watch_process_command({}, nullptr); // the menu opened beside the rows
    EXPECT_EQ(one_process_windows_open(), 0);
    EXPECT_EQ(checked_item(), -1);
    int nice = 99;
    platform::get_process_nice(child.pid(), nice);
    EXPECT_EQ(nice, 0);
    EXPECT_TRUE(child.running());
}

TEST_F(ProcessCommands, EndOnVorkelsOwnIdRunsExit) {
    BOXES boxes;
    int exits = 0;
    end_process_command(chosen(getpid(), "vorkel"), nullptr, [&] { ++exits; });
    EXPECT_EQ(exits, 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Terminate process vorkel?");
}

TEST_F(ProcessCommands, AnotherUsersProcessIsAccessDenied) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to start a process of another user";
    child_process target({"sleep", "60"}); // root's
    child_process nobody = helper("EndAsNobody", {"VORKEL_TEST_TARGET=" + std::to_string(target.pid())});
    EXPECT_EQ(nobody.wait(30s), 0);
    EXPECT_TRUE(target.running());
}

TEST_F(ProcessCommands, PriorityIsSetOnEveryThreadAndMarkedOnReopening) {
    BOXES boxes;
    child_process child = helper("Threads", {"VORKEL_TEST_THREADS=4"});
    auto threads = [&] {
        std::vector<platform::THREAD_NICE> t;
        platform::get_thread_nices(child.pid(), t);
        return t;
    };
    ASSERT_TRUE(wait_until([&] { return threads().size() == 4; }));
    current = chosen(child.pid(), "threads");
    priority_menu_opening(current, menu.get());
    EXPECT_EQ(checked_item(), 3); // Normal

    menu->actions()[4]->trigger(); // Below normal, OK
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Change process priority of threads to Below normal?");
    EXPECT_EQ(boxes.shown[0].caption, "Task warning");
    EXPECT_EQ(checked_item(), 4);
    for (const auto &t : threads())
        EXPECT_EQ(t.nice, 5) << "thread " << t.tid;

    // Cancel: the process and the marks stay.
    boxes.answers = {platform::IDCANCEL};
    menu->actions()[1]->trigger(); // High
    EXPECT_EQ(checked_item(), 4);
    for (const auto &t : threads())
        EXPECT_EQ(t.nice, 5);

    // Reading back: 13 is Low.
    platform::set_process_nice(child.pid(), 0, 13);
    priority_menu_opening(current, menu.get());
    EXPECT_EQ(checked_item(), 5);
    // The Idle row leaves the marks as they are.
    priority_menu_opening({{0, 0}, "Idle"}, menu.get());
    EXPECT_EQ(checked_item(), 5);
}

TEST_F(ProcessCommands, WithoutTheRightToRaisePriorities) {
    child_process h({self_exe(), "--gtest_filter=ProcessCommands.HelperWithoutTheRightToRaise"},
                    {"VORKEL_TEST_NO_RAISE=1"});
    EXPECT_EQ(h.wait(30s), 0);
}

// Run by the test above in a copy of this program without the right to
// raise priorities: a higher class is refused and changes nothing; a lower
// one is asked as for good, No the default.
TEST_F(ProcessCommands, HelperWithoutTheRightToRaise) {
    if (!getenv("VORKEL_TEST_NO_RAISE"))
        GTEST_SKIP() << "helper";
    ASSERT_TRUE(test_env::drop_right_to_raise_priorities());
    child_process kid({"sleep", "60"});
    current = chosen(kid.pid(), "kid");
    auto nice = [&] {
        int n = 99;
        platform::get_process_nice(kid.pid(), n);
        return n;
    };
    BOXES boxes;
    boxes.answers = {platform::IDOK, platform::IDOK, platform::IDNO, platform::IDYES};
    menu->actions()[1]->trigger(); // High
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Access denied.");
    EXPECT_EQ(boxes.shown[1].caption, "Priority error");
    EXPECT_EQ(nice(), 0);
    EXPECT_EQ(checked_item(), -1) << "the marks stay as they were";
    menu->actions()[5]->trigger(); // Low, No
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_NE(boxes.shown[2].text.find("kid will stay at Low until it ends"), std::string::npos);
    EXPECT_EQ(boxes.shown[2].flags, platform::MB_YESNO | platform::MB_DEFBUTTON2 | platform::MB_ICONWARNING);
    EXPECT_EQ(nice(), 0);
    menu->actions()[5]->trigger(); // Low, Yes
    EXPECT_EQ(nice(), 19);
    EXPECT_EQ(checked_item(), 5);
}

TEST_F(ProcessCommands, DebugStartsTheRegisteredDebuggerWithTheId) {
    const std::string dir = test_env::make_temp_dir("dbg");
    const std::string report = dir + "/report";
    const std::string script = dir + "/debugger";
    test_env::write_file(script, "#!/bin/sh\nfor a in \"$@\"; do printf '<%s>' \"$a\"; done > '" + report +
                                     ".tmp'\n/bin/mv '" + report + ".tmp' '" + report + "'\n");
    chmod(script.c_str(), 0700);
    auto key =
        platform::open_user_key(QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug"));
    key->setValue(QStringLiteral("Debugger"), QString::fromStdString(script + " -p %ld -e %ld -g"));
    key->sync();
    auto launch = [](const std::string &line) { return launch_program(line, ""); };

    child_process victim({"sleep", "60"}); // never attached to: the debugger is a script
    const std::string id = std::to_string(victim.pid());
    debug_process_command(chosen(victim.pid(), "victim"), nullptr, launch);
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(report); }));
    EXPECT_EQ(test_env::read_file(report), "<-p><" + id + ">");

    // The Idle row: nothing started.
    std::remove(report.c_str());
    debug_process_command({{0, 0}, "Idle"}, nullptr, launch);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(test_env::file_exists(report));

    // None registered: a terminal running gdb, when both are installed.
    key->remove(QStringLiteral("Debugger"));
    key->sync();
    const std::string bin = test_env::make_temp_dir("bin");
    test_env::write_file(bin + "/x-terminal-emulator", test_env::read_file(script));
    test_env::write_file(bin + "/gdb", "#!/bin/sh\n");
    chmod((bin + "/x-terminal-emulator").c_str(), 0700);
    chmod((bin + "/gdb").c_str(), 0700);
    const std::string old_path = getenv("PATH");
    setenv("PATH", bin.c_str(), 1);
    EXPECT_EQ(registered_debugger(), bin + "/x-terminal-emulator -e " + bin + "/gdb -p ");
    debug_process_command(chosen(victim.pid(), "x"), nullptr, launch);
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(report); }));
    EXPECT_EQ(test_env::read_file(report), "<-e><" + bin + "/gdb><-p><" + id + ">");
    std::remove((bin + "/gdb").c_str());
    EXPECT_EQ(registered_debugger(), ""); // no gdb: no debugger
    setenv("PATH", old_path.c_str(), 1);
}

// Vorkel's own settings file names the debugger first; the system's
// registered one is the fallback. (Each own file has another length, so no
// cached reading of the file can be taken for the new one.)
TEST(DebuggerSetting, OwnSettingsFileFirstThenTheRegisteredOne) {
    const std::string own = std::string(getenv("XDG_CONFIG_HOME")) + "/Orvane/Vorkel.conf";
    test_env::run_capture("mkdir -p '" + own.substr(0, own.rfind('/')) + "'");
    auto system =
        platform::open_user_key(QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug"));
    system->setValue(QStringLiteral("Debugger"), QStringLiteral("/sys/dbg -p %ld"));
    system->sync();
    const struct {
        const char *own_file; // null: no file
        const char *expected;
    } cases[] = {
        {"[Debug]\nDebugger=/own/dbg -p %ld\n", "/own/dbg -p %ld"},
        {nullptr, "/sys/dbg -p %ld"},
        {"[TTA]\nCol0=60\n", "/sys/dbg -p %ld"},
        {"[Debug]\nDebugger=/own/x -a, -b -p\n", "/own/x -a, -b -p"}, // unquoted commas
    };
    for (const auto &c : cases) {
        if (c.own_file)
            test_env::write_file(own, c.own_file);
        else
            std::remove(own.c_str());
        EXPECT_EQ(registered_debugger(), c.expected) << (c.own_file ? c.own_file : "no own file");
    }
    std::remove(own.c_str());
    system->remove(QStringLiteral("Debugger"));
}

// Helpers run in a copy of this program (see helper()); skipped otherwise.
TEST(ProcessCommandsHelper, Threads) {
    const char *n = getenv("VORKEL_TEST_THREADS");
    if (!n)
        GTEST_SKIP() << "helper";
    for (int i = 1; i < atoi(n); ++i)
        std::thread([] { pause(); }).detach();
    for (;;)
        pause();
}

TEST(ProcessCommandsHelper, EndAsNobody) {
    const char *target = getenv("VORKEL_TEST_TARGET");
    if (!target)
        GTEST_SKIP() << "helper";
    ASSERT_EQ(setgid(65534), 0);
    ASSERT_EQ(setuid(65534), 0);
    ensure_qt_application(true);
    BOXES boxes;
    end_process_command(chosen(std::atoi(target), "rootly"), nullptr, {});
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Access denied.");
    EXPECT_EQ(boxes.shown[1].caption, "Termination error");
    EXPECT_EQ(boxes.shown[1].flags, 0x10u);
}
