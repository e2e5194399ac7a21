#include "platform/shell_links.h"

#include <cstdlib>

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

std::vector<std::string> system_startup_folders() {
    const char *dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string list = dirs && *dirs ? dirs : "/etc/xdg";
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        std::size_t colon = list.find(':', from);
        std::string dir = list.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        if (!dir.empty() && dir[0] == '/')
            out.push_back(dir + "/autostart");
        if (colon == std::string::npos)
            return out;
        from = colon + 1;
    }
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

} // namespace platform
