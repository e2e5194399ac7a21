#include "common/options.h"

std::atomic<std::uint8_t> opt_tray_color{170};
std::atomic<std::uint8_t> opt_cpu_color{100};
std::atomic<bool> opt_full_path{false};
std::atomic<bool> opt_own_items{true};
std::atomic<bool> opt_dockable{false};
std::atomic<int> cpu_timer_interval{100};
