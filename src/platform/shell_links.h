// Where the desktop looks for programs to start at the user's login, and
// for the programs it lists (the "Programs" folder).
//
// Threads: any. Reads the environment only.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The user's autostart folder: $XDG_CONFIG_HOME/autostart, or
// $HOME/.config/autostart when XDG_CONFIG_HOME is unset, empty or not an
// absolute path. Empty when neither is known. No trailing '/'; the folder
// may not exist yet.
std::string startup_folder();

// The system's autostart folders, whose entries the user's autostart
// entries of the same name replace: <dir>/autostart for each absolute dir
// of $XDG_CONFIG_DIRS (/etc/xdg when unset or empty), in that order.
std::vector<std::string> system_startup_folders();

// The user's applications folder: $XDG_DATA_HOME/applications, or
// $HOME/.local/share/applications when XDG_DATA_HOME is unset, empty or not
// an absolute path. Empty when neither is known. No trailing '/'; the
// folder may not exist yet.
std::string programs_folder();

} // namespace platform
