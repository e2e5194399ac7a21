#include "common/refresher_count.h"
#include "common/sfx_mutex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono;

TEST(SFXMutex, TimesOutWhileHeldAndIsNotReentrant) {
    SFXMutex m;
    ASSERT_TRUE(m.lock(0));
    auto t0 = steady_clock::now();
    EXPECT_FALSE(m.lock(50)); // same thread, same object: blocks, then times out
    EXPECT_GE(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 45);
    m.unlock();
    EXPECT_TRUE(m.lock(0));
    m.unlock();
}

TEST(SFXMutex, UnnamedMutexesAreIndependent) {
    SFXMutex a, b;
    ASSERT_TRUE(a.lock(0));
    EXPECT_TRUE(b.lock(0));
    a.unlock();
    b.unlock();
}

TEST(SFXMutex, SameNameExcludesAcrossObjectsAndThreads) {
    SFXMutex first("unit_test_shared_name");
    SFXMutex second("unit_test_shared_name");
    ASSERT_TRUE(first.lock(0));
    std::atomic<bool> got{false};
    std::thread t([&] { got = second.lock(30); });
    t.join();
    EXPECT_FALSE(got);
    first.unlock();
    std::thread t2([&] {
        got = second.lock(1000);
        second.unlock();
    });
    t2.join();
    EXPECT_TRUE(got);
}

TEST(SFXMutex, CrossThreadCountingStaysExact) {
    SFXMutex m("unit_test_counter");
    long counter = 0;
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([&] {
            SFXMutex mine("unit_test_counter");
            for (int i = 0; i < 2000; ++i) {
                SFXLock hold(mine);
                long v = counter;
                std::this_thread::yield();
                counter = v + 1;
            }
        });
    for (auto &t : workers)
        t.join();
    EXPECT_EQ(counter, 8000);
}

TEST(SFXMutex, OtherProcessHoldsNamedLockUntilItDies) {
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SFXMutex held("unit_test_dies_holding");
        char c = held.lock(0) ? 'y' : 'n';
        if (write(ready[1], &c, 1) != 1)
            _exit(2);
        if (read(go[0], &c, 1) != 1) {
        }
        _exit(0); // dies without unlock
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    SFXMutex mine("unit_test_dies_holding");
    EXPECT_FALSE(mine.lock(50)) << "the other process holds it";
    ASSERT_EQ(write(go[1], "x", 1), 1);
    int st = 0;
    waitpid(child, &st, 0);
    EXPECT_TRUE(mine.lock(1000)) << "a dead holder must not block";
    mine.unlock();
}

TEST(RefresherCount, AddsAndReports) {
    EXPECT_EQ(refresher_count(0), 0);
    EXPECT_EQ(refresher_count(1), 1);
    EXPECT_EQ(refresher_count(0), 1);
    EXPECT_EQ(refresher_count(-1), 0);
}

namespace {

// Closes this process's descriptor of the lock file lock_name.lock, so
// that every later flock on it fails (EBADF): a lock the system refuses.
bool break_lock_file(const std::string &lock_name) {
    DIR *d = opendir("/proc/self/fd");
    if (!d)
        return false;
    bool done = false;
    while (dirent *e = readdir(d)) {
        char target[4096];
        const std::string link = std::string("/proc/self/fd/") + e->d_name;
        const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        target[n] = '\0';
        // The file's name starts with the display when there is one
        // (":0 name.lock"), else it is the bare name.
        const std::string t = target;
        const std::string tail = lock_name + ".lock";
        const std::size_t at = t.size() - std::min(t.size(), tail.size());
        if (at > 0 && t.compare(at, tail.size(), tail) == 0 && (t[at - 1] == '/' || t[at - 1] == ' ')) {
            close(atoi(e->d_name));
            done = true;
        }
    }
    closedir(d);
    return done;
}

} // namespace

TEST(SFXLock, RefusedLockFileNeverLetsTwoThreadsIn) {
    SFXMutex m("unit_test_refused_lock");
    ASSERT_TRUE(break_lock_file("unit_test_refused_lock"));
    std::atomic<bool> first_inside{false}, leave{false}, second_inside{false};
    std::thread first([&] {
        SFXLock hold(m);
        first_inside = true;
        while (!leave)
            std::this_thread::sleep_for(milliseconds(1));
        first_inside = false;
    });
    auto deadline = steady_clock::now() + seconds(10);
    while (!first_inside && steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(1));
    ASSERT_TRUE(first_inside);
    std::thread second([&] {
        SFXMutex mine("unit_test_refused_lock");
        SFXLock hold(mine);
        second_inside = true;
        EXPECT_FALSE(first_inside) << "two threads inside at once";
    });
    // The second waits for as long as the first holds it.
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_FALSE(second_inside);
    leave = true;
    first.join();
    second.join();
    EXPECT_TRUE(second_inside);
}

TEST(SFXLock, TimedLockThatFailsReleasesNothing) {
    SFXMutex m;
    ASSERT_TRUE(m.lock(0));
    {
        SFXLock late(m, 20);
        EXPECT_FALSE(late.held());
    }
    // Still held by the first taker: the failed scope released nothing.
    EXPECT_FALSE(m.lock(0));
    m.unlock();
    {
        SFXLock in_time(m, 20);
        EXPECT_TRUE(in_time.held());
        EXPECT_FALSE(m.lock(0));
    }
    EXPECT_TRUE(m.lock(0));
    m.unlock();
}
