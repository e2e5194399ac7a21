// Discovery: catalogue every program that shows a top-level window and is
// neither catalogued nor banned.
//
// A pass walks the windows of a window source; each window is checked
// cheapest test first and rejected at the first failing one: shown and
// unowned; class not "Progman" (any letter case: the desktop itself);
// titled; executable known; path not on never_add_list (exact bytes);
// trimmed path not in link_map. A program that passes is inserted with
// {0, 0, 0}, the catalogue file is rewritten (link_map_access save), and
// on_added is called with the path as found, untrimmed, so that the GUI
// can append a grid row. A pass that finds nothing new writes nothing.
//
// GUI thread. Reaches the containers only through link_map_access and
// never_add_access. No Qt or OS header here.
#pragma once

#include <functional>
#include <string>

#include "platform/window_source.h"

// Called once per program added, on the calling thread, with the
// executable path as the window source gave it (the catalogue key is this
// path with leading and trailing bytes below 33 removed). It runs while
// check_window holds its lock, so it must not start another pass.
using program_added_callback = std::function<void(const std::string &path)>;

// Checks one window; adds its program when it qualifies. Returns true when
// a program was added.
bool check_window(platform::window_source &source, platform::window_id window,
                  const program_added_callback &on_added);

// One discovery pass over source. Returns the number of programs added.
int scan_windows(platform::window_source &source, const program_added_callback &on_added);

// One pass over the real desktop (platform::desktop_window_source()).
int scan_windows(const program_added_callback &on_added);

// The catalogue key for a path: leading and trailing bytes below 33
// (blanks and control characters) removed.
std::string catalogue_key(const std::string &path);
