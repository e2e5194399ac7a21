#include "catalogue/launcher.h"

#include "catalogue/command_line.h"
#include "platform/files.h"
#include "platform/launcher.h"

#include <cerrno>

using platform::is_file;
using platform::is_folder;

namespace {

// Documents, folders and URLs: the desktop's default handler opens them.
// Returns 0 when it started, else direct_error (the direct start's).
int open_with_desktop(std::string target, const std::string &working_directory, int direct_error) {
    // A name starting with '-' must not be read as an option.
    if (target[0] == '-')
        target = "./" + target;
    std::string folder = is_folder(working_directory) ? working_directory : std::string();
    if (platform::start_detached({"xdg-open", target}, folder) == 0)
        return 0;
    return direct_error;
}

} // namespace

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
    return open_with_desktop(argv[0], working_directory, result);
}

std::string program_command_line(const std::string &path) { return "\"" + path + "\""; }

std::string program_folder(const std::string &path) { return platform::folder_of(path); }

int launch_catalogued_program(const std::string &path) {
    if (path.empty())
        return ENOENT;
    // The path is the program, whatever characters it holds: it is never
    // put in quotes and split again.
    const std::string folder = program_folder(path);
    int result = platform::start_detached({path}, folder);
    if (result == 0)
        return 0;
    return open_with_desktop(path, folder, result);
}
