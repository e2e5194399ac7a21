// The Tasks page's column table and row order: cell texts, sort keys,
// ties, the tree.
#include "monitor/task_order.h"
#include "platform/perf_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

TASK_RECORD record(std::uint32_t pid, const char *name, std::int64_t per_mille = 0, std::uint32_t parent = 0,
                   std::uint64_t start = 0) {
    TASK_RECORD r;
    r.info.pid = pid;
    std::strncpy(r.info.name, name, sizeof r.info.name - 1);
    r.cpu_per_mille = per_mille;
    r.info.parent_pid = parent;
    r.info.start_time = start;
    return r;
}

std::string text(int column, const TASK_RECORD &r, const TASK_TEXT_CONTEXT &c = {}) {
    std::string out = "junk";
    task_columns()[static_cast<std::size_t>(column)].text(r, c, out);
    return out;
}

// "pid:depth" of each row; records must be in ascending id order.
std::string order(
    const std::vector<TASK_RECORD> &records, TASK_SORT sort, bool tree = false,
    const std::function<bool(std::size_t)> &keep = [](std::size_t) { return true; }) {
    std::vector<TASK_LINE> lines;
    order_tasks(records, sort, tree, keep, lines);
    std::string out;
    for (const TASK_LINE &l : lines)
        out += (out.empty() ? "" : " ") + std::to_string(records[l.record].info.pid) +
               (tree ? ":" + std::to_string(l.depth) : "");
    return out;
}

} // namespace

TEST(TaskColumns, CpuShareOfTheTotalRoundedUpAndZeroWithoutAnInterval) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double share, total;
        const char *text;
    } cases[] = {{0.25, 2.0, "12.5"},  {1.25, 2.0, "62.5"},
                 {0.0001, 1.0, "0.1"}, {0.0, 1.0, "0.0"},
                 {1.0, 1.0, "100.0"},  {0.1231, 1.0, "12.4"},
                 {0.5, 0.0, "0.0"},    {nan, nan, "0.0"},
                 {-0.5, 1.0, "0.0"},   {0.5, std::numeric_limits<double>::infinity(), "0.0"}};
    for (const auto &c : cases)
        EXPECT_EQ(cpu_text(c.share, c.total, "."), c.text) << c.share << " of " << c.total;
    EXPECT_EQ(cpu_text(0.25, 2.0, ","), "12,5") << "the user's decimal separator";
    // A reused id whose counter restarted gives a negative share once: it
    // neither shows nor inflates the total.
    PROCESS_MAP t;
    t[1].cpu_share = -0.5;
    t[2].cpu_share = 0.5;
    EXPECT_DOUBLE_EQ(total_cpu_share(t), 0.5);
}

TEST(TaskColumns, TextsOfEveryColumn) {
    TASK_RECORD r = record(4242, "editor", 125, 1, 10000000);
    r.info.working_set = 1572864;
    r.info.page_file_bytes = 1023;
    r.info.handle_count = 17;
    r.info.thread_count = 3;
    r.details = std::make_shared<platform::PROCESS_DETAILS>(
        platform::PROCESS_DETAILS{"editor", "anna", "editor -x 'a b'"});
    // Boot at 2024-05-06 07:08:09 local time: the process started a second later.
    platform::SYSTEM_TIME boot{2024, 5, 1, 6, 7, 8, 9, 0};
    TASK_TEXT_CONTEXT context{",", 0};
    ASSERT_TRUE(platform::system_time_to_file_time(boot, context.boot_local_time));
    const char *want[] = {
        "4242", "editor", "12,5", "1536", "0", "17", "3", "anna", "editor -x 'a b'", "06.05.2024 07:08:10"};
    ASSERT_EQ(std::size(want), task_column_count);
    for (std::size_t c = 0; c < task_column_count; ++c)
        EXPECT_EQ(text(static_cast<int>(c), r, context), want[c]) << task_columns()[c].title;

    // Without details, start time or an ending NUL.
    TASK_RECORD bare = record(1, "");
    std::memset(bare.info.name, 'x', sizeof bare.info.name);
    bare.info.working_set = std::uint64_t{6} << 30;
    EXPECT_EQ(text(task_name_column, bare).size(), sizeof bare.info.name);
    EXPECT_EQ(text(3, bare), "6291456") << "memory above 4 GiB is not cut to 32 bits";
    EXPECT_EQ(text(7, bare), "");
    EXPECT_EQ(text(9, bare, context), "") << "no start time, no text";
}

TEST(TaskOrder, ByAnyColumnWithTiesByNameThenId) {
    // Idle (id 0) sorts with the others; 9 and 7 tie on CPU and name.
    const std::vector<TASK_RECORD> r = {record(0, "Idle", 700), record(3, "SH", 5),
                                        record(5, "", 0),       record(7, "sh", 100),
                                        record(9, "sh", 100),   record(12, "beta", 190)};
    const struct {
        TASK_SORT sort;
        const char *rows;
    } cases[] = {
        {{task_name_column, false}, "5 12 0 3 7 9"}, // ASCII case ignored, unnamed first
        {{task_name_column, true}, "3 7 9 0 12 5"},  // ties keep name, then id, order
        {{task_cpu_column, true}, "0 12 7 9 3 5"},   {{task_cpu_column, false}, "5 3 7 9 12 0"},
        {{task_pid_column, true}, "12 9 7 5 3 0"},   {{-1, false}, "5 12 0 3 7 9"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(order(r, c.sort), c.rows) << c.sort.column << (c.sort.descending ? " down" : " up");
    EXPECT_EQ(order(r, {task_cpu_column, true}, false, [](std::size_t i) { return i % 2 == 1; }), "12 7 3");
}

TEST(TaskOrder, TreeShowsChildrenUnderTheirParentsSortedWithinEachLevel) {
    // 1 init > 4 shell > (20 b, 30 a); 4 > 25 started before 4 (its parent
    // id was reused: a root); 40's parent 99 is not listed; 50 and 60
    // name each other; 2 kthreadd has parent 0 like init.
    const std::vector<TASK_RECORD> r = {record(0, "Idle", 0, 0),         record(1, "init", 0, 0, 10),
                                        record(2, "kthreadd", 0, 0, 10), record(4, "shell", 0, 1, 50),
                                        record(20, "b", 0, 4, 60),       record(25, "z", 0, 4, 40),
                                        record(30, "a", 0, 4, 70),       record(40, "orphan", 0, 99, 5),
                                        record(50, "ring1", 0, 60, 5),   record(60, "ring2", 0, 50, 5)};
    EXPECT_EQ(order(r, {task_name_column, false}, true), "0:0 1:0 4:1 30:2 20:2 2:0 40:0 25:0 50:0 60:1");
    EXPECT_EQ(order(r, {task_pid_column, true}, true), "40:0 25:0 2:0 1:0 4:1 30:2 20:2 0:0 60:0 50:1");
    // Filtered: a kept child of a parent left out is a root.
    EXPECT_EQ(order(r, {task_name_column, false}, true, [&](std::size_t i) { return r[i].info.pid != 4; }),
              "30:0 20:0 0:0 1:0 2:0 40:0 25:0 50:0 60:1");
}
