// Cell texts and order of the Tasks page rows.
#include "monitor/tasks_page_rows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

PROCESS_INFO_STRUCT record(std::uint32_t pid, const char *name, double share = 0.0) {
    PROCESS_INFO_STRUCT r;
    r.pid = pid;
    std::strncpy(r.name, name, sizeof r.name - 1);
    r.cpu_share = share;
    return r;
}

PROCESS_MAP table_of(std::initializer_list<PROCESS_INFO_STRUCT> records) {
    PROCESS_MAP t;
    for (const auto &r : records)
        t[r.pid] = r;
    return t;
}

} // namespace

TEST(TasksPageCpuText, SharesOfTheTotalInPercentWithOneDecimal) {
    const auto rows = task_rows(table_of({record(1, "a", 0.25), record(2, "b", 0.5), record(3, "c", 1.25)}), ".");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][2], "12.5");
    EXPECT_EQ(rows[1][2], "25.0");
    EXPECT_EQ(rows[2][2], "62.5");
}

TEST(TasksPageCpuText, RoundsUpSoAnyUseShowsAtLeastOneTenth) {
    EXPECT_EQ(cpu_text(0.0001, 1.0, "."), "0.1");
    EXPECT_EQ(cpu_text(0.0, 1.0, "."), "0.0");
    EXPECT_EQ(cpu_text(1.0, 1.0, "."), "100.0");
    EXPECT_EQ(cpu_text(0.1231, 1.0, "."), "12.4");
}

TEST(TasksPageCpuText, NoTimeBetweenSnapshotsShowsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(cpu_text(0.0, 0.0, "."), "0.0");
    EXPECT_EQ(cpu_text(0.5, 0.0, "."), "0.0");
    EXPECT_EQ(cpu_text(nan, nan, "."), "0.0");
    EXPECT_EQ(cpu_text(0.5, std::numeric_limits<double>::infinity(), "."), "0.0");
    for (const auto &row : task_rows(table_of({record(1, "a"), record(2, "b")}), "."))
        EXPECT_EQ(row[2], "0.0");
}

TEST(TasksPageCpuText, NegativeShareReadsAsIdleAndDoesNotInflateOthers) {
    // A reused id whose counter restarted gives a negative difference once.
    const PROCESS_MAP t = table_of({record(1, "a", -0.5), record(2, "b", 0.5)});
    EXPECT_DOUBLE_EQ(total_cpu_share(t), 0.5);
    const auto rows = task_rows(t, ".");
    EXPECT_EQ(rows[0][2], "0.0");
    EXPECT_EQ(rows[1][2], "100.0");
}

TEST(TasksPageRow, MemoryInKibByIntegerDivisionAndCounts) {
    PROCESS_INFO_STRUCT r = record(4242, "editor");
    r.working_set = 1572864;
    r.page_file_bytes = 1023;
    r.handle_count = 17;
    r.thread_count = 3;
    const TASK_ROW row = task_row(r, 0.0, ".");
    EXPECT_EQ(row[0], "4242");
    EXPECT_EQ(row[1], "editor");
    EXPECT_EQ(row[3], "1536");
    EXPECT_EQ(row[4], "0");
    EXPECT_EQ(row[5], "17");
    EXPECT_EQ(row[6], "3");
}

TEST(TasksPageRow, MemoryAboveFourGibIsNotCutTo32Bits) {
    PROCESS_INFO_STRUCT r = record(1, "big");
    r.working_set = std::uint64_t{6} << 30;
    EXPECT_EQ(task_row(r, 0.0, ".")[3], "6291456");
}

TEST(TasksPageRow, UnterminatedNameIsCutAtTheField) {
    PROCESS_INFO_STRUCT r = record(1, "");
    std::memset(r.name, 'x', sizeof r.name);
    EXPECT_EQ(task_row(r, 0.0, ".")[1].size(), sizeof r.name);
}

TEST(TasksPageOrder, ByNameIgnoringAsciiCase) {
    const auto rows = task_rows(table_of({record(10, "beta"), record(20, "alpha2"), record(30, "Alpha")}), ".");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][1], "Alpha");
    EXPECT_EQ(rows[1][1], "alpha2");
    EXPECT_EQ(rows[2][1], "beta");
}

TEST(TasksPageOrder, EqualNamesKeepIdOrderAndUnnamedComeFirst) {
    const auto rows =
        task_rows(table_of({record(9, "sh"), record(3, "SH"), record(7, "sh"), record(5, "")}), ".");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][0], "5");
    EXPECT_EQ(rows[1][0], "3");
    EXPECT_EQ(rows[2][0], "7");
    EXPECT_EQ(rows[3][0], "9");
}
