// Parser of /proc/meminfo into MEMORY_STATUS. Pure.
#pragma once

#include "platform/memory_status.h"

#include <string_view>

namespace platform {

// Physical = MemTotal / MemAvailable; virtual = memory and swap together:
// MemTotal + SwapTotal / MemAvailable + SwapFree (no Swap lines: no swap).
// False (status all 0) when MemTotal or MemAvailable is missing.
bool parse_meminfo(std::string_view text, MEMORY_STATUS &status);

} // namespace platform
