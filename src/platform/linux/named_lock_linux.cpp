#include "platform/named_lock.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool usable_private_dir(const std::string &dir) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    // A folder of another user (a planted /tmp/vorkel-<uid>) is not ours to
    // trust: its owner could hold our locks.
    if (st.st_uid != geteuid())
        return false;
    if ((st.st_mode & 077) != 0)
        chmod(dir.c_str(), 0700);
    return access(dir.c_str(), W_OK | X_OK) == 0;
}

// Lock names are free text ("task_time_mutex", "vorkel.OneInstance32...",
// a folder's path); a '/' would make a sub-path, so it becomes '_'. A name
// over 200 bytes keeps its first 180 and a hash of the whole (a file name
// may have 255).
std::string file_name_for(const std::string &name) {
    std::string out;
    out.reserve(name.size() + 5);
    for (char c : name)
        out += (c == '/' || c == '\0') ? '_' : c;
    if (out.empty() || out == "." || out == "..")
        out = "_" + out;
    if (out.size() > 200) {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (unsigned char c : name)
            hash = (hash ^ c) * 1099511628211ull;
        char digits[20];
        std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
        out = out.substr(0, 180) + "~" + digits;
    }
    return out + ".lock";
}

} // namespace

std::string session_of_display(const char *display_variable) {
    std::string d = display_variable ? display_variable : "";
    const auto colon = d.rfind(':');
    if (colon == std::string::npos)
        return {};
    const auto dot = d.find('.', colon);
    if (dot != std::string::npos)
        d.resize(dot);
    if (d.compare(0, colon, "unix") == 0)
        d.erase(0, colon); // the local socket, as ":N" names it
    return d;
}

std::string session_name() { return session_of_display(getenv("DISPLAY")); }

std::string runtime_directory() {
    const char *xdg = getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg == '/') {
        std::string dir = std::string(xdg) + "/vorkel";
        if (usable_private_dir(dir))
            return dir;
    }
    std::string dir = "/tmp/vorkel-" + std::to_string(geteuid());
    if (usable_private_dir(dir))
        return dir;
    return {};
}

named_lock::named_lock(const std::string &name, LOCK_SCOPE scope) {
    std::string dir = runtime_directory();
    if (dir.empty())
        return;
    const std::string session = scope == LOCK_SCOPE::session ? session_name() : std::string();
    std::string path = dir + "/" + file_name_for(session.empty() ? name : session + " " + name);
    // O_CLOEXEC: programs Vorkel starts must not inherit the lock, or a
    // launched program that outlives Vorkel would keep it held.
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

named_lock::~named_lock() {
    if (fd_ >= 0)
        close(fd_);
}

bool named_lock::try_lock() {
    busy_ = false;
    if (fd_ < 0)
        return false;
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            busy_ = errno == EWOULDBLOCK;
            return false;
        }
    }
    return true;
}

bool named_lock::lock(int timeout_ms) {
    if (fd_ < 0)
        return false;
    if (timeout_ms < 0) {
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR)
                return false;
        }
        return true;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        if (try_lock())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void named_lock::unlock() {
    if (fd_ >= 0)
        flock(fd_, LOCK_UN);
}

} // namespace platform
