#include "catalogue/launcher.h"

#include "catalogue/command_line.h"
#include "platform/files.h"
#include "platform/launcher.h"

#include <cerrno>

using platform::is_file;
using platform::is_folder;

int launch_program(const std::string &command_line, const std::string &working_directory) {
    std::vector<std::string> argv = split_command_line(command_line);
    if (argv.empty() || argv[0].empty())
        return ENOENT;
    if (command_line.size() > 2 && command_line.front() == '"' && command_line.back() == '"' &&
        !is_file(argv[0])) {
        std::string whole = command_line.substr(1, command_line.size() - 2);
        if (whole.find('"') != std::string::npos && is_file(whole))
            argv = {whole};
    }
    int result = platform::start_detached(argv, working_directory);
    if (result == 0)
        return 0;

    // Documents, folders and URLs: let the desktop's default handler open
    // them. A name starting with '-' must not be read as an option.
    std::string target = argv[0];
    if (target[0] == '-')
        target = "./" + target;
    std::string folder = is_folder(working_directory) ? working_directory : std::string();
    if (platform::start_detached({"xdg-open", target}, folder) == 0)
        return 0;
    return result;
}

std::string program_command_line(const std::string &path) { return "\"" + path + "\""; }

std::string program_folder(const std::string &path) { return platform::folder_of(path); }

int launch_catalogued_program(const std::string &path) {
    return launch_program(program_command_line(path), program_folder(path));
}
