// The name a process is shown under: its whole program name, as the user
// knows it, rather than the kernel's short name of it.
//
// The kernel keeps a process's name (comm, the name in /proc/PID/stat) in
// 16 bytes: a longer program name is cut to its first 15 characters
// ("at-spi-bus-laun"). Such a name is completed from the file name of the
// executable, else from the first words of the command line, taking the
// first of them that begins with the short name (a script run by an
// interpreter is named after the script, not "perl"); when none does, the
// short name stays. A shorter comm is whole already and is kept as it is,
// also when the program chose it itself.
//
// A kernel worker thread names itself after the work queue it serves at
// the moment ("kworker/1:2-events", "kworker/0:1+events" while busy): its
// name is the part before that suffix ("kworker/1:2"), so that one thread
// keeps one name. Rescuer threads ("kworker/R-mm_percpu_wq") are named once
// for their queue and keep their names.
//
// Pure functions over the bytes read; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The longest name the kernel keeps whole: a comm of this length may be cut.
inline constexpr std::size_t comm_length_limit = 15;

// True when comm of a process (not a kernel thread) may have been cut, so
// that its executable and command line are worth reading.
bool comm_may_be_cut(std::string_view comm, bool kernel_thread);

// The process's name. executable: the target of /proc/PID/exe ("" when it
// cannot be read; a " (deleted)" at its end is not part of the name);
// command_line: the bytes of /proc/PID/cmdline (arguments separated by
// NUL bytes; "" when unread).
std::string whole_process_name(std::string_view comm, bool kernel_thread, std::string_view executable,
                               std::string_view command_line);

} // namespace platform
