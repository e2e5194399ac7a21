// The Linux performance-data source: builds the Process (230) and
// Processor (238) objects from /proc on every query.
//
// Process object: an "Idle" instance (ID Process 0, processor time = idle
// time of all CPUs together), one instance per process named with its
// whole program name (process_name.h; read once per process and kept,
// process_details_cache.h), then "_Total" with the sums. Counters: "% Processor Time"
// (utime + stime, 100-ns, 64-bit), "ID Process", "Working Set" (resident
// bytes, 64-bit), "Page File Bytes" (RssAnon + VmSwap bytes, 64-bit),
// "Handle Count" (open fds, 0 where unreadable), "Thread Count",
// "Elapsed Time" (the process's start, 100-ns since boot on
// CLOCK_BOOTTIME; 0 for Idle and _Total; the object's PerfTime is now on
// that clock, its PerfFreq 10^7), "Creating Process ID" (the parent's id,
// 0 for the first process, the kernel's own, Idle and _Total).
// Processor object: one instance per online CPU ("0", "1", ...) whose
// "% Processor Time" holds its idle time (100-ns, 64-bit), then "_Total"
// with the mean idle time, so that every instance reads as one CPU.
//
// Snapshot time (SystemTime and PerfTime100nSec): CLOCK_MONOTONIC in
// 100-ns units, a clock that never steps and, like the processor counters,
// stands still during suspend.
//
// A process that ends while it is read is left out. The source keeps
// /proc descriptors of the processes open between queries
// (proc_process_files.h). Thread-safe: queries are serialised by a lock
// of the source.
#pragma once

#include "platform/linux/proc_process_files.h"
#include "platform/linux/process_details_cache.h"
#include "platform/perf_data.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace platform {

class LINUX_PERF_SOURCE final : public PERF_DATA_SOURCE {
public:
    std::string_view counter_titles() override;
    long query_performance_data(const char *value_name, std::uint8_t *buffer,
                                std::uint32_t *size) override;

    // The building steps, public for the benchmark: the block of object
    // 230 or 238 into out.
    void build_process_block(std::vector<std::uint8_t> &out);
    void build_processor_block(std::vector<std::uint8_t> &out);

    // The kept details of a process of the latest snapshot
    // (platform/process_details.h process_details); takes the source's lock.
    std::shared_ptr<const PROCESS_DETAILS> details_of(std::uint32_t pid, std::uint64_t start_time);

private:
    std::mutex guard_;
    std::vector<std::uint8_t> block_;
    PROC_PROCESS_FILES processes_;
    PROCESS_DETAILS_CACHE details_;
};

// The English title table the Linux source serves.
std::string_view linux_counter_titles();

} // namespace platform
