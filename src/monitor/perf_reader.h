// The process performance-data reader: title lookup and process
// snapshots.
//
// Lock: every snapshot, of processes here or of processors in the CPU
// unit, holds the named SFXMutex "get_cpu_and_other". It is the innermost
// lock: callers may hold "task_time_mutex" while they call, never the
// reverse. The reader does not lock the table; the table's owner does.
#pragma once

#include "monitor/perf_process_block.h"

#include <string>
#include <string_view>

class SFXMutex;

// The process-wide "get_cpu_and_other", created on first use.
SFXMutex &get_cpu_and_other_mutex();

// find_title_index over the current source's English table.
std::string find_counter_index(std::string_view title);

// Takes one snapshot of the system's processes and applies it to table
// and its clock (above). Holds "get_cpu_and_other" throughout. False when
// no usable snapshot could be taken; then nothing was updated. updated,
// when given, receives the number of entries the snapshot held.
bool sample_processes(PROCESS_MAP &table, SAMPLE_CLOCK &clock, std::size_t *updated = nullptr);
