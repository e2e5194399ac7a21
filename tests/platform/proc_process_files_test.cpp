// The held /proc descriptors of the process snapshot, against the real
// system and child processes the test starts.
#include "platform/linux/proc_files.h"
#include "platform/linux/proc_process_files.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace platform;

namespace {

struct SEEN {
    std::string name;
    PROC_PROCESS_SAMPLE sample;
};

std::map<std::uint32_t, SEEN> sample(PROC_PROCESS_FILES &files, bool swap_used = false) {
    std::map<std::uint32_t, SEEN> out;
    std::uint32_t last = 0;
    EXPECT_TRUE(files.sample_all(swap_used, [&](const PROC_PROCESS_SAMPLE &s) {
        EXPECT_GT(s.pid, last) << "not in ascending order";
        last = s.pid;
        out[s.pid] = {std::string(s.stat.comm), s};
    }));
    return out;
}

// This process's descriptors that point into /proc/<digits>/, with
// whether each is close-on-exec.
std::map<int, bool> own_proc_pid_descriptors() {
    std::map<int, bool> out;
    DIR *d = opendir("/proc/self/fd");
    const int skip = dirfd(d);
    while (dirent *e = readdir(d)) {
        const int fd = std::atoi(e->d_name);
        if (e->d_name[0] == '.' || fd == skip)
            continue;
        char target[256] = {};
        const std::string link = std::string("/proc/self/fd/") + e->d_name;
        if (readlink(link.c_str(), target, sizeof target - 1) <= 0)
            continue;
        if (std::string(target).rfind("/proc/", 0) != 0 || target[6] < '1' || target[6] > '9')
            continue;
        out[fd] = (fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0;
    }
    closedir(d);
    return out;
}

} // namespace

TEST(ProcProcessFiles, ChildComesAndGoesWithItsDescriptors) {
    PROC_PROCESS_FILES files(100000);
    test_env::child_process child({"sleep", "30"});
    ASSERT_TRUE(test_env::wait_until([&] {
        char text[512];
        const std::string path = "/proc/" + std::to_string(child.pid()) + "/stat";
        return read_proc_file(AT_FDCWD, path.c_str(), text, sizeof text) > 0 && std::string(text).find("(sleep)") != std::string::npos;
    }));
    const auto first = sample(files);
    ASSERT_TRUE(first.count(static_cast<std::uint32_t>(child.pid())));
    const PROC_PROCESS_SAMPLE &s = first.at(static_cast<std::uint32_t>(child.pid())).sample;
    EXPECT_EQ(first.at(static_cast<std::uint32_t>(child.pid())).name, "sleep");
    EXPECT_EQ(s.stat.num_threads, 1u);
    EXPECT_GT(s.memory.vm_rss_kb, 0u);
    EXPECT_GE(s.open_fds, 1u);
    ASSERT_TRUE(first.count(static_cast<std::uint32_t>(getpid())));
    EXPECT_EQ(files.held(), first.size()) << "every process read is held under a large budget";

    // Read again through the held descriptors: fresh figures. This
    // process's own fd count must match a listing taken at that moment.
    bool compared = false;
    ASSERT_TRUE(files.sample_all(false, [&](const PROC_PROCESS_SAMPLE &p) {
        if (p.pid != static_cast<std::uint32_t>(getpid()))
            return;
        std::uint32_t listed = 0;
        DIR *d = opendir("/proc/self/fd");
        while (dirent *e = readdir(d))
            listed += e->d_name[0] != '.';
        closedir(d);
        EXPECT_EQ(p.open_fds, listed - 1) << "the listing's own descriptor aside";
        compared = true;
    }));
    EXPECT_TRUE(compared);
    EXPECT_TRUE(sample(files).count(static_cast<std::uint32_t>(child.pid())));

    // Ended and reaped: gone from the next snapshot, descriptors closed.
    const std::uint32_t gone = static_cast<std::uint32_t>(child.pid());
    child.kill_hard();
    const auto third = sample(files);
    EXPECT_FALSE(third.count(gone));
    EXPECT_EQ(files.held(), third.size());
    for (const auto &[fd, cloexec] : own_proc_pid_descriptors()) {
        char target[256] = {};
        readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
        EXPECT_NE(std::string(target).rfind("/proc/" + std::to_string(gone) + "/", 0), 0u)
            << "a descriptor of the ended process is still open: " << target;
    }
}

TEST(ProcProcessFiles, DescriptorsAreCloseOnExecAndReleasedAtTheEnd) {
    const std::size_t before = own_proc_pid_descriptors().size();
    {
        PROC_PROCESS_FILES files(100000);
        EXPECT_GT(sample(files).size(), 1u);
        const auto held = own_proc_pid_descriptors();
        EXPECT_GE(held.size(), before + files.held()) << "the stat file at least per process";
        for (const auto &[fd, cloexec] : held)
            EXPECT_TRUE(cloexec) << "descriptor " << fd << " would leak into launched programs";
    }
    EXPECT_EQ(own_proc_pid_descriptors().size(), before);
}

TEST(ProcProcessFiles, BudgetLimitsHeldProcessesNotTheSnapshot) {
    PROC_PROCESS_FILES unlimited(100000), small(3), none(0);
    // Kept alive across the three snapshots so that all see it.
    test_env::child_process child({"sleep", "30"});
    ASSERT_TRUE(test_env::wait_until([&] { return sample(unlimited).count(static_cast<std::uint32_t>(child.pid())) > 0; }));
    for (int round = 0; round < 2; ++round) {
        const auto a = sample(unlimited), b = sample(small), c = sample(none);
        EXPECT_LE(small.held(), 3u);
        EXPECT_EQ(none.held(), 0u);
        for (const auto *seen : {&b, &c}) {
            EXPECT_TRUE(seen->count(static_cast<std::uint32_t>(getpid())));
            EXPECT_TRUE(seen->count(static_cast<std::uint32_t>(child.pid())));
            // Other processes come and go between the calls; most are the same.
            EXPECT_GT(seen->size() * 10, a.size() * 9);
        }
    }
    EXPECT_GT(PROC_PROCESS_FILES::default_max_held(), 100u);
}

TEST(ProcProcessFiles, SwapInUseSwitchesToStatusWithTheSameFigures) {
    PROC_PROCESS_FILES files(100000);
    const auto me = static_cast<std::uint32_t>(getpid());
    const auto from_statm = sample(files, false);
    const auto from_status = sample(files, true);
    const auto back = sample(files, false);
    ASSERT_TRUE(from_statm.count(me) && from_status.count(me) && back.count(me));
    // Resident memory moves a little between reads; same order of size.
    const auto rss_a = from_statm.at(me).sample.memory.vm_rss_kb, rss_b = from_status.at(me).sample.memory.vm_rss_kb;
    EXPECT_GT(rss_a, 0u);
    EXPECT_LT(rss_a > rss_b ? rss_a - rss_b : rss_b - rss_a, rss_a / 4 + 1024);
    EXPECT_GT(from_status.at(me).sample.memory.rss_anon_kb, 0u);
    EXPECT_EQ(files.held(), back.size());
}

TEST(ProcProcessFiles, KernelThreadsHoldOnlyTheirStatFile) {
    PROC_PROCESS_FILES files(100000);
    std::uint32_t kthread = 0;
    for (const auto &[pid, seen] : sample(files))
        if (seen.sample.stat.kernel_thread()) {
            kthread = pid;
            EXPECT_EQ(seen.sample.memory.vm_rss_kb, 0u) << seen.name;
            EXPECT_EQ(seen.sample.open_fds, 0u) << seen.name;
        }
    if (!kthread)
        GTEST_SKIP() << "no kernel thread is visible in this PID namespace";
    int of_it = 0;
    const std::string prefix = "/proc/" + std::to_string(kthread) + "/";
    for (const auto &[fd, cloexec] : own_proc_pid_descriptors()) {
        char target[256] = {};
        readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
        of_it += std::string(target).rfind(prefix, 0) == 0;
    }
    EXPECT_EQ(of_it, 1);
    // And it is still read on the next snapshot through that descriptor.
    EXPECT_TRUE(sample(files).count(kthread));
}

TEST(ProcProcessFiles, ASnapshotReadsTheListingItsRefreshJustMadeOnce) {
    PROC_PROCESS_FILES files;
    const std::vector<std::uint32_t> only_this = {static_cast<std::uint32_t>(getpid())};
    keep_listing_for_snapshot(only_this);
    EXPECT_EQ(sample(files).size(), 1u) << "the kept listing, not a new one";
    EXPECT_GT(sample(files).size(), 1u) << "handed over once";
    keep_listing_for_snapshot(only_this);
    usleep((listing_reuse_ms + 20) * 1000);
    EXPECT_GT(sample(files).size(), 1u) << "too old: listed afresh";
}
