#include "platform/process_details.h"

#include "platform/linux/proc_files.h"
#include "platform/linux/proc_parse.h"
#include "platform/system_info.h"

#include <map>
#include <mutex>

#include <unistd.h>

namespace platform {

namespace {

struct CACHED {
    std::uint64_t start_time = 0;
    std::string name; // the name the details were read with
    std::shared_ptr<const PROCESS_DETAILS> details;
};

std::mutex guard;
std::map<std::uint32_t, CACHED> cache;            // by process id
std::map<std::uint32_t, std::string> owner_names; // by user id: the user database is asked once
PROCESS_DETAILS_READER test_reader;

std::string owner_name(std::uint32_t uid) {
    {
        std::lock_guard<std::mutex> hold(guard);
        if (const auto it = owner_names.find(uid); it != owner_names.end())
            return it->second;
    }
    std::string name = user_name_of(uid);
    std::lock_guard<std::mutex> hold(guard);
    return owner_names.emplace(uid, std::move(name)).first->second;
}

PROCESS_DETAILS read_from_proc(std::uint32_t pid, std::uint64_t start_time) {
    PROCESS_DETAILS details;
    // Every read through one directory handle, so all of them see the same
    // process; its start time tells whether it is the one asked about.
    const int dir = open_proc_pid(pid);
    if (dir < 0)
        return details;
    char stat_text[1024];
    PROC_PID_STAT stat;
    if (read_proc_file(dir, "stat", stat_text, sizeof stat_text) > 0 && parse_pid_stat(stat_text, stat) &&
        (start_time == 0 || proc_ticks_to_100ns(stat.start_time) == start_time)) {
        char status[4096];
        std::uint32_t uid = 0;
        if (read_proc_file(dir, "status", status, sizeof status) > 0 &&
            parse_status_effective_uid(status, uid))
            details.owner = owner_name(uid);
        char cmdline[max_command_line + 1];
        const long n = read_proc_file(dir, "cmdline", cmdline, sizeof cmdline);
        if (n >= 0)
            details.command_line = command_line_text(std::string_view(cmdline, static_cast<std::size_t>(n)),
                                                     stat.comm, max_command_line);
    }
    close(dir);
    return details;
}

} // namespace

std::shared_ptr<const PROCESS_DETAILS> process_details(std::uint32_t pid, std::uint64_t start_time,
                                                       std::string_view name) {
    PROCESS_DETAILS_READER reader;
    {
        std::lock_guard<std::mutex> hold(guard);
        const auto it = cache.find(pid);
        if (it != cache.end() && it->second.start_time == start_time && it->second.name == name)
            return it->second.details;
        reader = test_reader;
    }
    auto details = std::make_shared<const PROCESS_DETAILS>(reader ? reader(pid, start_time, name)
                                                                  : read_from_proc(pid, start_time));
    std::lock_guard<std::mutex> hold(guard);
    cache[pid] = CACHED{start_time, std::string(name), details};
    return details;
}

void forget_ended_process_details(std::span<const std::uint32_t> alive) {
    std::lock_guard<std::mutex> hold(guard);
    // One merge walk: both are ascending.
    auto next = alive.begin();
    for (auto it = cache.begin(); it != cache.end();) {
        while (next != alive.end() && *next < it->first)
            ++next;
        if (next != alive.end() && *next == it->first)
            ++it;
        else
            it = cache.erase(it);
    }
}

void set_process_details_reader(PROCESS_DETAILS_READER reader) {
    std::lock_guard<std::mutex> hold(guard);
    test_reader = std::move(reader);
    cache.clear();
}

} // namespace platform
