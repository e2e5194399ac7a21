#include "catalogue/desktop_entry.h"

#include <cstdlib>

namespace {

// Characters that make an Exec argument need quotes.
bool reserved(char c) {
    switch (c) {
    case ' ': case '\t': case '\n': case '"': case '\'': case '\\': case '>': case '<':
    case '~': case '|': case '&': case ';': case '$': case '*': case '?': case '#':
    case '(': case ')': case '`':
        return true;
    default:
        return false;
    }
}

std::string double_percent(std::string_view text) {
    std::string out;
    for (char c : text) {
        out.push_back(c);
        if (c == '%')
            out.push_back('%');
    }
    return out;
}

std::string_view trim_front(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trim_front(s);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string quote_exec_argument(std::string_view arg) {
    bool needs = arg.empty();
    for (char c : arg)
        needs = needs || reserved(c);
    if (!needs)
        return std::string(arg);
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string build_exec_line(const std::vector<std::string> &argv) {
    std::string out;
    for (const auto &a : argv) {
        if (!out.empty())
            out.push_back(' ');
        out += double_percent(quote_exec_argument(a));
    }
    return out;
}

std::vector<std::string> split_exec_line(std::string_view exec) {
    std::vector<std::string> out;
    std::string arg;
    bool in_arg = false, quoted = false, field_code_only = false;
    auto finish = [&] {
        if (in_arg && !field_code_only)
            out.push_back(arg);
        arg.clear();
        in_arg = quoted = field_code_only = false;
    };
    for (std::size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                arg.push_back(exec[++i]);
            } else if (c == '"') {
                quoted = false;
            } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
                arg.push_back('%');
                ++i;
            } else {
                arg.push_back(c);
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            finish();
            continue;
        }
        if (!in_arg) {
            in_arg = true;
            field_code_only = c == '%' && i + 1 < exec.size() && exec[i + 1] != '%';
        }
        if (c == '"') {
            quoted = true;
            field_code_only = false;
        } else if (c == '%' && i + 1 < exec.size()) {
            if (exec[i + 1] == '%')
                arg.push_back('%');
            ++i; // a field code (%f, %u, ...) stands for nothing here
        } else {
            arg.push_back(c);
            field_code_only = false;
        }
    }
    finish();
    return out;
}

std::string escape_value(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case ' ': out += i == 0 ? "\\s" : " "; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string unescape_value(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out.push_back(c);
            continue;
        }
        switch (char e = value[++i]) {
        case 's': out.push_back(' '); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case '\\': out.push_back('\\'); break;
        default: // not a value escape: kept for the Exec quoting to read
            out.push_back('\\');
            out.push_back(e);
        }
    }
    return out;
}

std::string build_desktop_entry(const DESKTOP_ENTRY_STRUCT &entry) {
    std::string out = "[Desktop Entry]\nType=Application\n";
    out += "Name=" + escape_value(entry.name) + "\n";
    if (!entry.comment.empty())
        out += "Comment=" + escape_value(entry.comment) + "\n";
    out += "Exec=" + escape_value(build_exec_line(entry.exec)) + "\n";
    out += "X-Vorkel-Created=true\n";
    if (entry.hotkey != 0) {
        static const char hex[] = "0123456789ABCDEF";
        std::string word = "0x";
        for (int shift = 12; shift >= 0; shift -= 4)
            word.push_back(hex[(entry.hotkey >> shift) & 0xf]);
        out += "X-Vorkel-Hotkey=" + word + "\n";
    }
    return out;
}

bool parse_desktop_entry(std::string_view text, DESKTOP_ENTRY_STRUCT &entry) {
    entry = DESKTOP_ENTRY_STRUCT{};
    bool found = false, in_group = false;
    while (!text.empty()) {
        auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = trim_front(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            in_group = trim(line) == "[Desktop Entry]";
            found = found || in_group;
            continue;
        }
        auto eq = line.find('=');
        if (!in_group || eq == std::string_view::npos)
            continue;
        std::string_view key = trim(line.substr(0, eq));
        // Blanks after the '=' are layout; blanks at the end belong to the value.
        std::string value = unescape_value(trim_front(line.substr(eq + 1)));
        if (key == "Name")
            entry.name = value;
        else if (key == "Comment")
            entry.comment = value;
        else if (key == "Exec")
            entry.exec = split_exec_line(value);
        else if (key == "X-Vorkel-Created")
            entry.written_by_vorkel = value == "true";
        else if (key == "X-Vorkel-Hotkey")
            entry.hotkey = static_cast<int>(std::strtol(value.c_str(), nullptr, 0) & 0xffff);
    }
    return found;
}
