#include "logging/stat_texts.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

PROCESS_INFO_STRUCT_LONG rec(std::uint32_t id, const char *name, std::uint32_t samples, double cpu_sum,
                             double ram_sum = 0, double run_time = 0) {
    PROCESS_INFO_STRUCT_LONG r;
    r.id = id;
    std::strcpy(r.name, name);
    r.samples = samples;
    r.cpu_sum = cpu_sum;
    r.ram_sum = ram_sum;
    r.run_time = run_time;
    return r;
}

TEST(StatTexts, RunTime) {
    EXPECT_EQ(format_run_time(37259000000.0), "1:02:05") << "3 725.9 s";
    EXPECT_EQ(format_run_time(7e7), "0:00:07");
    EXPECT_EQ(format_run_time((1 * 3600 + 2 * 60 + 3) * 1e7), "1:02:03");
    EXPECT_EQ(format_run_time(27 * 3600 * 1e7 + 45 * 60 * 1e7), "27:45:00");
    EXPECT_EQ(format_run_time(0.0), "0:00:00");
    EXPECT_EQ(format_run_time(-5e7), "0:00:00");
    EXPECT_EQ(format_run_time(9.99e6), "0:00:00");
}

TEST(StatTexts, AllRowsAveragesAndPartialPresence) {
    PROCESS_MAP_LONG map;
    // 10 cycles; "full" present in all 10 with share 0.3, "part" in 5 with share 0.3.
    map[1] = rec(1, "full", 10, 3.0, 10 * 2048.0 * 1024, 3.0e7);
    map[2] = rec(2, "part", 5, 1.5, 5 * 1024.0 * 1024, 37259000000.0);
    map[2].handles_sum = 5 * 12.4;
    map[2].threads_sum = 5 * 2.5;
    map[3] = rec(3, "Alpha", 1, 0.0);
    const auto rows = global_stat_rows(map, 10, ",");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "Alpha");
    EXPECT_EQ(rows[1].name, "full");
    EXPECT_EQ(rows[2].name, "part");
    // full: 0.3 of 0.45 total per cycle; part: 0.15 of 0.45.
    EXPECT_EQ(rows[1].cpu, "66,7");
    EXPECT_EQ(rows[2].cpu, "33,3");
    EXPECT_EQ(rows[0].cpu, "0,0");
    // Averages over the program's own samples.
    EXPECT_EQ(rows[1].ram, "2048");
    EXPECT_EQ(rows[2].ram, "1024");
    EXPECT_EQ(rows[2].handles, "12");
    EXPECT_EQ(rows[2].threads, "3");
    EXPECT_EQ(rows[2].time, "1:02:05");
    EXPECT_EQ(rows[1].time, "0:00:03");
}

TEST(StatTexts, NoDivisionByZero) {
    PROCESS_MAP_LONG map;
    map[1] = rec(1, "idle", 4, 0.0);
    map[2] = rec(2, "nosamples", 0, 0.0, 1e9);
    auto rows = global_stat_rows(map, 4, ".");
    EXPECT_EQ(rows[0].cpu, "0.0");
    EXPECT_EQ(rows[1].cpu, "0.0");
    EXPECT_EQ(rows[1].ram, "0");
    rows = global_stat_rows(map, 0, ".");
    EXPECT_EQ(rows[0].cpu, "0.0");
    for (const auto &item : stat_chart_items(map, STAT_CHART::cpu))
        EXPECT_EQ(item.value, 0.0);
    EXPECT_EQ(format_mark_percent(5.0, 0.0, "."), "0 %");
    EXPECT_TRUE(global_stat_rows({}, 0, ".").empty());
}

TEST(StatTexts, ChartItemsSortedLargestFirst) {
    PROCESS_MAP_LONG map;
    map[1] = rec(1, "a", 2, 0.2, 2 * 1024.0, 5.0);  // cpu avg 0.1
    map[2] = rec(2, "b", 1, 0.3, 3 * 1024.0, 15.0); // cpu avg 0.3
    map[3] = rec(3, "c", 4, 0.4, 4 * 512.0, 10.0);  // cpu avg 0.1
    auto cpu = stat_chart_items(map, STAT_CHART::cpu);
    ASSERT_EQ(cpu.size(), 3u);
    EXPECT_EQ(cpu[0].label, "b");
    EXPECT_DOUBLE_EQ(cpu[0].value, 60.0);
    EXPECT_DOUBLE_EQ(cpu[1].value, 20.0);
    auto ram = stat_chart_items(map, STAT_CHART::ram);
    EXPECT_EQ(ram[0].label, "b");
    EXPECT_DOUBLE_EQ(ram[0].value, 3.0);
    EXPECT_DOUBLE_EQ(ram[2].value, 0.5);
    auto time = stat_chart_items(map, STAT_CHART::time);
    EXPECT_EQ(time[0].label, "b");
    EXPECT_EQ(time[1].label, "c");
    EXPECT_EQ(time[2].label, "a");
}

TEST(StatTexts, MarksAndPages) {
    EXPECT_EQ(format_mark_value(1234567.891, ",", "."), "1,234,567.891");
    EXPECT_EQ(format_mark_value(1234.5, "\xc2\xa0", ","), "1\xc2\xa0"
                                                          "234,5");
    EXPECT_EQ(format_mark_value(0.0, ",", "."), "0");
    EXPECT_EQ(format_mark_value(12.00049, ",", "."), "12");
    EXPECT_EQ(format_mark_value(999.9996, ",", "."), "1,000");
    EXPECT_EQ(format_mark_value(0.25, ",", "."), "0.25");
    EXPECT_EQ(format_mark_percent(1.0, 3.0, "."), "33.33 %");
    EXPECT_EQ(format_mark_percent(1.0, 2.0, ","), "50 %");
    EXPECT_EQ(format_mark_percent(3.0, 3.0, "."), "100 %");
    EXPECT_EQ(chart_page_count(0), 1);
    EXPECT_EQ(chart_page_count(7), 1);
    EXPECT_EQ(chart_page_count(8), 2);
    EXPECT_EQ(chart_page_count(15), 3);
}

TEST(StatTexts, AxisLabelsArePlainNumbersInUnitsOfMemory) {
    struct {
        double top_kb;
        const char *unit;
    } units[] = {{0.0, "KB"}, {9999.0, "KB"}, {10000.0, "MB"}, {8e6, "MB"}, {2e7, "GB"}};
    for (const auto &u : units)
        EXPECT_EQ(memory_unit(u.top_kb).name, u.unit) << u.top_kb;
    EXPECT_EQ(memory_unit(8e6).divisor, 1024.0);
    struct {
        double interval;
        const char *unit, *format;
    } formats[] = {{2000.0, "MB", "%.0f MB"},
                   {1.0, "", "%.0f"},
                   {0.2, "%", "%.1f %%"},
                   {0.05, "", "%.2f"},
                   {0.0, "KB", "%.0f KB"}};
    for (const auto &f : formats)
        EXPECT_EQ(axis_label_format(f.interval, f.unit), f.format) << f.interval;
}

} // namespace
