// The columns of the Tasks page, one row of task_columns each: the key the
// window's stored state names it by, its title, alignment, width and
// where that width is kept, whether it shows by default, the text it
// shows of a process and how it sorts. The grid, its header menu, the
// stored widths and the filter all work from this table; a new column is
// one row here and the data behind it. Pure: no Qt, no OS header.
#pragma once

#include "monitor/process_info.h"
#include "platform/process_details.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// One process as the Tasks page shows it: its record from the process
// table (keyed by id and start time), its CPU figure of the latest
// refresh and, once something asked for them, its owner and command line.
struct TASK_RECORD {
    PROCESS_INFO_STRUCT info;
    std::int64_t cpu_per_mille = 0; // of all processor time in the interval, rounded up
    std::shared_ptr<const platform::PROCESS_DETAILS> details; // null until read
};

// What the texts need beyond the record.
struct TASK_TEXT_CONTEXT {
    std::string_view decimal_point = ".";
    // The moment of boot as a local FILETIME (100-ns units since
    // 1601-01-01 in local time): start times count from boot.
    std::uint64_t boot_local_time = 0;
};

struct TASK_COLUMN {
    const char *key;     // names the column in the window's stored state
    const char *title;   // header text
    bool right_aligned;  // header included
    int design_width;    // pixels, at the design's 96 dpi
    const char *ini_key; // vorkel.ini key of its width; null: kept with the window's state
    bool shown_by_default;
    bool descending_first; // figures: the first click sorts the highest first
    bool needs_details;    // text and sort read the owner or the command line
    // The cell text, written over out (its room is reused).
    void (*text)(const TASK_RECORD &record, const TASK_TEXT_CONTEXT &context, std::string &out);
    // The sort key: below 0 when a sorts before b ascending, 0 when equal.
    int (*compare)(const TASK_RECORD &a, const TASK_RECORD &b);
};

std::span<const TASK_COLUMN> task_columns();
inline constexpr std::size_t task_column_count = 10; // rows of task_columns()

// Indexes of the columns others refer to.
inline constexpr int task_pid_column = 0;
inline constexpr int task_name_column = 1;
inline constexpr int task_cpu_column = 2;

// The column whose key is key; -1 when there is none.
int task_column_of_key(std::string_view key);

// Sum of the records' cpu_share; negative shares count as 0.
double total_cpu_share(const PROCESS_MAP &table);

// A share as per mille of total, rounded up, so any use shows at least
// 0.1 %. 0 when total is 0 or not a number (two snapshots at the same
// time), or share is not positive.
std::int64_t cpu_per_mille(double share, double total);

// The CPU cell: per mille shown as percent with one decimal and
// decimal_point between the digits ("12.5").
std::string cpu_text(double share, double total, std::string_view decimal_point);

// The record's name, up to its terminating NUL.
std::string_view task_name(const PROCESS_INFO_STRUCT &record);

// a's text before b's, ignoring the case of ASCII letters: below 0, 0 or
// above 0.
int compare_ignoring_ascii_case(std::string_view a, std::string_view b);
