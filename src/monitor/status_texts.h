// The three status-bar texts of the main window. Pure.
#pragma once

#include "platform/memory_status.h"

#include <string>

struct STATUS_TEXTS {
    std::string cpu;      // "CPU usage 38%"
    std::string physical; // "PHM <total KB>/<available KB>"
    std::string virtual_memory; // "VM <total KB>/<available KB>"
};

// cpu_load_percent rounded to a whole number (halves away from zero; not
// a number counts as 0); memory figures in KB = bytes >> 10, decimal
// without separators.
STATUS_TEXTS status_bar_texts(double cpu_load_percent, const platform::MEMORY_STATUS &memory);
