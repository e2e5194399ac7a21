#include "logging/global_stat.h"

#include "common/file_io.h"
#include "common/flags.h"
#include "common/refresher_count.h"
#include "common/sfx_mutex.h"
#include "monitor/process_table.h"
#include "platform/files.h"
#include "platform/named_lock.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

using std::chrono::steady_clock;

std::thread collector;
// The claim on the folder of the running collector's file: taken by the
// start, given up by the collector when it ends.
std::unique_ptr<platform::named_lock> claim;

// What flush_global_stat and the collector share.
struct WRITE_REQUESTS {
    std::mutex guard;
    std::condition_variable written;
    std::string path;         // the running collector's file; empty when none runs
    bool wanted = false;      // a write of the latest cycle is asked for
    std::uint64_t writes = 0; // writes the collector made (or tried)
};
WRITE_REQUESTS &requests() {
    static WRITE_REQUESTS r;
    return r;
}

bool write_wanted() {
    WRITE_REQUESTS &r = requests();
    std::lock_guard hold(r.guard);
    return std::exchange(r.wanted, false);
}

void tell_written(const std::string *path_now) {
    WRITE_REQUESTS &r = requests();
    {
        std::lock_guard hold(r.guard);
        ++r.writes;
        if (path_now)
            r.path = *path_now;
    }
    r.written.notify_all();
}

// Sleeps about ms while collecting goes on; write_now() runs whenever a
// write is asked for meanwhile.
template <typename F> void pause_while_running(int ms, F &&write_now) {
    const auto until = steady_clock::now() + std::chrono::milliseconds(ms);
    while (global_stat_running) {
        if (write_wanted())
            write_now();
        const auto now = steady_clock::now();
        if (now >= until)
            return;
        std::this_thread::sleep_for(
            std::min<steady_clock::duration>(until - now, std::chrono::milliseconds(20)));
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

std::string claim_name(const std::string &path) { return "statistics " + platform::folder_of(path); }

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

GLOBAL_STAT_START start_global_logging(const std::string &path) {
    if (global_stat_running)
        return GLOBAL_STAT_START::collecting;
    if (!global_stat_finished && !wait_for_flag(global_stat_finished, true, 10000))
        return GLOBAL_STAT_START::still_ending;
    release_collector();
    // Taken before the reset, so that a second copy never empties the
    // file that the first one is collecting into. Without a runtime folder
    // there is no claim to make, and a copy collects on its own.
    auto folder_claim = std::make_unique<platform::named_lock>(claim_name(path), platform::LOCK_SCOPE::user);
    if (!folder_claim->try_lock() && folder_claim->busy())
        return GLOBAL_STAT_START::other_copy;
    claim = std::move(folder_claim);
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
    return GLOBAL_STAT_START::collecting;
}

void stop_global_logging() {
    global_stat_running = false;
    wait_for_flag(global_stat_finished, true, 10000);
    release_collector();
}

void flush_global_stat(const std::string &path) {
    WRITE_REQUESTS &r = requests();
    std::unique_lock hold(r.guard);
    if (r.path.empty() || r.path != path)
        return;
    const std::uint64_t before = r.writes;
    r.wanted = true;
    r.written.wait_for(hold, std::chrono::seconds(2), [&] { return r.writes != before || r.path != path; });
}

void global_stat_thread(std::string path) {
    bool refresher = false;
    PROCESS_MAP processes;
    // A new period: whatever the file holds (an older period whose reset
    // failed) is never carried on.
    PROCESS_MAP_LONG stats;
    GLOBAL_STAT_HEADER header;
    bool unsaved = false; // stats hold a cycle the file does not
    auto next_write = steady_clock::now() + global_stat_write_interval;
    auto write = [&] {
        if (unsaved)
            unsaved = !write_global_stat(path, stats, header);
        tell_written(nullptr);
    };
    tell_written(&path);
    while (global_stat_running) {
        if (!refresher && refresher_count(0) == 0) {
            refresher_count(+1);
            refresher = true;
        }
        if (refresher && !tasks_page_refreshing())
            refresh_process_table();
        copy_process_table(processes);
        if (!add_global_stat_cycle(stats, header, processes, static_cast<double>(current_file_time())))
            global_stat_running = false; // a sum would pass 2^64: this cycle is the last
        unsaved = true;
        // Once an interval, also after a failed write: a full disk is not
        // tried every second.
        if (steady_clock::now() >= next_write) {
            write();
            next_write = steady_clock::now() + global_stat_write_interval;
        }
        pause_while_running(1000, write);
    }
    write();
    claim.reset();
    const std::string none;
    tell_written(&none);
    if (refresher)
        refresher_count(-1);
    global_stat_finished = true;
}
