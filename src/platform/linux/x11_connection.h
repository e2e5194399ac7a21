// Vorkel's own Xlib connection to the X server of $DISPLAY.
//
// Xlib header: include only from files under src/platform/linux/ that
// include no Qt header (Xlib defines None, Bool, KeyPress... as macros).
//
// Threads: the connection belongs to the GUI thread; no other thread may
// call these or use the Display.
//
// Errors: Vorkel's Xlib error handler never ends the process (the default
// one does on BadWindow, e.g. for a window that closed between listing and
// reading it). It is set when the connection opens and again by every
// outermost error_trap for the trap's life (Qt replaces the process's
// handler when QApplication starts); the trap then gives back the handler
// it found. It records errors of this connection for the innermost trap
// and passes errors of other connections to the handler it displaced.
#pragma once

#include <functional>

#include <X11/Xlib.h>

namespace platform::x11 {

// The connection, opened on first use. Null when there is no X server
// (no $DISPLAY, or it cannot be reached); callers then do nothing.
Display *display();

// Closes the connection (tests; the program keeps it to the end).
void close_display();

// Marks a window Vorkel creates itself (not through Qt) with the process
// id (_NET_WM_PID) and the machine (WM_CLIENT_MACHINE), by which desktop
// tools and trays tell whose window it is.
void set_client_identity(Display *d, Window w);

// Catches the X errors of the requests made while it lives.
// failed() waits until the server has answered the requests (XSync, not
// needed when the last one's reply has been read) and tells whether any
// failed; the trap's end waits likewise.
class error_trap {
public:
    error_trap();
    ~error_trap();
    error_trap(const error_trap &) = delete;
    error_trap &operator=(const error_trap &) = delete;
    bool failed();

    // internal: called by the error handler
    void record(int code) {
        if (!code_)
            code_ = code;
    }

private:
    error_trap *outer_;
    int code_ = 0;
};

// Handlers for events that arrive on the connection (client messages, key
// presses of grabbed keys). A handler returns true when it consumed the
// event. Handlers are called from dispatch_pending() on the GUI thread.
using event_handler = std::function<bool(XEvent &)>;
int add_event_handler(event_handler h);
void remove_event_handler(int token);

} // namespace platform::x11
