// The statistics file on disk and the collector thread, against real files
// and the real process table.
#include "common/flags.h"
#include "common/refresher_count.h"
#include "logging/global_stat.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using test_env::make_temp_dir;
using test_env::read_file;
using test_env::wait_until;
using test_env::write_file;

PROCESS_MAP_LONG records(int n, double base = 0.0) {
    PROCESS_MAP_LONG map;
    for (int i = 1; i <= n; ++i) {
        PROCESS_INFO_STRUCT_LONG r;
        r.id = static_cast<std::uint32_t>(i);
        std::snprintf(r.name, sizeof r.name, "program-%d", i);
        r.cpu_sum = base + i;
        r.samples = static_cast<std::uint32_t>(i);
        map[r.id] = r;
    }
    return map;
}

GLOBAL_STAT_HEADER header_of(const std::string &path, PROCESS_MAP_LONG *map_out = nullptr) {
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER h;
    read_global_stat(path, map, h);
    if (map_out)
        *map_out = map;
    return h;
}

TEST(GlobalStatDisk, ReadWriteAndDamagedFilesKeptAside) {
    const std::string dir = make_temp_dir();
    const std::string path = dir + "/vorkel.glb";
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER h{5, 1.0, 2.0};
    EXPECT_EQ(read_global_stat(path, map, h), GLOBAL_STAT_READ::missing);
    EXPECT_EQ(h.sample_count, 5u) << "a missing file leaves the caller's header values";

    ASSERT_TRUE(write_global_stat(path, records(3), {7, 10.0, 20.0}));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 24 + 3 * 344);
    EXPECT_EQ(read_global_stat(path, map, h), GLOBAL_STAT_READ::whole);
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(h.sample_count, 7u);

    // A truncated file: what is whole is read; only the collector's read
    // moves it aside, the window's leaves it where it is.
    const std::string bytes = read_file(path);
    write_file(path, bytes.substr(0, bytes.size() - 100));
    EXPECT_EQ(read_global_stat(path, map, h), GLOBAL_STAT_READ::damaged);
    EXPECT_EQ(map.size(), 2u);
    EXPECT_TRUE(test_env::file_exists(path));
    EXPECT_EQ(read_global_stat(path, map, h, true), GLOBAL_STAT_READ::damaged);
    EXPECT_FALSE(test_env::file_exists(path));
    EXPECT_EQ(read_file(path + ".damaged"), bytes.substr(0, bytes.size() - 100));

    // 100 MB of random bytes: read as far as whole records go.
    std::string noise(100u << 20, '\0');
    std::mt19937_64 rng(7);
    for (std::size_t i = 0; i + 8 <= noise.size(); i += 8) {
        const std::uint64_t v = rng();
        std::memcpy(noise.data() + i, &v, 8);
    }
    write_file(path, noise);
    noise.clear();
    noise.shrink_to_fit();
    EXPECT_EQ(read_global_stat(path, map, h, true), GLOBAL_STAT_READ::damaged);
    for (const auto &[k, r] : map)
        ASSERT_LT(std::strlen(r.name), 260u);
    EXPECT_TRUE(test_env::file_exists(path + ".damaged.1"));
}

TEST(GlobalStatDisk, FailedWriteKeepsTheOldFile) {
    const std::string dir = make_temp_dir();
    EXPECT_FALSE(write_global_stat(dir + "/gone/vorkel.glb", records(1), {}));
    const std::string path = dir + "/vorkel.glb";
    ASSERT_TRUE(write_global_stat(path, records(2), {1, 1, 1}));
    // A folder in the way of the rename: the write fails, the old file stays whole.
    const std::string blocked = dir + "/blocked.glb";
    ASSERT_EQ(mkdir(blocked.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((blocked + "/x").c_str(), 0700), 0);
    EXPECT_FALSE(write_global_stat(blocked, records(2), {}));
    EXPECT_EQ(header_of(path).sample_count, 1u);
}

// Run only as the child of the crash test: rewrites the file for ever,
// alternating a small and a large record set.
TEST(GlobalStatCrash, DISABLED_WriterLoop) {
    const char *path = std::getenv("VORKEL_STAT_WRITER_PATH");
    ASSERT_NE(path, nullptr);
    const PROCESS_MAP_LONG small = records(3), large = records(3000, 0.5);
    for (std::uint32_t i = 1;; ++i)
        write_global_stat(path, (i & 1) ? large : small, {i, 1.0, double(i)});
}

TEST(GlobalStatCrash, KillDuringWritesLeavesAWholeFile) {
    const std::string dir = make_temp_dir();
    const std::string path = dir + "/vorkel.glb";
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    for (int round = 0; round < 5; ++round) {
        test_env::child_process writer(
            {self, "--gtest_also_run_disabled_tests", "--gtest_filter=GlobalStatCrash.DISABLED_WriterLoop"},
            {"VORKEL_STAT_WRITER_PATH=" + path});
        ASSERT_TRUE(wait_until([&] { return header_of(path).sample_count > 3; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(37 * round));
        writer.kill_hard();
        PROCESS_MAP_LONG map;
        GLOBAL_STAT_HEADER h;
        ASSERT_EQ(read_global_stat(path, map, h), GLOBAL_STAT_READ::whole) << "round " << round;
        EXPECT_EQ(map.size(), (h.sample_count & 1) ? 3000u : 3u);
    }
}

class Collector : public ::testing::Test {
protected:
    void TearDown() override {
        stop_global_logging();
        EXPECT_TRUE(global_stat_finished);
    }
};

// Asks the collector for its latest cycle, then reads the file.
GLOBAL_STAT_HEADER fresh_header_of(const std::string &path) {
    flush_global_stat(path);
    return header_of(path);
}

TEST_F(Collector, CollectsOnceASecondWritesOnlyWhenDueOrAskedAndGivesBackTheRefresherRole) {
    const std::string path = make_temp_dir() + "/vorkel.glb";
    write_file(path, "stale bytes of an older period");
    ASSERT_EQ(refresher_count(0), 0);
    ASSERT_EQ(start_global_logging(path), GLOBAL_STAT_START::collecting);
    // The reset comes before the first cycle; the damaged file was kept.
    EXPECT_EQ(read_file(path + ".damaged"), "stale bytes of an older period");
    ASSERT_TRUE(
        wait_until([&] { return fresh_header_of(path).sample_count >= 2; }, std::chrono::seconds(10)));
    EXPECT_EQ(refresher_count(0), 1) << "the collector keeps the table current while the Tasks page does not";
    // Between the writes asked for, the cycles stay in memory.
    const std::string written = read_file(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(read_file(path), written) << "the file is rewritten every cycle";

    // A second start while it runs neither resets the file nor adds a collector.
    const auto before = header_of(path).sample_count;
    ASSERT_EQ(start_global_logging(path), GLOBAL_STAT_START::collecting);
    EXPECT_GE(header_of(path).sample_count, before);

    stop_global_logging();
    EXPECT_TRUE(global_stat_finished);
    EXPECT_EQ(refresher_count(0), 0);
    PROCESS_MAP_LONG map;
    const GLOBAL_STAT_HEADER h = header_of(path, &map);
    EXPECT_GE(h.sample_count, before + 2) << "the stop writes the last cycle";
    EXPECT_GT(h.last_time, h.first_time);
    // This test program itself is one of the processes collected.
    bool self_found = false;
    for (const auto &[k, r] : map)
        self_found |= std::strcmp(r.name, "test_logging") == 0;
    EXPECT_TRUE(self_found);
    // Stopped: the file keeps its content.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(header_of(path).sample_count, h.sample_count);

    // Ticking again starts from the zero header.
    ASSERT_EQ(start_global_logging(path), GLOBAL_STAT_START::collecting);
    EXPECT_LE(header_of(path).sample_count, 1u);
}

TEST_F(Collector, AFailedWriteIsRetriedWithTheDataKept) {
    const std::string dir = make_temp_dir() + "/later";
    const std::string path = dir + "/vorkel.glb";
    ASSERT_EQ(start_global_logging(path), GLOBAL_STAT_START::collecting);
    std::this_thread::sleep_for(std::chrono::milliseconds(2300)); // three cycles with no folder to write to
    ASSERT_FALSE(test_env::file_exists(path));
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    EXPECT_GE(fresh_header_of(path).sample_count, 3u)
        << "the cycles collected while the folder was gone are kept";
}

TEST_F(Collector, ANewPeriodNeverCarriesOnTheFileItFinds) {
    // As after a reset that failed: the file of an older period is still there.
    const std::string path = make_temp_dir() + "/vorkel.glb";
    PROCESS_MAP_LONG old = records(2);
    ASSERT_TRUE(write_global_stat(path, old, {500, 1.0, 2.0}));
    global_stat_running = true;
    global_stat_finished = false;
    std::thread period(global_stat_thread, path);
    EXPECT_TRUE(
        wait_until([&] { return fresh_header_of(path).sample_count < 500; }, std::chrono::seconds(5)));
    stop_global_logging();
    period.join();
    PROCESS_MAP_LONG map;
    EXPECT_LT(header_of(path, &map).sample_count, 500u);
    for (const auto &[k, r] : map)
        EXPECT_STRNE(r.name, "program-1");
}

} // namespace
