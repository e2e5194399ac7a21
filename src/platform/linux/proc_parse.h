// Parsers for the /proc texts the performance layer reads. Pure functions
// over the bytes of one read; a field that is missing or malformed makes
// the parse fail (or, for optional status lines, stay 0), never read past
// the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// /proc/PID/stat. Times in clock ticks (sysconf(_SC_CLK_TCK)).
struct PROC_PID_STAT {
    std::string_view comm; // between the first '(' and the last ')'; points into the text
    std::uint32_t ppid = 0; // the parent's id; 0 for the first process and the kernel's own
    std::uint64_t utime = 0;
    std::uint64_t stime = 0;
    std::uint64_t num_threads = 0;
    std::uint64_t flags = 0; // the kernel's PF_* bits
    std::uint64_t start_time = 0; // since boot, on the clock that counts suspend (CLOCK_BOOTTIME)
    bool kernel_thread() const { return flags & 0x00200000; } // PF_KTHREAD
};
bool parse_pid_stat(std::string_view text, PROC_PID_STAT &out);

// /proc/PID/status, the memory lines in kB; a line the text lacks (kernel
// threads have no Vm* lines) stays 0.
struct PROC_PID_STATUS {
    std::uint64_t vm_rss_kb = 0;
    std::uint64_t rss_anon_kb = 0;
    std::uint64_t vm_swap_kb = 0;
};
void parse_pid_status(std::string_view text, PROC_PID_STATUS &out);

// /proc/PID/statm ("size resident shared ..." in pages) into the same
// figures: resident is VmRSS, resident - shared (file and shmem pages) is
// RssAnon. statm says nothing of swap: vm_swap_kb is 0, so it serves only
// while no swap is in use. It costs a fraction of reading status. False
// when the text is malformed.
bool parse_pid_statm(std::string_view text, std::uint64_t page_kb, PROC_PID_STATUS &out);

// The effective user id from the "Uid:" line of /proc/PID/status (real,
// effective, saved and file-system ids follow it). False when the line is
// missing or malformed.
bool parse_status_effective_uid(std::string_view text, std::uint32_t &uid);

// The command line as ps shows it, from /proc/PID/cmdline: the arguments
// (NUL-separated, trailing NULs dropped) joined by blanks, with control
// characters and bytes that are not UTF-8 shown as '?'. An empty cmdline
// (a kernel thread, a process that is exiting) gives name in brackets. At
// most max_bytes bytes, cut at a character boundary.
std::string command_line_text(std::string_view cmdline, std::string_view name, std::size_t max_bytes);

// Swap in use by the whole machine, from /proc/meminfo (SwapTotal -
// SwapFree, KB); 0 when the lines are missing.
std::uint64_t parse_swap_used_kb(std::string_view meminfo_text);

// /proc/stat: idle time (idle + iowait, clock ticks) of the whole machine
// and of each "cpuN" line in the order listed. Up to max_cpus entries are
// stored in per_cpu_idle; *cpu_count is the number stored. False when the
// summary "cpu" line is missing or malformed, or when the text ends among
// the cpu lines (a cut read: the kernel always writes more lines after
// them).
bool parse_proc_stat_idle(std::string_view text, std::uint64_t &total_idle,
                          std::uint64_t *per_cpu_idle, std::size_t max_cpus,
                          std::size_t &cpu_count);

} // namespace platform
