#include "monitor/rescue.h"

#include "common/flags.h"
#include "common/sfx_mutex.h"
#include "monitor/priority_classes.h"
#include "monitor/process_table.h"
#include "platform/process_control.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <vector>

namespace {

// What a process had before the rescue changed it.
struct RESCUE_RECORD {
    std::uint64_t start_time = 0;
    int main_nice = 0;
    std::vector<platform::THREAD_NICE> threads;
};

// By process id; GUI thread only. Vorkel's own record is among them.
std::map<std::uint32_t, RESCUE_RECORD> rescue_records;

bool not_allowed(int error) { return error == EPERM || error == EACCES; }

// Records the process unless its record (same start time) exists already.
bool record_process(std::uint32_t pid) {
    const std::uint64_t start = platform::process_start_time(pid);
    if (start == 0)
        return false;
    auto it = rescue_records.find(pid);
    if (it != rescue_records.end() && it->second.start_time == start)
        return true;
    RESCUE_RECORD r;
    r.start_time = start;
    if (platform::get_thread_nices(pid, r.threads) != 0 || platform::get_process_nice(pid, r.main_nice) != 0)
        return false;
    rescue_records[pid] = std::move(r);
    return true;
}

// Puts every thread of the process back to its recorded value (threads
// started since: the main thread's). 0, or the first error.
int put_back(std::uint32_t pid, const RESCUE_RECORD &r) {
    std::vector<platform::THREAD_NICE> now;
    if (platform::get_thread_nices(pid, now) != 0)
        return ESRCH;
    int first_error = 0;
    for (const auto &t : now) {
        int want = r.main_nice;
        for (const auto &old : r.threads)
            if (old.tid == t.tid)
                want = old.nice;
        if (t.nice == want)
            continue;
        const int e = platform::set_thread_nice(pid, t.tid, want);
        if (e && !first_error)
            first_error = e;
    }
    return first_error;
}

bool left_alone(std::uint32_t pid, const std::vector<std::uint32_t> &desktop) {
    return pid == 0 || std::find(desktop.begin(), desktop.end(), pid) != desktop.end() ||
           platform::is_kernel_thread(pid);
}

} // namespace

void rescue_processes() {
    rescue_mode = true;
    const std::uint32_t own = platform::own_process_id();
    if (record_process(own))
        platform::set_process_nice(own, 0, platform::most_favourable_nice());
    const std::vector<std::uint32_t> desktop = platform::desktop_server_pids();
    const int low = nice_of_class(PRIORITY_CLASS::idle);
    SFXLock lock(task_time_mutex());
    sync_process_table();
    for (const auto &[pid, info] : process_table) {
        if (pid == own || left_alone(pid, desktop))
            continue;
        if (info.start_time != 0 && !platform::same_process_running(pid, info.start_time))
            continue; // the id has been reused since the snapshot
        if (record_process(pid))
            platform::set_process_nice(pid, rescue_records[pid].start_time, low);
    }
}

int restore_priorities() {
    int failed = 0;
    const std::uint32_t own = platform::own_process_id();
    auto mine = rescue_records.find(own);
    if (mine != rescue_records.end() && not_allowed(put_back(own, mine->second)))
        ++failed;
    const std::vector<std::uint32_t> desktop = platform::desktop_server_pids();
    const int low = nice_of_class(PRIORITY_CLASS::idle);
    {
        SFXLock lock(task_time_mutex());
        sync_process_table();
        for (const auto &entry : process_table) {
            const std::uint32_t pid = entry.first;
            if (pid == own || left_alone(pid, desktop))
                continue;
            auto it = rescue_records.find(pid);
            const std::uint64_t start = platform::process_start_time(pid);
            if (it != rescue_records.end() && it->second.start_time == start) {
                if (not_allowed(put_back(pid, it->second)))
                    ++failed;
                continue;
            }
            // Started during the rescue: one that inherited Low from a
            // lowered parent goes to Normal; any other is left as it is.
            int nice = 0;
            if (start != 0 && platform::get_process_nice(pid, nice) == 0 && nice == low &&
                not_allowed(platform::set_process_nice(pid, start, 0)))
                ++failed;
        }
        rescue_mode = false;
    }
    rescue_records.clear();
    return failed;
}

std::string restore_failure_text(int count) {
    const std::string n = std::to_string(count);
    return (count == 1 ? "1 process keeps" : n + " processes keep") +
           std::string(" the lower priority the rescue gave ") + (count == 1 ? "it" : "them") +
           ": Vorkel may lower a nice value only with the right to raise priorities "
           "(the CAP_SYS_NICE capability, or a nice limit, RLIMIT_NICE, of 40 for your user).";
}
