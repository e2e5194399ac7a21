// process_table: the one shared table of running processes behind the
// Tasks page, also used by the process commands, the single-process
// windows and the statistics collector.
//
// Locking: every reader and writer holds task_time_mutex() (the named
// SFXMutex "task_time_mutex") while it touches process_table or
// process_table_clock. Lock order: "task_time_mutex" first, then
// "get_cpu_and_other" (taken inside sample_processes), never the reverse.
//
// Who keeps the table current: while the Tasks page is shown
// (tasks_page_refreshing()), its timer on the GUI thread; otherwise the
// worker that holds refresher_count (common/refresher_count.h), through
// refresh_process_table(). So the table's shares always span two
// consecutive snapshots of this table.
#pragma once

#include "monitor/process_info.h"

#include <cstdint>

class SFXMutex;

// Keyed by process id; guarded by task_time_mutex().
extern PROCESS_MAP process_table;
// The time base of process_table's cpu_share; guarded likewise.
extern SAMPLE_CLOCK process_table_clock;

// The process-wide "task_time_mutex".
SFXMutex &task_time_mutex();

// Takes the lock and empties the table and its clock.
void empty_process_table();

// Makes the table's keys equal to the running processes, every id the
// system lists (new records have zero figures and an empty name).
// The caller holds task_time_mutex(). False, with the table untouched,
// when the system could not list its processes.
bool sync_process_table();

// True while the main window is shown with the Tasks page active. Any
// thread.
bool tasks_page_refreshing();
// Told by the main window whenever its active page changes (GUI thread).
void set_tasks_page_current(bool current);

// For threads other than the GUI thread: under task_time_mutex(), unless
// tasks_page_refreshing(), syncs the table and samples it. Failures are
// swallowed; the lock is always released.
void refresh_process_table();

// Replaces destination's content with a copy of every record, under the
// lock. Returns true.
bool copy_process_table(PROCESS_MAP &destination);

// Copies the record of pid into record, under the lock. False, record
// untouched, when the table has none.
bool copy_process_info(std::uint32_t pid, PROCESS_INFO_STRUCT &record);
