// The statistics collector and the access to its file (format:
// logging/global_stat_file.h).
//
// File access: read_global_stat, write_global_stat and the reset in
// start_global_logging all hold one lock, global_stat_file_lock(), so none
// of them meets another half done. Every write goes to a temporary file
// renamed over the old one (common/file_io.h): a reader, or a crash, sees
// the old file or the new one, never a mix. No other lock is held while it
// is held, and it is never taken under "task_time_mutex".
//
// Collector: at most one global_stat_thread runs in a copy of Vorkel, and
// at most one copy of the user collects into one data folder: the
// collector claims the folder with a lock of the user's (platform/
// named_lock.h, kept in the runtime folder, so a read-only data folder
// never stands in the way) for as long as it runs. It is started and
// stopped on the GUI thread; they share the flags global_stat_running and
// global_stat_finished (common/flags.h).
//
// The disk: a collecting period lives in the collector's memory from its
// first cycle (a new period never reads an older file back) and the whole
// file is written, atomically, at most once every
// global_stat_write_interval, besides when the statistics window asks for
// the latest cycle (flush_global_stat) and when collecting ends. A crash
// or a power loss keeps the file and loses at most the last interval.
#pragma once

#include "logging/global_stat_file.h"

#include <chrono>
#include <string>

class SFXMutex;

SFXMutex &global_stat_file_lock();

enum class GLOBAL_STAT_READ {
    missing, // no file (or it could not be opened): map empty, header as given
    whole,
    damaged, // read as far as whole records go
};

// Empties map, then fills it and header from the file at path. A header cut
// short leaves header as given. With keep_damaged, a damaged file is
// renamed aside (".damaged", ".damaged.1", ...) before the lock is released,
// so the next write cannot replace it. Any thread.
GLOBAL_STAT_READ read_global_stat(const std::string &path, PROCESS_MAP_LONG &map, GLOBAL_STAT_HEADER &header,
                                  bool keep_damaged = false);

// Replaces the file at path with map and header. False, the old file
// untouched, when it cannot be written. Any thread.
bool write_global_stat(const std::string &path, const PROCESS_MAP_LONG &map,
                       const GLOBAL_STAT_HEADER &header);

// How often a collector writes its file at most, apart from the writes
// asked for.
inline constexpr std::chrono::seconds global_stat_write_interval{60};

enum class GLOBAL_STAT_START {
    collecting,   // started, or this copy's collector runs already (no reset then)
    still_ending, // this copy's last collector did not end within 10 s: nothing started
    other_copy,   // another copy of the user collects into path's folder: nothing
                  // started, the file untouched
};

// Starts collecting into path: claims path's folder, resets the file to
// the 24-byte zero header (a damaged one is kept aside first; a failed
// reset is ignored: the period starts from no records all the same) and
// starts the collector. GUI thread.
GLOBAL_STAT_START start_global_logging(const std::string &path);

// Ends collecting, the last cycle written: asks the collector to end and
// waits up to 10 000 polls of 1 ms while it completes its cycle and writes
// the file. Returns at once when none runs. GUI thread; also the exit
// sequence and every other way of ending the program that saves.
void stop_global_logging();

// When this copy's collector collects into path, asks it to write its
// latest cycle now and waits for that write (up to 2 s), so that a read
// that follows is no older than one cycle. Returns at once otherwise. Any
// thread but the collector's.
void flush_global_stat(const std::string &path);

// The collector: once a second it keeps process_table current when it holds
// the refresher role (common/refresher_count.h), copies it and adds the
// copy to the period's records, which start empty; it writes them into
// path as described above (a write that fails is tried again after the
// interval). A sum that would pass 2^64 ends collecting after that cycle.
// Writes the last cycle, gives up the folder's claim and sets
// global_stat_finished last.
void global_stat_thread(std::string path);
