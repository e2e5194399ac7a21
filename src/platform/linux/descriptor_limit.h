// The open-descriptor limit of Vorkel's own process.
//
// The process snapshot keeps a few /proc descriptors open per process
// (proc_process_files.h), which can pass the usual soft limit of 1024 on
// a busy machine. Nothing in Vorkel uses select(), so the soft limit may
// rise to the hard one; programs Vorkel launches get the original limit
// back, since some of them still use select() and break above 1024.
#pragma once

#include <cstddef>

namespace platform {

// Raises the soft RLIMIT_NOFILE to the hard limit, at most 16384; the
// first call only, any thread. Returns the soft limit now in force.
std::size_t raise_descriptor_limit();

// The soft limit Vorkel started with (the one launched programs get).
std::size_t original_descriptor_limit();

// In a forked child before exec (async-signal-safe): puts back the soft
// limit as it was before raise_descriptor_limit; nothing when it was
// never raised.
void restore_descriptor_limit_in_child();

} // namespace platform
