// The one-process log's text: one line per sample, and the reading of the
// process id back from an item of the "Process to logging" list.
//
// Pure functions; any thread.
#pragma once

#include "monitor/process_info.h"

#include <cstdint>
#include <string>
#include <string_view>

// A local calendar time, to the second.
struct LOG_LOCAL_TIME {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
};

// share limited to 0.0 .. 1.0; a value that is not a number gives 0.0.
double clamp_cpu_share(double share);

// One log line without its terminator:
// "dd.mm.yyyy hh<t>mm<t>ss <pid> <name> CPU <c> RAM <kb> Paged <kb> Handles <n> Threads <n>"
// with t = time_separator and c = cpu_share x 100 with one decimal, rounded,
// written with decimal_separator. cpu_share is used as it is (clamp first).
std::string process_log_line(const LOG_LOCAL_TIME &time, const PROCESS_INFO_STRUCT &record,
                             std::string_view time_separator, std::string_view decimal_separator);

// The bytes that follow every line in the file: a zero byte and a carriage
// return (no line feed).
inline constexpr std::string_view process_log_terminator{"\0\r", 2};

// The time separator of a time format such as "HH:mm:ss" or "h.mm AP": the
// first character after the hours; ":" when the format has none.
std::string time_separator_of_format(std::string_view format);
