// Acting on other processes: ending them, their scheduling priority (nice
// value), and who serves the desktop.
//
// Ids: a process id is a positive number. Every call given an id <= 0 does
// nothing and answers EINVAL: on Linux kill(0, ...) would reach Vorkel's
// own process group and kill(-1, ...) every process of the user.
//
// Reused ids: an id is reused by the system once its process has ended.
// Calls that act take the start time the caller saw for the process
// (PROCESS_INFO_STRUCT::start_time, 100-ns units since boot) and answer
// ESRCH without acting when the process now under that id started at
// another time. A start time of 0 means unknown: the process is taken as
// the same one.
//
// Nice values are per thread on Linux: a process's nice value is set on
// every thread it has (/proc/PID/task) and read from its main thread.
// An unprivileged user may raise a nice value but not lower it again below
// what RLIMIT_NICE allows, unless the process has CAP_SYS_NICE.
//
// Threads: any; no call blocks.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// This process's id.
std::uint32_t own_process_id();

// The process's start time in 100-ns units since boot; 0 when it is gone
// or unreadable.
std::uint64_t process_start_time(std::int64_t pid);

// True when a process with this id runs (zombies count as ended) and,
// given a non-zero start_time, started at that time.
bool same_process_running(std::int64_t pid, std::uint64_t start_time);

// True for the kernel's own threads (kthreadd and its children), which
// are not programs and have no nice value worth changing.
bool is_kernel_thread(std::int64_t pid);

enum class END_SIGNAL { terminate, kill }; // SIGTERM, SIGKILL

// Sends the signal. 0, or EINVAL (id <= 0), ESRCH (gone or reused), EPERM
// (another user's process, and we lack the right).
int signal_process(std::int64_t pid, std::uint64_t start_time, END_SIGNAL signal);

// The nice value of the process's main thread. 0 or an errno value.
int get_process_nice(std::int64_t pid, int &nice);

// Sets nice (clamped to -20..19) on every thread of the process. 0 when
// every thread took it, else the first errno met (ESRCH: gone or reused;
// EPERM: not allowed). Not allowed is found before anything is written:
// a value below lowest_settable_nice() for a thread now above it, or
// another user's process without the right, changes nothing.
int set_process_nice(std::int64_t pid, std::uint64_t start_time, int nice);

// One thread's nice value.
struct THREAD_NICE {
    std::uint32_t tid = 0;
    int nice = 0;
};

// Every thread of the process with its nice value. 0 or an errno value.
int get_thread_nices(std::int64_t pid, std::vector<THREAD_NICE> &threads);

// Sets one thread of the process (tid must be one of pid's threads). 0 or
// an errno value.
int set_thread_nice(std::int64_t pid, std::uint32_t tid, int nice);

// The lowest nice value this process may set (on itself, or on a process
// it may change at all): -20 with CAP_SYS_NICE, else 20 - RLIMIT_NICE's
// soft limit; 20 when it may lower none. Raising a nice value is always
// allowed.
int lowest_settable_nice();

// The most favourable (lowest) nice value this process may give itself:
// lowest_settable_nice(), but never above its present nice value (keeping
// it is always allowed).
int most_favourable_nice();

// True when this process may change the process's priority at all: it has
// CAP_SYS_NICE, or the process's real or effective user is this process's
// effective user.
bool may_renice(std::int64_t pid);

// The id of the process's parent; 0 when it is gone or unreadable.
std::uint32_t parent_process_id(std::int64_t pid);

// The processes that draw the desktop: the X server of $DISPLAY (the owner
// of the display's socket) and the window manager (the owner of the
// window named by _NET_SUPPORTING_WM_CHECK). Either is left out when it
// cannot be found; empty without a display.
std::vector<std::uint32_t> desktop_server_pids();

} // namespace platform
