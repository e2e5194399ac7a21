#include "monitor/status_texts.h"

#include "monitor/cpu_load.h"

#include <cmath>

STATUS_TEXTS status_bar_texts(double cpu_load_percent, const platform::MEMORY_STATUS &memory) {
    const double p = std::isfinite(cpu_load_percent) ? cpu_load_percent : 0.0;
    STATUS_TEXTS t;
    t.cpu = "CPU usage " + std::to_string(std::llround(p)) + "%";
    t.physical = "PHM " + std::to_string(memory.total_physical >> 10) + "/" +
                 std::to_string(memory.available_physical >> 10);
    t.virtual_memory = "VM " + std::to_string(memory.total_virtual >> 10) + "/" +
                       std::to_string(memory.available_virtual >> 10);
    return t;
}

STATUS_TEXTS current_status_texts() {
    platform::MEMORY_STATUS memory;
    platform::read_memory_status(memory);
    return status_bar_texts(cpu_load_percent.load(), memory);
}
