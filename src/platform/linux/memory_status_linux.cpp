#include "platform/memory_status.h"

#include "platform/linux/proc_files.h"
#include "platform/linux/proc_meminfo.h"

#include <fcntl.h>

namespace platform {

bool read_memory_status(MEMORY_STATUS &status) {
    char text[8192];
    const long n = read_proc_file(AT_FDCWD, "/proc/meminfo", text, sizeof text);
    if (n < 0) {
        status = MEMORY_STATUS{};
        return false;
    }
    return parse_meminfo(std::string_view(text, static_cast<std::size_t>(n)), status);
}

} // namespace platform
