// What is known of a process beyond its figures: details that do not
// change while it runs, read once when it is first met and kept, by its
// id and start time, until it ends (Linux: platform/linux/
// process_details_cache.h). Further such details of a process belong in
// this record, read and kept with the name, never in a cache of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

inline constexpr std::size_t max_command_line = 4096;

struct PROCESS_DETAILS {
    // The whole program name, the process's instance name in the
    // performance data (platform/linux/process_name.h); UTF-8 as the
    // system gives it, never cut here.
    std::string name;
    // The effective user's name, else the user id in decimal; empty when
    // it cannot be read.
    std::string owner;
    // As ps shows it: the arguments joined by blanks, a kernel thread's
    // name in brackets (platform/linux/proc_parse.h command_line_text);
    // at most max_command_line bytes; empty when it cannot be read.
    std::string command_line;
    // False when read in the process's first second: it may not yet run
    // its own program (a child between fork and exec still shows its
    // parent's command line and owner), so it is read again until it is a
    // second old. Whoever keeps details keeps only settled ones.
    bool settled = true;
};

// The details of the process pid that started at start_time (100-ns
// units since boot, as the performance snapshot gives it), as the latest
// snapshot of the system's source kept them; null when that snapshot did
// not hold this process (it has ended, or is newer). Any thread: it waits
// while the source takes a snapshot.
std::shared_ptr<const PROCESS_DETAILS> process_details(std::uint32_t pid, std::uint64_t start_time);

// For tests and benchmarks whose processes are made up: process_details
// asks reader instead of the source; an empty function restores the
// source.
using PROCESS_DETAILS_READER = std::function<PROCESS_DETAILS(std::uint32_t pid, std::uint64_t start_time)>;
void set_process_details_reader(PROCESS_DETAILS_READER reader);

} // namespace platform
