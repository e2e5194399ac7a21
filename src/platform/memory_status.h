// Memory figures for the status bar: physical memory, and virtual memory
// as a user means it (memory and swap together), each total and
// available, in bytes.
//
// Linux: physical = MemTotal / MemAvailable; virtual = MemTotal +
// SwapTotal / MemAvailable + SwapFree. (The commit figures say nothing
// useful here: under the kernel's default overcommit Committed_AS
// routinely exceeds CommitLimit.)
// Any thread; no state.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

struct MEMORY_STATUS {
    std::uint64_t total_physical = 0;
    std::uint64_t available_physical = 0;
    std::uint64_t total_virtual = 0;
    std::uint64_t available_virtual = 0;
};

// False (and status all 0) when the figures cannot be read.
bool read_memory_status(MEMORY_STATUS &status);

} // namespace platform
