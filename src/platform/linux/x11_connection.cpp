#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_pump.h"

#include <atomic>
#include <climits>
#include <map>

#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace platform::x11 {

namespace {

std::atomic<Display *> g_display{nullptr}; // read by the error handler on any thread
bool g_tried = false;
error_trap *g_trap = nullptr;
// The handler that was in place when the outermost trap began (Qt's, once
// QApplication exists), given back when that trap ends.
XErrorHandler g_outer_handler = nullptr;
std::map<int, event_handler> g_handlers;
int g_next_token = 1;

int on_x_error(Display *d, XErrorEvent *ev) {
    // The traps belong to the GUI thread's connection; errors of any other
    // Display (Qt's own Xlib connection) go to the handler we displaced.
    if (d == g_display && g_trap) {
        g_trap->record(ev->error_code);
        return 0;
    }
    if (g_outer_handler && g_outer_handler != on_x_error && d != g_display)
        return g_outer_handler(d, ev);
    return 0; // never end the process over an X error
}

// Waits until the server has answered every request sent so far, so that
// their errors have come in. Once the last request has been answered (a
// reply read), every earlier error has come in too, since the server
// answers in order: no round trip then.
void sync_if_unanswered(Display *d) {
    if (NextRequest(d) - 1 != LastKnownRequestProcessed(d))
        XSync(d, False);
}

} // namespace

Display *display() {
    if (!g_tried) {
        g_tried = true;
        XSetErrorHandler(on_x_error);
        g_display = XOpenDisplay(nullptr);
    }
    return g_display;
}

void close_display() {
    if (g_display)
        XCloseDisplay(g_display);
    g_display = nullptr;
    g_tried = false;
}

void set_client_identity(Display *d, Window w) {
    const long pid = static_cast<long>(getpid());
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(&pid), 1);
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0 || !host[0])
        return;
    char *list[1] = {host};
    XTextProperty text{};
    if (XStringListToTextProperty(list, 1, &text)) {
        XSetWMClientMachine(d, w, &text);
        XFree(text.value);
    }
}

error_trap::error_trap() : outer_(g_trap) {
    // Qt's xcb plugin sets its own handler for the whole process when
    // QApplication starts, so ours is put in place for each trap's life,
    // not once at connection time.
    if (!outer_)
        g_outer_handler = XSetErrorHandler(on_x_error);
    g_trap = this;
}

error_trap::~error_trap() {
    if (g_display)
        sync_if_unanswered(g_display);
    g_trap = outer_;
    if (!outer_) {
        XErrorHandler outer = g_outer_handler;
        g_outer_handler = nullptr;
        XSetErrorHandler(outer ? outer : on_x_error);
    }
}

bool error_trap::failed() {
    if (g_display)
        sync_if_unanswered(g_display);
    return code_ != 0;
}

int add_event_handler(event_handler h) {
    int token = g_next_token++;
    g_handlers[token] = std::move(h);
    return token;
}

void remove_event_handler(int token) { g_handlers.erase(token); }

int connection_fd() {
    Display *d = g_display.load();
    return d ? ConnectionNumber(d) : -1;
}

namespace {

// read_socket: also read what the socket holds (after a flush); otherwise
// only the events Xlib has queued already.
void dispatch_events(bool read_socket) {
    if (!g_display)
        return;
    // XPending flushes and reads the socket: a system call each time.
    // Events already read (while Xlib waited for a reply) need neither.
    while (XEventsQueued(g_display, read_socket ? QueuedAfterFlush : QueuedAlready) > 0) {
        XEvent ev;
        XNextEvent(g_display, &ev);
        // Copy: a handler may add or remove handlers.
        auto handlers = g_handlers;
        for (auto &[token, h] : handlers)
            if (h(ev))
                break;
    }
}

} // namespace

void dispatch_pending() { dispatch_events(true); }

void dispatch_queued() { dispatch_events(false); }

} // namespace platform::x11
