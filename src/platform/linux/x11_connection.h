// Vorkel's own Xlib connection to the X server of $DISPLAY.
//
// Xlib header: include only from files under src/platform/linux/ that
// include no Qt header (Xlib defines None, Bool, KeyPress... as macros).
//
// Threads: the connection belongs to the GUI thread; no other thread may
// call these or use the Display.
//
// Errors: a process-wide Xlib error handler is installed on first use. It
// never ends the process (the default one does on BadWindow, e.g. for a
// window that closed between listing and reading it); it records the error
// for the innermost error_trap.
#pragma once

#include <functional>

#include <X11/Xlib.h>

namespace platform::x11 {

// The connection, opened on first use. Null when there is no X server
// (no $DISPLAY, or it cannot be reached); callers then do nothing.
Display *display();

// Closes the connection (tests; the program keeps it to the end).
void close_display();

// Catches the X errors of the requests made while it lives.
// failed() flushes the requests (XSync) and tells whether any failed.
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
