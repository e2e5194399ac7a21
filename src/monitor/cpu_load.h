// The smoothed total processor load.
//
// cpu_history and the smoothing are touched only by cpu_sampler_thread,
// and by reset_cpu_history on the GUI thread before that thread starts.
// cpu_load and cpu_load_percent are written by the sampler once per cycle
// and read without a lock elsewhere (tray drawing, status bar).
#pragma once

#include <atomic>

inline constexpr int cpu_history_size = 10; // the smoothing uses 3
extern double cpu_history[cpu_history_size];

extern std::atomic<double> cpu_load;         // 0 .. 1
extern std::atomic<double> cpu_load_percent; // cpu_load * 100

// Sets every slot of cpu_history to 0.0 (main window construction).
void reset_cpu_history();

// Pushes load into the 3-value window (dropping the oldest) and returns
// the mean of the 3; the window starts as zeros.
double average_load(double load);

// Sum of the loads of n processor instances reduced to one figure 0..1:
// a sum below 0, above n or not a number counts as 0; for n > 1 the sum
// is divided by n.
double combined_load(double sum, int n);
