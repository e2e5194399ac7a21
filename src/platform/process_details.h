// What is known of a process beyond its figures: details that do not
// change while it runs, read once when it is first met and kept, by its
// id and start time, until it ends (Linux: platform/linux/
// process_details_cache.h). Further such details of a process belong in
// this record, read and kept with the name, never in a cache of their own.
#pragma once

#include <string>

namespace platform {

struct PROCESS_DETAILS {
    // The whole program name, the process's instance name in the
    // performance data (platform/linux/process_name.h); UTF-8 as the
    // system gives it, never cut here.
    std::string name;
};

} // namespace platform
