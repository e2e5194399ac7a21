#include "platform/system_info.h"

#include "platform/files.h"
#include "platform/linux/proc_files.h"

#include <climits>
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

void name_this_thread(const std::string &name) {
    // The kernel keeps 15 bytes and refuses a longer name outright.
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

} // namespace platform
