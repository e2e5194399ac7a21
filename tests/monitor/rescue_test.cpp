// The rescue hotkey's command and the restore, against a fake process list
// that names only the test's own children (and the test itself), so the
// machine's other processes are never touched. The X server and window
// manager are the test's own Xvfb and icewm.
#include "common/flags.h"
#include "common/sfx_mutex.h"
#include "monitor/process_table.h"
#include "monitor/rescue.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "platform/process_list.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

// Xlib after gtest: its None macro clashes with gtest's.
#include "platform/linux/x11_connection.h"

#include <cstdlib>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using test_env::child_process;
using test_env::wait_until;

namespace {

std::string self_exe() {
    char buf[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// The test's direct child whose command name starts with name; 0 if none.
std::uint32_t own_child_named(const std::string &name) {
    DIR *d = opendir("/proc");
    std::uint32_t found = 0;
    while (dirent *e = d ? readdir(d) : nullptr) {
        const std::string stat = test_env::read_file(std::string("/proc/") + e->d_name + "/stat");
        const std::size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        const std::string comm = stat.substr(open + 1, close - open - 1);
        const long ppid = std::strtol(stat.c_str() + close + 4, nullptr, 10);
        if (ppid == getpid() && comm.rfind(name, 0) == 0)
            found = static_cast<std::uint32_t>(std::atol(e->d_name));
    }
    if (d)
        closedir(d);
    return found;
}

int nice_of(std::uint32_t pid) {
    int nice = 99;
    platform::get_process_nice(pid, nice);
    return nice;
}

std::vector<int> thread_nices(std::uint32_t pid) {
    std::vector<platform::THREAD_NICE> t;
    platform::get_thread_nices(pid, t);
    std::vector<int> out;
    for (const auto &x : t)
        out.push_back(x.nice);
    return out;
}

} // namespace

TEST(Rescue, LowersListedProcessesLiftsVorkelAndRestoresEachValue) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    const std::uint32_t xvfb = own_child_named("Xvfb"), wm = own_child_named("icewm");
    ASSERT_NE(xvfb, 0u);
    ASSERT_NE(wm, 0u);
    ASSERT_EQ(platform::desktop_server_pids(), (std::vector<std::uint32_t>{xvfb, wm}));

    child_process threaded({self_exe(), "--gtest_filter=ProcessCommandsHelper.Threads"},
                           {"VORKEL_TEST_THREADS=4"});
    // Lowered by the first press, it starts a child before the second.
    const std::string fifo = test_env::make_temp_dir("fifo") + "/go";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    child_process at_three({"sh", "-c", "read x < '" + fifo + "'; sleep 60 & wait"});
    child_process reused({"sleep", "60"});
    const std::uint32_t a = static_cast<std::uint32_t>(threaded.pid()),
                        b = static_cast<std::uint32_t>(at_three.pid()),
                        d = static_cast<std::uint32_t>(reused.pid());
    ASSERT_TRUE(wait_until([&] { return thread_nices(a).size() == 4; }));
    std::vector<platform::THREAD_NICE> a_threads;
    platform::get_thread_nices(a, a_threads);
    ASSERT_EQ(platform::set_thread_nice(a, a_threads[3].tid, 7), 0);
    ASSERT_EQ(platform::set_process_nice(b, 0, 3), 0);
    ASSERT_EQ(platform::set_process_nice(xvfb, 0, 2), 0);
    ASSERT_EQ(platform::set_process_nice(wm, 0, 1), 0);
    const int own_before = nice_of(getpid());
    const int favourable = platform::most_favourable_nice();

    const std::uint32_t own = platform::own_process_id();
    std::vector<std::uint32_t> ids = {0, own, a, b, d, xvfb, wm};
    platform::set_process_enumerator([&](std::uint32_t *out, std::size_t cap, std::size_t &n) {
        n = std::min(cap, ids.size());
        std::copy_n(ids.begin(), n, out);
        return true;
    });
    empty_process_table();
    {
        SFXLock lock(task_time_mutex());
        ASSERT_TRUE(sync_process_table());
        for (std::uint32_t pid : {a, b, xvfb, wm})
            process_table[pid].start_time = platform::process_start_time(pid);
        // The snapshot saw another process under d's id.
        process_table[d].start_time = platform::process_start_time(d) + 10000000;
    }

    EXPECT_TRUE(rescue_processes(nullptr));
    test_env::write_file(fifo, "\n");
    const std::string children = "/proc/" + std::to_string(b) + "/task/" + std::to_string(b) + "/children";
    ASSERT_TRUE(wait_until([&] { return std::atol(test_env::read_file(children).c_str()) > 0; }));
    const auto inherited = static_cast<std::uint32_t>(std::atol(test_env::read_file(children).c_str()));
    ids.push_back(inherited);
    EXPECT_TRUE(rescue_processes(nullptr)); // twice: the same end state, the first values kept
    EXPECT_TRUE(rescue_mode);
    EXPECT_EQ(nice_of(inherited), 19);
    EXPECT_EQ(thread_nices(a), (std::vector<int>{19, 19, 19, 19}));
    EXPECT_EQ(nice_of(b), 19);
    EXPECT_EQ(nice_of(d), 0);    // reused id: left alone
    EXPECT_EQ(nice_of(xvfb), 2); // the desktop keeps its priority
    EXPECT_EQ(nice_of(wm), 1);
    for (int n : thread_nices(own))
        EXPECT_EQ(n, favourable);
    // A program Vorkel starts meanwhile begins where Vorkel was before.
    const std::string said = test_env::make_temp_dir("nice") + "/said";
    ASSERT_EQ(platform::start_detached(
                  {"sh", "-c", "nice > '" + said + ".part' && mv '" + said + ".part' '" + said + "'"}, ""),
              0);
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(said); }));
    EXPECT_EQ(std::atoi(test_env::read_file(said).c_str()), own_before);

    // Started during the rescue by a lowered parent: it inherited Low.
    child_process started_later({"sleep", "60"});
    const std::uint32_t c = static_cast<std::uint32_t>(started_later.pid());
    ASSERT_EQ(platform::set_process_nice(c, 0, 19), 0);
    ids.push_back(c);

    EXPECT_EQ(restore_priorities(), 0);
    EXPECT_FALSE(rescue_mode);
    EXPECT_EQ(thread_nices(a), (std::vector<int>{0, 0, 0, 7}));
    EXPECT_EQ(nice_of(b), 3);
    EXPECT_EQ(nice_of(inherited), 3) << "the value of the lowered process it came from";
    EXPECT_EQ(nice_of(c), 0);
    EXPECT_EQ(nice_of(d), 0);
    EXPECT_EQ(nice_of(xvfb), 2);
    EXPECT_EQ(nice_of(wm), 1);
    for (int n : thread_nices(own))
        EXPECT_EQ(n, own_before);

    platform::set_process_enumerator({});
    empty_process_table();
    platform::x11::close_display();
}

TEST(Rescue, FailureTextSaysHowManyAndWhatIsNeeded) {
    EXPECT_EQ(restore_failure_text(1).rfind("1 process keeps the lower priority the rescue gave it:", 0), 0u);
    const std::string many = restore_failure_text(3);
    EXPECT_EQ(many.rfind("3 processes keep the lower priority the rescue gave them:", 0), 0u);
    EXPECT_NE(many.find("right to raise priorities"), std::string::npos);
    EXPECT_NE(many.find("CAP_SYS_NICE"), std::string::npos);
}

TEST(Rescue, WithoutTheRightToRaiseItAsksFirstAndCountsWhatItCouldNotPutBack) {
    child_process helper({self_exe(), "--gtest_filter=RescueHelper.WithoutTheRightToRaise"},
                         {"VORKEL_TEST_NO_RAISE=1"});
    EXPECT_EQ(helper.wait(std::chrono::seconds(30)), 0);
}

// Run by the test above in a copy of this program, which gives up the
// right to raise priorities (as an ordinary user has none) and rescues its
// own child.
TEST(RescueHelper, WithoutTheRightToRaise) {
    if (!getenv("VORKEL_TEST_NO_RAISE"))
        GTEST_SKIP() << "helper";
    ASSERT_TRUE(test_env::drop_right_to_raise_priorities());
    child_process kid({"sleep", "60"});
    const std::uint32_t k = static_cast<std::uint32_t>(kid.pid());
    std::vector<std::uint32_t> ids = {platform::own_process_id(), k};
    platform::set_process_enumerator([&](std::uint32_t *out, std::size_t cap, std::size_t &n) {
        n = std::min(cap, ids.size());
        std::copy_n(ids.begin(), n, out);
        return true;
    });
    std::vector<std::string> asked;
    int answer = platform::IDNO;
    platform::set_message_box_handler([&](const std::string &text, const std::string &, unsigned flags) {
        asked.push_back(text);
        EXPECT_EQ(flags, platform::MB_YESNO | platform::MB_DEFBUTTON2 | platform::MB_ICONWARNING);
        return answer;
    });
    EXPECT_FALSE(rescue_processes(nullptr));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("will stay at Low until they end"), std::string::npos) << asked[0];
    EXPECT_EQ(nice_of(k), 0) << "No changes nothing";
    EXPECT_FALSE(rescue_mode);
    answer = platform::IDYES;
    EXPECT_TRUE(rescue_processes(nullptr));
    EXPECT_TRUE(rescue_processes(nullptr)); // agreed once for the whole rescue
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(nice_of(k), 19);
    EXPECT_EQ(nice_of(platform::own_process_id()), 0); // the most it may have
    EXPECT_EQ(restore_priorities(), 1);                // 19 cannot go back to 0
    EXPECT_EQ(nice_of(k), 19);
    EXPECT_FALSE(rescue_mode);
    platform::set_message_box_handler(nullptr);
    platform::set_process_enumerator({});
}
