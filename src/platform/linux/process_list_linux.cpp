// Process ids from /proc: the numeric entries (thread-group leaders), led
// by id 0, which stands for the machine's idle time as in the performance
// data.
#include "platform/process_list.h"

#include "platform/linux/proc_files.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

bool enum_proc(std::uint32_t *ids, std::size_t capacity, std::size_t &count) {
    // Kept per thread so that a steady list costs no allocation.
    thread_local std::vector<std::uint32_t> listed;
    count = 0;
    if (!list_proc_pids(listed))
        return false;
    keep_listing_for_snapshot(listed);
    if (capacity > 0)
        ids[count++] = 0;
    const std::size_t take = std::min(listed.size(), capacity - count);
    std::copy_n(listed.begin(), take, ids + count);
    count += take;
    return true;
}

PROCESS_ENUMERATOR &current_enumerator() {
    static PROCESS_ENUMERATOR enumerator;
    return enumerator;
}

} // namespace

bool enum_processes(std::uint32_t *ids, std::size_t capacity, std::size_t &count) {
    const PROCESS_ENUMERATOR &fake = current_enumerator();
    return fake ? fake(ids, capacity, count) : enum_proc(ids, capacity, count);
}

void set_process_enumerator(PROCESS_ENUMERATOR enumerator) { current_enumerator() = std::move(enumerator); }

} // namespace platform
