// The one-process log: a worker that appends one line per second about
// one process to a file (line format: logging/process_log_line.h).
//
// Threads: start_process_log, stop_process_log and close_logger_thread run
// on the GUI thread; process_log_thread is the worker. They share only the
// flags logging_active and logger_finished (common/flags.h) and what is
// handed over before the worker starts. The worker samples its own
// one-entry table with its own clock, so it never touches process_table
// and takes no lock but "get_cpu_and_other" (inside sample_processes).
#pragma once

#include "monitor/process_info.h"
#include "platform/log_file.h"

#include <cstdint>
#include <string>

// The process id being logged (set before the worker starts).
extern std::uint32_t logged_pid;

// What the worker needs, handed over whole before it starts.
struct PROCESS_LOG_JOB {
    std::uint32_t pid = 0;
    platform::LOG_FILE file;    // opened, emptied
    std::string time_separator; // the user's, e.g. ":"
    std::string decimal_separator;
};

// The process a log follows, across its samples.
struct LOGGED_PROCESS {
    std::uint64_t start_time = 0; // of the process first found under the id; 0 before
    bool gone = false;            // it ended, or the id now belongs to a later process
    PROCESS_INFO_STRUCT last;     // the figures of the latest line
};

// After a snapshot of entry (in_snapshot: the snapshot held the id; a
// failed snapshot counts as holding it): when the id still names the
// process first found under it (or the start time is unknown), entry's CPU
// share is limited to 0.0 .. 1.0 and entry becomes the latest figures.
// When the process has ended or another process has taken the id, it is
// gone for good: entry is set back to the latest figures with a CPU share
// of 0.0, as a process that has ended uses no processor. Pure.
void follow_logged_process(LOGGED_PROCESS &followed, PROCESS_INFO_STRUCT &entry, bool in_snapshot);

// The worker. Waits one second, then once a second samples the process
// and appends its line, until logging_active is cleared. A process that
// ends keeps its last memory, handle and thread figures, with CPU 0.0; so
// does one whose id is taken by a later process (told apart by its start
// time): the log never follows a stranger. Closes the file and sets logger_finished as its last act.
void process_log_thread(PROCESS_LOG_JOB job);

// Sets logging_active, clears logger_finished and starts the worker with
// job. A previous worker that has ended is released first.
void start_process_log(PROCESS_LOG_JOB job);

// Clears logging_active, waits (without limit, polling every 1 ms) until
// the worker has finished and releases it. Returns at once when no
// worker runs.
void stop_process_log();

// Releases the worker's handle: joins it when it has finished, otherwise
// lets it end on its own. For the exit sequence, after its bounded wait.
void close_logger_thread();
