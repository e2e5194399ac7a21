#include "logging/global_stat_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

PROCESS_INFO_STRUCT process(std::uint32_t pid, const char *name, double cpu = 0.0, std::uint64_t ws = 0,
                            std::uint64_t paged = 0, std::uint32_t handles = 0, std::uint32_t threads = 0) {
    PROCESS_INFO_STRUCT p;
    p.pid = pid;
    std::strncpy(p.name, name, sizeof p.name - 1);
    p.cpu_share = cpu;
    p.working_set = ws;
    p.page_file_bytes = paged;
    p.handle_count = handles;
    p.thread_count = threads;
    p.start_time = 1000 + pid;
    return p;
}

PROCESS_MAP table(std::initializer_list<PROCESS_INFO_STRUCT> list) {
    PROCESS_MAP m;
    for (const auto &p : list)
        m[p.pid] = p;
    return m;
}

const PROCESS_INFO_STRUCT_LONG *find(const PROCESS_MAP_LONG &m, const char *name) {
    for (const auto &[k, r] : m)
        if (std::strcmp(r.name, name) == 0)
            return &r;
    return nullptr;
}

// One collector cycle as the collector runs it: the file's bytes in and out.
std::string cycle(const std::string &file, const PROCESS_MAP &processes, double now) {
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER h;
    parse_global_stat(file, map, h);
    add_global_stat_cycle(map, h, processes, now);
    return format_global_stat(map, h);
}

TEST(GlobalStatFile, RecordLayoutOnDisk) {
    PROCESS_MAP_LONG map;
    PROCESS_INFO_STRUCT_LONG r;
    r.id = 1;
    r.cpu_sum = 1.5;
    r.ram_sum = 4096;
    r.threads_sum = 3;
    std::strcpy(r.name, "editor");
    r.name[200] = 'x'; // after the zero: not written
    r.last_seen = 7.0;
    r.run_time = 9.0;
    r.samples = 5;
    r.padding1 = 0xdeadbeef;
    map[1] = r;
    const std::string bytes = format_global_stat(map, {3, 1.0, 2.0});
    ASSERT_EQ(bytes.size(), 24u + 344u);
    auto u32 = [&](std::size_t at) {
        std::uint32_t v;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    auto f64 = [&](std::size_t at) {
        double v;
        std::memcpy(&v, bytes.data() + at, 8);
        return v;
    };
    EXPECT_EQ(u32(0), 1u);
    EXPECT_EQ(u32(4), 3u);
    EXPECT_EQ(f64(8), 1.0);
    EXPECT_EQ(f64(16), 2.0);
    EXPECT_EQ(u32(24), 1u);
    EXPECT_EQ(u32(28), 0u) << "padding is written as zeros";
    EXPECT_EQ(f64(24 + 8), 1.5);
    EXPECT_EQ(f64(24 + 16), 4096.0);
    EXPECT_EQ(f64(24 + 40), 3.0);
    EXPECT_EQ(bytes.substr(24 + 48, 7), std::string("editor\0", 7));
    EXPECT_EQ(bytes.substr(24 + 48 + 6, 266), std::string(266, '\0'));
    EXPECT_EQ(f64(24 + 320), 7.0);
    EXPECT_EQ(f64(24 + 328), 9.0);
    EXPECT_EQ(u32(24 + 336), 5u);

    PROCESS_MAP_LONG back;
    GLOBAL_STAT_HEADER h;
    EXPECT_EQ(parse_global_stat(bytes, back, h), GLOBAL_STAT_STATE::whole);
    EXPECT_EQ(h.sample_count, 3u);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_STREQ(back[1].name, "editor");
    EXPECT_EQ(back[1].samples, 5u);
    EXPECT_EQ(empty_global_stat(), std::string(24, '\0'));
}

TEST(GlobalStatFile, FirstCycleSameNamesAndCase) {
    const std::string file = cycle(
        empty_global_stat(),
        table({process(10, "bash", 0.25, 4096, 1024, 10, 1), process(11, "bash", 0.5, 8192, 1024, 20, 2),
               process(12, "Bash", 0.1), process(13, "xterm", 0.0), process(14, "")}),
        1000.0);
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER h;
    ASSERT_EQ(parse_global_stat(file, map, h), GLOBAL_STAT_STATE::whole);
    EXPECT_EQ(h.sample_count, 1u);
    EXPECT_EQ(h.first_time, 1000.0);
    EXPECT_EQ(h.last_time, 1000.0);
    ASSERT_EQ(map.size(), 3u) << "bash, Bash and xterm: letter case makes another program; a process "
                                 "never sampled (no name) is none";
    // Ids in order of first sight (ascending pid).
    EXPECT_STREQ(map[1].name, "bash");
    EXPECT_STREQ(map[2].name, "Bash");
    EXPECT_STREQ(map[3].name, "xterm");
    EXPECT_EQ(map[1].samples, 2u);
    EXPECT_DOUBLE_EQ(map[1].cpu_sum, 0.75);
    EXPECT_DOUBLE_EQ(map[1].ram_sum, 12288.0);
    EXPECT_DOUBLE_EQ(map[1].handles_sum, 30.0);
    EXPECT_DOUBLE_EQ(map[1].threads_sum, 3.0);
    EXPECT_EQ(map[1].run_time, 0.0);
    EXPECT_EQ(map[2].samples, 1u);

    // Second cycle: two processes of one name grow run_time once, samples twice.
    const std::string second = cycle(file, table({process(10, "bash"), process(11, "bash")}), 1010.0);
    parse_global_stat(second, map, h);
    EXPECT_EQ(h.sample_count, 2u);
    EXPECT_EQ(h.first_time, 1000.0);
    EXPECT_EQ(h.last_time, 1010.0);
    EXPECT_EQ(map[1].samples, 4u);
    EXPECT_DOUBLE_EQ(map[1].run_time, 10.0);
    EXPECT_EQ(map[3].samples, 1u) << "an absent program keeps its figures";
}

TEST(GlobalStatFile, RunTimeOnlyAcrossConsecutiveCycles) {
    std::string file = empty_global_stat();
    const double t[] = {100.0, 130.0, 170.0, 220.0, 280.0, 350.0};
    file = cycle(file, table({process(1, "app")}), t[0]);
    file = cycle(file, table({process(1, "app")}), t[1]);
    file = cycle(file, table({process(1, "app")}), t[2]);
    file = cycle(file, table({process(2, "other")}), t[3]);
    file = cycle(file, table({process(3, "app")}), t[4]);
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER h;
    parse_global_stat(file, map, h);
    const auto *app = find(map, "app");
    ASSERT_NE(app, nullptr);
    EXPECT_DOUBLE_EQ(app->run_time, (t[1] - t[0]) + (t[2] - t[1]));
    EXPECT_EQ(app->samples, 4u);
    file = cycle(file, table({process(3, "app")}), t[5]);
    parse_global_stat(file, map, h);
    EXPECT_DOUBLE_EQ(find(map, "app")->run_time, (t[2] - t[0]) + (t[5] - t[4]));
    EXPECT_EQ(h.sample_count, 6u);
}

TEST(GlobalStatFile, OverflowStopsButCycleCompletes) {
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER h;
    add_global_stat_cycle(map, h, table({process(1, "huge", 0, 1ull << 63), process(2, "small", 0, 10)}),
                          1.0);
    map[1].ram_sum = 18446744073709551616.0 - 1024.0 * 1024.0;
    const auto before = map[1];
    EXPECT_FALSE(add_global_stat_cycle(
        map, h, table({process(1, "huge", 0.5, 1ull << 40), process(2, "small", 0, 10), process(3, "new")}),
        2.0));
    EXPECT_EQ(map[1].samples, before.samples) << "the process that would overflow adds nothing";
    EXPECT_EQ(map[1].ram_sum, before.ram_sum);
    EXPECT_EQ(map[2].samples, 2u) << "the rest of the cycle is still added";
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(h.last_time, 2.0);
    // Page-file sums are guarded the same way.
    map[2].paged_sum = 18446744073709551616.0;
    EXPECT_FALSE(add_global_stat_cycle(map, h, table({process(2, "small", 0, 0, 1)}), 3.0));
    EXPECT_TRUE(add_global_stat_cycle(map, h, table({process(1, "huge", 0, 0, 0)}), 4.0));
}

TEST(GlobalStatFile, DamagedForms) {
    PROCESS_MAP good_processes = table({process(1, "a", 0.5), process(2, "b"), process(3, "c")});
    const std::string good = cycle(empty_global_stat(), good_processes, 5.0);
    ASSERT_EQ(good.size(), 24u + 3 * 344u);
    PROCESS_MAP_LONG map;

    auto parse = [&](const std::string &bytes, GLOBAL_STAT_HEADER h = {}) {
        return std::make_pair(parse_global_stat(bytes, map, h), h);
    };

    // 0 and 23 bytes: nothing read, header left as given.
    map[9] = {};
    auto [s0, h0] = parse("", {7, 1.0, 2.0});
    EXPECT_EQ(s0, GLOBAL_STAT_STATE::damaged);
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(h0.sample_count, 7u);
    EXPECT_EQ(parse(std::string(23, '\0')).first, GLOBAL_STAT_STATE::damaged);
    EXPECT_TRUE(map.empty());

    // A partial last record: the whole ones are read.
    EXPECT_EQ(parse(good.substr(0, good.size() - 1)).first, GLOBAL_STAT_STATE::damaged);
    EXPECT_EQ(map.size(), 2u);

    // The count says more (or fewer) than the length holds.
    std::string more = good;
    const std::uint32_t huge = 0xFFFFFFFFu;
    std::memcpy(more.data(), &huge, 4);
    EXPECT_EQ(parse(more).first, GLOBAL_STAT_STATE::damaged);
    EXPECT_EQ(map.size(), 3u);
    std::string fewer = good;
    const std::uint32_t one = 1;
    std::memcpy(fewer.data(), &one, 4);
    EXPECT_EQ(parse(fewer).first, GLOBAL_STAT_STATE::damaged);
    EXPECT_EQ(map.size(), 1u);

    // A name with no terminating zero is cut to 259 bytes.
    std::string unterminated = good;
    std::memset(unterminated.data() + 24 + 344 + 48, 'N', 272);
    EXPECT_EQ(parse(unterminated).first, GLOBAL_STAT_STATE::damaged);
    ASSERT_EQ(map.size(), 3u);
    EXPECT_EQ(std::strlen(map[2].name), 259u);

    // A repeated id is read once.
    std::string repeated = good;
    std::memcpy(repeated.data() + 24 + 2 * 344, &one, 4);
    EXPECT_EQ(parse(repeated).first, GLOBAL_STAT_STATE::whole);
    EXPECT_EQ(map.size(), 2u);
    // ... and a new program then still gets an id of its own.
    GLOBAL_STAT_HEADER h;
    parse_global_stat(repeated, map, h);
    add_global_stat_cycle(map, h, table({process(5, "newcomer")}), 9.0);
    EXPECT_EQ(map.size(), 3u);
    EXPECT_NE(find(map, "newcomer"), nullptr);

    // Random bytes: nothing crashes, every record read has a terminated name.
    std::mt19937 rng(42);
    for (int round = 0; round < 20; ++round) {
        std::string noise(24 + rng() % 5000, '\0');
        for (char &c : noise)
            c = static_cast<char>(rng());
        parse(noise);
        for (const auto &[k, r] : map) {
            EXPECT_EQ(k, r.id);
            EXPECT_LT(std::strlen(r.name), 260u);
        }
    }
}

} // namespace
