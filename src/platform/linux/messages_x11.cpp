#include "platform/messages.h"

#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_pump.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <map>

namespace platform {

namespace {

// The type atom that marks our client messages; the message id travels
// in data.l[0]. Each Vorkel's message window carries a property of the
// same name, and only windows carrying it are sent messages: the toolkit
// of any other window (Vorkel's own Qt windows among them) would report
// a client message it does not know on its standard error.
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
    const long version = 1;
    XChangeProperty(d, g_receiver, marker, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(&version), 1);
    x11::add_event_handler([marker](XEvent &ev) {
        if (ev.type != ClientMessage || ev.xclient.message_type != marker ||
            ev.xclient.window != g_receiver)
            return false;
        deliver(static_cast<std::uint32_t>(ev.xclient.data.l[0]));
        return true;
    });
    XFlush(d);
}

// Whether w is a Vorkel message window. Under the caller's error trap: a
// window that closed meanwhile has no property.
bool is_receiver(Display *d, Window w, Atom marker) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    const bool found = XGetWindowProperty(d, w, marker, 0, 0, False, AnyPropertyType, &type, &format, &count,
                                          &after, &data) == Success &&
                       type != 0;
    if (data)
        XFree(data);
    return found;
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
        if (!is_receiver(d, children[i], marker))
            continue;
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
