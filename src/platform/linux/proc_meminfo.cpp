#include "platform/linux/proc_meminfo.h"

#include <algorithm>

namespace platform {

namespace {

// Value in kB of the line "<key>:   <n> kB", as bytes.
bool field_bytes(std::string_view text, std::string_view key, std::uint64_t &bytes) {
    std::size_t at = 0;
    for (;;) {
        at = text.find(key, at);
        if (at == std::string_view::npos)
            return false;
        const bool line_start = at == 0 || text[at - 1] == '\n';
        const std::size_t colon = at + key.size();
        if (line_start && colon < text.size() && text[colon] == ':')
            break;
        at = colon;
    }
    std::size_t pos = at + key.size() + 1;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
        return false;
    std::uint64_t kb = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (kb > (UINT64_MAX >> 10) / 10)
            return false;
        kb = kb * 10 + static_cast<std::uint64_t>(text[pos++] - '0');
    }
    bytes = kb << 10;
    return true;
}

} // namespace

bool parse_meminfo(std::string_view text, MEMORY_STATUS &status) {
    status = MEMORY_STATUS{};
    std::uint64_t total = 0, avail = 0, swap_total = 0, swap_free = 0;
    if (!field_bytes(text, "MemTotal", total) || !field_bytes(text, "MemAvailable", avail))
        return false;
    // A kernel built without swap has no Swap lines: no swap.
    if (!field_bytes(text, "SwapTotal", swap_total) || !field_bytes(text, "SwapFree", swap_free))
        swap_total = swap_free = 0;
    status.total_physical = total;
    status.available_physical = avail;
    status.total_virtual = total + swap_total;
    status.available_virtual = avail + std::min(swap_free, swap_total);
    return true;
}

} // namespace platform
