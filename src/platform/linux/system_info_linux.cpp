#include "platform/system_info.h"

#include <climits>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace platform {

std::string executable_path() {
    std::vector<char> buf(PATH_MAX + 1);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buf.size())
            return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string executable_folder() {
    std::string path = executable_path();
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return path.substr(0, slash + 1);
}

std::string user_name() {
    uid_t uid = geteuid();
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd pw {};
    struct passwd *found = nullptr;
    if (getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name &&
        *found->pw_name)
        return found->pw_name;
    return std::to_string(uid);
}

} // namespace platform
