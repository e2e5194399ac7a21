#include "platform/linux/proc_parse.h"

#include "platform/linux/perflib_block.h"

#include <algorithm>

namespace platform {

namespace {

// Reads an unsigned decimal after optional blanks; advances pos. False
// when no digit follows or the value overflows.
bool next_number(std::string_view text, std::size_t &pos, std::uint64_t &value) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
        return false;
    std::uint64_t v = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        const unsigned d = static_cast<unsigned>(text[pos] - '0');
        if (v > (UINT64_MAX - d) / 10)
            return false;
        v = v * 10 + d;
        ++pos;
    }
    value = v;
    return true;
}

// The next line of text from pos (without its '\n') into line; false at
// the end of the text.
bool next_line(std::string_view text, std::size_t &pos, std::string_view &line) {
    if (pos >= text.size())
        return false;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos)
        end = text.size();
    line = text.substr(pos, end - pos);
    pos = end + 1;
    return true;
}

// Skips one blank-separated field.
bool skip_field(std::string_view text, std::size_t &pos) {
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (pos >= text.size() || text[pos] == '\n')
        return false;
    while (pos < text.size() && text[pos] != ' ' && text[pos] != '\n')
        ++pos;
    return true;
}

} // namespace

bool parse_pid_stat(std::string_view text, PROC_PID_STAT &out) {
    // The name may hold blanks and parentheses; only the last ')' ends it.
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return false;
    out.comm = text.substr(open + 1, close - open - 1);
    std::size_t pos = close + 1;
    // Fields after the name start at field 3 (state); ppid is field 4,
    // flags 9, utime 14, stime 15, num_threads 20, starttime 22.
    std::uint64_t ppid = 0;
    if (!skip_field(text, pos) || !next_number(text, pos, ppid) || ppid > UINT32_MAX)
        return false;
    out.ppid = static_cast<std::uint32_t>(ppid);
    for (int field = 5; field < 9; ++field)
        if (!skip_field(text, pos))
            return false;
    if (!next_number(text, pos, out.flags))
        return false;
    for (int field = 10; field < 14; ++field)
        if (!skip_field(text, pos))
            return false;
    if (!next_number(text, pos, out.utime) || !next_number(text, pos, out.stime))
        return false;
    for (int field = 16; field < 20; ++field)
        if (!skip_field(text, pos))
            return false;
    return next_number(text, pos, out.num_threads) && skip_field(text, pos) &&
           next_number(text, pos, out.start_time);
}

namespace {

// Reads "Key:   <number> kB" lines: for each line that starts with one of
// the keys, the number after the key goes to its target.
struct KEYED_NUMBER {
    std::string_view key;
    std::uint64_t *target;
};
template <std::size_t N> void read_keyed_numbers(std::string_view text, const KEYED_NUMBER (&keys)[N]) {
    std::size_t pos = 0;
    std::string_view l;
    while (next_line(text, pos, l)) {
        for (const KEYED_NUMBER &k : keys) {
            std::size_t at = k.key.size();
            std::uint64_t v = 0;
            if (l.starts_with(k.key) && next_number(l, at, v))
                *k.target = v;
        }
    }
}

} // namespace

void parse_pid_status(std::string_view text, PROC_PID_STATUS &out) {
    out = PROC_PID_STATUS{};
    const KEYED_NUMBER keys[] = {{"VmRSS:", &out.vm_rss_kb}, {"RssAnon:", &out.rss_anon_kb}, {"VmSwap:", &out.vm_swap_kb}};
    read_keyed_numbers(text, keys);
}

bool parse_pid_statm(std::string_view text, std::uint64_t page_kb, PROC_PID_STATUS &out) {
    out = PROC_PID_STATUS{};
    std::uint64_t size = 0, resident = 0, shared = 0;
    std::size_t at = 0;
    if (!next_number(text, at, size) || !next_number(text, at, resident) || !next_number(text, at, shared))
        return false;
    out.vm_rss_kb = resident * page_kb;
    out.rss_anon_kb = (resident > shared ? resident - shared : 0) * page_kb;
    return true;
}

bool parse_status_effective_uid(std::string_view text, std::uint32_t &uid) {
    std::size_t pos = 0;
    std::string_view l;
    while (next_line(text, pos, l)) {
        if (!l.starts_with("Uid:"))
            continue;
        std::size_t at = 4;
        std::uint64_t real = 0, effective = 0;
        if (!next_number(l, at, real) || !next_number(l, at, effective) || effective > UINT32_MAX)
            return false;
        uid = static_cast<std::uint32_t>(effective);
        return true;
    }
    return false;
}

std::string command_line_text(std::string_view cmdline, std::string_view name, std::size_t max_bytes) {
    while (!cmdline.empty() && cmdline.back() == '\0')
        cmdline.remove_suffix(1);
    std::string bracketed;
    if (cmdline.empty()) {
        bracketed.reserve(name.size() + 2);
        bracketed += '[';
        bracketed += name;
        bracketed += ']';
        cmdline = bracketed;
    }
    std::string text;
    text.reserve(std::min(cmdline.size(), max_bytes));
    std::size_t i = 0;
    while (i < cmdline.size()) {
        const std::size_t from = i;
        const std::uint32_t cp = next_code_point(cmdline, i);
        const bool not_utf8 = cp >= 0x80 && i == from + 1;
        const std::size_t n = i - from;
        if (text.size() + n > max_bytes)
            break;
        if (cp == 0)
            text += ' '; // between two arguments
        else if (not_utf8 || cp < 0x20 || (cp >= 0x7F && cp < 0xA0))
            text += '?';
        else
            text.append(cmdline.substr(from, n));
    }
    return text;
}

std::uint64_t parse_swap_used_kb(std::string_view text) {
    std::uint64_t total = 0, free = 0;
    const KEYED_NUMBER keys[] = {{"SwapTotal:", &total}, {"SwapFree:", &free}};
    read_keyed_numbers(text, keys);
    return total > free ? total - free : 0;
}

bool parse_proc_stat_idle(std::string_view text, std::uint64_t &total_idle,
                          std::uint64_t *per_cpu_idle, std::size_t max_cpus,
                          std::size_t &cpu_count) {
    cpu_count = 0;
    bool have_total = false;
    std::size_t line = 0;
    std::string_view l;
    for (;;) {
        // The cpu lines come first and other lines always follow them: a
        // text that ends among the cpu lines was cut, and a cut line would
        // read as a busy processor while the ones after it vanish.
        if (!next_line(text, line, l) || line > text.size()) {
            cpu_count = 0;
            return false;
        }
        if (!l.starts_with("cpu"))
            break; // the rest is not needed
        std::size_t pos = 3;
        const bool summary = pos < l.size() && l[pos] == ' ';
        if (!summary && !skip_field(l, pos)) // the number after "cpu"
            continue;
        std::uint64_t user, nice, system, idle, iowait = 0;
        if (!next_number(l, pos, user) || !next_number(l, pos, nice) ||
            !next_number(l, pos, system) || !next_number(l, pos, idle))
            continue;
        next_number(l, pos, iowait); // absent on very old kernels
        if (summary) {
            total_idle = idle + iowait;
            have_total = true;
        } else if (cpu_count < max_cpus) {
            per_cpu_idle[cpu_count++] = idle + iowait;
        }
    }
    return have_total;
}

} // namespace platform
