#include "monitor/debugger_command.h"

namespace {

// A path as one word of a command line: in double quotes when it holds a
// blank or a tab (program paths hold no double quotes).
std::string word(const std::string &path) {
    if (path.find_first_of(" \t") == std::string::npos)
        return path;
    return '"' + path + '"';
}

} // namespace

std::string build_debugger_command(std::string_view registered, std::string_view id_text) {
    if (registered.empty())
        return {};
    std::string line(registered.substr(0, registered.find("-p ")));
    if (line.size() < registered.size())
        line += "-p ";
    line += id_text;
    return line;
}

std::string default_debugger_command(const std::string &terminal, const std::string &gdb) {
    return word(terminal) + " -e " + word(gdb) + " -p ";
}
