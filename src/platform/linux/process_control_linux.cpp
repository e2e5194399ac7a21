// Process control through /proc, pidfd signals and setpriority. No Qt
// header here.
#include "platform/process_control.h"

#include "platform/linux/proc_files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

// A small /proc text (stat, status) whole.
bool read_small_file(const std::string &path, std::string &text) {
    char buffer[4096];
    const long n = platform::read_proc_file(AT_FDCWD, path.c_str(), buffer, sizeof buffer);
    if (n <= 0)
        return false;
    text.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

bool valid_id(std::int64_t pid) { return pid > 0 && pid <= INT_MAX; }

// The fields of a stat text after the command name: fields[0] is field 3
// (state) of proc(5), so field n is fields[n - 3].
bool stat_fields(const std::string &text, std::vector<std::string_view> &fields) {
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos || close + 2 > text.size())
        return false;
    fields.clear();
    std::string_view rest(text);
    rest.remove_prefix(close + 1);
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of(" \n");
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find_first_of(" \n"), rest.size());
        fields.push_back(rest.substr(0, end));
        rest.remove_prefix(end);
    }
    return fields.size() >= 20;
}

std::uint64_t number(std::string_view s) {
    std::uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return 0;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return v;
}

struct STAT_FACTS {
    char state = 0;
    std::uint64_t parent = 0;
    std::uint64_t flags = 0;
    std::uint64_t start_ticks = 0;
};

bool read_stat_facts(std::int64_t pid, STAT_FACTS &out) {
    if (!valid_id(pid))
        return false;
    std::string text;
    if (!read_small_file("/proc/" + std::to_string(pid) + "/stat", text))
        return false;
    std::vector<std::string_view> f;
    if (!stat_fields(text, f) || f[0].empty())
        return false;
    out.state = f[0][0];
    out.parent = number(f[4 - 3]);
    out.flags = number(f[9 - 3]);
    out.start_ticks = number(f[22 - 3]);
    return true;
}

std::uint64_t ticks_to_100ns(std::uint64_t ticks) {
    static const long hz = proc_clock_ticks();
    const std::uint64_t per_second = hz > 0 ? static_cast<std::uint64_t>(hz) : 100;
    return ticks / per_second * 10000000ull + ticks % per_second * 10000000ull / per_second;
}

bool start_time_matches(std::int64_t pid, std::uint64_t start_time) {
    STAT_FACTS f;
    if (!read_stat_facts(pid, f) || f.state == 'Z' || f.state == 'X')
        return false;
    return start_time == 0 || ticks_to_100ns(f.start_ticks) == start_time;
}

std::vector<std::uint32_t> thread_ids(std::int64_t pid) {
    std::vector<std::uint32_t> ids;
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR *d = opendir(dir.c_str());
    if (!d)
        return ids;
    while (dirent *e = readdir(d)) {
        const std::uint64_t tid = number(e->d_name);
        if (tid > 0 && tid <= INT_MAX)
            ids.push_back(static_cast<std::uint32_t>(tid));
    }
    closedir(d);
    std::sort(ids.begin(), ids.end());
    return ids;
}

int read_nice(std::uint32_t tid, int &nice) {
    errno = 0;
    const int v = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (v == -1 && errno != 0)
        return errno;
    nice = v;
    return 0;
}

int write_nice(std::uint32_t tid, int nice) {
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), std::clamp(nice, -20, 19)) != 0)
        return errno;
    return 0;
}

// The text after "\n<key>" in a status file's text; empty when there is
// none.
std::string status_field(const std::string &status, const char *key) {
    const std::size_t at = status.find(std::string("\n") + key);
    if (at == std::string::npos)
        return {};
    const std::size_t from = at + 1 + std::strlen(key);
    return status.substr(from, status.find('\n', from) - from);
}

std::uint64_t permitted_capabilities(const std::string &status) {
    return std::strtoull(status_field(status, "CapPrm:").c_str(), nullptr, 16);
}

bool has_cap_sys_nice() {
    std::string status;
    if (!read_small_file("/proc/self/status", status))
        return false;
    const std::string caps = status_field(status, "CapEff:");
    return !caps.empty() && (std::strtoull(caps.c_str(), nullptr, 16) >> 23) & 1; // CAP_SYS_NICE
}

} // namespace

std::uint32_t own_process_id() { return static_cast<std::uint32_t>(getpid()); }

std::uint64_t process_start_time(std::int64_t pid) {
    STAT_FACTS f;
    if (!read_stat_facts(pid, f))
        return 0;
    return ticks_to_100ns(f.start_ticks);
}

bool same_process_running(std::int64_t pid, std::uint64_t start_time) {
    return start_time_matches(pid, start_time);
}

bool is_kernel_thread(std::int64_t pid) {
    STAT_FACTS f;
    return read_stat_facts(pid, f) && (f.flags & 0x00200000); // PF_KTHREAD
}

int signal_process(std::int64_t pid, std::uint64_t start_time, END_SIGNAL which) {
    if (!valid_id(pid))
        return EINVAL;
    const int sig = which == END_SIGNAL::kill ? SIGKILL : SIGTERM;
#if defined(SYS_pidfd_open) && defined(SYS_pidfd_send_signal)
    // A pidfd stays bound to the process it was opened for: checked once,
    // the signal can reach no other process, even if the id is reused in
    // between.
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
    if (fd >= 0) {
        int result = 0;
        if (!start_time_matches(pid, start_time))
            result = ESRCH;
        else if (syscall(SYS_pidfd_send_signal, fd, sig, nullptr, 0) != 0)
            result = errno;
        close(fd);
        return result;
    }
    if (errno == ESRCH)
        return ESRCH;
#endif
    if (!start_time_matches(pid, start_time))
        return ESRCH;
    return kill(static_cast<pid_t>(pid), sig) == 0 ? 0 : errno;
}

int get_process_nice(std::int64_t pid, int &nice) {
    if (!valid_id(pid))
        return EINVAL;
    return read_nice(static_cast<std::uint32_t>(pid), nice);
}

int set_process_nice(std::int64_t pid, std::uint64_t start_time, int nice) {
    if (!valid_id(pid))
        return EINVAL;
    if (!start_time_matches(pid, start_time))
        return ESRCH;
    nice = std::clamp(nice, -20, 19);
    if (!may_renice(pid))
        return EPERM;
    if (nice < lowest_settable_nice()) {
        // Only threads above the value would need the right: one of them
        // means the change cannot be made whole, so none is made.
        std::vector<THREAD_NICE> now;
        get_thread_nices(pid, now);
        for (const THREAD_NICE &t : now)
            if (t.nice > nice)
                return EPERM;
    }
    int first_error = 0;
    std::vector<std::uint32_t> done;
    // Threads started while the list is walked get the value on a later
    // pass; a few passes settle any program that is not spawning threads
    // without pause.
    for (int pass = 0; pass < 3; ++pass) {
        bool any_new = false;
        for (std::uint32_t tid : thread_ids(pid)) {
            if (std::binary_search(done.begin(), done.end(), tid))
                continue;
            any_new = true;
            const int e = write_nice(tid, nice);
            if (e && !first_error)
                first_error = e;
            done.insert(std::upper_bound(done.begin(), done.end(), tid), tid);
        }
        if (!any_new)
            break;
    }
    if (done.empty())
        return ESRCH;
    return first_error;
}

int get_thread_nices(std::int64_t pid, std::vector<THREAD_NICE> &threads) {
    threads.clear();
    if (!valid_id(pid))
        return EINVAL;
    for (std::uint32_t tid : thread_ids(pid)) {
        THREAD_NICE t{tid, 0};
        if (read_nice(tid, t.nice) == 0)
            threads.push_back(t);
    }
    return threads.empty() ? ESRCH : 0;
}

int set_thread_nice(std::int64_t pid, std::uint32_t tid, int nice) {
    if (!valid_id(pid) || tid == 0 || tid > INT_MAX)
        return EINVAL;
    const std::vector<std::uint32_t> ids = thread_ids(pid);
    if (!std::binary_search(ids.begin(), ids.end(), tid))
        return ESRCH;
    return write_nice(tid, nice);
}

int lowest_settable_nice() {
    if (has_cap_sys_nice())
        return -20;
    rlimit lim{};
    if (getrlimit(RLIMIT_NICE, &lim) != 0)
        return 20;
    if (lim.rlim_cur == RLIM_INFINITY)
        return -20;
    return 20 - static_cast<int>(std::min<rlim_t>(lim.rlim_cur, 40));
}

int most_favourable_nice() {
    int present = 0;
    if (read_nice(own_process_id(), present) != 0)
        present = 19;
    return std::clamp(std::min(lowest_settable_nice(), present), -20, 19);
}

bool may_renice(std::int64_t pid) {
    if (!valid_id(pid))
        return false;
    if (has_cap_sys_nice())
        return true;
    std::string theirs, ours;
    if (!read_small_file("/proc/" + std::to_string(pid) + "/status", theirs) ||
        !read_small_file("/proc/self/status", ours))
        return false;
    // "Uid:" gives the real, effective, saved and file system user. The
    // kernel also refuses a process that holds a capability this one
    // lacks.
    const std::string uids = status_field(theirs, "Uid:");
    char *end = nullptr;
    const unsigned long real = std::strtoul(uids.c_str(), &end, 10);
    const unsigned long effective = std::strtoul(end, nullptr, 10);
    return !uids.empty() && (real == geteuid() || effective == geteuid()) &&
           (permitted_capabilities(theirs) & ~permitted_capabilities(ours)) == 0;
}

std::uint32_t parent_process_id(std::int64_t pid) {
    STAT_FACTS f;
    if (!read_stat_facts(pid, f) || f.parent > INT_MAX)
        return 0;
    return static_cast<std::uint32_t>(f.parent);
}

} // namespace platform
