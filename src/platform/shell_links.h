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

// Creates folder and its missing parents, new ones with mode 0700. True
// when the folder exists afterwards.
bool make_folder(const std::string &folder);

} // namespace platform
