// The X server and the window manager of $DISPLAY, through Vorkel's own
// connection (x11_connection.h). No Qt header here.
#include "platform/process_control.h"

#include "platform/linux/x11_client_pid.h"
#include "platform/linux/x11_connection.h"

#include <sys/socket.h>

#include <X11/Xatom.h>

namespace platform {

namespace {

// The process at the other end of the connection: for a local display that
// is the server that owns the display's socket.
std::uint32_t server_pid(Display *d) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(ConnectionNumber(d), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.pid <= 0)
        return 0;
    return static_cast<std::uint32_t>(peer.pid);
}

// The window w's _NET_SUPPORTING_WM_CHECK, 0 when it has none.
Window check_window_of(Display *d, Window w, Atom check) {
    x11::error_trap trap;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    Window found = 0;
    if (XGetWindowProperty(d, w, check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
            Success &&
        !trap.failed() && type == XA_WINDOW && format == 32 && count == 1 && data)
        found = static_cast<Window>(*reinterpret_cast<unsigned long *>(data)); // format 32 is C long
    if (data)
        XFree(data);
    return found;
}

// The window manager's process: the client that made the window the root
// names in _NET_SUPPORTING_WM_CHECK, provided that window names itself
// (a window manager that has ended leaves a stale root property).
std::uint32_t window_manager_pid(Display *d) {
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    const Window w = check_window_of(d, DefaultRootWindow(d), check);
    if (!w || check_window_of(d, w, check) != w)
        return 0;
    const pid_t pid = x11::client_pid(d, w);
    return pid > 0 ? static_cast<std::uint32_t>(pid) : 0;
}

} // namespace

std::vector<std::uint32_t> desktop_server_pids() {
    std::vector<std::uint32_t> pids;
    Display *d = x11::display();
    if (!d)
        return pids;
    if (std::uint32_t p = server_pid(d))
        pids.push_back(p);
    if (std::uint32_t p = window_manager_pid(d))
        pids.push_back(p);
    return pids;
}

} // namespace platform
