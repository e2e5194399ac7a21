// Whether the desktop's display can be reached at all, asked before the
// toolkit starts (which would abort the process without one).
#pragma once

namespace platform {

// True when a connection to the display named by the environment ($DISPLAY
// on X11) can be opened. Opens and closes a connection of its own; any
// thread.
bool display_available();

} // namespace platform
