// The texts of the Tasks page's rows, from process records. Pure: no Qt,
// no OS header.
//
// Columns: 0 PID, 1 Name, 2 CPU, 3 RAM Kb, 4 Paged Kb, 5 Handles,
// 6 Threads. Memory is shown in KiB (bytes >> 10).
#pragma once

#include "monitor/process_info.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int task_column_count = 7;

using TASK_ROW = std::array<std::string, task_column_count>;

// Columns above 1 (the figures) are right-aligned, the header included.
constexpr bool task_column_right_aligned(int col) { return col > 1; }

// Sum of the records' cpu_share; negative shares count as 0.
double total_cpu_share(const PROCESS_MAP &table);

// The CPU cell: share as per mille of total, rounded up, shown as percent
// with one decimal and decimal_point between the digits ("12.5"). When
// total is 0 or not a number (two snapshots at the same time), or share is
// not positive, "0.0".
std::string cpu_text(double share, double total, std::string_view decimal_point);

TASK_ROW task_row(const PROCESS_INFO_STRUCT &record, double total, std::string_view decimal_point);

// True when a's name sorts before b's, ignoring the case of ASCII letters.
bool name_before(const PROCESS_INFO_STRUCT &a, const PROCESS_INFO_STRUCT &b);

// One row per record, sorted by name (ASCII case ignored); records with
// equal names keep ascending id order, so a steady table gives the same
// rows at every refresh. Given keys, it receives each row's process in
// the same order.
std::vector<TASK_ROW> task_rows(const PROCESS_MAP &table, std::string_view decimal_point,
                                std::vector<PROCESS_KEY> *keys = nullptr);
