// Process control against real children that the test starts. Tests run as
// root on a shared machine: only the test's own children are signalled or
// reniced.
#include "platform/process_control.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

// Xlib after gtest: its None macro clashes with gtest's.
#include "platform/linux/x11_connection.h"

#include <cerrno>
#include <csignal>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

// A forked copy of the test with `threads` threads in all that sleep until
// killed; optionally it first drops to an unprivileged user. Killed and
// reaped on destruction.
class threaded_child {
public:
    explicit threaded_child(int threads, uid_t become = 0) {
        pid_ = fork();
        if (pid_ == 0) {
            if (become && (setgid(become) != 0 || setuid(become) != 0))
                _exit(3);
            for (int i = 1; i < threads; ++i)
                std::thread([] { pause(); }).detach();
            for (;;)
                pause();
        }
    }
    ~threaded_child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }
    int thread_count() const {
        std::vector<platform::THREAD_NICE> t;
        platform::get_thread_nices(pid_, t);
        return static_cast<int>(t.size());
    }

private:
    pid_t pid_ = -1;
};

// Runs fn in a forked child that has set RLIMIT_NICE to nice_limit and
// dropped to the user "nobody"; its exit code is fn's result.
int as_nobody(const std::function<int()> &fn, rlim_t nice_limit = 0) {
    const pid_t p = fork();
    if (p == 0) {
        rlimit lim{nice_limit, nice_limit};
        if (setrlimit(RLIMIT_NICE, &lim) != 0)
            _exit(251);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(250);
        _exit(fn());
    }
    int status = 0;
    waitpid(p, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

} // namespace

TEST(ProcessControl, NeverSignalsIdsAtOrBelowZero) {
    // kill(0) would reach the test's own process group, kill(-1) every
    // process: both must be refused before any system call.
    EXPECT_EQ(platform::signal_process(0, 0, platform::END_SIGNAL::terminate), EINVAL);
    EXPECT_EQ(platform::signal_process(-1, 0, platform::END_SIGNAL::kill), EINVAL);
    EXPECT_EQ(platform::signal_process(-12345, 0, platform::END_SIGNAL::kill), EINVAL);
    EXPECT_EQ(platform::signal_process(1ll << 40, 0, platform::END_SIGNAL::kill), EINVAL);
    EXPECT_EQ(platform::set_process_nice(0, 0, 19), EINVAL);
    EXPECT_EQ(platform::set_process_nice(-1, 0, 19), EINVAL);
    int nice = 0;
    EXPECT_EQ(platform::get_process_nice(0, nice), EINVAL);
    EXPECT_EQ(platform::process_start_time(0), 0u);
    // We are still here, with our nice value.
    EXPECT_EQ(platform::get_process_nice(getpid(), nice), 0);
}

TEST(ProcessControl, StartTimeTellsAReusedIdAndAZombie) {
    test_env::child_process child({"sleep", "60"});
    const std::uint64_t start = platform::process_start_time(child.pid());
    ASSERT_NE(start, 0u);
    EXPECT_GE(start, platform::process_start_time(getpid()));
    EXPECT_EQ(platform::process_start_time(child.pid()), start); // stable
    EXPECT_TRUE(platform::same_process_running(child.pid(), start));
    EXPECT_TRUE(platform::same_process_running(child.pid(), 0)); // unknown: the same
    EXPECT_FALSE(platform::same_process_running(child.pid(), start + 1));
    EXPECT_FALSE(platform::is_kernel_thread(child.pid()));

    // Another start time means another process: nothing is sent.
    EXPECT_EQ(platform::signal_process(child.pid(), start + 10000000, platform::END_SIGNAL::terminate),
              ESRCH);
    EXPECT_EQ(platform::set_process_nice(child.pid(), start - 1, 10), ESRCH);
    EXPECT_TRUE(child.running());
    int nice = 99;
    ASSERT_EQ(platform::get_process_nice(child.pid(), nice), 0);
    EXPECT_EQ(nice, 0);

    // The right one ends it with SIGTERM.
    EXPECT_EQ(platform::signal_process(child.pid(), start, platform::END_SIGNAL::terminate), 0);
    EXPECT_EQ(child.wait(5s), 128 + SIGTERM);
    EXPECT_EQ(platform::signal_process(child.pid(), start, platform::END_SIGNAL::kill), ESRCH);
}

TEST(ProcessControl, AZombieIsNotRunning) {
    const pid_t p = fork();
    if (p == 0)
        _exit(0);
    // Not reaped yet: the id still exists in /proc as a zombie.
    ASSERT_TRUE(wait_until([&] {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(p), &info, WEXITED | WNOWAIT) == 0;
    }));
    EXPECT_FALSE(platform::same_process_running(p, 0));
    waitpid(p, nullptr, 0);
}

TEST(ProcessControl, NiceIsSetOnEveryThreadAndReadFromTheMain) {
    threaded_child child(4);
    ASSERT_TRUE(wait_until([&] { return child.thread_count() == 4; }));
    const std::uint64_t start = platform::process_start_time(child.pid());
    EXPECT_EQ(platform::set_process_nice(child.pid(), start, 5), 0);
    std::vector<platform::THREAD_NICE> threads;
    ASSERT_EQ(platform::get_thread_nices(child.pid(), threads), 0);
    ASSERT_EQ(threads.size(), 4u);
    for (const auto &t : threads)
        EXPECT_EQ(t.nice, 5) << "thread " << t.tid;
    int nice = 0;
    EXPECT_EQ(platform::get_process_nice(child.pid(), nice), 0);
    EXPECT_EQ(nice, 5);

    // One thread alone; the others keep theirs.
    EXPECT_EQ(platform::set_thread_nice(child.pid(), threads[2].tid, 12), 0);
    ASSERT_EQ(platform::get_thread_nices(child.pid(), threads), 0);
    EXPECT_EQ(threads[2].nice, 12);
    EXPECT_EQ(threads[0].nice, 5);
    // A thread of another process is refused.
    EXPECT_EQ(platform::set_thread_nice(child.pid(), static_cast<std::uint32_t>(getpid()), 19), ESRCH);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), 0);
    // Out of range values are clamped.
    EXPECT_EQ(platform::set_process_nice(child.pid(), start, 40), 0);
    EXPECT_EQ(platform::get_process_nice(child.pid(), nice), 0);
    EXPECT_EQ(nice, 19);
}

TEST(ProcessControl, AnUnprivilegedUserIsRefused) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to start a child of another user";
    test_env::child_process target({"sleep", "60"});
    const pid_t target_pid = target.pid();
    const std::uint64_t target_start = platform::process_start_time(target_pid);
    // As nobody: ending root's process is EPERM; the target survives.
    EXPECT_EQ(as_nobody([&] {
                  return platform::signal_process(target_pid, target_start, platform::END_SIGNAL::kill);
              }),
              EPERM);
    EXPECT_TRUE(target.running());

    // As nobody, on its own process: raising nice works, lowering it again
    // does not (unless RLIMIT_NICE allows it), and most_favourable_nice says so.
    const int result = as_nobody([] {
        if (platform::most_favourable_nice() != 0)
            return 10;
        const std::uint32_t self = platform::own_process_id();
        if (platform::set_process_nice(self, 0, 7) != 0)
            return 11;
        if (platform::most_favourable_nice() != 7)
            return 12;
        const int e = platform::set_process_nice(self, 0, 0);
        return e == EPERM || e == EACCES ? 0 : 13;
    });
    EXPECT_EQ(result, 0);
    // With RLIMIT_NICE 30 the floor is 20 - 30 = -10.
    // (Only where the test may raise that limit: it needs CAP_SYS_RESOURCE.)
    const int raised = as_nobody([] { return platform::most_favourable_nice() == -10 ? 0 : 1; }, 30);
    if (raised != 251) {
        EXPECT_EQ(raised, 0);
    }
    EXPECT_EQ(platform::most_favourable_nice(), -20); // root has CAP_SYS_NICE
}

TEST(ProcessControl, FindsTheXServerAndTheWindowManager) {
    test_env::x_session x; // the test's own Xvfb and icewm
    ASSERT_TRUE(x.ok());
    const std::vector<std::uint32_t> pids = platform::desktop_server_pids();
    ASSERT_EQ(pids.size(), 2u);
    auto comm = [](std::uint32_t pid) {
        return test_env::read_file("/proc/" + std::to_string(pid) + "/comm");
    };
    EXPECT_EQ(comm(pids[0]), "Xvfb\n");
    EXPECT_EQ(comm(pids[1]).substr(0, 5), "icewm");
    // Both are the test's own descendants, never the machine's desktop.
    EXPECT_NE(pids[0], pids[1]);
    platform::x11::close_display();
}
