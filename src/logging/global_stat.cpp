#include "logging/global_stat.h"

#include "common/file_io.h"
#include "common/flags.h"
#include "common/refresher_count.h"
#include "common/sfx_mutex.h"
#include "monitor/process_table.h"

#include <chrono>
#include <thread>

namespace {

std::thread collector;

void pause_while_running(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (global_stat_running) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(until - now, std::chrono::milliseconds(20)));
    }
}

void release_collector() {
    if (!collector.joinable())
        return;
    if (global_stat_finished)
        collector.join();
    else
        collector.detach();
}

} // namespace

SFXMutex &global_stat_file_lock() {
    static SFXMutex lock;
    return lock;
}

GLOBAL_STAT_READ read_global_stat(const std::string &path, PROCESS_MAP_LONG &map, GLOBAL_STAT_HEADER &header,
                                  bool keep_damaged) {
    SFXLock hold(global_stat_file_lock());
    map.clear();
    const auto bytes = read_whole_file(path);
    GLOBAL_STAT_READ result;
    if (!bytes)
        // A file that is there but cannot be read (too large to be ours)
        // counts as damaged, so that it is kept rather than overwritten.
        result = path_exists(path) ? GLOBAL_STAT_READ::damaged : GLOBAL_STAT_READ::missing;
    else
        result = parse_global_stat(*bytes, map, header) == GLOBAL_STAT_STATE::whole
                     ? GLOBAL_STAT_READ::whole
                     : GLOBAL_STAT_READ::damaged;
    if (result == GLOBAL_STAT_READ::damaged && keep_damaged)
        keep_damaged_aside(path);
    return result;
}

bool write_global_stat(const std::string &path, const PROCESS_MAP_LONG &map,
                       const GLOBAL_STAT_HEADER &header) {
    const std::string bytes = format_global_stat(map, header);
    SFXLock hold(global_stat_file_lock());
    return write_file_atomically(path, bytes);
}

bool start_global_logging(const std::string &path) {
    if (global_stat_running)
        return true;
    if (!global_stat_finished && !wait_for_flag(global_stat_finished, true, 10000))
        return false;
    release_collector();
    {
        PROCESS_MAP_LONG old;
        GLOBAL_STAT_HEADER header;
        read_global_stat(path, old, header, true);
        SFXLock hold(global_stat_file_lock());
        write_file_atomically(path, empty_global_stat());
    }
    global_stat_running = true;
    global_stat_finished = false;
    collector = std::thread(global_stat_thread, path);
    return true;
}

void stop_global_logging() {
    global_stat_running = false;
    wait_for_flag(global_stat_finished, true, 10000);
    release_collector();
}

void global_stat_thread(std::string path) {
    bool refresher = false;
    PROCESS_MAP processes;
    PROCESS_MAP_LONG stats;
    GLOBAL_STAT_HEADER header;
    bool unsaved = false; // stats hold a cycle the file does not
    while (global_stat_running) {
        if (!refresher && refresher_count(0) == 0) {
            refresher_count(+1);
            refresher = true;
        }
        if (refresher && !tasks_page_refreshing())
            refresh_process_table();
        copy_process_table(processes);
        const double now = static_cast<double>(current_file_time());
        if (!unsaved) {
            header.sample_count = 0;
            read_global_stat(path, stats, header, true);
        }
        if (!add_global_stat_cycle(stats, header, processes, now))
            global_stat_running = false; // a sum would pass 2^64: this cycle is the last
        unsaved = !write_global_stat(path, stats, header);
        pause_while_running(1000);
    }
    if (unsaved)
        write_global_stat(path, stats, header);
    if (refresher)
        refresher_count(-1);
    global_stat_finished = true;
}
