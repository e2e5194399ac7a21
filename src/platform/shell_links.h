// Where the desktop looks for programs to start at the user's login.
//
// Threads: any. Reads the environment only.
#pragma once

#include <string>

namespace platform {

// The user's autostart folder: $XDG_CONFIG_HOME/autostart, or
// $HOME/.config/autostart when XDG_CONFIG_HOME is unset, empty or not an
// absolute path. Empty when neither is known. No trailing '/'; the folder
// may not exist yet.
std::string startup_folder();

} // namespace platform
