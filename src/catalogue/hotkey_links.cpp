#include "catalogue/hotkey_links.h"

#include "catalogue/startup_links.h"
#include "platform/shell_links.h"

std::string programs_link_name(const std::string &program_path) {
    return program_link_name(platform::programs_folder(), program_path);
}

int create_hotkey_link(const std::string &target, const std::string &link_name,
                       const std::string &description, int hotkey) {
    return write_program_link(target, link_name, description, hotkey, LINK_KIND::applications);
}
