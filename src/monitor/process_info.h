// The per-process sample record and the tables that hold it.
//
// Records are plain values. Their figures are written by sample_processes
// (monitor/perf_reader.h); records are created and removed by the table's
// owner, who also guards the table (process_table: "task_time_mutex").
#pragma once

#include "monitor/process_key.h"

#include <cstdint>
#include <map>

struct PROCESS_INFO_STRUCT {
    std::uint32_t pid = 0;               // equal to the record's key
    double cpu_share = 0.0;              // CPU time between the table's last two
                                         // snapshots / wall time; 1.0 = one CPU
    std::uint64_t working_set = 0;       // bytes; 64-bit so that sets above 4 GiB are right
    std::uint64_t page_file_bytes = 0;   // bytes of private memory; 64-bit likewise
    std::uint32_t handle_count = 0;
    std::uint32_t thread_count = 0;
    char name[260] = {};                 // NUL-terminated, at most 259 bytes (UTF-8)
    double last_cpu_time = 0.0;          // processor time at the latest snapshot, 100-ns
    std::uint64_t start_time = 0;        // process start, 100-ns units since boot; 0 unknown
    std::uint32_t parent_pid = 0;        // the process that created it; 0 none or unknown
};

// The record's process as the snapshot that filled it saw it.
inline PROCESS_KEY process_key(const PROCESS_INFO_STRUCT &record) { return {record.pid, record.start_time}; }

// Ascending by process id.
using PROCESS_MAP = std::map<std::uint32_t, PROCESS_INFO_STRUCT>;

// The time base of one table's cpu_share: the snapshot times (100-ns units
// on the performance source's clock, which never steps: since boot on
// Linux) of its latest and previous samples, both 0 before the first.
// Each sampled table has its own, so sampling one table never disturbs
// another's shares.
struct SAMPLE_CLOCK {
    std::uint64_t current_sample_time = 0;
    std::uint64_t previous_sample_time = 0;
};
