#include "platform/linux/process_details_cache.h"

#include "platform/linux/proc_files.h"
#include "platform/linux/proc_parse.h"
#include "platform/linux/process_name.h"
#include "platform/system_info.h"

#include <fcntl.h>

namespace platform {

PROCESS_DETAILS PROCESS_DETAILS_CACHE::read_details(const PROC_PROCESS_SAMPLE &seen) {
    const bool kernel_thread = seen.stat.kernel_thread();
    const std::string dir = "/proc/" + std::to_string(seen.pid);
    char command_line[max_command_line + 1];
    const long read = read_proc_file(AT_FDCWD, (dir + "/cmdline").c_str(), command_line, sizeof command_line);
    const std::string_view arguments(command_line, read > 0 ? static_cast<std::size_t>(read) : 0);
    std::string executable;
    if (comm_may_be_cut(seen.stat.comm, kernel_thread))
        executable = read_executable_link(dir);
    PROCESS_DETAILS details;
    details.settled = proc_ticks_to_100ns(seen.stat.start_time) + 10000000 <= proc_boot_time_100ns();
    details.name = whole_process_name(seen.stat.comm, kernel_thread, executable, arguments);
    if (read >= 0)
        details.command_line = command_line_text(arguments, seen.stat.comm, max_command_line);
    char status[4096];
    std::uint32_t uid = 0;
    if (read_proc_file(AT_FDCWD, (dir + "/status").c_str(), status, sizeof status) > 0 &&
        parse_status_effective_uid(status, uid)) {
        auto owner = owners_.find(uid);
        if (owner == owners_.end())
            owner = owners_.emplace(uid, user_name_of(uid)).first;
        details.owner = owner->second;
    }
    return details;
}

const PROCESS_DETAILS &PROCESS_DETAILS_CACHE::details_of(const PROC_PROCESS_SAMPLE &seen) {
    ENTRY &e = entries_[seen.pid];
    if (e.seen == 0 || e.start_time != seen.stat.start_time || e.comm != seen.stat.comm ||
        !e.details->settled) {
        e.start_time = seen.stat.start_time;
        e.comm.assign(seen.stat.comm);
        e.details = std::make_shared<const PROCESS_DETAILS>(read_details(seen));
    }
    e.seen = round_;
    return *e.details;
}

std::shared_ptr<const PROCESS_DETAILS> PROCESS_DETAILS_CACHE::find(std::uint32_t pid,
                                                                   std::uint64_t start_time) const {
    const auto it = entries_.find(pid);
    if (it == entries_.end() || it->second.start_time != start_time)
        return nullptr;
    return it->second.details;
}

void PROCESS_DETAILS_CACHE::forget_unseen() {
    std::erase_if(entries_, [this](const auto &entry) { return entry.second.seen != round_; });
    ++round_;
}

} // namespace platform
