// The /proc text parsers: the first byte chooses the parser, the rest is
// the text. None reads past the text; what they report is bounded by it.
#include "fuzz_check.h"
#include "platform/linux/proc_meminfo.h"
#include "platform/linux/proc_parse.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);
    switch (data[0] % 8) {
    case 0: {
        platform::PROC_PID_STAT stat;
        if (platform::parse_pid_stat(text, stat)) {
            // comm points into the text.
            FUZZ_CHECK(stat.comm.data() >= text.data());
            FUZZ_CHECK(stat.comm.data() + stat.comm.size() <= text.data() + text.size());
        }
        break;
    }
    case 1: {
        platform::PROC_PID_STATUS status;
        platform::parse_pid_status(text, status);
        break;
    }
    case 2: {
        platform::PROC_PID_STATUS status;
        platform::parse_pid_statm(text, 4, status);
        break;
    }
    case 3: platform::parse_swap_used_kb(text); break;
    case 4: {
        std::uint64_t total = 0;
        std::uint64_t per_cpu[64];
        std::size_t count = 0;
        if (platform::parse_proc_stat_idle(text, total, per_cpu, 64, count))
            FUZZ_CHECK(count <= 64);
        break;
    }
    case 5: {
        platform::MEMORY_STATUS status;
        if (!platform::parse_meminfo(text, status))
            FUZZ_CHECK(status.total_physical == 0 && status.total_virtual == 0);
        break;
    }
    case 6: {
        std::uint32_t uid = 0;
        platform::parse_status_effective_uid(text, uid);
        break;
    }
    default: {
        // A command line: never longer than asked, and every byte printable
        // (control characters and bytes that are not UTF-8 become '?').
        const std::size_t limit = size % 64;
        const std::string shown = platform::command_line_text(text, "name", limit);
        FUZZ_CHECK(shown.size() <= limit);
        for (const char c : shown)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        break;
    }
    }
    return 0;
}
