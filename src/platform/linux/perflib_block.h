// Builds performance-data blocks in the published layout (platform/perf_data.h)
// from plain records. Pure byte work: no /proc, no OS calls, so the
// layout can be checked byte by byte and reused to prepare test blocks.
//
// Use: begin_block, then per object begin_object, add_instance..., end_object,
// and finish. The output vector is cleared on construction and keeps its
// capacity, so a writer over a reused vector allocates nothing once the
// vector has grown to the snapshot size.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

// Decodes one UTF-8 sequence at text[i] (i < text.size()) and steps i past
// it. A byte that does not start a valid sequence stands for itself
// (Latin-1) and i moves one byte: a code point of 0x80 or more after a
// one-byte step marks a byte that is not UTF-8.
std::uint32_t next_code_point(std::string_view text, std::size_t &i);

struct PERF_COUNTER_SPEC {
    std::uint32_t title_index;
    std::uint32_t counter_type;
    std::uint32_t size; // 4 or 8 bytes
};

class PERF_BLOCK_WRITER {
public:
    explicit PERF_BLOCK_WRITER(std::vector<std::uint8_t> &out);

    // file_time: the snapshot's time in 100-ns units on the source's clock
    // (a FILETIME, since 1601, on Windows; since boot on a clock that never
    // steps on Linux); stored as SystemTime (millisecond resolution) and as
    // PerfTime100nSec (full). perf_time/perf_freq: a monotonic counter and
    // its ticks per second.
    void begin_block(std::uint64_t file_time, std::uint64_t perf_time, std::uint64_t perf_freq);

    // Starts an object with the given counters; their values go into each
    // instance's counter block in this order. perf_time/perf_freq: the
    // object's own time base (for elapsed-time counters), 0 when unused.
    void begin_object(std::uint32_t title_index, std::span<const PERF_COUNTER_SPEC> counters,
                      std::uint64_t perf_time = 0, std::uint64_t perf_freq = 0);

    // One instance. name: UTF-8 (bytes that are not valid UTF-8 are taken
    // as Latin-1), stored as NUL-terminated UTF-16. values: one per counter
    // of the object, in the counters' order; a 4-byte counter keeps the low
    // 32 bits. Missing values are 0.
    void add_instance(std::string_view name, std::span<const std::uint64_t> values);

    void end_object();
    void finish();

private:
    std::size_t grow(std::size_t bytes); // zero-filled; returns the old size
    void put32(std::size_t at, std::uint32_t v);
    void put64(std::size_t at, std::uint64_t v);

    std::vector<std::uint8_t> &out_;
    std::size_t object_start_ = 0;
    std::int32_t instances_ = 0;
    std::uint32_t objects_ = 0;
    std::uint32_t counter_block_length_ = 0;
    PERF_COUNTER_SPEC counters_[16]{};
    std::uint32_t counter_offsets_[16]{};
    std::size_t counter_count_ = 0;
};

} // namespace platform
