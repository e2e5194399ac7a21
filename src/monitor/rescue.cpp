#include "monitor/rescue.h"

#include "common/flags.h"
#include "common/sfx_mutex.h"
#include "monitor/priority_classes.h"
#include "monitor/process_table.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
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

int low_nice() { return nice_of_class(PRIORITY_CLASS::idle); }

// True when the process under pid is the one recorded for it.
bool recorded(std::uint32_t pid) {
    const auto it = rescue_records.find(pid);
    return it != rescue_records.end() && it->second.start_time == platform::process_start_time(pid);
}

// What a process started during the rescue had before Low: it inherited
// Low from the nearest lowered process it descends from, whose recorded
// value it gets; Normal when there is none (Vorkel itself was lifted, not
// lowered).
int inherited_value(std::uint32_t pid) {
    const std::uint32_t own = platform::own_process_id();
    for (int depth = 0; depth < 64 && pid > 1 && pid != own; ++depth) {
        pid = platform::parent_process_id(pid);
        if (pid != own && recorded(pid))
            return rescue_records[pid].main_nice;
    }
    return nice_of_class(PRIORITY_CLASS::normal);
}

// The process's nice values now. While the rescue is in force a thread at
// Low has it from a lowered process (inherited_value), not of its own.
bool read_record(std::uint32_t pid, bool rescue_in_force, RESCUE_RECORD &r) {
    r.start_time = platform::process_start_time(pid);
    if (r.start_time == 0 || platform::get_thread_nices(pid, r.threads) != 0 ||
        platform::get_process_nice(pid, r.main_nice) != 0)
        return false;
    if (!rescue_in_force)
        return true;
    const int low = low_nice();
    const bool any_low = r.main_nice == low || std::any_of(r.threads.begin(), r.threads.end(),
                                                           [low](const auto &t) { return t.nice == low; });
    const int before = any_low ? inherited_value(pid) : low;
    for (auto &t : r.threads)
        if (t.nice == low)
            t.nice = before;
    if (r.main_nice == low)
        r.main_nice = before;
    return true;
}

// True when every value of the records could be set again by this process
// after the rescue raised it to Low. Processes it may not change at all
// are not lowered either.
bool restorable(const std::map<std::uint32_t, RESCUE_RECORD> &records) {
    const int lowest = platform::lowest_settable_nice();
    for (const auto &[pid, r] : records) {
        const bool below = std::any_of(r.threads.begin(), r.threads.end(),
                                       [lowest](const auto &t) { return t.nice < lowest; });
        if (below && platform::may_renice(pid))
            return false;
    }
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

bool rescue_processes(QWidget *owner) {
    const bool in_force = rescue_mode;
    const std::uint32_t own = platform::own_process_id();
    const std::vector<std::uint32_t> desktop = platform::desktop_server_pids();
    std::vector<PROCESS_KEY> to_lower;
    std::map<std::uint32_t, RESCUE_RECORD> fresh; // not recorded by an earlier press
    {
        SFXLock lock(task_time_mutex());
        sync_process_table();
        for (const auto &[pid, info] : process_table) {
            if (pid == own || left_alone(pid, desktop))
                continue;
            if (info.start_time != 0 && !platform::same_process_running(pid, info.start_time))
                continue; // the id has been reused since the snapshot
            RESCUE_RECORD r;
            if (recorded(pid))
                to_lower.push_back({pid, rescue_records[pid].start_time});
            else if (read_record(pid, in_force, r))
                to_lower.push_back({pid, fresh.insert_or_assign(pid, std::move(r)).first->second.start_time});
        }
    }
    // Asked with the table unlocked: the box's event loop refreshes it.
    if (!in_force && !restorable(fresh) &&
        platform::message_box(owner,
                              std::string("Vorkel cannot raise priorities again: the processes the rescue "
                                          "lowers will stay at Low until they end. ") +
                                  raise_right_hint + " Lower them anyway?",
                              "Priority warning",
                              platform::MB_YESNO | platform::MB_DEFBUTTON2 | platform::MB_ICONWARNING) !=
            platform::IDYES)
        return false;
    rescue_mode = true;
    RESCUE_RECORD mine;
    if (!recorded(own) && read_record(own, false, mine))
        rescue_records.insert_or_assign(own, std::move(mine));
    if (recorded(own)) {
        platform::set_started_program_nice(rescue_records[own].main_nice);
        platform::set_process_nice(own, 0, platform::most_favourable_nice());
    }
    for (auto &[pid, r] : fresh)
        rescue_records.insert_or_assign(pid, std::move(r));
    for (const PROCESS_KEY &k : to_lower)
        platform::set_process_nice(k.pid, k.start_time, low_nice());
    return true;
}

int restore_priorities() {
    int failed = 0;
    const std::uint32_t own = platform::own_process_id();
    auto mine = rescue_records.find(own);
    if (mine != rescue_records.end()) {
        if (not_allowed(put_back(own, mine->second)))
            ++failed;
        else
            platform::clear_started_program_nice();
    }
    const std::vector<std::uint32_t> desktop = platform::desktop_server_pids();
    const int low = low_nice();
    {
        SFXLock lock(task_time_mutex());
        sync_process_table();
        for (const auto &entry : process_table) {
            const std::uint32_t pid = entry.first;
            if (pid == own || left_alone(pid, desktop))
                continue;
            if (recorded(pid)) {
                if (not_allowed(put_back(pid, rescue_records[pid])))
                    ++failed;
                continue;
            }
            // Started during the rescue: one that inherited Low from a
            // lowered process gets that process's value; any other is left
            // as it is.
            const std::uint64_t start = platform::process_start_time(pid);
            int nice = 0;
            if (start != 0 && platform::get_process_nice(pid, nice) == 0 && nice == low &&
                not_allowed(platform::set_process_nice(pid, start, inherited_value(pid))))
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
