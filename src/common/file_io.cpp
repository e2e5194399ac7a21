#include "common/file_io.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<std::string> read_whole_file(const std::string &path, std::uint64_t max_bytes) {
    // Non-blocking, so that opening a pipe with no writer returns at once
    // (it is then refused as not a regular file).
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > max_bytes) {
        close(fd);
        return std::nullopt;
    }
    std::string out;
    out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
        if (out.size() > max_bytes) {
            close(fd);
            return std::nullopt;
        }
    }
    close(fd);
    return out;
}

std::optional<std::string> read_file_head(const std::string &path, std::size_t n) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string out(n, '\0');
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = read(fd, out.data() + got, n - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            close(fd);
            return std::nullopt;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    close(fd);
    out.resize(got);
    return out;
}

bool write_file_atomically(const std::string &path, const std::string &bytes) {
    std::string tmpl = path + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    fchmod(fd, 0600);
    const char *p = bytes.data();
    size_t left = bytes.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && fsync(fd) != 0)
        ok = false;
    if (close(fd) != 0)
        ok = false;
    if (ok && rename(name.data(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        unlink(name.data());
    return ok;
}

std::string keep_damaged_aside(const std::string &path) {
    for (int i = 0; i < 1000; ++i) {
        std::string target = path + ".damaged" + (i ? "." + std::to_string(i) : std::string());
        if (access(target.c_str(), F_OK) == 0)
            continue;
        if (rename(path.c_str(), target.c_str()) == 0)
            return target;
        return {};
    }
    return {};
}

bool path_exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

bool delete_file(const std::string &path) {
    if (!path_exists(path))
        return true;
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}
