// Facts about the running program and its user.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Full path of the running executable (symbolic links resolved).
std::string executable_path();

// The executable's folder, ending in '/'.
std::string executable_folder();

// Logon name of the effective user; the numeric uid as text when the
// user database has no entry for it.
std::string user_name();

// Logon name of the user uid, likewise.
std::string user_name_of(std::uint32_t uid);

// Names the calling thread for the system's tools (top, ps, the task
// list under /proc): the first 15 bytes of name.
void name_this_thread(const std::string &name);

// The moment the processes' start times count from (boot, on the clock
// that counts suspend), as a FILETIME: 100-ns units since 1601-01-01 UTC.
// Follows the calendar clock: it moves when the clock is set.
std::uint64_t boot_file_time();

} // namespace platform
