// The refresher of a single-process window and the texts of its row.
//
// Threads: one_process_thread runs on its own thread, one per window. It
// reads process_table only through refresh_process_table and
// copy_process_info (both under "task_time_mutex"), never touches a widget,
// and hands the row's seven texts to the window's (GUI) thread in one
// queued call, so the row is never drawn half-written.
#pragma once

#include "monitor/process_info.h"

#include <array>
#include <string>
#include <string_view>

class Tone_process_form;

// The window's refresh period.
constexpr int one_process_period_ms = 900;

using ONE_PROCESS_ROW = std::array<std::string, 7>; // PID, Name, CPU, RAM, Paged, Hndls, Thrds

// The "CPU" cell: share limited to 0..1 (not a number counts as 0), times
// 100, rounded to one decimal, with decimal_point ("12.5", "100.0").
std::string one_process_cpu_text(double share, std::string_view decimal_point);

// The seven cell texts of a record (memory in KiB, bytes >> 10).
ONE_PROCESS_ROW one_process_row(const PROCESS_INFO_STRUCT &record, std::string_view decimal_point);

// While form->refresh_running: keeps process_table current when this
// refresher holds the refresher role (refresher_count) and the Tasks page
// does not; reads the watched process's record; when the process has
// ended (no record, its start time differs from the one seen when it was
// chosen, or it is a zombie) clears refresh_running and has the window closed on its
// thread; otherwise hands the row's texts to the window. Waits
// one_process_period_ms between cycles, or less when the window wakes it
// to close. Ends by giving the role back and setting refresh_finished.
void one_process_thread(Tone_process_form *form);
