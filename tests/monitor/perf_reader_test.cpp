// The title lookup and the process-block walk, on prepared bytes.
#include "monitor/perf_reader.h"
#include "perf_test_blocks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace perf_test;
using namespace platform::perf_layout;

namespace {

std::string table(const char *bytes, std::size_t size) { return std::string(bytes, size); }

const PROCESS_COUNTER_INDEXES standard_indexes{784, 680, 180, 952, 184, 6};

PROCESS_MAP table_with(std::initializer_list<std::uint32_t> pids) {
    PROCESS_MAP m;
    for (auto p : pids)
        m[p].pid = p;
    return m;
}

} // namespace

TEST(FindTitleIndex, FirstPairWinsAndExactTitleOnly) {
    const char t[] = "180\0Working Set\0" "999\0Working Set\0" "6\0% Processor Time\0";
    const std::string tt = table(t, sizeof t);
    EXPECT_EQ(find_title_index(tt, "Working Set"), "180");
    EXPECT_EQ(find_title_index(tt, "% Processor Time"), "6");
    EXPECT_EQ(find_title_index(tt, "working set"), ""); // case matters
    EXPECT_EQ(find_title_index(tt, "Working"), "");
}

TEST(FindTitleIndex, NotFoundAndDamagedTablesStayInside) {
    // The final extra NUL ends the walk at the value's size.
    const char t[] = "6\0A\0"; // sizeof includes the extra NUL
    EXPECT_EQ(find_title_index(table(t, sizeof t), "A"), "6");
    EXPECT_EQ(find_title_index(table(t, sizeof t), "B"), "");
    // No terminator anywhere, an index without title, empty table.
    EXPECT_EQ(find_title_index(std::string("6\0Process", 9), "Process"), "6");
    EXPECT_EQ(find_title_index(std::string("6\0Proc", 6), "Process"), "");
    EXPECT_EQ(find_title_index(std::string("230", 3), "230"), "");
    EXPECT_EQ(find_title_index("", "Process"), "");
    // Texts are cut at 255 bytes: a longer title cannot match.
    const std::string long_title(300, 'x');
    EXPECT_EQ(find_title_index("7" + std::string(1, '\0') + long_title + std::string(2, '\0'), long_title), "");
    EXPECT_EQ(find_title_index("7" + std::string(1, '\0') + long_title + std::string(2, '\0'),
                               long_title.substr(0, 255)), "7");
}

TEST(FindTitleIndex, IndexTextToNumber) {
    EXPECT_EQ(title_index_number("784"), 784u);
    EXPECT_EQ(title_index_number(""), 0u);
    EXPECT_EQ(title_index_number("78x"), 0u);
    EXPECT_EQ(title_index_number("-5"), 0u);
    EXPECT_EQ(title_index_number("99999999999"), 0u);
}

TEST(ApplyProcessBlock, UpdatesKnownIdsAndSkipsTheLastInstance) {
    auto block = process_block({{"one", 10, 5000, 4096, 1024, 3, 2},
                                {"unknown", 11, 1, 1, 1, 1, 1},
                                {"two", 12, 7000, 8192, 2048, 5, 4},
                                {"_Total", 13, 9, 9, 9, 9, 9}});
    PROCESS_MAP m = table_with({10, 12, 13, 99});
    m[99].cpu_share = 0.75;
    m[99].working_set = 123;
    SAMPLE_CLOCK clock;
    ASSERT_TRUE(apply_process_block(block, standard_indexes, m, clock));
    EXPECT_EQ(m.size(), 4u); // no entry for 11
    EXPECT_STREQ(m[10].name, "one");
    EXPECT_EQ(m[10].working_set, 4096u);
    EXPECT_EQ(m[10].page_file_bytes, 1024u);
    EXPECT_EQ(m[10].handle_count, 3u);
    EXPECT_EQ(m[10].thread_count, 2u);
    EXPECT_EQ(m[10].last_cpu_time, 5000.0);
    EXPECT_STREQ(m[12].name, "two");
    EXPECT_EQ(m[12].thread_count, 4u);
    // The last instance is never visited, the absent id keeps everything.
    EXPECT_STREQ(m[13].name, "");
    EXPECT_EQ(m[13].thread_count, 0u);
    EXPECT_EQ(m[99].cpu_share, 0.75);
    EXPECT_EQ(m[99].working_set, 123u);
    // First snapshot: previous time 0, no interval yet, share 0.
    EXPECT_EQ(clock.current_sample_time, base_time);
    EXPECT_EQ(clock.previous_sample_time, 0u);
    EXPECT_EQ(m[10].cpu_share, 0.0);
}

TEST(ApplyProcessBlock, ShareOverTwoSnapshotsAndEqualTimesGiveZero) {
    PROCESS_MAP m = table_with({10});
    SAMPLE_CLOCK clock;
    ASSERT_TRUE(apply_process_block(process_block({{"p", 10, 1000000, 0, 0, 0, 1}, {"_Total", 0, 0, 0, 0, 0, 0}}),
                                    standard_indexes, m, clock));
    // 0.5 s of CPU over 2 s of wall time.
    ASSERT_TRUE(apply_process_block(process_block({{"p", 10, 6000000, 0, 0, 0, 1}, {"_Total", 0, 0, 0, 0, 0, 0}},
                                                  base_time + 20000000),
                                    standard_indexes, m, clock));
    EXPECT_DOUBLE_EQ(m[10].cpu_share, 0.25);
    EXPECT_EQ(clock.previous_sample_time, base_time);
    // Same SystemTime again: share exactly 0, the counter still taken.
    ASSERT_TRUE(apply_process_block(process_block({{"p", 10, 9000000, 0, 0, 0, 1}, {"_Total", 0, 0, 0, 0, 0, 0}},
                                                  base_time + 20000000),
                                    standard_indexes, m, clock));
    EXPECT_EQ(m[10].cpu_share, 0.0);
    EXPECT_EQ(m[10].last_cpu_time, 9000000.0);
}

TEST(ApplyProcessBlock, ReusedIdIsANewProcessWithAFreshBaseline) {
    PROCESS_COUNTER_INDEXES idx = standard_indexes;
    idx.elapsed_time = title_elapsed_time;
    const std::uint64_t second = 10000000, old_start = 5 * second, new_start = 900 * second;
    PROCESS_MAP m = table_with({10, 11});
    SAMPLE_CLOCK clock;
    auto block = [&](std::uint64_t t, std::uint64_t cpu10, std::uint64_t start10, std::uint64_t cpu11) {
        return process_block(
            {{"p", 10, cpu10, 0, 0, 0, 1}, {"q", 11, cpu11, 0, 0, 0, 1}, {"_Total", 0, 0, 0, 0, 0, 0}}, t,
            {start10, old_start, 0});
    };
    ASSERT_TRUE(apply_process_block(block(base_time, 50000000, old_start, 1000), idx, m, clock));
    EXPECT_EQ(m[10].start_time, old_start);
    ASSERT_TRUE(apply_process_block(block(base_time + second, 60000000, old_start, 2000), idx, m, clock));
    EXPECT_DOUBLE_EQ(m[10].cpu_share, 1.0);
    // The id now belongs to a process that started later and has used
    // less time: not a negative share, but a new process with share 0.
    ASSERT_TRUE(apply_process_block(block(base_time + 2 * second, 3000000, new_start, 3000), idx, m, clock));
    EXPECT_EQ(m[10].cpu_share, 0.0);
    EXPECT_EQ(m[10].last_cpu_time, 3000000.0);
    EXPECT_EQ(m[10].start_time, new_start);
    EXPECT_DOUBLE_EQ(m[11].cpu_share, 0.0001); // the other process goes on as ever
    // From its own baseline on it gets shares again.
    ASSERT_TRUE(apply_process_block(block(base_time + 3 * second, 8000000, new_start, 4000), idx, m, clock));
    EXPECT_DOUBLE_EQ(m[10].cpu_share, 0.5);
    // Reused by a process that has used more time than the old one: the
    // start time alone tells it.
    ASSERT_TRUE(
        apply_process_block(block(base_time + 4 * second, 90000000, new_start + 1, 5000), idx, m, clock));
    EXPECT_EQ(m[10].cpu_share, 0.0);
    EXPECT_EQ(m[10].start_time, new_start + 1);
}

TEST(ApplyProcessBlock, CounterGoingBackwardsIsANewProcessEvenWithoutStartTimes) {
    PROCESS_MAP m = table_with({10});
    SAMPLE_CLOCK clock;
    const std::uint64_t second = 10000000;
    for (std::uint64_t cpu : {50000000ull, 60000000ull})
        ASSERT_TRUE(apply_process_block(
            process_block({{"p", 10, cpu, 0, 0, 0, 1}, {"_Total", 0, 0, 0, 0, 0, 0}}, base_time + cpu / 10),
            standard_indexes, m, clock));
    ASSERT_TRUE(apply_process_block(
        process_block({{"p", 10, 2000000, 0, 0, 0, 1}, {"_Total", 0, 0, 0, 0, 0, 0}}, base_time + 7 * second),
        standard_indexes, m, clock));
    EXPECT_EQ(m[10].cpu_share, 0.0);
    EXPECT_EQ(m[10].last_cpu_time, 2000000.0);
    EXPECT_EQ(m[10].start_time, 0u) << "unknown without the counter";
    ASSERT_TRUE(apply_process_block(
        process_block({{"p", 10, 7000000, 0, 0, 0, 1}, {"_Total", 0, 0, 0, 0, 0, 0}}, base_time + 8 * second),
        standard_indexes, m, clock));
    EXPECT_DOUBLE_EQ(m[10].cpu_share, 0.5);
}

TEST(ApplyProcessBlock, SixtyFourBitCountersAndLongNames) {
    const std::uint64_t five_gib = 5ULL << 30;
    const std::string long_name(300, 'n');
    PROCESS_MAP m = table_with({10, 11});
    SAMPLE_CLOCK clock;
    ASSERT_TRUE(apply_process_block(process_block({{long_name, 10, 1, five_gib, five_gib + 7, 1, 1},
                                                   {"caf\xc3\xa9 \xf0\x9f\x98\x80", 11, 1, 1, 1, 1, 1},
                                                   {"_Total", 0, 0, 0, 0, 0, 0}}),
                                    standard_indexes, m, clock));
    EXPECT_EQ(m[10].working_set, five_gib);
    EXPECT_EQ(m[10].page_file_bytes, five_gib + 7);
    EXPECT_EQ(std::strlen(m[10].name), 259u);
    EXPECT_EQ(m[10].name[259], '\0');
    EXPECT_EQ(std::string(m[10].name), long_name.substr(0, 259));
    // UTF-8 survives the UTF-16 round trip, including a surrogate pair.
    EXPECT_STREQ(m[11].name, "caf\xc3\xa9 \xf0\x9f\x98\x80");
}

TEST(ApplyProcessBlock, ThirtyTwoBitCounterDefinitionsAreReadAtTheirSize) {
    // A source whose working set is a 32-bit counter: the value is read as
    // 4 bytes, not 8 (which would pull in the next counter's bytes).
    std::vector<std::uint8_t> out;
    platform::PERF_BLOCK_WRITER w(out);
    w.begin_block(base_time, 0, 1);
    const platform::PERF_COUNTER_SPEC c[] = {{784, type_rawcount, 4}, {180, type_rawcount, 4},
                                             {184, type_rawcount, 4}, {6, type_100nsec_timer, 4},
                                             {952, type_rawcount, 4}, {680, type_rawcount, 4}};
    w.begin_object(230, c);
    const std::uint64_t v[6] = {10, 0xFFFFFFF0u, 77, 500, 8, 9};
    w.add_instance("p", v);
    w.add_instance("_Total", v);
    w.end_object();
    w.finish();
    PROCESS_MAP m = table_with({10});
    SAMPLE_CLOCK clock;
    ASSERT_TRUE(apply_process_block(out, standard_indexes, m, clock));
    EXPECT_EQ(m[10].working_set, 0xFFFFFFF0u);
    EXPECT_EQ(m[10].page_file_bytes, 77u);
    EXPECT_EQ(m[10].last_cpu_time, 500.0);
}

TEST(ApplyProcessBlock, OneOrNoInstanceVisitsNothing) {
    for (const auto &rows : {std::vector<PROC_ROW>{}, std::vector<PROC_ROW>{{"p", 10, 1, 1, 1, 1, 1}}}) {
        PROCESS_MAP m = table_with({10});
        SAMPLE_CLOCK clock;
        EXPECT_TRUE(apply_process_block(process_block(rows), standard_indexes, m, clock));
        EXPECT_EQ(m[10].thread_count, 0u);
        EXPECT_EQ(clock.current_sample_time, base_time);
    }
}

TEST(ApplyProcessBlock, MissingCounterOrTimeUpdatesNothing) {
    PROCESS_MAP m = table_with({10});
    SAMPLE_CLOCK clock{5, 4};
    auto block = process_block({{"p", 10, 1, 1, 1, 1, 1}, {"_Total", 0, 0, 0, 0, 0, 0}});
    PROCESS_COUNTER_INDEXES missing = standard_indexes;
    missing.handle_count = 4242;
    EXPECT_FALSE(apply_process_block(block, missing, m, clock));
    // A SystemTime that is no date (month 13).
    auto bad_time = block;
    bad_time[block_system_time + 2] = 13;
    EXPECT_FALSE(apply_process_block(bad_time, standard_indexes, m, clock));
    EXPECT_EQ(m[10].thread_count, 0u);
    EXPECT_EQ(clock.current_sample_time, 5u);
    EXPECT_EQ(clock.previous_sample_time, 4u);
}

// Damaged blocks: every variant must end without reading outside the
// bytes (the sanitizer build checks that) and without hanging.
TEST(ApplyProcessBlock, HostileBlocksStayInBoundsAndTerminate) {
    const auto good = process_block({{"a", 10, 1, 1, 1, 1, 1}, {"b", 11, 1, 1, 1, 1, 1},
                                     {"_Total", 0, 0, 0, 0, 0, 0}});
    const std::size_t object = block_size;
    const std::size_t first_counter = object + object_size;
    const std::size_t first_instance = object + get32(good, object + object_definition_length);
    const std::size_t first_counter_block = first_instance + get32(good, first_instance);

    struct CASE {
        const char *what;
        std::size_t at;
        std::uint32_t value;
    } cases[] = {
        {"header length past the end", block_header_length, 0xFFFFFF00u},
        {"definition length past the end", object + object_definition_length, 0x7FFFFFFFu},
        {"counter header past the end", object + object_header_length, 0xFFFFFFF0u},
        {"huge counter count", object + object_num_counters, 0xFFFFFFFFu},
        {"zero counter length", first_counter + counter_byte_length, 0},
        {"counter offset past its block", first_counter + counter_offset, 0xFFFFFFFCu},
        {"counter size odd", first_counter + counter_size, 3},
        {"huge instance count", object + object_num_instances, 0x7FFFFFFFu},
        {"negative instance count", object + object_num_instances, 0xFFFFFFFFu},
        {"zero instance length", first_instance + instance_byte_length, 0},
        {"instance length past the end", first_instance + instance_byte_length, 0xFFFFFFF0u},
        {"name offset past the instance", first_instance + instance_name_offset, 0xFFFF},
        {"zero counter block length", first_counter_block, 0},
        {"counter block length past the end", first_counter_block, 0x7FFFFFF0u},
    };
    for (const CASE &c : cases) {
        auto bad = good;
        put32(bad, c.at, c.value);
        PROCESS_MAP m = table_with({10, 11});
        SAMPLE_CLOCK clock;
        apply_process_block(bad, standard_indexes, m, clock); // may refuse; must not stray
        EXPECT_LE(m.size(), 2u) << c.what;
        EXPECT_LT(std::strlen(m[10].name), 260u) << c.what;
    }
    // A huge instance count over valid instances visits what is there.
    auto many = good;
    put32(many, object + object_num_instances, 0x7FFFFFFFu);
    PROCESS_MAP m = table_with({10, 11, 0});
    SAMPLE_CLOCK clock;
    EXPECT_TRUE(apply_process_block(many, standard_indexes, m, clock));
    EXPECT_STREQ(m[11].name, "b");
    // Every truncation of the block.
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        PROCESS_MAP t = table_with({10, 11});
        SAMPLE_CLOCK k;
        apply_process_block(cut, standard_indexes, t, k);
        if (n < block_size) {
            EXPECT_EQ(k.current_sample_time, 0u) << n;
        }
    }
}

TEST(SampleProcesses, ReadsLargeBlocksThroughTheTitleTable) {
    SCRIPTED_SOURCE src;
    src.titles = standard_titles;
    std::vector<PROC_ROW> rows;
    for (std::uint32_t i = 0; i < 400; ++i) // well above the first 12000 bytes
        rows.push_back({"proc" + std::to_string(i), 1000 + i, i, i, i, i, i});
    rows.push_back({"_Total", 0, 0, 0, 0, 0, 0});
    src.blocks = {process_block(rows)};
    SOURCE_SCOPE scope(&src);
    PROCESS_MAP m = table_with({1000, 1399});
    SAMPLE_CLOCK clock;
    ASSERT_TRUE(sample_processes(m, clock));
    EXPECT_EQ(src.last_value_name, "230");
    EXPECT_STREQ(m[1399].name, "proc399");
    EXPECT_EQ(m[1399].handle_count, 399u);
}

TEST(SampleProcesses, UnknownTitlesOrFailedQueriesUpdateNothing) {
    SCRIPTED_SOURCE src;
    src.blocks = {process_block({{"p", 10, 1, 1, 1, 1, 1}, {"_Total", 0, 0, 0, 0, 0, 0}})};
    SOURCE_SCOPE scope(&src);
    PROCESS_MAP m = table_with({10});
    SAMPLE_CLOCK clock;
    // A table without "Handle Count".
    const char t[] = "6\0% Processor Time\0" "180\0Working Set\0" "184\0Page File Bytes\0"
                     "230\0Process\0" "680\0Thread Count\0" "784\0ID Process\0";
    src.titles.assign(t, sizeof t);
    EXPECT_FALSE(sample_processes(m, clock));
    EXPECT_EQ(src.queries, 0);
    src.titles = standard_titles;
    src.fail_with = 5; // access denied
    EXPECT_FALSE(sample_processes(m, clock));
    EXPECT_EQ(m[10].thread_count, 0u);
    EXPECT_EQ(clock.current_sample_time, 0u);
}

TEST(SampleProcesses, ASourceThatAlwaysWantsMoreIsGivenUp) {
    struct GREEDY : platform::PERF_DATA_SOURCE {
        int queries = 0;
        std::string_view counter_titles() override { return standard_titles; }
        long query_performance_data(const char *, std::uint8_t *, std::uint32_t *size) override {
            ++queries;
            *size += 1;
            return platform::perf_error_more_data;
        }
    } src;
    SOURCE_SCOPE scope(&src);
    PROCESS_MAP m = table_with({10});
    SAMPLE_CLOCK clock;
    EXPECT_FALSE(sample_processes(m, clock));
    EXPECT_GT(src.queries, 1);
    EXPECT_LE(src.queries, 32);
}
