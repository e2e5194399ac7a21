// What the statistics window shows, computed from the file's records:
// the "All" table's texts and the six charts' bars and marks.
//
// Pure functions; any thread. Separators are the user's, passed in.
#pragma once

#include "logging/global_stat_file.h"

#include <string>
#include <string_view>
#include <vector>

// run_time (100-ns units) as "h:mm:ss", whole seconds rounded down; the
// hours are not padded and not limited to 24. Negative or undefined: "0:00:00".
std::string format_run_time(double run_time);

// One data row of the "All" table.
struct STAT_ROW {
    std::string name;
    std::string time;    // h:mm:ss
    std::string cpu;     // per cent of all recorded CPU time over the N cycles, "0.0"
    std::string ram;     // average working set over the program's own samples, KB, "0"
    std::string paged;   // average page-file usage, KB, "0"
    std::string handles; // average handle count, "0"
    std::string threads; // average thread count, "0"
};

// The rows, sorted by name (ASCII letters compared without case, then byte
// order). When every CPU figure is zero, or there are no cycles, the CPU
// texts are 0.0; a record without samples shows 0 averages.
std::vector<STAT_ROW> global_stat_rows(const PROCESS_MAP_LONG &map, std::uint32_t sample_count,
                                       std::string_view decimal_separator);

// The six charts.
enum class STAT_CHART { cpu, ram, paged, handles, threads, time };

struct CHART_ITEM {
    double value = 0.0;
    std::string label; // the program's name
};

// The bars of one chart, largest value first (records in key order
// before the sort; equal values keep that order). CPU: each program's
// average share over its own samples as a per cent of the sum of those
// averages (0 when that sum is 0); RAM and paged: KB; handles, threads:
// averages; time: run_time in 100-ns units.
std::vector<CHART_ITEM> stat_chart_items(const PROCESS_MAP_LONG &map, STAT_CHART chart);

// A bar's mark "#,##0.###": thousands grouped, at most three decimals,
// no trailing zeros.
std::string format_mark_value(double value, std::string_view group_separator,
                              std::string_view decimal_separator);

// A "Time" bar's mark, its share of total "##0.## %"; total 0 gives "0 %".
std::string format_mark_percent(double value, double total, std::string_view decimal_separator);

// The unit a chart's left axis counts KB figures in: KB, MB or GB, the
// smallest that keeps top (the highest bar, in KB) below 10 000 of it.
struct STAT_UNIT {
    double divisor = 1.0; // KB per unit
    std::string name;     // "KB", "MB", "GB"
};
STAT_UNIT memory_unit(double top_kb);

// The printf format of the left axis's labels, ticks tick_interval apart:
// a plain number with as many decimals as the ticks need (at most 6),
// then the unit after a blank, if any ("%.0f MB", "%.1f").
std::string axis_label_format(double tick_interval, std::string_view unit);

// Bars per chart page, and the number of pages for n bars (at least 1).
inline constexpr int chart_bars_per_page = 7;
int chart_page_count(std::size_t bars);
