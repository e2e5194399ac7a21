// The CPU unit on scripted performance blocks and a faked 9x statistic.
#include "monitor/adcpuusage.h"
#include "perf_test_blocks.h"

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

using namespace perf_test;

namespace {

bool family_nt(platform::PLATFORM_FAMILY &f) { return f = platform::PLATFORM_FAMILY::nt, true; }
bool family_9x(platform::PLATFORM_FAMILY &f) { return f = platform::PLATFORM_FAMILY::win9x, true; }
bool family_unknown(platform::PLATFORM_FAMILY &) { return false; }

void expect_error(const std::function<void()> &f, const char *message) {
    try {
        f();
        ADD_FAILURE() << "no error, expected: " << message;
    } catch (const CPU_USAGE_ERROR &e) {
        EXPECT_STREQ(e.what(), message);
    }
}

struct FAKE_STAT : platform::KERNEL_STAT_SOURCE {
    bool can_start = true, can_open = true;
    std::uint32_t value = 37;
    int started = 0, stopped = 0, closed = 0;
    bool start_statistic(std::uint32_t &v) override { return can_start && (++started, v = 0, true); }
    bool open_statistic_data() override { return can_open; }
    bool read_cpu_usage(std::uint32_t &v) override { return v = value, true; }
    void close_statistic_data() override { ++closed; }
    void stop_statistic() override { ++stopped; }
};

} // namespace

TEST(Adcpuusage, NtLoadFromIdleCounterAndSnapshotTime) {
    SCRIPTED_SOURCE src;
    // One CPU (plus _Total): idle advances 750 000 while time advances 1 000 000.
    src.blocks = {processor_block({1000000, 1000000}, base_time),
                  processor_block({1750000, 1750000}, base_time + 1000000)};
    Adcpuusage unit({&src, nullptr, family_nt});
    EXPECT_EQ(unit.GetCPUCount(), 2); // collects by itself
    EXPECT_EQ(src.last_value_name, "238");
    unit.CollectCPUData();
    EXPECT_DOUBLE_EQ(unit.GetCPUUsage(0), 0.25);
    EXPECT_DOUBLE_EQ(unit.GetCPUUsage(1), 0.25);
    // Same snapshot time again: 0 instead of a division by zero.
    unit.CollectCPUData();
    EXPECT_EQ(unit.GetCPUUsage(0), 0.0);
}

TEST(Adcpuusage, FirstReadingComparesWithZeroAndComesOutNearOne) {
    SCRIPTED_SOURCE src;
    src.blocks = {processor_block({5000000}, base_time)};
    Adcpuusage unit({&src, nullptr, family_nt});
    EXPECT_NEAR(unit.GetCPUUsage(0), 1.0, 1e-9);
}

TEST(Adcpuusage, IndexBoundsAndMissingObjectOrCounter) {
    SCRIPTED_SOURCE src;
    src.blocks = {processor_block({1, 2, 3}, base_time)};
    Adcpuusage unit({&src, nullptr, family_nt});
    expect_error([&] { unit.GetCPUUsage(-1); }, "CPU index out of bounds");
    expect_error([&] { unit.GetCPUUsage(3); }, "CPU index out of bounds");
    EXPECT_NO_THROW(unit.GetCPUUsage(2));

    SCRIPTED_SOURCE no_counter;
    no_counter.blocks = {processor_block({1}, base_time, 1746)};
    Adcpuusage u2({&no_counter, nullptr, family_nt});
    expect_error([&] { u2.CollectCPUData(); },
                 "Unable to locate the \"% of CPU usage\" performance counter");

    SCRIPTED_SOURCE no_object;
    no_object.blocks = {process_block({{"p", 1, 1, 1, 1, 1, 1}})};
    Adcpuusage u3({&no_object, nullptr, family_nt});
    expect_error([&] { u3.CollectCPUData(); },
                 "Unable to locate the \"Processor\" performance object");
    no_object.fail_with = 5;
    expect_error([&] { u3.CollectCPUData(); },
                 "Unable to locate the \"Processor\" performance object");
}

TEST(Adcpuusage, UnknownPlatformFailsAtStart) {
    expect_error([] { Adcpuusage unit({nullptr, nullptr, family_unknown}); },
                 "Can't get the Windows version");
}

TEST(Adcpuusage, HostileProcessorBlocks) {
    const auto good = processor_block({1, 2}, base_time);
    using namespace platform::perf_layout;
    const std::size_t second_object = block_size + get32(good, block_size);
    struct CASE {
        std::size_t at;
        std::uint32_t value;
    } cases[] = {
        {block_num_object_types, 0xFFFFFFFFu},          // walks off the end
        {block_size + object_total_byte_length, 0},      // would loop in place
        {second_object + object_num_instances, 0x7FFFFFFFu}, // count far above the bytes
        {second_object + object_definition_length, 0xFFFFFFF0u},
        {second_object + object_num_counters, 0xFFFFFFFFu},
    };
    for (const CASE &c : cases) {
        auto bad = good;
        put32(bad, c.at, c.value);
        SCRIPTED_SOURCE src;
        src.blocks = {bad};
        Adcpuusage unit({&src, nullptr, family_nt});
        try {
            const int n = unit.GetCPUCount();
            EXPECT_LE(n, static_cast<int>(bad.size() / 28)) << c.at;
            for (int i = 0; i < n; ++i)
                unit.GetCPUUsage(i);
        } catch (const CPU_USAGE_ERROR &) {
            // refusing the block is fine; reading outside it is not
        }
    }
}

TEST(Adcpuusage, Win9xStatistic) {
    FAKE_STAT stat;
    {
        Adcpuusage unit({nullptr, &stat, family_9x});
        EXPECT_FALSE(unit.is_nt_family());
        EXPECT_EQ(unit.GetCPUCount(), 1);
        EXPECT_DOUBLE_EQ(unit.GetCPUUsage(0), 0.37); // collects by itself
        expect_error([&] { unit.GetCPUUsage(1); }, "CPU index out of bounds");
        stat.value = 80;
        unit.CollectCPUData();
        EXPECT_DOUBLE_EQ(unit.GetCPUUsage(0), 0.8);
        EXPECT_EQ(stat.started, 1);
        unit.ReleaseCPUData();
        EXPECT_EQ(stat.stopped, 1);
        EXPECT_EQ(stat.closed, 1);
    } // nothing more to stop at unit end
    EXPECT_EQ(stat.stopped, 1);

    FAKE_STAT no_start;
    no_start.can_start = false;
    Adcpuusage u2({nullptr, &no_start, family_9x});
    expect_error([&] { u2.CollectCPUData(); }, "Unable to start performance monitoring");
    FAKE_STAT no_open;
    no_open.can_open = false;
    Adcpuusage u3({nullptr, &no_open, family_9x});
    expect_error([&] { u3.CollectCPUData(); }, "Unable to read performance data");
}

TEST(Adcpuusage, RealProcessorObject) {
    Adcpuusage unit;
    ASSERT_TRUE(unit.is_nt_family());
    const int n = unit.GetCPUCount();
    EXPECT_EQ(n, static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)) + 1); // CPUs and _Total
    // Idle time comes in whole clock ticks, each end cut down to one: over
    // an interval it may be off by a tick either way.
    const double interval = 0.2;
    usleep(static_cast<useconds_t>(interval * 1e6));
    unit.CollectCPUData();
    const double slack = 1.0 / static_cast<double>(sysconf(_SC_CLK_TCK)) / interval + 0.01;
    for (int i = 0; i < n; ++i) {
        const double load = unit.GetCPUUsage(i);
        EXPECT_GE(load, -slack) << i;
        EXPECT_LE(load, 1 + slack) << i;
    }
}
