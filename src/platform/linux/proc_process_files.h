// Every process's /proc figures for the process snapshot, read through
// descriptors kept open from one snapshot to the next.
//
// Reading an open /proc file again at offset 0 makes the kernel produce
// its text anew; it spares the path walk, the buffer set-up and the
// release that an open and a close cost, about four fifths of reading a
// process afresh. A descriptor stays bound to the process it was opened
// for: once that process has been reaped its reads fail, so an id the
// kernel has given to a new process is never read through an old
// descriptor; the new process gets descriptors of its own.
//
// Cost: three descriptors and two kernel buffers of 4 KB per process
// held; one descriptor and buffer for a kernel thread, which has neither
// memory of its own nor open files. At most max_held processes are held (from the descriptor limit);
// any beyond are opened and closed in every snapshot.
//
// One owner, one thread at a time (the performance source, under its
// lock).
#pragma once

#include "platform/linux/proc_parse.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

struct PROC_PROCESS_SAMPLE {
    std::uint32_t pid = 0;
    PROC_PID_STAT stat;     // stat.comm is valid only during the callback
    PROC_PID_STATUS memory; // from statm, or from status while swap is in use
    std::uint32_t open_fds = 0; // 0 where they cannot be counted
};

class PROC_PROCESS_FILES {
public:
    // max_held: how many processes may keep their descriptors open.
    explicit PROC_PROCESS_FILES(std::size_t max_held = default_max_held());
    ~PROC_PROCESS_FILES();
    PROC_PROCESS_FILES(const PROC_PROCESS_FILES &) = delete;
    PROC_PROCESS_FILES &operator=(const PROC_PROCESS_FILES &) = delete;

    // Lists /proc (or takes the listing this thread's refresh just made,
    // take_listing_for_snapshot) and calls each(sample) for every process
    // that can be read, in ascending id order. swap_used picks the memory file: statm
    // says nothing of swap, so status is read while swap is in use.
    // Processes that ended since the last call lose their descriptors.
    // False, without calls, when /proc cannot be listed.
    bool sample_all(bool swap_used, const std::function<void(const PROC_PROCESS_SAMPLE &)> &each);

    // Processes whose descriptors are open now.
    std::size_t held() const { return held_.size(); }

    // From the descriptor limit, raised first (descriptor_limit.h): a
    // third of what is left after a reserve for everything else.
    static std::size_t default_max_held();

private:
    struct HELD {
        std::uint32_t pid;
        int stat_fd;
        int memory_fd;
        bool memory_is_status;
        int fd_dir; // O_PATH descriptor of /proc/PID/fd
        bool kernel_thread; // memory_fd and fd_dir stay -1
    };
    // Opens the process's descriptors and reads its sample through them.
    bool open_held(std::uint32_t pid, bool swap_used, HELD &h, PROC_PROCESS_SAMPLE &sample);
    static void close_held(HELD &h);
    // A held process's sample: stat first (read_stat starts the sample
    // afresh), then memory and open files. False once it has been reaped.
    bool read_stat(const HELD &h, PROC_PROCESS_SAMPLE &sample);
    bool read_rest(const HELD &h, PROC_PROCESS_SAMPLE &sample);

    std::size_t max_held_;
    std::vector<std::uint32_t> pids_;
    std::vector<HELD> held_; // ascending pid
    std::vector<HELD> next_;
    long page_kb_;
    char stat_text_[1024];
    char memory_text_[4096];
};

} // namespace platform
