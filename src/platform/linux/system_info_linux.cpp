#include "platform/system_info.h"

#include "platform/files.h"
#include "platform/linux/proc_files.h"

#include <climits>
#include <ctime>
#include <vector>

#include <pthread.h>
#include <pwd.h>
#include <unistd.h>

namespace platform {

std::string executable_path() { return read_executable_link("/proc/self"); }

std::string executable_folder() {
    std::string folder = folder_of(executable_path());
    return folder.empty() ? "./" : folder;
}

std::string user_name() { return user_name_of(geteuid()); }

std::string user_name_of(std::uint32_t uid) {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd pw {};
    struct passwd *found = nullptr;
    if (getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name &&
        *found->pw_name)
        return found->pw_name;
    return std::to_string(uid);
}

void name_this_thread(const std::string &name) {
    // The kernel keeps 15 bytes and refuses a longer name outright.
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

std::uint64_t boot_file_time() {
    timespec real{}, boot{};
    clock_gettime(CLOCK_REALTIME, &real);
    clock_gettime(CLOCK_BOOTTIME, &boot);
    const auto to_100ns = [](const timespec &t) {
        return static_cast<std::int64_t>(t.tv_sec) * 10000000 + t.tv_nsec / 100;
    };
    constexpr std::int64_t unix_epoch = 116444736000000000; // 1970-01-01 as a FILETIME
    const std::int64_t at = unix_epoch + to_100ns(real) - to_100ns(boot);
    return at > 0 ? static_cast<std::uint64_t>(at) : 0;
}

} // namespace platform
