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

} // namespace platform
