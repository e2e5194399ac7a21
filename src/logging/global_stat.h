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
// Collector: at most one global_stat_thread runs. It is started and stopped
// on the GUI thread; they share the flags global_stat_running and
// global_stat_finished (common/flags.h).
#pragma once

#include "logging/global_stat_file.h"

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

// Starts collecting into path: resets the file to the 24-byte zero header
// (a damaged one is kept aside first; a failed reset is ignored) and starts
// the collector. When a collector already runs it does nothing (no reset,
// no second collector) and returns true. When one is still ending it waits
// for it up to 10 s; false, and nothing started, when it does not end.
// GUI thread.
bool start_global_logging(const std::string &path);

// Asks the collector to end and waits up to 10 000 polls of 1 ms; the
// collector completes its current cycle first. Returns at once when none
// runs. GUI thread; also the exit sequence.
void stop_global_logging();

// The collector: once a second it keeps process_table current when it holds
// the refresher role (common/refresher_count.h), copies it and adds the
// copy into the file at path. A cycle whose write fails keeps its data and
// the next cycle adds to it and writes again. A sum that would pass 2^64
// ends collecting after that cycle. Sets global_stat_finished last.
void global_stat_thread(std::string path);
