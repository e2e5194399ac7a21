#include "monitor/task_columns.h"

#include "platform/perf_data.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

template <typename T> int three_way(T a, T b) { return a < b ? -1 : b < a ? 1 : 0; }

void put_number(std::uint64_t value, std::string &out) {
    char digits[24];
    out.assign(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void put_per_mille(std::int64_t per_mille, std::string_view decimal_point, std::string &out) {
    put_number(static_cast<std::uint64_t>(per_mille / 10), out);
    out += decimal_point;
    out += static_cast<char>('0' + per_mille % 10);
}

void put_two(unsigned v, std::string &out) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
}

// "dd.mm.yyyy hh:mm:ss", as the one-process log writes times.
void put_start(const TASK_RECORD &r, const TASK_TEXT_CONTEXT &c, std::string &out) {
    out.clear();
    if (r.info.start_time == 0 || c.boot_local_time == 0)
        return; // Idle, or a source without start times
    const platform::SYSTEM_TIME t = platform::file_time_to_system_time(c.boot_local_time + r.info.start_time);
    put_two(t.day, out);
    out += '.';
    put_two(t.month, out);
    out += '.';
    put_two(t.year / 100u, out);
    put_two(t.year % 100u, out);
    out += ' ';
    put_two(t.hour, out);
    out += ':';
    put_two(t.minute, out);
    out += ':';
    put_two(t.second, out);
}

std::string_view owner_of(const TASK_RECORD &r) { return r.details ? r.details->owner : std::string_view(); }
std::string_view command_line_of(const TASK_RECORD &r) {
    return r.details ? r.details->command_line : std::string_view();
}

// The designed seven first, in their designed order; the others after.
constexpr TASK_COLUMN columns[] = {
    {.key = "pid",
     .title = "PID",
     .right_aligned = false,
     .design_width = 37,
     .ini_key = "x4",
     .shown_by_default = false,
     .descending_first = false,
     .needs_details = false,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &,
                std::string &out) { put_number(r.info.pid, out); },
     .compare = [](const TASK_RECORD &a, const TASK_RECORD &b) { return three_way(a.info.pid, b.info.pid); }},
    {.key = "name",
     .title = "Name",
     .right_aligned = false,
     .design_width = 81,
     .ini_key = "x5",
     .shown_by_default = true,
     .descending_first = false,
     .needs_details = false,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &,
                std::string &out) { out = task_name(r.info); },
     .compare =
         [](const TASK_RECORD &a, const TASK_RECORD &b) {
             return compare_ignoring_ascii_case(task_name(a.info), task_name(b.info));
         }},
    {.key = "cpu",
     .title = "CPU",
     .right_aligned = true,
     .design_width = 43,
     .ini_key = "x6",
     .shown_by_default = true,
     .descending_first = true,
     .needs_details = false,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &c,
                std::string &out) { put_per_mille(r.cpu_per_mille, c.decimal_point, out); },
     // By the figure shown, so shares that show alike stay in name order.
     .compare = [](const TASK_RECORD &a,
                   const TASK_RECORD &b) { return three_way(a.cpu_per_mille, b.cpu_per_mille); }},
    {.key = "ram",
     .title = "RAM Kb",
     .right_aligned = true,
     .design_width = 53,
     .ini_key = "x7",
     .shown_by_default = true,
     .descending_first = true,
     .needs_details = false,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &,
                std::string &out) { put_number(r.info.working_set >> 10, out); },
     .compare =
         [](const TASK_RECORD &a, const TASK_RECORD &b) {
             return three_way(a.info.working_set >> 10, b.info.working_set >> 10);
         }},
    {.key = "paged",
     .title = "Paged Kb",
     .right_aligned = true,
     .design_width = 55,
     .ini_key = "x8",
     .shown_by_default = true,
     .descending_first = true,
     .needs_details = false,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &,
                std::string &out) { put_number(r.info.page_file_bytes >> 10, out); },
     .compare =
         [](const TASK_RECORD &a, const TASK_RECORD &b) {
             return three_way(a.info.page_file_bytes >> 10, b.info.page_file_bytes >> 10);
         }},
    {.key = "handles",
     .title = "Handles",
     .right_aligned = true,
     .design_width = 51,
     .ini_key = "x9",
     .shown_by_default = true,
     .descending_first = true,
     .needs_details = false,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &,
                std::string &out) { put_number(r.info.handle_count, out); },
     .compare = [](const TASK_RECORD &a,
                   const TASK_RECORD &b) { return three_way(a.info.handle_count, b.info.handle_count); }},
    {.key = "threads",
     .title = "Threads",
     .right_aligned = true,
     .design_width = 5,
     .ini_key = "x10",
     .shown_by_default = true,
     .descending_first = true,
     .needs_details = false,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &,
                std::string &out) { put_number(r.info.thread_count, out); },
     .compare = [](const TASK_RECORD &a,
                   const TASK_RECORD &b) { return three_way(a.info.thread_count, b.info.thread_count); }},
    {.key = "user",
     .title = "User",
     .right_aligned = false,
     .design_width = 60,
     .ini_key = nullptr,
     .shown_by_default = false,
     .descending_first = false,
     .needs_details = true,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &, std::string &out) { out = owner_of(r); },
     .compare = [](const TASK_RECORD &a,
                   const TASK_RECORD &b) { return compare_ignoring_ascii_case(owner_of(a), owner_of(b)); }},
    {.key = "command_line",
     .title = "Command line",
     .right_aligned = false,
     .design_width = 200,
     .ini_key = nullptr,
     .shown_by_default = false,
     .descending_first = false,
     .needs_details = true,
     .text = [](const TASK_RECORD &r, const TASK_TEXT_CONTEXT &,
                std::string &out) { out = command_line_of(r); },
     .compare =
         [](const TASK_RECORD &a, const TASK_RECORD &b) {
             return compare_ignoring_ascii_case(command_line_of(a), command_line_of(b));
         }},
    {.key = "started",
     .title = "Started",
     .right_aligned = true,
     .design_width = 110,
     .ini_key = nullptr,
     .shown_by_default = false,
     .descending_first = true,
     .needs_details = false,
     .text = put_start,
     .compare = [](const TASK_RECORD &a,
                   const TASK_RECORD &b) { return three_way(a.info.start_time, b.info.start_time); }},
};

static_assert(std::size(columns) == task_column_count);

} // namespace

std::span<const TASK_COLUMN> task_columns() { return columns; }

int task_column_of_key(std::string_view key) {
    for (std::size_t c = 0; c < std::size(columns); ++c)
        if (key == columns[c].key)
            return static_cast<int>(c);
    return -1;
}

double total_cpu_share(const PROCESS_MAP &table) {
    double total = 0.0;
    for (const auto &[pid, r] : table)
        if (r.cpu_share > 0.0)
            total += r.cpu_share;
    return total;
}

std::int64_t cpu_per_mille(double share, double total) {
    // A negative share (a reused id whose counter restarted) reads as idle.
    if (!(std::isfinite(total) && total > 0.0 && std::isfinite(share) && share > 0.0))
        return 0;
    const double v = std::ceil(share / total * 1000.0);
    return v > 1e9 ? 1000000000 : static_cast<std::int64_t>(v);
}

std::string cpu_text(double share, double total, std::string_view decimal_point) {
    std::string text;
    put_per_mille(cpu_per_mille(share, total), decimal_point, text);
    return text;
}

std::string_view task_name(const PROCESS_INFO_STRUCT &record) {
    return {record.name, strnlen(record.name, sizeof record.name)};
}

int compare_ignoring_ascii_case(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(ascii_lower(a[i]));
        const auto y = static_cast<unsigned char>(ascii_lower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return three_way(a.size(), b.size());
}
