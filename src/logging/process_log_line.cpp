#include "logging/process_log_line.h"

#include <cmath>
#include <cstring>

namespace {

void append_two_digits(std::string &out, int v) {
    out += static_cast<char>('0' + (v / 10) % 10);
    out += static_cast<char>('0' + v % 10);
}

} // namespace

double clamp_cpu_share(double share) {
    if (std::isnan(share) || share < 0.0)
        return 0.0;
    if (share > 1.0)
        return 1.0;
    return share;
}

std::string process_log_line(const LOG_LOCAL_TIME &time, const PROCESS_INFO_STRUCT &record,
                             std::string_view time_separator, std::string_view decimal_separator) {
    std::string line;
    line.reserve(128);
    append_two_digits(line, time.day);
    line += '.';
    append_two_digits(line, time.month);
    line += '.';
    line += std::to_string(time.year / 1000 % 10) + std::to_string(time.year / 100 % 10) +
            std::to_string(time.year / 10 % 10) + std::to_string(time.year % 10);
    line += ' ';
    append_two_digits(line, time.hour);
    line += time_separator;
    append_two_digits(line, time.minute);
    line += time_separator;
    append_two_digits(line, time.second);

    line += ' ';
    line += std::to_string(record.pid);
    line += ' ';
    line.append(record.name, strnlen(record.name, sizeof record.name - 1));

    // Tenths of a percent, rounded; a clamped share stays within 0 .. 1000.
    double tenths = std::isfinite(record.cpu_share) ? std::round(record.cpu_share * 1000.0) : 0.0;
    const bool negative = tenths < 0.0;
    const auto v = static_cast<unsigned long long>(negative ? -tenths : tenths);
    line += " CPU ";
    if (negative && v != 0)
        line += '-';
    line += std::to_string(v / 10);
    line += decimal_separator;
    line += static_cast<char>('0' + v % 10);

    line += " RAM " + std::to_string(record.working_set / 1024);
    line += " Paged " + std::to_string(record.page_file_bytes / 1024);
    line += " Handles " + std::to_string(record.handle_count);
    line += " Threads " + std::to_string(record.thread_count);
    return line;
}

std::string time_separator_of_format(std::string_view format) {
    std::size_t i = format.find_first_of("hH");
    if (i == std::string_view::npos)
        return ":";
    while (i < format.size() && (format[i] == 'h' || format[i] == 'H'))
        ++i;
    std::size_t j = i;
    while (j < format.size() && format[j] != 'm' && format[j] != 'M')
        ++j;
    if (j == i || j == format.size())
        return ":";
    std::string sep(format.substr(i, j - i));
    // Quoted literal text: 'h' "'h'" ... keep what is inside the quotes.
    if (sep.size() >= 2 && sep.front() == '\'' && sep.back() == '\'')
        sep = sep.substr(1, sep.size() - 2);
    return sep.empty() ? ":" : sep;
}
