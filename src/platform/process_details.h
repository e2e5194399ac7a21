// What is read once per process beside its figures: the owner and the
// whole command line. Both stay the same for the life of a process (a
// program it runs in its place changes its name, and is read again), so
// they are read at the first request for a process and kept, keyed by
// process id and start time, until the process has ended.
//
// Threads: any; the cache guards itself. Reads of the system happen on
// the asking thread, outside every lock of the program.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace platform {

struct PROCESS_DETAILS {
    std::string owner;        // the effective user's name, else the uid in decimal; empty: unreadable
    std::string command_line; // as ps shows it: arguments joined by blanks, a kernel thread's name
                              // in brackets; at most max_command_line bytes; empty: unreadable
};

inline constexpr std::size_t max_command_line = 4096;

// The details of process pid, which started at start_time (100-ns units
// since boot, as the performance snapshot gives it; 0: unknown, the id
// alone counts) and carried name in the latest snapshot. Read from the
// system at the first call for that process and served from the cache
// after that; read again when the name differs from the one it was read
// with (the process runs another program now). A process that has gone,
// or whose id now names a process with another start time, gives empty
// details, cached likewise. Never null.
std::shared_ptr<const PROCESS_DETAILS> process_details(std::uint32_t pid, std::uint64_t start_time,
                                                       std::string_view name);

// Drops the cached details of every process whose id is not in alive
// (ascending ids).
void forget_ended_process_details(std::span<const std::uint32_t> alive);

// How details are read from the system, behind the cache. For tests:
// set_process_details_reader replaces it (an empty function restores the
// system's) and empties the cache.
using PROCESS_DETAILS_READER =
    std::function<PROCESS_DETAILS(std::uint32_t pid, std::uint64_t start_time, std::string_view name)>;
void set_process_details_reader(PROCESS_DETAILS_READER reader);

} // namespace platform
