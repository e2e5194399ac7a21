#include "platform/log_file.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string reason_of(int error) {
    switch (error) {
    case ENOENT: return "The folder does not exist.";
    case ENOTDIR: return "A part of the path is not a folder.";
    case EACCES:
    case EPERM: return "Permission denied.";
    case EROFS: return "The file system is read-only.";
    case EISDIR: return "It is a folder.";
    case ENOSPC: return "The disk is full.";
    case ENAMETOOLONG: return "The name is too long.";
    default: {
        char buf[256];
        // GNU strerror_r returns the text (maybe not in buf).
        const char *text = strerror_r(error, buf, sizeof buf);
        return std::string(text) + ".";
    }
    }
}

} // namespace

LOG_FILE::~LOG_FILE() { close(); }

LOG_FILE::LOG_FILE(LOG_FILE &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

LOG_FILE &LOG_FILE::operator=(LOG_FILE &&other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool LOG_FILE::open(const std::string &path, std::string &error) {
    close();
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? "It is a folder." : "It is not a regular file.";
        return false;
    }
    // O_NONBLOCK: a FIFO created between the check and the open must not
    // block here; it is refused just below.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                    0644);
    if (fd < 0) {
        error = reason_of(errno);
        return false;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "It is not a regular file.";
        return false;
    }
    fcntl(fd, F_SETFL, O_APPEND);
    fd_ = fd;
    return true;
}

void LOG_FILE::append(std::string_view bytes) {
    if (fd_ < 0)
        return;
    const char *p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void LOG_FILE::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace platform
