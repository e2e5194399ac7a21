// Facts about the running program and its user.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable (symbolic links resolved).
std::string executable_path();

// The executable's folder, ending in '/'.
std::string executable_folder();

// Logon name of the effective user; the numeric uid as text when the
// user database has no entry for it.
std::string user_name();

// Names the calling thread for the system's tools (top, ps, the task
// list under /proc): the first 15 bytes of name.
void name_this_thread(const std::string &name);

} // namespace platform
