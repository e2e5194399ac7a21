#include "platform/shell_links.h"

#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>

namespace platform {

std::string startup_folder() {
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')
        return std::string(config) + "/autostart";
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config/autostart";
    return {};
}

std::string programs_folder() {
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return std::string(data) + "/applications";
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/share/applications";
    return {};
}

bool make_folder(const std::string &folder) {
    if (folder.empty())
        return false;
    for (std::size_t at = 1;; ++at) {
        at = folder.find('/', at);
        std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (at == std::string::npos)
            break;
    }
    struct stat st {};
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace platform
