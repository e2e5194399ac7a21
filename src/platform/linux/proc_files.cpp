#include "platform/linux/proc_files.h"

#include <cerrno>
#include <chrono>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace platform {

namespace {

// Calls f(name) for every entry of the open directory fd.
template <typename F> bool for_each_entry(int fd, F &&f) {
    alignas(8) char buf[16384];
    for (;;) {
        const long n = syscall(SYS_getdents64, fd, buf, sizeof buf);
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        for (long pos = 0; pos < n;) {
            const auto *d = reinterpret_cast<const struct dirent64 *>(buf + pos);
            f(d->d_name);
            pos += d->d_reclen;
        }
    }
}

// Since Linux 6.2 stat() of /proc/PID/fd gives the number of open fds as
// its size, which spares listing the directory. Older kernels report 0;
// the own process always has fds open, which tells the two apart.
bool fd_dir_size_is_count() {
    static const bool yes = [] {
        struct stat st {};
        return stat("/proc/self/fd", &st) == 0 && st.st_size > 0;
    }();
    return yes;
}

// The pid entries of /proc through an open descriptor of it, rewound first.
bool list_proc_pids(int proc_dir_fd, std::vector<std::uint32_t> &pids) {
    pids.clear();
    if (lseek(proc_dir_fd, 0, SEEK_SET) != 0)
        return false;
    return for_each_entry(proc_dir_fd, [&](const char *name) {
        std::uint32_t v = 0;
        if (*name < '1' || *name > '9')
            return;
        for (const char *p = name; *p; ++p) {
            if (*p < '0' || *p > '9' || v > 429496728u)
                return;
            v = v * 10 + static_cast<std::uint32_t>(*p - '0');
        }
        pids.push_back(v);
    });
}

} // namespace

long read_proc_file(int dirfd, const char *name, char *buffer, std::size_t capacity) {
    if (capacity == 0)
        return -1;
    const int fd = openat(dirfd, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const long n = pread_whole(fd, buffer, capacity);
    close(fd);
    return n;
}

bool list_proc_pids(std::vector<std::uint32_t> &pids) {
    // Listed every second by the Tasks page: one descriptor per thread,
    // rewound each time, spares the open and close.
    struct PROC_DIR {
        int fd = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ~PROC_DIR() {
            if (fd >= 0)
                close(fd);
        }
    };
    thread_local PROC_DIR proc;
    pids.clear();
    return proc.fd >= 0 && list_proc_pids(proc.fd, pids);
}

namespace {

struct KEPT_LISTING {
    std::vector<std::uint32_t> pids;
    std::chrono::steady_clock::time_point when;
    bool kept = false;
};
thread_local KEPT_LISTING kept_listing;

} // namespace

void keep_listing_for_snapshot(const std::vector<std::uint32_t> &pids) {
    kept_listing.pids = pids; // the capacity stays: a steady list allocates nothing
    kept_listing.when = std::chrono::steady_clock::now();
    kept_listing.kept = true;
}

bool take_listing_for_snapshot(std::vector<std::uint32_t> &pids) {
    if (!kept_listing.kept)
        return false;
    kept_listing.kept = false;
    if (std::chrono::steady_clock::now() - kept_listing.when > std::chrono::milliseconds(listing_reuse_ms))
        return false;
    pids.swap(kept_listing.pids);
    return true;
}

int open_proc_pid(std::uint32_t pid) {
    char path[32] = "/proc/";
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + pid % 10);
        pid /= 10;
    } while (pid != 0);
    int at = 6;
    while (n > 0)
        path[at++] = digits[--n];
    path[at] = '\0';
    return open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

std::uint32_t count_open_fds_of_fd_dir(int fd_dirfd) {
    if (fd_dir_size_is_count()) {
        struct stat st {};
        if (fstat(fd_dirfd, &st) != 0)
            return 0;
        return static_cast<std::uint32_t>(st.st_size);
    }
    // An O_PATH descriptor cannot be listed: open the folder itself.
    const int fd = openat(fd_dirfd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::uint32_t count = 0;
    for_each_entry(fd, [&](const char *entry) {
        if (entry[0] != '.')
            ++count;
    });
    close(fd);
    return count;
}

long proc_clock_ticks() {
    static const long ticks = [] {
        const long t = sysconf(_SC_CLK_TCK);
        return t > 0 ? t : 100;
    }();
    return ticks;
}

std::uint64_t proc_ticks_to_100ns(std::uint64_t ticks) {
    return ticks * (10000000ULL / static_cast<std::uint64_t>(proc_clock_ticks()));
}

std::uint64_t proc_boot_time_100ns() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 10000000ULL +
           static_cast<std::uint64_t>(now.tv_nsec) / 100;
}

PROC_FILE_READER::~PROC_FILE_READER() {
    if (fd_ >= 0)
        close(fd_);
}

long pread_whole(int fd, char *buffer, std::size_t capacity) {
    if (capacity == 0)
        return -1;
    // The /proc texts read here are made whole by the kernel for a read
    // at offset 0 and handed out as far as the buffer reaches, so one
    // read gives all there is (or all that fits): asking again only to
    // hear "end of file" would double the system calls.
    ssize_t n;
    do {
        n = pread(fd, buffer, capacity - 1, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return -1;
    buffer[n] = '\0';
    return static_cast<long>(n);
}

long PROC_FILE_READER::read(char *buffer, std::size_t capacity) {
    if (capacity == 0)
        return -1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (fd_ < 0)
            fd_ = open(path_, O_RDONLY | O_CLOEXEC);
        if (fd_ < 0)
            return -1;
        const long n = pread_whole(fd_, buffer, capacity);
        if (n >= 0)
            return n;
        close(fd_); // a stale descriptor: open afresh once
        fd_ = -1;
    }
    return -1;
}

long PROC_FILE_READER::read_all(std::vector<char> &buffer) {
    // Far above any /proc text read this way; a file that keeps filling
    // the buffer beyond it is not one.
    constexpr std::size_t max_size = 64u << 20;
    if (buffer.size() < 4096)
        buffer.resize(4096);
    for (;;) {
        const long n = read(buffer.data(), buffer.size());
        if (n < 0 || static_cast<std::size_t>(n) + 1 < buffer.size() || buffer.size() >= max_size)
            return n;
        buffer.resize(buffer.size() * 2); // filled to the brim: there may be more
    }
}

std::string read_executable_link(const std::string &proc_dir) {
    const std::string link = proc_dir + "/exe";
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
        if (n <= 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        if (buffer.size() >= (1u << 16))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace platform
