#include "shell/column_ini.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_space(s.back()))
        s.remove_suffix(1);
    return s;
}

bool same_ci(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Calls each(line) for every line of text, as views into it. Line ends of
// every system end a line: "\n", "\r\n" (even "\r\r\n"), and a carriage
// return on its own; a line never holds one, so a rewrite writes none
// back. A last line without an end counts when it is not empty.
template <typename EACH> void for_each_line(std::string_view text, EACH each) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end;
        if (at < text.size() && text[at] == '\r') {
            while (at < text.size() && text[at] == '\r')
                ++at;
            // Carriage returns that end the text end no line of their own.
            if (at == text.size() && line.empty())
                return;
            if (at < text.size() && text[at] == '\n')
                ++at;
        } else if (at < text.size()) {
            ++at; // '\n'
        }
        each(line);
    }
}

// "[name]" -> name; otherwise false.
bool section_name(std::string_view line, std::string_view &name) {
    const std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    const auto close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool key_value(std::string_view line, std::string_view &key, std::string_view &value) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty();
}

bool parse_width(std::string_view v, int &out) {
    if (v.empty() || v.size() > 5)
        return false;
    long n = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (n > 32767)
        return false;
    out = static_cast<int>(n);
    return true;
}

std::string key_line(int i, int width) { return "x" + std::to_string(i + 1) + "=" + std::to_string(width); }

} // namespace

int ini_column_of_key(std::string_view key) {
    if (key.size() < 2 || key.size() > 3 || (key[0] != 'x' && key[0] != 'X') || key[1] == '0')
        return -1;
    int n = 0;
    for (std::size_t i = 1; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9')
            return -1;
        n = n * 10 + (key[i] - '0');
    }
    return n >= 1 && n <= column_count ? n - 1 : -1;
}

namespace {

// Calls each(key, value) for every key line of every section named
// section (any ASCII case), in the text's order, until each returns false.
template <typename EACH> void for_each_key(std::string_view text, std::string_view section, EACH each) {
    bool in_section = false, done = false;
    for_each_line(text, [&](std::string_view line) {
        std::string_view name, k, v;
        if (done)
            return;
        if (section_name(line, name))
            in_section = same_ci(name, section);
        else if (in_section && key_value(line, k, v) && !each(k, v))
            done = true;
    });
}

} // namespace

int ini_read_int(const std::string &text, const std::string &section, const std::string &key, int fallback) {
    int out = fallback;
    for_each_key(text, section, [&](std::string_view k, std::string_view v) {
        if (!same_ci(k, key))
            return true;
        if (!parse_width(v, out))
            out = fallback;
        return false;
    });
    return out;
}

std::array<int, column_count> widths_from_ini(const std::string &text) {
    // One pass for all ten keys; as for ini_read_int, the first line of a
    // key gives its width, a bad value the fallback 10.
    std::array<int, column_count> w;
    w.fill(10);
    bool found[column_count] = {};
    for_each_key(text, "SETTINGS", [&](std::string_view k, std::string_view v) {
        const int i = ini_column_of_key(k);
        if (i >= 0 && !found[i]) {
            found[i] = true;
            int width;
            if (parse_width(v, width))
                w[static_cast<std::size_t>(i)] = width;
        }
        return true;
    });
    return w;
}

std::string ini_with_widths(const std::string &old_text, const std::array<int, column_count> &widths) {
    std::string text;
    text.reserve(old_text.size() + 128);
    bool in_section = false, seen_section = false;
    bool last_blank = true; // no line written yet counts as blank
    bool written[column_count] = {};
    auto put = [&](std::string_view line) {
        text += line;
        text += '\n';
        last_blank = trim(line).empty();
    };
    auto append_missing = [&] {
        for (int i = 0; i < column_count; ++i)
            if (!written[i]) {
                put(key_line(i, widths[static_cast<std::size_t>(i)]));
                written[i] = true;
            }
    };

    for_each_line(old_text, [&](std::string_view line) {
        std::string_view name, k, v;
        if (section_name(line, name)) {
            if (in_section)
                append_missing();
            in_section = same_ci(name, "SETTINGS");
            seen_section = seen_section || in_section;
            put(line);
            return;
        }
        if (in_section && key_value(line, k, v)) {
            const int idx = ini_column_of_key(k);
            if (idx >= 0) {
                if (!written[idx])
                    put(key_line(idx, widths[static_cast<std::size_t>(idx)]));
                written[idx] = true; // a duplicate key line is dropped
                return;
            }
        }
        put(line);
    });
    if (in_section)
        append_missing();
    if (!seen_section) {
        if (!text.empty() && !last_blank)
            put("");
        put("[SETTINGS]");
        append_missing();
    }
    return text;
}
