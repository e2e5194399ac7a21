#include "shell/column_ini.h"

#include <cctype>
#include <map>
#include <vector>

namespace {

std::string trim(const std::string &s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool same_ci(const std::string &a, const std::string &b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string> split_lines(const std::string &text) {
    // Line ends of every system end a line: "\n", "\r\n" (even "\r\r\n"),
    // and a carriage return on its own; a line is never left holding one,
    // so a rewrite writes none back.
    std::vector<std::string> lines;
    std::string cur;
    bool after_cr = false;
    for (char c : text) {
        if (c == '\r') {
            after_cr = true;
            continue;
        }
        if (after_cr || c == '\n') {
            lines.push_back(cur);
            cur.clear();
            after_cr = false;
            if (c == '\n')
                continue;
        }
        cur += c;
    }
    if (!cur.empty())
        lines.push_back(cur);
    return lines;
}

// "[name]" -> name; otherwise false.
bool section_name(const std::string &line, std::string &name) {
    std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    auto close = t.find(']');
    if (close == std::string::npos)
        return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool key_value(const std::string &line, std::string &key, std::string &value) {
    auto eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty();
}

bool parse_width(const std::string &v, int &out) {
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

std::string key_name(int i) { return "x" + std::to_string(i + 1); }

// The column of a key "x1".."x10" (either case of the x); -1 for any other key.
int key_index(const std::string &key) {
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

// Calls each(key, value) for every key line of every section named
// section (any ASCII case), in the text's order, until each returns false.
template <typename EACH> void for_each_key(const std::string &text, const std::string &section, EACH each) {
    bool in_section = false;
    for (const auto &line : split_lines(text)) {
        std::string name, k, v;
        if (section_name(line, name))
            in_section = same_ci(name, section);
        else if (in_section && key_value(line, k, v) && !each(k, v))
            return;
    }
}

} // namespace

int ini_read_int(const std::string &text, const std::string &section, const std::string &key, int fallback) {
    int out = fallback;
    for_each_key(text, section, [&](const std::string &k, const std::string &v) {
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
    for_each_key(text, "SETTINGS", [&](const std::string &k, const std::string &v) {
        const int i = key_index(k);
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
    std::vector<std::string> lines = split_lines(old_text);
    std::vector<std::string> out;
    bool in_section = false, seen_section = false;
    bool written[column_count] = {};

    auto append_missing = [&] {
        for (int i = 0; i < column_count; ++i)
            if (!written[i]) {
                out.push_back(key_name(i) + "=" + std::to_string(widths[i]));
                written[i] = true;
            }
    };

    for (const auto &line : lines) {
        std::string name;
        if (section_name(line, name)) {
            if (in_section)
                append_missing();
            in_section = same_ci(name, "SETTINGS");
            seen_section = seen_section || in_section;
            out.push_back(line);
            continue;
        }
        std::string k, v;
        if (in_section && key_value(line, k, v)) {
            const int idx = key_index(k);
            if (idx >= 0) {
                if (!written[idx])
                    out.push_back(key_name(idx) + "=" + std::to_string(widths[idx]));
                written[idx] = true; // a duplicate key line is dropped
                continue;
            }
        }
        out.push_back(line);
    }
    if (in_section)
        append_missing();
    if (!seen_section) {
        if (!out.empty() && !trim(out.back()).empty())
            out.push_back("");
        out.push_back("[SETTINGS]");
        append_missing();
    }
    std::string text;
    for (auto &l : out)
        text += l + "\n";
    return text;
}
