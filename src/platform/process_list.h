// The ids of the running processes, as the system lists them.
//
// The list includes id 0 for the idle pseudo-process, which the
// performance data reports as "Idle" (platform/perf_data.h), so that the
// process table and the snapshot agree on it.
//
// Threads: any. The system's enumerator is reentrant; a test enumerator is
// set before the threads that use it start and cleared after they end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

// Writes at most capacity ids into ids and sets count to the number
// written. A count equal to capacity means the list may have been cut
// short: the caller asks again with a larger array. False, count 0, when
// the system cannot list its processes.
bool enum_processes(std::uint32_t *ids, std::size_t capacity, std::size_t &count);

using PROCESS_ENUMERATOR =
    std::function<bool(std::uint32_t *ids, std::size_t capacity, std::size_t &count)>;

// Replaces the system's enumerator (for tests and benchmarks); an empty
// function restores it.
void set_process_enumerator(PROCESS_ENUMERATOR enumerator);

} // namespace platform
