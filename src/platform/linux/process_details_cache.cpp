#include "platform/linux/process_details_cache.h"

#include "platform/linux/proc_files.h"
#include "platform/linux/process_name.h"

#include <fcntl.h>

namespace platform {

namespace {

PROCESS_DETAILS read_details(const PROC_PROCESS_SAMPLE &seen) {
    const bool kernel_thread = seen.stat.kernel_thread();
    std::string executable;
    char command_line[4096];
    long command_line_size = 0;
    if (comm_may_be_cut(seen.stat.comm, kernel_thread)) {
        const std::string dir = "/proc/" + std::to_string(seen.pid);
        executable = read_executable_link(dir);
        command_line_size =
            read_proc_file(AT_FDCWD, (dir + "/cmdline").c_str(), command_line, sizeof command_line);
    }
    PROCESS_DETAILS details;
    details.name = whole_process_name(
        seen.stat.comm, kernel_thread, executable,
        std::string_view(command_line,
                         command_line_size > 0 ? static_cast<std::size_t>(command_line_size) : 0));
    return details;
}

} // namespace

const PROCESS_DETAILS &PROCESS_DETAILS_CACHE::details_of(const PROC_PROCESS_SAMPLE &seen) {
    ENTRY &e = entries_[seen.pid];
    if (e.seen == 0 || e.start_time != seen.stat.start_time || e.comm != seen.stat.comm) {
        e.start_time = seen.stat.start_time;
        e.comm.assign(seen.stat.comm);
        e.details = read_details(seen);
    }
    e.seen = round_;
    return e.details;
}

void PROCESS_DETAILS_CACHE::forget_unseen() {
    std::erase_if(entries_, [this](const auto &entry) { return entry.second.seen != round_; });
    ++round_;
}

} // namespace platform
