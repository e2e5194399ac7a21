#include "platform/messages.h"

#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_pump.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <map>

namespace platform {

namespace {

// The type atom that marks our client messages; the message id travels
// in data.l[0].
const char *const marker_name = "_VORKEL_MESSAGE";

std::map<int, std::function<void(std::uint32_t)>> g_handlers;
int g_next = 1;
Window g_receiver = 0;

void deliver(std::uint32_t id) {
    auto handlers = g_handlers;
    for (auto &[token, h] : handlers)
        h(id);
}

// A never-mapped top-level window that gives this process a target for
// broadcasts even while none of its visible windows exist.
void ensure_receiver(Display *d) {
    if (g_receiver)
        return;
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    g_receiver = XCreateWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, InputOnly,
                               CopyFromParent, CWOverrideRedirect, &attrs);
    XStoreName(d, g_receiver, "Vorkel message window");
    x11::set_client_identity(d, g_receiver);
    Atom marker = XInternAtom(d, marker_name, False);
    x11::add_event_handler([marker](XEvent &ev) {
        if (ev.type != ClientMessage || ev.xclient.message_type != marker ||
            ev.xclient.window != g_receiver)
            return false;
        deliver(static_cast<std::uint32_t>(ev.xclient.data.l[0]));
        return true;
    });
    XFlush(d);
}

void send_to_all(std::uint32_t id, bool wait) {
    Display *d = x11::display();
    if (!d) {
        deliver(id);
        return;
    }
    ensure_receiver(d);
    Atom marker = XInternAtom(d, marker_name, False);
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned int count = 0;
    x11::error_trap trap; // a window may close while we send
    if (!XQueryTree(d, root, &root, &parent, &children, &count))
        count = 0;
    for (unsigned int i = 0; i < count; ++i) {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = children[i];
        ev.xclient.message_type = marker;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(id);
        // Event mask 0: the event goes to the client that made the window.
        XSendEvent(d, children[i], False, 0, &ev);
    }
    if (children)
        XFree(children);
    if (wait)
        XSync(d, False);
    else
        XFlush(d);
}

} // namespace

std::uint32_t register_message(const std::string &name) {
    Display *d = x11::display();
    if (!d)
        return 0;
    ensure_receiver(d);
    x11::attach_to_event_loop();
    return static_cast<std::uint32_t>(XInternAtom(d, name.c_str(), False));
}

void broadcast_message(std::uint32_t id) { send_to_all(id, true); }

void post_broadcast_message(std::uint32_t id) { send_to_all(id, false); }

int add_message_handler(std::function<void(std::uint32_t)> handler) {
    int token = g_next++;
    g_handlers[token] = std::move(handler);
    x11::attach_to_event_loop();
    return token;
}

void remove_message_handler(int token) { g_handlers.erase(token); }

} // namespace platform
