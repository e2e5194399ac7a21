#include "monitor/process_table.h"

#include "common/flags.h"
#include "common/sfx_mutex.h"
#include "monitor/perf_reader.h"
#include "monitor/process_table_sync.h"
#include "platform/process_list.h"

#include <atomic>
#include <vector>

PROCESS_MAP process_table;
SAMPLE_CLOCK process_table_clock;

namespace {

std::atomic<bool> tasks_page_current{false};

} // namespace

SFXMutex &task_time_mutex() {
    static SFXMutex mutex("task_time_mutex");
    return mutex;
}

void empty_process_table() {
    SFXLock hold(task_time_mutex());
    process_table.clear();
    process_table_clock = {};
}

bool sync_process_table() {
    // The id array is kept between calls at the size that last sufficed,
    // so a steady system is listed in one pass; its own lock guards it
    // (taken after "task_time_mutex", which the caller holds).
    static SFXMutex array_guard;
    static std::vector<std::uint32_t> ids;
    static std::size_t capacity = 100;
    SFXLock hold(array_guard);
    if (!collect_process_ids(platform::enum_processes, ids, capacity))
        return false; // an empty table would lose every record's time base
    sync_process_map(process_table, ids);
    return true;
}

bool tasks_page_refreshing() { return list_visible && tasks_page_current; }

void set_tasks_page_current(bool current) { tasks_page_current = current; }

void refresh_process_table() {
    SFXLock hold(task_time_mutex());
    if (tasks_page_refreshing())
        return;
    try {
        if (sync_process_table())
            sample_processes(process_table, process_table_clock);
    } catch (...) {
        // Out of memory while growing the table or the id array: the next
        // cycle starts afresh.
    }
}

bool copy_process_table(PROCESS_MAP &destination) {
    SFXLock hold(task_time_mutex());
    destination = process_table;
    return true;
}

bool copy_process_info(std::uint32_t pid, PROCESS_INFO_STRUCT &record) {
    SFXLock hold(task_time_mutex());
    const auto it = process_table.find(pid);
    if (it == process_table.end())
        return false;
    record = it->second;
    return true;
}
