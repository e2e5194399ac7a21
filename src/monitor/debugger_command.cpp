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
    std::string line(registered.substr(0, debugger_command_limit));
    const std::size_t p = line.find("-p ");
    if (p != std::string::npos)
        line.resize(p + 3);
    const std::size_t room = debugger_command_limit - line.size();
    line.append(id_text.substr(0, room));
    return line;
}

std::string default_debugger_command(const std::string &terminal, const std::string &gdb) {
    return word(terminal) + " -e " + word(gdb) + " -p ";
}
