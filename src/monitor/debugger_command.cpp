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

std::uint32_t process_id_of_text(std::string_view text) {
    std::uint64_t v = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (v > 0xFFFFFFFFull)
            return 0;
    }
    return static_cast<std::uint32_t>(v);
}
