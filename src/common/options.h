// Run-time options set by apply_settings on the GUI thread and read
// without a lock by the GUI and by the CPU sampler thread.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<std::uint8_t> opt_tray_color; // grey of the tray icon's 10 x 10 well
extern std::atomic<std::uint8_t> opt_cpu_color;  // grey of the load bar in the well
extern std::atomic<bool> opt_full_path;          // tray menu shows full paths
extern std::atomic<bool> opt_own_items;          // tray menu shows its own commands
extern std::atomic<bool> opt_dockable;           // main window snaps to work-area edges

// cpu_timer's interval in ms; the CPU sampler sleeps this long at the end
// of each cycle and reads it anew every cycle.
extern std::atomic<int> cpu_timer_interval;
