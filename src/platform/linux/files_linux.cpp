#include "platform/files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool write_all(int fd, const std::string &bytes) {
    const char *p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool is_file(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_folder(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool path_exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

int path_error(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? 0 : errno;
}

bool is_writable_folder(const std::string &path) {
    return is_folder(path) && access(path.c_str(), W_OK | X_OK) == 0;
}

int make_folders(const std::string &folder) {
    if (folder.empty())
        return ENOENT;
    for (std::size_t at = 1;; ++at) {
        at = folder.find('/', at);
        std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (at == std::string::npos)
            break;
    }
    return is_folder(folder) ? 0 : ENOTDIR;
}

std::string file_name_of(const std::string &path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(slash + 1);
}

std::string folder_of(const std::string &path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::optional<std::string> read_file(const std::string &path, std::uint64_t max_bytes) {
    // Non-blocking, so that opening a pipe with no writer returns at once
    // (it is then refused as not a regular file).
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > max_bytes) {
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
    // As above: a pipe in the file's place never blocks the reader.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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

bool replace_file(const std::string &path, const std::string &bytes) {
    std::string tmpl = path + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    // The first failure's reason is the one told.
    int error = 0;
    auto failed = [&] {
        if (error == 0)
            error = errno ? errno : EIO;
    };
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        failed();
    } else {
        fchmod(fd, 0600);
        if (!write_all(fd, bytes) || fsync(fd) != 0)
            failed();
        if (close(fd) != 0)
            failed();
        if (error == 0 && rename(name.data(), path.c_str()) != 0)
            failed();
        if (error != 0)
            unlink(name.data());
    }
    if (error != 0) {
        // One line, so that a user running Vorkel from a terminal (or its
        // log) learns that the old file was kept and why.
        std::fprintf(stderr, "vorkel: could not write %s: %s\n", path.c_str(), std::strerror(error));
        return false;
    }
    return true;
}

int remove_stale_temporary_files(const std::string &folder, std::int64_t max_age_seconds) {
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent *e = readdir(dir)) {
        // <name>.tmp-XXXXXX, six letters or digits, as mkostemp makes them.
        const std::string_view n(e->d_name);
        const std::size_t at = n.rfind(".tmp-");
        if (at == std::string_view::npos || at == 0 || n.size() != at + 5 + 6)
            continue;
        if (!std::all_of(n.begin() + static_cast<std::ptrdiff_t>(at + 5), n.end(),
                         [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
            continue;
        struct stat st;
        if (fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (now - st.st_mtime < max_age_seconds)
            continue; // perhaps a write still under way
        if (unlinkat(dirfd(dir), e->d_name, 0) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}

int create_file(const std::string &path, const std::string &bytes) {
    // O_EXCL: never replace what exists, even if it appeared a moment ago.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int error = 0;
    if (!write_all(fd, bytes))
        error = errno ? errno : EIO;
    else if (fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        unlink(path.c_str());
    return error;
}

int rename_file_keeping(const std::string &from, const std::string &to) {
    if (path_exists(to))
        return EEXIST;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int delete_file(const std::string &path) { return unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : errno; }

} // namespace platform
