// The details of every process in sight (platform/process_details.h),
// read once per process and kept by process id and start time.
//
// The process snapshot asks for each process it lists; a process met for
// the first time is read (its owner from status, its command line, and
// its executable where its short name may be cut), one met again is
// answered from the cache. A record is read anew only when the id comes
// with another start time (a new process under a reused id) or with
// another short name (the process ran another program, or renamed
// itself). forget_unseen drops the processes that a snapshot no longer
// listed.
//
// Threads: one owner (the performance source, under its lock). The
// records handed out by find are shared and never change, so they may be
// read on any thread.
#pragma once

#include "platform/linux/proc_process_files.h"
#include "platform/process_details.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

namespace platform {

class PROCESS_DETAILS_CACHE {
public:
    // The details of the process seen (its id, start time, short name and
    // kind, as a snapshot read them). The reference stays valid until
    // forget_unseen drops the process.
    const PROCESS_DETAILS &details_of(const PROC_PROCESS_SAMPLE &seen);

    // The kept record of the process pid that started at start_time (clock
    // ticks since boot, as /proc gives it); null when none is kept.
    std::shared_ptr<const PROCESS_DETAILS> find(std::uint32_t pid, std::uint64_t start_time) const;

    // Drops every process not asked for since the previous call.
    void forget_unseen();

    std::size_t size() const { return entries_.size(); }

private:
    struct ENTRY {
        std::uint64_t start_time = 0;
        std::string comm;       // the short name the details were read for
        std::uint64_t seen = 0; // round of the latest details_of
        std::shared_ptr<const PROCESS_DETAILS> details;
    };
    PROCESS_DETAILS read_details(const PROC_PROCESS_SAMPLE &seen);

    std::unordered_map<std::uint32_t, ENTRY> entries_;
    std::map<std::uint32_t, std::string> owners_; // user id to name: the user database is asked once
    std::uint64_t round_ = 1;
};

} // namespace platform
