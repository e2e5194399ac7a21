// The desktop's top-level windows as discovery sees them: per window,
// whether it is shown, whether another window owns it, its class name, its
// title and the executable of the process that made it.
//
// Each question is a separate call so that discovery can stop at the
// first one that rejects a window and never pays for the costlier ones.
// A window that has gone away (closed while being read) answers "not
// visible", "owned", and empty texts.
//
// Threads: the desktop source uses Vorkel's own display connection and
// belongs to the GUI thread. Test doubles may replace it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using window_id = std::uint64_t;

class window_source {
public:
    virtual ~window_source() = default;

    // Every top-level application window, in the desktop's order.
    virtual std::vector<window_id> top_level_windows() = 0;
    virtual bool is_visible(window_id w) = 0;
    virtual bool has_owner(window_id w) = 0;
    // The window's class; the desktop (background) window answers "Progman".
    virtual std::string class_name(window_id w) = 0;
    virtual std::string title(window_id w) = 0;
    // The full path of the executable of the window's process; empty when
    // the process is unknown, gone, another user's, or its executable was
    // deleted or replaced.
    virtual std::string executable_path(window_id w) = 0;
};

// The source for the real desktop (on Linux: the X display of $DISPLAY).
// With no display it lists no windows. GUI thread.
window_source &desktop_window_source();

} // namespace platform
