// The process behind an X client. Xlib header: see x11_connection.h.
#pragma once

#include <sys/types.h>

#include <X11/Xlib.h>

namespace platform::x11 {

// The pid the X server knows for the client that made window w (through
// the X-Resource extension); 0 when unknown (a remote client, no
// extension, or the window is gone). GUI thread.
pid_t client_pid(Display *d, Window w);

} // namespace platform::x11
