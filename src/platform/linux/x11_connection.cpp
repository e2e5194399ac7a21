#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_pump.h"

#include <map>

namespace platform::x11 {

namespace {

Display *g_display = nullptr;
bool g_tried = false;
error_trap *g_trap = nullptr;
std::map<int, event_handler> g_handlers;
int g_next_token = 1;

int on_x_error(Display *, XErrorEvent *ev) {
    if (g_trap)
        g_trap->record(ev->error_code);
    return 0; // never end the process over an X error
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

error_trap::error_trap() : outer_(g_trap) { g_trap = this; }

error_trap::~error_trap() {
    if (g_display)
        XSync(g_display, False);
    g_trap = outer_;
}

bool error_trap::failed() {
    if (g_display)
        XSync(g_display, False);
    return code_ != 0;
}

int add_event_handler(event_handler h) {
    int token = g_next_token++;
    g_handlers[token] = std::move(h);
    return token;
}

void remove_event_handler(int token) { g_handlers.erase(token); }

int connection_fd() { return g_display ? ConnectionNumber(g_display) : -1; }

void dispatch_pending() {
    if (!g_display)
        return;
    while (XPending(g_display) > 0) {
        XEvent ev;
        XNextEvent(g_display, &ev);
        // Copy: a handler may add or remove handlers.
        auto handlers = g_handlers;
        for (auto &[token, h] : handlers)
            if (h(ev))
                break;
    }
}

} // namespace platform::x11
