// The desktop's windows read from the X server through Vorkel's own
// connection (x11_connection.h). No Qt header may be included here.
#include "platform/window_source.h"

#include "platform/linux/proc_files.h"
#include "platform/linux/x11_client_pid.h"
#include "platform/linux/x11_connection.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

namespace platform {

namespace {

struct ATOMS_STRUCT {
    Atom client_list, wm_pid, wm_name, utf8_string, window_type, type_desktop, wm_state;
};

struct PROPERTY_STRUCT {
    Atom type = 0;
    int format = 0;
    std::vector<unsigned char> bytes; // format 8
    std::vector<unsigned long> items; // format 16 or 32 (Xlib hands these out as C long)
};

// Reads a whole property; false when it is absent or the window is gone.
bool read_property(Display *d, Window w, Atom name, Atom type, PROPERTY_STRUCT &out) {
    x11::error_trap trap;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    // 64K longs: far beyond any title, class list or pid.
    int status = XGetWindowProperty(d, w, name, 0, 65536, False, type, &actual, &format, &count,
                                    &after, &data);
    bool ok = status == Success && !trap.failed() && actual != 0 && data;
    if (ok) {
        out.type = actual;
        out.format = format;
        if (format == 8) {
            out.bytes.assign(data, data + count);
        } else if (format == 16) {
            auto *v = reinterpret_cast<short *>(data);
            for (unsigned long i = 0; i < count; ++i)
                out.items.push_back(static_cast<unsigned short>(v[i]));
        } else if (format == 32) {
            auto *v = reinterpret_cast<long *>(data);
            for (unsigned long i = 0; i < count; ++i)
                out.items.push_back(static_cast<unsigned long>(v[i]) & 0xffffffffUL);
        }
    }
    if (data)
        XFree(data);
    return ok;
}

bool has_property(Display *d, Window w, Atom name) {
    PROPERTY_STRUCT p;
    return read_property(d, w, name, AnyPropertyType, p);
}

std::vector<Window> children_of(Display *d, Window w) {
    x11::error_trap trap;
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned int n = 0;
    std::vector<Window> out;
    if (XQueryTree(d, w, &root, &parent, &kids, &n) && !trap.failed())
        out.assign(kids, kids + n);
    if (kids)
        XFree(kids);
    return out;
}

std::string local_host_name() {
    char buf[HOST_NAME_MAX + 1] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        return {};
    return buf;
}

// The record XResQueryClientIds takes for each client asked about (its
// third parameter), named through the call itself.
template <typename F> struct third_parameter;
template <typename R, typename A, typename B, typename C, typename... REST>
struct third_parameter<R (*)(A, B, C *, REST...)> {
    using type = C;
};
using CLIENT_QUERY = third_parameter<decltype(&XResQueryClientIds)>::type;

} // namespace

pid_t x11::client_pid(Display *d, Window w) {
    int event_base = 0, error_base = 0;
    if (!XResQueryExtension(d, &event_base, &error_base))
        return 0;
    x11::error_trap trap;
    CLIENT_QUERY wanted;
    wanted.client = w;
    wanted.mask = XRES_CLIENT_ID_PID_MASK;
    long count = 0;
    XResClientIdValue *values = nullptr;
    pid_t pid = 0;
    if (XResQueryClientIds(d, 1, &wanted, &count, &values) == Success && !trap.failed()) {
        for (long i = 0; i < count && pid <= 0; ++i)
            pid = XResGetClientPid(&values[i]); // -1 for ids of other kinds
    }
    if (values)
        XResClientIdsDestroy(count, values);
    return pid > 0 ? pid : 0;
}

namespace {

// The executable of a local process of this user, or "" (gone, another
// user's, or its file deleted or replaced since it started).
std::string executable_of(pid_t pid) {
    std::string proc = "/proc/" + std::to_string(pid);
    struct stat owner {};
    if (stat(proc.c_str(), &owner) != 0 || owner.st_uid != geteuid())
        return {};
    std::string path = read_executable_link(proc);
    if (path.empty())
        return {};
    std::string link = proc + "/exe";
    // The link's target file must still be the running image: a deleted
    // executable reads as "<path> (deleted)", and a replaced one names a
    // different file now.
    struct stat running {}, named {};
    if (stat(link.c_str(), &running) != 0 || stat(path.c_str(), &named) != 0 ||
        running.st_dev != named.st_dev || running.st_ino != named.st_ino)
        return {};
    return path;
}

class x11_window_source final : public window_source {
public:
    std::vector<window_id> top_level_windows() override {
        std::vector<window_id> out;
        Display *d = x11::display();
        if (!d)
            return out;
        // Each pass interns afresh: a reopened connection may be to
        // another server, whose atoms differ.
        atoms_display_ = nullptr;
        intern_atoms(d);
        Window root = DefaultRootWindow(d);
        PROPERTY_STRUCT list;
        if (read_property(d, root, atoms_.client_list, XA_WINDOW, list) && list.format == 32) {
            out.assign(list.items.begin(), list.items.end());
            return out;
        }
        // No EWMH window manager: the managed windows carry WM_STATE, on
        // the top level or one level down inside a frame.
        std::vector<Window> top = children_of(d, root);
        for (Window w : top) {
            if (has_property(d, w, atoms_.wm_state)) {
                out.push_back(w);
                continue;
            }
            for (Window inner : children_of(d, w))
                if (has_property(d, inner, atoms_.wm_state))
                    out.push_back(inner);
        }
        if (!out.empty())
            return out;
        // No window manager at all: nobody sets WM_STATE, so the clients'
        // own top-level windows are the candidates; menus and tooltips
        // (override-redirect) are not.
        for (Window w : top) {
            x11::error_trap trap;
            XWindowAttributes a;
            if (XGetWindowAttributes(d, w, &a) && !trap.failed() && !a.override_redirect)
                out.push_back(w);
        }
        return out;
    }

    bool is_visible(window_id w) override {
        Display *d = x11::display();
        if (!d)
            return false;
        x11::error_trap trap;
        XWindowAttributes a;
        return XGetWindowAttributes(d, static_cast<Window>(w), &a) && !trap.failed() &&
               a.map_state == IsViewable;
    }

    bool has_owner(window_id w) override {
        Display *d = x11::display();
        if (!d)
            return true;
        x11::error_trap trap;
        Window owner = 0;
        bool hinted = XGetTransientForHint(d, static_cast<Window>(w), &owner);
        if (trap.failed())
            return true; // gone
        return hinted && owner != 0;
    }

    std::string class_name(window_id w) override {
        Display *d = x11::display();
        if (!d)
            return {};
        intern_atoms(d);
        PROPERTY_STRUCT types;
        if (read_property(d, static_cast<Window>(w), atoms_.window_type, XA_ATOM, types))
            for (unsigned long t : types.items)
                if (t == atoms_.type_desktop)
                    return "Progman";
        x11::error_trap trap;
        XClassHint hint{};
        std::string out;
        if (XGetClassHint(d, static_cast<Window>(w), &hint) && !trap.failed() && hint.res_class)
            out = hint.res_class;
        if (hint.res_name)
            XFree(hint.res_name);
        if (hint.res_class)
            XFree(hint.res_class);
        return out;
    }

    std::string title(window_id w) override {
        Display *d = x11::display();
        if (!d)
            return {};
        intern_atoms(d);
        PROPERTY_STRUCT name;
        if (read_property(d, static_cast<Window>(w), atoms_.wm_name, atoms_.utf8_string, name) &&
            name.format == 8 && !name.bytes.empty())
            return std::string(name.bytes.begin(), name.bytes.end());
        name = {};
        if (read_property(d, static_cast<Window>(w), XA_WM_NAME, AnyPropertyType, name) &&
            name.format == 8)
            return std::string(name.bytes.begin(), name.bytes.end());
        return {};
    }

    std::string executable_path(window_id w) override {
        Display *d = x11::display();
        if (!d || !exists(d, w))
            return {}; // the server would still name the client of a closed window
        intern_atoms(d);
        pid_t pid = 0;
        PROPERTY_STRUCT prop;
        // A client's own claim counts only when it runs on this machine:
        // a pid from another host names some unrelated local process.
        if (read_property(d, static_cast<Window>(w), atoms_.wm_pid, XA_CARDINAL, prop) &&
            prop.format == 32 && !prop.items.empty() && prop.items[0] > 0 &&
            prop.items[0] <= static_cast<unsigned long>(INT_MAX) && on_this_host(d, w))
            pid = static_cast<pid_t>(prop.items[0]);
        if (pid <= 0)
            pid = x11::client_pid(d, static_cast<Window>(w));
        if (pid <= 0)
            return {};
        return executable_of(pid);
    }

private:
    static bool exists(Display *d, window_id w) {
        x11::error_trap trap;
        XWindowAttributes a;
        return XGetWindowAttributes(d, static_cast<Window>(w), &a) && !trap.failed();
    }

    void intern_atoms(Display *d) {
        if (d == atoms_display_)
            return;
        const char *names[] = {"_NET_CLIENT_LIST", "_NET_WM_PID", "_NET_WM_NAME", "UTF8_STRING",
                               "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DESKTOP", "WM_STATE"};
        Atom a[7] = {};
        XInternAtoms(d, const_cast<char **>(names), 7, False, a);
        atoms_ = {a[0], a[1], a[2], a[3], a[4], a[5], a[6]};
        atoms_display_ = d;
    }

    bool on_this_host(Display *d, window_id w) {
        PROPERTY_STRUCT machine;
        if (!read_property(d, static_cast<Window>(w), XA_WM_CLIENT_MACHINE, AnyPropertyType,
                           machine) ||
            machine.format != 8)
            return true; // unstated: assume local, as most clients are
        return std::string(machine.bytes.begin(), machine.bytes.end()) == local_host_name();
    }

    ATOMS_STRUCT atoms_{};
    Display *atoms_display_ = nullptr;
};

} // namespace

window_source &desktop_window_source() {
    static x11_window_source source;
    return source;
}

} // namespace platform
