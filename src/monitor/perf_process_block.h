// Process performance-data blocks: title lookup and applying a Process
// block to a process table. Pure.
#pragma once

#include "monitor/perf_walk.h"
#include "monitor/process_info.h"

#include <cstdint>
#include <string>
#include <string_view>

// The index text of title in a title table (index/title pairs of
// NUL-terminated strings, an extra NUL at the end); the first matching
// pair wins; titles compare byte for byte. Empty when the table does not
// hold the title. Texts longer than 255 bytes are cut to 255.
std::string find_title_index(std::string_view table, std::string_view title);

// Decimal index text to a number; text that is not a number gives 0.
std::uint32_t title_index_number(std::string_view text);

// Title indexes of the six process counters, as looked up.
struct PROCESS_COUNTER_INDEXES {
    std::uint32_t id_process = 0;
    std::uint32_t thread_count = 0;
    std::uint32_t working_set = 0;
    std::uint32_t handle_count = 0;
    std::uint32_t page_file_bytes = 0;
    std::uint32_t processor_time = 0;
    std::uint32_t elapsed_time = 0; // "Elapsed Time" (process start); 0: the source has none
    std::uint32_t creating_process_id = 0; // "Creating Process ID" (parent); 0: likewise
};

// Applies one Process block to table and clock: shifts the clock to the
// block's time and updates every entry whose id occurs among the block's
// instances except the last one (the "_Total" summary). Adds and removes
// no entry. False, with table and clock untouched, when the block lacks a
// usable header, snapshot time or one of the six counters; a malformed
// instance ends the walk there. Pure.
//
// Shares: the counter difference over the time difference; 0 on a
// table's first snapshot and when both snapshots carry the same time.
// start_time comes from the optional "Elapsed Time" counter, parent_pid
// from the optional "Creating Process ID" (0 without them). An entry
// whose start time changed, or whose counter went backwards, belongs to a
// new process that reuses the id: its share for this snapshot is 0 and
// its counter becomes the new baseline. updated, when given, receives the
// number of entries updated.
bool apply_process_block(PERF_BYTES block, const PROCESS_COUNTER_INDEXES &indexes, PROCESS_MAP &table,
                         SAMPLE_CLOCK &clock, std::size_t *updated = nullptr);
