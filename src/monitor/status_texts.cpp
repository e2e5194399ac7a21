#include "monitor/status_texts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <string_view>

namespace {

// prefix, then the numbers joined by '/': one allocation per text (these
// are written ten times a second).
std::string joined(std::string_view prefix, std::initializer_list<long long> numbers, std::string_view suffix = {}) {
    char buffer[96];
    char *at = std::copy(prefix.begin(), prefix.end(), buffer);
    char *const end = buffer + sizeof buffer - suffix.size();
    bool first = true;
    for (const long long n : numbers) {
        if (!first && at < end)
            *at++ = '/';
        first = false;
        at = std::to_chars(at, end, n).ptr;
    }
    at = std::copy(suffix.begin(), suffix.end(), at);
    return std::string(buffer, static_cast<std::size_t>(at - buffer));
}

} // namespace

STATUS_TEXTS status_bar_texts(double cpu_load_percent, const platform::MEMORY_STATUS &memory) {
    const double p = std::isfinite(cpu_load_percent) ? cpu_load_percent : 0.0;
    STATUS_TEXTS t;
    t.cpu = joined("CPU usage ", {std::llround(p)}, "%");
    t.physical = joined("PHM ", {static_cast<long long>(memory.total_physical >> 10),
                                 static_cast<long long>(memory.available_physical >> 10)});
    t.virtual_memory = joined("VM ", {static_cast<long long>(memory.total_virtual >> 10),
                                      static_cast<long long>(memory.available_virtual >> 10)});
    return t;
}
