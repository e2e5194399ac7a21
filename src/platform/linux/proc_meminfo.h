// Parser of /proc/meminfo into MEMORY_STATUS. Pure.
#pragma once

#include "platform/memory_status.h"

#include <string_view>

namespace platform {

// False (status all 0) when MemTotal, MemAvailable, CommitLimit or
// Committed_AS is missing.
bool parse_meminfo(std::string_view text, MEMORY_STATUS &status);

} // namespace platform
