// The tray icon as an XEmbed client of freedesktop.org's system tray
// protocol.
//
// The icon window is created, docked and watched on the GUI thread's Xlib
// connection. Its picture is drawn by whichever thread sets it (or by the
// GUI thread on an exposure) through an xcb connection of that thread's
// own, so a new picture never needs the GUI thread. `guard` orders the
// drawing threads and protects the window and picture they share.
//
// What trays expect of the icon window besides the docking request: the
// XEmbed info with the "map me" flag (the tray maps it), the visual the
// tray names, and size hints (WM_NORMAL_HINTS minimum and base size).
// Trays built on a toolkit's socket widget size the icon from those hints
// and take an icon without them for a 1-pixel one: a sliver, or one
// parked off screen as invisible. The hints ask for a square that
// follows the side the tray fixes (its height when horizontal), and the
// picture is drawn whole at whatever square the tray then gives.
#include "platform/tray_icon.h"

#include "platform/linux/tray_picture.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_pump.h"

#include <mutex>
#include <string>
#include <vector>

#include <algorithm>
#include <cstdlib>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

namespace platform {

namespace {

using x11::display;

constexpr int initial_side = 16;
constexpr long system_tray_request_dock = 0;
constexpr long xembed_mapped = 1;

// Shared by the drawing threads, under guard.
struct TRAY_WINDOW {
    Window window = 0;
    int depth = 0;
    PIXEL_FORMAT format;
    int width = initial_side, height = initial_side;
    std::vector<std::uint32_t> picture;
    int side = 0;
    std::vector<TRAY_RECT> drawn; // what the last drawing covered (no-alpha windows)
    // The window's pixels as last drawn, for picture at this size and
    // format; false when they must be made afresh.
    std::vector<std::uint32_t> pixels;
    bool pixels_current = false;
};
std::mutex guard;
TRAY_WINDOW shared;

// GUI thread only.
struct TRAY_GUI {
    bool shown = false;
    std::string app_name;
    TRAY_POINTER_HANDLER handler;
    std::function<void(bool)> tray_handler;
    bool tray_reported = false; // what tray_handler was last told
    int event_token = 0;
    Window manager = 0;
    bool docked = false;
    Colormap colormap = 0;
    Atom selection = 0, opcode = 0, manager_atom = 0, xembed_info = 0, tray_visual = 0, tray_orientation = 0;
    int orientation = -1;                   // the tray's: 0 horizontal, 1 vertical, -1 not published
    int requested_side = initial_side;      // what the size hints ask for
    std::vector<std::uint32_t> window_icon; // _NET_WM_ICON data
};
TRAY_GUI gui;

// Tells the tray handler when a tray has come or gone.
void report_tray() {
    const bool present = gui.shown && gui.manager != 0;
    if (present == gui.tray_reported)
        return;
    gui.tray_reported = present;
    if (gui.tray_handler)
        gui.tray_handler(present);
}

// A drawing thread's own connection, plain xcb: a picture is one
// put-image request and one write, with no read of the socket.
struct THREAD_CONNECTION {
    xcb_connection_t *c = nullptr;
    bool tried = false;
    bool swap_bytes = false; // the server wants the other byte order
    xcb_gcontext_t gc = 0;
    Window gc_window = 0;
    unsigned draws = 0;
    std::uint32_t max_words = 0; // the longest request the server takes, in 4-byte units
    ~THREAD_CONNECTION() {
        if (c)
            xcb_disconnect(c);
    }
    bool open() {
        if (!tried) {
            tried = true;
            c = xcb_connect(nullptr, nullptr);
            if (xcb_connection_has_error(c)) {
                xcb_disconnect(c);
                c = nullptr;
            } else {
                const std::uint16_t probe = 1;
                const bool host_lsb = *reinterpret_cast<const std::uint8_t *>(&probe) == 1;
                swap_bytes = (xcb_get_setup(c)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) != host_lsb;
                max_words = xcb_get_maximum_request_length(c);
            }
        }
        return c != nullptr;
    }
};

// Sends rows [y, y + h) x [x, x + w) of the window's pixels, in bands
// that each fit one request (a tray may make the icon large).
void put_pixels(THREAD_CONNECTION &own, const std::vector<std::uint32_t> &pixels, int width, int x, int y, int w,
                int h) {
    if (w <= 0 || h <= 0)
        return;
    // In 4-byte units, less the request's own header.
    const std::uint32_t max_words = own.max_words;
    const int band = static_cast<int>(std::max<std::uint32_t>(1, (max_words > 8 ? max_words - 8 : 1) / static_cast<std::uint32_t>(w)));
    thread_local std::vector<std::uint32_t> part;
    for (int top = 0; top < h; top += band) {
        const int rows = std::min(band, h - top);
        part.resize(static_cast<std::size_t>(w * rows));
        for (int row = 0; row < rows; ++row)
            for (int col = 0; col < w; ++col) {
                std::uint32_t p = pixels[static_cast<std::size_t>((y + top + row) * width + x + col)];
                if (own.swap_bytes)
                    p = __builtin_bswap32(p);
                part[static_cast<std::size_t>(row * w + col)] = p;
            }
        xcb_put_image(own.c, XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_drawable_t>(shared.window), own.gc,
                      static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(rows), static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y + top), 0, static_cast<std::uint8_t>(shared.depth),
                      static_cast<std::uint32_t>(part.size() * 4), reinterpret_cast<const std::uint8_t *>(part.data()));
    }
}

// Draws shared's picture into its window over this thread's connection:
// only the window pixels inside changed when it is given and the pixels
// of the last drawing are current, else the whole window. Caller holds
// guard.
void draw_locked(const TRAY_RECT *changed = nullptr) {
    thread_local THREAD_CONNECTION own;
    if (!shared.window || shared.picture.empty() || shared.side <= 0 || !own.open()) {
        shared.pixels_current = false; // the window does not show the picture
        return;
    }
    if (own.gc_window != shared.window) {
        if (own.gc)
            xcb_free_gc(own.c, own.gc);
        own.gc = xcb_generate_id(own.c);
        xcb_create_gc(own.c, own.gc, static_cast<xcb_drawable_t>(shared.window), 0, nullptr);
        own.gc_window = shared.window;
    }
    const int w = shared.width, h = shared.height;
    // A window smaller than the picture gets it shrunk, never cut.
    const std::uint32_t *picture = shared.picture.data();
    int side = shared.side;
    thread_local std::vector<std::uint32_t> shrunk;
    if (const int room = std::min(w, h); room > 0 && room < side) {
        shrink_tray_picture(picture, side, room, shrunk);
        picture = shrunk.data();
        side = room;
    }
    const TRAY_PLACEMENT at = place_tray_picture(side, w, h);
    const TRAY_RECT whole{0, 0, w, h};
    TRAY_RECT part = whole;
    if (changed && shared.pixels_current && picture == shared.picture.data()) {
        part = *changed;
        render_tray_picture_part(picture, side, at, shared.format, w, h, part, shared.pixels);
    } else {
        render_tray_picture(picture, side, at, shared.format, w, h, shared.pixels);
        shared.pixels_current = true;
    }
    if (shared.format.alpha) {
        put_pixels(own, shared.pixels, w, part.x, part.y, part.width, part.height);
    } else {
        // Only the opaque parts: the tray's own background shows elsewhere.
        // A picture whose clear pixels stay where they were keeps the
        // rectangles of the last drawing.
        if (part != whole) {
            for (const TRAY_RECT &r : shared.drawn)
                if (const TRAY_RECT in = intersect(r, part); !in.empty())
                    put_pixels(own, shared.pixels, w, in.x, in.y, in.width, in.height);
        } else {
            std::vector<TRAY_RECT> rects = opaque_rects(picture, side, at, w, h);
            if (rects != shared.drawn)
                xcb_clear_area(own.c, 0, static_cast<xcb_window_t>(shared.window), 0, 0, 0, 0);
            for (const TRAY_RECT &r : rects)
                put_pixels(own, shared.pixels, w, r.x, r.y, r.width, r.height);
            shared.drawn = std::move(rects);
        }
    }
    xcb_flush(own.c);
    // Errors (a window the tray destroyed) are never waited for; drop the
    // ones that have arrived now and then so they cannot pile up.
    if (++own.draws % 64 == 0)
        while (xcb_generic_event_t *e = xcb_poll_for_event(own.c))
            free(e);
}

void draw_on_gui_thread() {
    std::lock_guard<std::mutex> hold(guard);
    draw_locked();
}

PIXEL_FORMAT format_of(const Visual *visual, int depth) {
    PIXEL_FORMAT f;
    f.red_mask = static_cast<std::uint32_t>(visual->red_mask);
    f.green_mask = static_cast<std::uint32_t>(visual->green_mask);
    f.blue_mask = static_cast<std::uint32_t>(visual->blue_mask);
    f.alpha = depth == 32;
    return f;
}

void destroy_window(Display *d) {
    Window old = 0;
    {
        std::lock_guard<std::mutex> hold(guard);
        old = shared.window;
        shared.window = 0;
        shared.drawn.clear();
        shared.pixels_current = false;
    }
    if (old)
        XDestroyWindow(d, old);
    if (gui.colormap) {
        XFreeColormap(d, gui.colormap);
        gui.colormap = 0;
    }
    gui.docked = false;
    XSync(d, False);
}

// The visual the tray asks its icons to use, 0 when it names none.
VisualID tray_visual_of(Display *d, Window manager) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    VisualID id = 0;
    if (XGetWindowProperty(d, manager, gui.tray_visual, 0, 1, False, XA_VISUALID, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        if (type == XA_VISUALID && format == 32 && count == 1)
            id = static_cast<VisualID>(*reinterpret_cast<unsigned long *>(data));
        XFree(data);
    }
    return id;
}

// The tray's orientation, -1 when it publishes none.
int tray_orientation_of(Display *d, Window manager) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    int orientation = -1;
    if (XGetWindowProperty(d, manager, gui.tray_orientation, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (type == XA_CARDINAL && format == 32 && count == 1) {
            const long value = *reinterpret_cast<long *>(data);
            if (value == 0 || value == 1)
                orientation = static_cast<int>(value);
        }
        XFree(data);
    }
    return orientation;
}

// Asks for a side x side icon: the minimum and base size that trays read.
void request_side(Display *d, Window w, int side) {
    XSizeHints hints{};
    hints.flags = PMinSize | PBaseSize;
    hints.min_width = hints.min_height = side;
    hints.base_width = hints.base_height = side;
    XSetWMNormalHints(d, w, &hints);
    gui.requested_side = side;
}

// _NET_WM_ICON of the icon window: format 32 data travels as C longs.
void set_window_icon_property(Display *d, Window w) {
    if (gui.window_icon.empty())
        return;
    std::vector<long> data(gui.window_icon.begin(), gui.window_icon.end());
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(data.data()), static_cast<int>(data.size()));
}

// Makes the icon window in the visual the tray wants (or the default one).
void create_window(Display *d, VisualID wanted) {
    destroy_window(d);
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    Visual *visual = DefaultVisual(d, screen);
    int depth = DefaultDepth(d, screen);
    if (wanted && wanted != XVisualIDFromVisual(visual)) {
        XVisualInfo want{};
        want.visualid = wanted;
        int n = 0;
        if (XVisualInfo *found = XGetVisualInfo(d, VisualIDMask, &want, &n)) {
            if (n > 0 && found[0].c_class == TrueColor) {
                visual = found[0].visual;
                depth = found[0].depth;
            }
            XFree(found);
        }
    }
    XSetWindowAttributes a{};
    unsigned long mask = CWEventMask | CWBorderPixel;
    a.event_mask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask | EnterWindowMask |
                   LeaveWindowMask | PointerMotionMask;
    a.border_pixel = 0;
    if (visual != DefaultVisual(d, screen)) {
        gui.colormap = XCreateColormap(d, root, visual, AllocNone);
        a.colormap = gui.colormap;
        mask |= CWColormap;
    }
    if (depth == 32) {
        a.background_pixel = 0; // transparent
        mask |= CWBackPixel;
    } else if (depth == DefaultDepth(d, screen)) {
        a.background_pixmap = ParentRelative; // the tray's own background
        mask |= CWBackPixmap;
    }
    const Window w = XCreateWindow(d, root, 0, 0, initial_side, initial_side, 0, depth, InputOutput, visual, mask, &a);

    XStoreName(d, w, gui.app_name.c_str());
    XClassHint hint{};
    hint.res_name = const_cast<char *>(gui.app_name.c_str());
    hint.res_class = const_cast<char *>(gui.app_name.c_str());
    XSetClassHint(d, w, &hint);
    request_side(d, w, initial_side);
    x11::set_client_identity(d, w);
    const long info[2] = {0, xembed_mapped}; // XEmbed version 0, map me when embedded
    XChangeProperty(d, w, gui.xembed_info, gui.xembed_info, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(info), 2);
    set_window_icon_property(d, w);
    // Other threads draw into it over their own connections: it must exist
    // at the server before they learn of it.
    XSync(d, False);

    std::lock_guard<std::mutex> hold(guard);
    shared.window = w;
    shared.depth = depth;
    shared.format = format_of(visual, depth);
    shared.width = shared.height = initial_side;
    shared.drawn.clear();
    shared.pixels_current = false;
}

// Asks the running tray, if any, to embed the icon.
void dock_now() {
    Display *d = display();
    if (!d)
        return;
    gui.docked = false;
    gui.manager = XGetSelectionOwner(d, gui.selection);
    if (!gui.manager)
        return; // no tray yet: its MANAGER announcement will call again
    x11::error_trap trap;
    XSelectInput(d, gui.manager, StructureNotifyMask | PropertyChangeMask);
    const VisualID visual = tray_visual_of(d, gui.manager);
    gui.orientation = tray_orientation_of(d, gui.manager);
    if (trap.failed()) {
        gui.manager = 0; // the tray went away meanwhile
        return;
    }
    create_window(d, visual);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = gui.manager;
    ev.xclient.message_type = gui.opcode;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = CurrentTime;
    ev.xclient.data.l[1] = system_tray_request_dock;
    {
        std::lock_guard<std::mutex> hold(guard);
        ev.xclient.data.l[2] = static_cast<long>(shared.window);
    }
    XSendEvent(d, gui.manager, False, NoEventMask, &ev);
    XSync(d, False);
}

void dock() {
    dock_now();
    report_tray();
}

Window current_window() {
    std::lock_guard<std::mutex> hold(guard);
    return shared.window;
}

void report(TRAY_POINTER kind, int button, int x, int y, Time time) {
    if (!gui.handler)
        return;
    TRAY_POINTER_EVENT e;
    e.kind = kind;
    e.button = button;
    e.x = x;
    e.y = y;
    e.time = static_cast<std::uint32_t>(time);
    gui.handler(e);
}

bool on_event(XEvent &ev) {
    Display *d = display();
    const Window icon = current_window();
    switch (ev.type) {
    case ClientMessage:
        if (ev.xclient.message_type == gui.manager_atom && static_cast<Atom>(ev.xclient.data.l[1]) == gui.selection) {
            dock(); // a tray has (re)started
            return true;
        }
        return false;
    case DestroyNotify:
        if (gui.manager && ev.xdestroywindow.window == gui.manager) {
            gui.manager = 0;
            gui.docked = false;
            report_tray();
            return true;
        }
        return icon && ev.xdestroywindow.window == icon;
    case ReparentNotify:
        if (!icon || ev.xreparent.window != icon)
            return false;
        gui.docked = ev.xreparent.parent != DefaultRootWindow(d);
        if (!gui.docked)
            XUnmapWindow(d, icon); // the tray ended: no stray icon on the desktop
        return true;
    case PropertyNotify:
        if (gui.manager && ev.xproperty.window == gui.manager && ev.xproperty.atom == gui.tray_orientation) {
            x11::error_trap trap;
            const int orientation = tray_orientation_of(d, gui.manager);
            if (!trap.failed())
                gui.orientation = orientation;
            return true;
        }
        return false;
    case ConfigureNotify:
        if (!icon || ev.xconfigure.window != icon)
            return false;
        if (const int side = tray_side_to_request(gui.requested_side, ev.xconfigure.width,
                                                  ev.xconfigure.height, gui.orientation);
            side != gui.requested_side) {
            x11::error_trap trap; // the tray may have destroyed the window meanwhile
            request_side(d, icon, side);
            trap.failed();
        }
        {
            std::lock_guard<std::mutex> hold(guard);
            if (shared.width == ev.xconfigure.width && shared.height == ev.xconfigure.height)
                return true;
            shared.width = ev.xconfigure.width;
            shared.height = ev.xconfigure.height;
            shared.drawn.clear(); // the next drawing clears the window first
            shared.pixels_current = false;
        }
        draw_on_gui_thread();
        return true;
    case Expose:
        if (!icon || ev.xexpose.window != icon)
            return false;
        if (ev.xexpose.count == 0)
            draw_on_gui_thread();
        return true;
    case MapNotify:
    case UnmapNotify:
        return icon && ev.xany.window == icon;
    case ButtonPress:
    case ButtonRelease:
        if (!icon || ev.xbutton.window != icon)
            return false;
        report(ev.type == ButtonPress ? TRAY_POINTER::press : TRAY_POINTER::release, static_cast<int>(ev.xbutton.button),
               ev.xbutton.x_root, ev.xbutton.y_root, ev.xbutton.time);
        return true;
    case EnterNotify:
    case LeaveNotify:
        if (!icon || ev.xcrossing.window != icon)
            return false;
        report(ev.type == EnterNotify ? TRAY_POINTER::enter : TRAY_POINTER::leave, 0, ev.xcrossing.x_root,
               ev.xcrossing.y_root, ev.xcrossing.time);
        return true;
    case MotionNotify:
        if (!icon || ev.xmotion.window != icon)
            return false;
        report(TRAY_POINTER::motion, 0, ev.xmotion.x_root, ev.xmotion.y_root, ev.xmotion.time);
        return true;
    default:
        return false;
    }
}

} // namespace

bool tray_icon_show(const std::string &app_name, TRAY_POINTER_HANDLER handler) {
    Display *d = display();
    if (!d)
        return false;
    gui.handler = std::move(handler);
    if (gui.shown)
        return true;
    gui.shown = true;
    gui.app_name = app_name.empty() ? "vorkel" : app_name;
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(d));
    gui.selection = XInternAtom(d, selection.c_str(), False);
    gui.opcode = XInternAtom(d, "_NET_SYSTEM_TRAY_OPCODE", False);
    gui.manager_atom = XInternAtom(d, "MANAGER", False);
    gui.xembed_info = XInternAtom(d, "_XEMBED_INFO", False);
    gui.tray_visual = XInternAtom(d, "_NET_SYSTEM_TRAY_VISUAL", False);
    gui.tray_orientation = XInternAtom(d, "_NET_SYSTEM_TRAY_ORIENTATION", False);
    // A starting tray announces itself to the root window's structure
    // listeners; keep whatever this connection already selects there.
    const Window root = DefaultRootWindow(d);
    XWindowAttributes attributes{};
    XGetWindowAttributes(d, root, &attributes);
    XSelectInput(d, root, attributes.your_event_mask | StructureNotifyMask);
    gui.event_token = x11::add_event_handler(on_event);
    x11::attach_to_event_loop();
    dock();
    return true;
}

void tray_icon_hide() {
    Display *d = display();
    if (!d || !gui.shown)
        return;
    x11::remove_event_handler(gui.event_token);
    gui.event_token = 0;
    gui.shown = false;
    if (gui.manager) {
        x11::error_trap trap;
        XSelectInput(d, gui.manager, NoEventMask);
        trap.failed();
    }
    gui.manager = 0;
    destroy_window(d);
    report_tray();
}

bool tray_icon_docked() { return gui.shown && gui.docked; }

bool tray_icon_tray_present() { return gui.shown && gui.manager != 0; }

void tray_icon_set_tray_handler(std::function<void(bool present)> handler) {
    gui.tray_handler = std::move(handler);
}

void tray_icon_set_picture(const std::uint32_t *argb, int side) {
    if (!argb || side <= 0 || side > 256)
        return;
    std::lock_guard<std::mutex> hold(guard);
    // The meter changes a few pixels at a time: when the window shows the
    // last picture whole, at full size, with its clear pixels where the
    // new one has them, only the changed pixels are drawn.
    const std::size_t count = static_cast<std::size_t>(side * side);
    const bool same_shape =
        shared.side == side && shared.pixels_current && std::min(shared.width, shared.height) >= side &&
        std::equal(argb, argb + count, shared.picture.begin(),
                   [](std::uint32_t a, std::uint32_t b) { return (a >> 24 == 0) == (b >> 24 == 0); });
    TRAY_RECT changed;
    if (same_shape) {
        changed = changed_tray_rect(shared.picture.data(), argb, side,
                                    place_tray_picture(side, shared.width, shared.height), shared.width,
                                    shared.height);
        if (changed.empty())
            return; // nothing the window shows differs
    }
    shared.picture.assign(argb, argb + count);
    if (shared.side != side) {
        shared.drawn.clear();
        shared.pixels_current = false;
    }
    shared.side = side;
    draw_locked(same_shape ? &changed : nullptr);
}

void tray_icon_set_window_icon(const std::vector<std::uint32_t> &images) {
    gui.window_icon = images;
    Display *d = display();
    const Window w = current_window();
    if (d && w) {
        set_window_icon_property(d, w);
        XFlush(d);
    }
}

} // namespace platform
