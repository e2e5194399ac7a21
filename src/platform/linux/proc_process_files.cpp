#include "platform/linux/proc_process_files.h"

#include "platform/linux/descriptor_limit.h"
#include "platform/linux/proc_files.h"

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::size_t PROC_PROCESS_FILES::default_max_held() {
    const std::size_t limit = raise_descriptor_limit();
    // Qt, X, fonts, the logs and the catalogue need far fewer than this.
    const std::size_t reserve = std::min<std::size_t>(limit / 2, 1024);
    return (limit - reserve) / 3;
}

PROC_PROCESS_FILES::PROC_PROCESS_FILES(std::size_t max_held)
    : max_held_(max_held), page_kb_(std::max(1L, sysconf(_SC_PAGESIZE) / 1024)) {}

PROC_PROCESS_FILES::~PROC_PROCESS_FILES() {
    for (HELD &h : held_)
        close_held(h);
}

bool PROC_PROCESS_FILES::open_held(std::uint32_t pid, bool swap_used, HELD &h, PROC_PROCESS_SAMPLE &sample) {
    // All three through one directory descriptor, so that they belong to
    // one and the same process.
    const int dir = open_proc_pid(pid);
    if (dir < 0)
        return false;
    h = HELD{pid, -1, -1, swap_used, -1, false};
    h.stat_fd = openat(dir, "stat", O_RDONLY | O_CLOEXEC);
    // The stat read that tells a kernel thread is the sample's own.
    if (h.stat_fd < 0 || !read_stat(h, sample)) {
        close(dir);
        close_held(h);
        return false;
    }
    h.kernel_thread = sample.stat.kernel_thread();
    if (!h.kernel_thread) {
        h.memory_fd = openat(dir, swap_used ? "status" : "statm", O_RDONLY | O_CLOEXEC);
        h.fd_dir = openat(dir, "fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    close(dir);
    if ((!h.kernel_thread && h.memory_fd < 0) || !read_rest(h, sample)) {
        close_held(h);
        return false;
    }
    return true;
}

void PROC_PROCESS_FILES::close_held(HELD &h) {
    for (int *fd : {&h.stat_fd, &h.memory_fd, &h.fd_dir}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

bool PROC_PROCESS_FILES::read_stat(const HELD &h, PROC_PROCESS_SAMPLE &sample) {
    sample = PROC_PROCESS_SAMPLE{};
    sample.pid = h.pid;
    return pread_whole(h.stat_fd, stat_text_, sizeof stat_text_) > 0 && parse_pid_stat(stat_text_, sample.stat);
}

bool PROC_PROCESS_FILES::read_rest(const HELD &h, PROC_PROCESS_SAMPLE &sample) {
    if (h.kernel_thread)
        return true; // no memory of its own, no files
    if (pread_whole(h.memory_fd, memory_text_, sizeof memory_text_) <= 0)
        return false;
    if (h.memory_is_status)
        parse_pid_status(memory_text_, sample.memory);
    else if (!parse_pid_statm(memory_text_, static_cast<std::uint64_t>(page_kb_), sample.memory))
        return false;
    // Kernel threads and other users' processes (without privilege) have
    // no countable fd folder: 0.
    sample.open_fds = h.fd_dir >= 0 ? count_open_fds_of_fd_dir(h.fd_dir) : 0;
    return true;
}

bool PROC_PROCESS_FILES::sample_all(bool swap_used,
                                    const std::function<void(const PROC_PROCESS_SAMPLE &)> &each) {
    if (!take_listing_for_snapshot(pids_) && !list_proc_pids(pids_))
        return false;
    // The kernel lists ids in ascending order; the merge below relies on it.
    if (!std::is_sorted(pids_.begin(), pids_.end()))
        std::sort(pids_.begin(), pids_.end());

    next_.clear();
    PROC_PROCESS_SAMPLE sample;
    std::size_t old = 0;
    for (const std::uint32_t pid : pids_) {
        while (old < held_.size() && held_[old].pid < pid)
            close_held(held_[old++]); // ended
        HELD h{};
        bool have = false;
        if (old < held_.size() && held_[old].pid == pid) {
            h = held_[old++];
            have = h.kernel_thread || h.memory_is_status == swap_used;
            if (have && !(read_stat(h, sample) && read_rest(h, sample)))
                have = false; // reaped; the id may belong to a new process now
            if (!have)
                close_held(h);
        }
        if (!have && !open_held(pid, swap_used, h, sample))
            continue; // gone since the listing
        each(sample);
        if (next_.size() < max_held_)
            next_.push_back(h);
        else
            close_held(h);
    }
    while (old < held_.size())
        close_held(held_[old++]);
    held_.swap(next_);
    return true;
}

} // namespace platform
