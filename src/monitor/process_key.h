// The identity of one process: its id together with its start time.
//
// The system gives an ended process's id to a later process, so an id
// alone names whatever holds it now. With the start time it names one
// process for the whole of its life: whatever a command captured when the
// user chose a process, it acts on that process or on none.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <string>

struct PROCESS_KEY {
    std::uint32_t pid = 0;        // 0: no process (also the Idle row)
    std::uint64_t start_time = 0; // 100-ns units since boot; 0: not known

    friend bool operator==(const PROCESS_KEY &, const PROCESS_KEY &) = default;
};

// A process as the user chose it from a list: its identity and the name
// the list showed (for a question about it).
struct CHOSEN_PROCESS {
    PROCESS_KEY key; // pid 0: the Idle row
    std::string name;
    bool any = false; // false: no process was chosen
};
