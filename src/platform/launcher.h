// Starting another program, detached from Vorkel.
//
// The program runs in a new session, is not a child of Vorkel (it is
// started through an intermediate process that ends at once and is reaped
// here, so no zombie is left), gets the environment Vorkel itself received
// (see keep_received_environment), has standard
// input from /dev/null and no other descriptor of Vorkel's beyond standard
// output and error. It is never started through a shell.
//
// Threads: any; the call returns once the program's image is loaded or
// has failed to load (it does not wait for the program).
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts argv[0] with the arguments argv in working_directory (empty: the
// current one). argv[0] with a '/' is a path (a relative one is taken from
// the current folder, not from working_directory); without one it is
// looked up in $PATH. Returns 0 when the program started, else an errno
// value: ENOENT (not found, or empty argv), EACCES or ENOEXEC (not an
// executable), ENOTDIR/ENOENT (working folder unusable), or a fork error.
int start_detached(const std::vector<std::string> &argv, const std::string &working_directory);

// The nice value every program started from now on begins with, set in
// it before its image is loaded; while none is set (at first, and after
// clear_started_program_nice) a program inherits the starting thread's.
// Any thread.
void set_started_program_nice(int nice);
void clear_started_program_nice();

// Keeps a copy of the environment as it is now, before Vorkel sets
// anything for itself (QT_XCB_NO_MITSHM...): every program started later
// gets that copy, less DESKTOP_STARTUP_ID (the start-up notice of Vorkel's
// own start, not theirs). Until it is called, programs get the environment
// current at their start. Call once, first thing in main, before any other
// thread runs.
void keep_received_environment();
// The file start_detached would run for argv0: argv0 itself when it holds
// a '/' (a relative one taken from the current folder), else the first
// executable file of that name in $PATH. Empty when that is no executable
// file.
std::string find_program(const std::string &argv0);

} // namespace platform
