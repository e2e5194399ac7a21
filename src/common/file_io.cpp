#include "common/file_io.h"

#include "platform/files.h"

std::optional<std::string> read_whole_file(const std::string &path, std::uint64_t max_bytes) {
    return platform::read_file(path, max_bytes);
}

std::optional<std::string> read_file_head(const std::string &path, std::size_t n) {
    return platform::read_file_head(path, n);
}

bool write_file_atomically(const std::string &path, const std::string &bytes) {
    return platform::replace_file(path, bytes);
}

std::string keep_damaged_aside(const std::string &path) {
    for (int i = 0; i < 1000; ++i) {
        std::string target = path + ".damaged" + (i ? "." + std::to_string(i) : std::string());
        if (platform::path_exists(target))
            continue;
        return platform::rename_file_keeping(path, target) == 0 ? target : std::string();
    }
    return {};
}

bool path_exists(const std::string &path) { return platform::path_exists(path); }

bool delete_file(const std::string &path) {
    return !platform::path_exists(path) || platform::delete_file(path) == 0;
}
