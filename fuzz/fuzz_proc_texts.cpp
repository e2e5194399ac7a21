// The /proc text parsers: the first byte chooses the parser, the rest is
// the text. None reads past the text; what they report is bounded by it.
#include "fuzz_check.h"
#include "platform/linux/proc_meminfo.h"
#include "platform/linux/proc_parse.h"
#include "platform/linux/process_name.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);
    // The readers of a process's owner and command line take the first
    // byte's two top values, so that every other value keeps its parser.
    if (data[0] == 0xFE) {
        std::uint32_t uid = 0;
        platform::parse_status_effective_uid(text, uid);
        return 0;
    }
    if (data[0] == 0xFF) {
        // Never longer than asked, and every byte printable (control
        // characters and bytes that are not UTF-8 become '?').
        const std::size_t limit = size % 64;
        const std::string shown = platform::command_line_text(text, "name", limit);
        FUZZ_CHECK(shown.size() <= limit);
        for (const char c : shown)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        return 0;
    }
    switch (data[0] % 7) {
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
    case 6: {
        // A short name, an executable link and a command line, one per line.
        const std::size_t first = std::min(text.find('\n'), text.size());
        const std::size_t second = std::min(text.find('\n', first + 1), text.size());
        const std::string_view comm = text.substr(0, first);
        const std::string_view executable = text.substr(std::min(first + 1, text.size()), second - first);
        const std::string_view command_line = text.substr(std::min(second + 1, text.size()));
        const std::string name =
            platform::whole_process_name(comm, (data[0] / 7) % 2 == 1, executable, command_line);
        // The short name cut down (a kernel worker's), or completed.
        FUZZ_CHECK(comm.starts_with(name) || std::string_view(name).starts_with(comm));
        break;
    }
    default: {
        platform::MEMORY_STATUS status;
        if (!platform::parse_meminfo(text, status))
            FUZZ_CHECK(status.total_physical == 0 && status.total_virtual == 0);
        break;
    }
    }
    return 0;
}
