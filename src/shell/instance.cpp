#include "shell/instance.h"

#include "platform/messages.h"
#include "platform/named_lock.h"
#include "platform/system_info.h"

#include <cctype>
#include <memory>

namespace {
std::uint32_t activate_msg = 0;
std::uint32_t close_all_msg = 0;
std::unique_ptr<platform::named_lock> instance_mutex; // held until the process ends
} // namespace

std::string default_title(const std::string &executable_path) {
    std::string name = executable_path;
    auto slash = name.rfind('/');
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    auto dot = name.find('.');
    if (dot != std::string::npos)
        name = name.substr(0, dot);
    for (size_t i = 1; i < name.size(); ++i)
        name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return name;
}

std::string guard_mutex_name(const std::string &title) { return title + ".OneInstance32.CriticalSection"; }

std::string instance_mutex_name(const std::string &title) { return title + "OneInstance32.Default"; }

bool is_first_instance() {
    std::string title = default_title(platform::executable_path());
    // The guard keeps two copies started at the same moment from both
    // passing the test; a copy that dies holding it frees it.
    platform::named_lock guard(guard_mutex_name(title));
    bool guarded = guard.lock(2000);
    instance_mutex = std::make_unique<platform::named_lock>(instance_mutex_name(title));
    // Only a lock another copy holds means a running copy; a lock that
    // cannot be made or taken for any other reason must not keep Vorkel
    // from starting.
    const bool first = instance_mutex->try_lock() || !instance_mutex->busy();
    if (guarded)
        guard.unlock();
    return first;
}

void register_messages() {
    activate_msg = platform::register_message("ACTIVATE_TASK_LIST_IN_VORKEL");
    close_all_msg = platform::register_message("CLOSE_ALL_WINDOWS_IN_VORKEL");
}

std::uint32_t get_activate_msg() { return activate_msg; }
std::uint32_t get_close_all_msg() { return close_all_msg; }
