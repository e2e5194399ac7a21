// Process-wide flags by which the GUI thread and the workers coordinate.
//
// Each pair is a run flag that the stopping side clears and the worker polls
// once per cycle, and a finished flag that the worker sets as its last act
// and the stopping side polls with 1 ms sleeps. All are atomics so that a
// worker on another core sees a change without a lock.
#pragma once

#include <atomic>

// CPU sampler (cpu_sampler_thread).
extern std::atomic<bool> sampler_running;
extern std::atomic<bool> sampler_finished;

// One-process logger (process_log_thread).
extern std::atomic<bool> logging_active;
extern std::atomic<bool> logger_finished;

// Global statistics collector (global_stat_thread).
extern std::atomic<bool> global_stat_running;
extern std::atomic<bool> global_stat_finished;

// Main window state, written on the GUI thread, read anywhere.
extern std::atomic<bool> list_visible;   // the main window is shown
extern std::atomic<bool> exit_requested; // "Exit" is closing the window
extern std::atomic<bool> rescue_mode;    // priorities were lifted by the rescue hotkey

// Polls flag until it equals want, sleeping 1 ms between polls. max_polls
// < 0 waits without limit. Returns true when the flag reached the value.
bool wait_for_flag(const std::atomic<bool> &flag, bool want, long max_polls);
