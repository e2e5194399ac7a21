// Starting another program, detached from Vorkel.
//
// The program runs in a new session, is not a child of Vorkel (it is
// started through an intermediate process that ends at once and is reaped
// here, so no zombie is left), inherits Vorkel's environment, has standard
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

// The full path of the program that start_detached would run for name (a
// name without '/' is looked up in $PATH); empty when there is none.
std::string find_program(const std::string &name);

} // namespace platform
