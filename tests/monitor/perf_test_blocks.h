// Prepared performance blocks and a scripted source for the reader tests.
#pragma once

#include "platform/linux/perflib_block.h"
#include "platform/perf_data.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace perf_test {

struct PROC_ROW {
    std::string name;
    std::uint64_t pid, cpu_time, working_set, page_file, handles, threads;
};

// 2024-05-06 07:08:09.010 UTC as FILETIME; a whole millisecond, so it
// survives the SYSTEMTIME round trip.
inline constexpr std::uint64_t base_time = [] {
    std::uint64_t t = 0;
    platform::system_time_to_file_time({2024, 5, 1, 6, 7, 8, 9, 10}, t);
    return t;
}();

inline const platform::PERF_COUNTER_SPEC process_counters[] = {
    {platform::title_processor_time, platform::perf_layout::type_100nsec_timer, 8},
    {platform::title_id_process, platform::perf_layout::type_rawcount, 4},
    {platform::title_working_set, platform::perf_layout::type_large_rawcount, 8},
    {platform::title_page_file_bytes, platform::perf_layout::type_large_rawcount, 8},
    {platform::title_handle_count, platform::perf_layout::type_rawcount, 4},
    {platform::title_thread_count, platform::perf_layout::type_rawcount, 4},
};

inline constexpr std::uint32_t title_elapsed_time = 684; // "Elapsed Time"

// A block holding one Process object with rows as its instances (the
// last row plays "_Total"). With starts (one per row), the object also
// carries the "Elapsed Time" counter with those process start times; with
// parents, "Creating Process ID" with those parent ids.
inline std::vector<std::uint8_t> process_block(const std::vector<PROC_ROW> &rows,
                                               std::uint64_t file_time = base_time,
                                               const std::vector<std::uint64_t> &starts = {},
                                               const std::vector<std::uint64_t> &parents = {}) {
    std::vector<std::uint8_t> out;
    platform::PERF_BLOCK_WRITER w(out);
    w.begin_block(file_time, 0, 1);
    std::vector<platform::PERF_COUNTER_SPEC> counters(std::begin(process_counters),
                                                      std::end(process_counters));
    if (!starts.empty())
        counters.push_back({title_elapsed_time, 0x30240500, 8});
    if (!parents.empty())
        counters.push_back({platform::title_creating_process_id, platform::perf_layout::type_rawcount, 4});
    w.begin_object(platform::title_process, counters);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PROC_ROW &r = rows[i];
        std::vector<std::uint64_t> v = {r.cpu_time, r.pid, r.working_set, r.page_file, r.handles, r.threads};
        if (!starts.empty())
            v.push_back(i < starts.size() ? starts[i] : 0);
        if (!parents.empty())
            v.push_back(i < parents.size() ? parents[i] : 0);
        w.add_instance(r.name, v);
    }
    w.end_object();
    w.finish();
    return out;
}

// A block with an object of title 2 (no processors) followed by a
// Processor object whose instances carry idle times.
inline std::vector<std::uint8_t> processor_block(const std::vector<std::uint64_t> &idle,
                                                 std::uint64_t file_time,
                                                 std::uint32_t counter_title = platform::title_processor_time) {
    std::vector<std::uint8_t> out;
    platform::PERF_BLOCK_WRITER w(out);
    w.begin_block(file_time, 0, 1);
    const platform::PERF_COUNTER_SPEC other[] = {{4, platform::perf_layout::type_rawcount, 4}};
    w.begin_object(2, other);
    const std::uint64_t zero = 0;
    w.add_instance("x", {&zero, 1});
    w.end_object();
    const platform::PERF_COUNTER_SPEC c[] = {
        {4, platform::perf_layout::type_rawcount, 4},
        {counter_title, platform::perf_layout::type_100nsec_timer_inv, 8}};
    w.begin_object(platform::title_processor, c);
    for (std::size_t i = 0; i < idle.size(); ++i) {
        const std::uint64_t v[2] = {7, idle[i]};
        w.add_instance(std::to_string(i), v);
    }
    w.end_object();
    w.finish();
    return out;
}

inline void put32(std::vector<std::uint8_t> &b, std::size_t at, std::uint32_t v) {
    std::memcpy(b.data() + at, &v, 4); // the tests run little-endian
}
inline std::uint32_t get32(const std::vector<std::uint8_t> &b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// Serves prepared blocks in turn (the last one repeats) and a title table.
class SCRIPTED_SOURCE : public platform::PERF_DATA_SOURCE {
public:
    std::string titles;
    std::vector<std::vector<std::uint8_t>> blocks;
    std::size_t served = 0;
    int queries = 0;
    long fail_with = 0; // non-zero: every query answers this
    std::string last_value_name;

    std::string_view counter_titles() override { return titles; }
    long query_performance_data(const char *value_name, std::uint8_t *buffer,
                                std::uint32_t *size) override {
        ++queries;
        last_value_name = value_name;
        if (fail_with)
            return fail_with;
        const auto &b = blocks.at(std::min(served, blocks.size() - 1));
        if (b.size() > *size) {
            *size = static_cast<std::uint32_t>(b.size());
            return platform::perf_error_more_data;
        }
        std::memcpy(buffer, b.data(), b.size());
        *size = static_cast<std::uint32_t>(b.size());
        ++served;
        return platform::perf_error_success;
    }
};

// Makes a source current for one test.
struct SOURCE_SCOPE {
    explicit SOURCE_SCOPE(platform::PERF_DATA_SOURCE *s) { platform::set_perf_data_source(s); }
    ~SOURCE_SCOPE() { platform::set_perf_data_source(nullptr); }
};

// The title table: index and title, each ending in a zero, and a closing
// zero.
inline const std::string standard_titles = [] {
    std::string t;
    for (const char *text : {"1",   "1847",         "6",    "% Processor Time",
                             "180", "Working Set",  "184",  "Page File Bytes",
                             "230", "Process",      "680",  "Thread Count",
                             "684", "Elapsed Time", "784",  "ID Process",
                             "952", "Handle Count", "1410", "Creating Process ID"})
        t.append(text).push_back('\0');
    t.push_back('\0');
    return t;
}();

} // namespace perf_test
