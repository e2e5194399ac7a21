#include "catalogue/command_line.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> out;
    if (line.empty())
        return out;
    std::size_t i = 0;
    const std::size_t n = line.size();

    // The program name: no escapes, so a Windows-style path such as
    // "C:\dir\" keeps its backslashes.
    std::string program;
    if (line[0] == '"') {
        for (i = 1; i < n && line[i] != '"'; ++i)
            program.push_back(line[i]);
        if (i < n)
            ++i; // the closing quote
    } else {
        for (; i < n && !blank(line[i]); ++i)
            program.push_back(line[i]);
    }
    out.push_back(std::move(program));
    while (i < n && blank(line[i]))
        ++i;
    if (i >= n)
        return out;

    // quotes: 0 outside quotes, 1 inside; 2 transiently after a closing
    // quote, so that a quote right after it is taken literally.
    std::string arg;
    int quotes = 0;
    std::size_t backslashes = 0;
    while (i < n) {
        char c = line[i];
        if (blank(c) && quotes == 0) {
            out.push_back(std::move(arg));
            arg.clear();
            backslashes = 0;
            while (i < n && blank(line[i]))
                ++i;
            if (i >= n)
                return out;
        } else if (c == '\\') {
            arg.push_back(c);
            ++backslashes;
            ++i;
        } else if (c == '"') {
            if (backslashes % 2 == 0) {
                arg.resize(arg.size() - backslashes / 2);
                ++quotes;
            } else {
                arg.resize(arg.size() - backslashes / 2 - 1);
                arg.push_back('"');
            }
            backslashes = 0;
            ++i;
            for (; i < n && line[i] == '"'; ++i) {
                if (++quotes == 3) {
                    arg.push_back('"');
                    quotes = 0;
                }
            }
            if (quotes == 2)
                quotes = 0;
        } else {
            arg.push_back(c);
            backslashes = 0;
            ++i;
        }
    }
    out.push_back(std::move(arg));
    return out;
}
