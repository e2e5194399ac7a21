#include "platform/memory_status.h"

#include "platform/linux/proc_files.h"
#include "platform/linux/proc_meminfo.h"

#include <fcntl.h>

namespace platform {

bool read_memory_status(MEMORY_STATUS &status) {
    // The status bar reads it ten times a second from the GUI thread; a
    // reader per thread keeps any other caller safe.
    thread_local PROC_FILE_READER meminfo("/proc/meminfo");
    char text[8192];
    const long n = meminfo.read(text, sizeof text);
    if (n < 0) {
        status = MEMORY_STATUS{};
        return false;
    }
    return parse_meminfo(std::string_view(text, static_cast<std::size_t>(n)), status);
}

} // namespace platform
