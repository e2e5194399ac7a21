// Cheap reads of /proc for the performance layer: plain open/read into
// the caller's buffer, directory listing with getdents64 into a stack
// buffer, no stdio, no allocation except the caller's pid vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Reads at most capacity - 1 bytes of dirfd/name (dirfd may be AT_FDCWD
// with an absolute name) and NUL-terminates. Returns the byte count, or
// -1 when the file cannot be opened or read (a process that has gone).
long read_proc_file(int dirfd, const char *name, char *buffer, std::size_t capacity);

// Reads at most capacity - 1 bytes of the open file fd from offset 0 with
// one read and NUL-terminates. For the /proc texts built whole on each
// read at offset 0 (stat, statm, status, meminfo, /proc/stat) that is the
// whole text, or as much as fits. Returns the byte count, or -1 when the
// read fails (for /proc/PID files: the process has been reaped).
long pread_whole(int fd, char *buffer, std::size_t capacity);

// A /proc file read again and again through one open descriptor: each
// read starts at offset 0, where the kernel makes the text anew, and so
// spares the path lookup of an open. For files read many times a second
// (/proc/stat, /proc/meminfo). One object per caller; not thread-safe.
class PROC_FILE_READER {
public:
    explicit PROC_FILE_READER(const char *path) : path_(path) {}
    ~PROC_FILE_READER();
    PROC_FILE_READER(const PROC_FILE_READER &) = delete;
    PROC_FILE_READER &operator=(const PROC_FILE_READER &) = delete;
    // As read_proc_file.
    long read(char *buffer, std::size_t capacity);
    // The whole text, however long: buffer grows (doubling, kept for the
    // next call) until one read leaves room to spare. NUL-terminated;
    // returns the byte count, or -1 as read.
    long read_all(std::vector<char> &buffer);

private:
    const char *path_;
    int fd_ = -1;
};

// Replaces pids with the numeric entries of /proc (thread-group leaders),
// in the order the kernel lists them (ascending). False when /proc cannot
// be listed. Keeps one open descriptor of /proc per calling thread.
bool list_proc_pids(std::vector<std::uint32_t> &pids);

// One listing of /proc per refresh: a refresh lists the processes to make
// its table's keys, then snapshots the same processes. The listing kept
// here is handed (once) to the snapshot that follows on the same thread
// within listing_reuse_ms; later, it lists afresh. A process that ended in
// between is read as gone, and one started in between has no record in
// the table yet either way.
constexpr int listing_reuse_ms = 50;
void keep_listing_for_snapshot(const std::vector<std::uint32_t> &pids);
// True, with pids replaced, when this thread kept a listing that is still
// fresh; false leaves pids as they are.
bool take_listing_for_snapshot(std::vector<std::uint32_t> &pids);

// Opens /proc/PID as a directory handle for the reads of one process, so
// that all of them see the same process even if the id is reused. -1 when
// the process has gone.
int open_proc_pid(std::uint32_t pid);

// Number of open file descriptors of a process, from a descriptor of its
// /proc/PID/fd folder (O_PATH is enough); 0 when they cannot be counted
// (another user's process).
std::uint32_t count_open_fds_of_fd_dir(int fd_dirfd);

// The target of proc_dir/exe ("/proc/self", "/proc/PID"): the path of the
// process's executable as the kernel names it (" (deleted)" appended when
// the file is gone). Empty when it cannot be read (another user's
// process, a kernel thread, a process that has ended).
std::string read_executable_link(const std::string &proc_dir);

// Clock ticks per second of the times in /proc.
long proc_clock_ticks();

// A time in those ticks in 100-ns units.
std::uint64_t proc_ticks_to_100ns(std::uint64_t ticks);

// Now on the clock of the processes' start times (boot, counting
// suspend: stat's field 22 is on CLOCK_BOOTTIME), in 100-ns units.
std::uint64_t proc_boot_time_100ns();

} // namespace platform
