// The tray icon of the running program: its hint, the double click, a
// tray that restarts, and the icon in several trays.
#include "integration/vorkel_app.h"
#include "shell/settings_record.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>
#include <vector>

#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

// The real program on a virtual display with icewm, its icon docked.
class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok());
        p = app.start();
        ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    }
    test_env::x_session x;
    vorkel_app app;
    test_env::child_process p;
};

// A window's _NET_WM_PID (-1 when it has none) and WM_CLIENT_MACHINE.
struct CLIENT_IDENTITY {
    long pid = -1;
    std::string machine;
};
CLIENT_IDENTITY identity_of(unsigned long window) {
    CLIENT_IDENTITY out;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return out;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (count == 1 && format == 32)
            out.pid = *reinterpret_cast<long *>(data);
        XFree(data);
    }
    XTextProperty text{};
    if (XGetWMClientMachine(d, window, &text) && text.value) {
        out.machine.assign(reinterpret_cast<char *>(text.value), text.nitems);
        XFree(text.value);
    }
    XCloseDisplay(d);
    return out;
}

// The top-level windows named name (mapped or not).
std::vector<unsigned long> top_level_windows_named(const std::string &name) {
    std::vector<unsigned long> out;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return out;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n; ++i) {
            char *wname = nullptr;
            if (XFetchName(d, children[i], &wname) && wname) {
                if (name == wname)
                    out.push_back(children[i]);
                XFree(wname);
            }
        }
        if (children)
            XFree(children);
    }
    XCloseDisplay(d);
    return out;
}

} // namespace

TEST_F(TrayIcon, OwnWindowsTellTheirProcessAndMachine) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    auto icon = app.tray_icon();
    ASSERT_TRUE(icon);
    CLIENT_IDENTITY id = identity_of(icon->id);
    EXPECT_EQ(id.pid, static_cast<long>(p.pid())) << "tray icon window";
    EXPECT_EQ(id.machine, host) << "tray icon window";

    const auto receivers = top_level_windows_named("Vorkel message window");
    ASSERT_EQ(receivers.size(), 1u);
    id = identity_of(receivers[0]);
    EXPECT_EQ(id.pid, static_cast<long>(p.pid())) << "message window";
    EXPECT_EQ(id.machine, host) << "message window";
}

TEST_F(TrayIcon, HintShowsOnHoverAndDoubleClickShowsTheWindow) {
    auto icon = app.tray_icon();
    ASSERT_TRUE(icon);

    xdotool("mousemove --window " + std::to_string(icon->id) + " 8 8");
    EXPECT_TRUE(wait_until([&] {
        for (auto &w : test_env::windows_of_class(app.class_name()))
            if (!w.in_tray && w.viewable && w.name != "Vorkel" && w.height < 60 && w.width > 20)
                return true;
        return false;
    }, 10s)) << "no hint window";

    EXPECT_FALSE(app.main_window_shown());
    xdotool("click --repeat 2 --delay 80 1");
    EXPECT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s)) << "a double click runs Show list";
    EXPECT_TRUE(p.running());
}

TEST_F(TrayIcon, DocksAgainAndRedrawsWhenTheTrayRestarts) {
    const auto first = app.tray_icon();
    ASSERT_TRUE(first);
    ASSERT_TRUE(wait_until([&] { return pixels_near_grey(first->id, 170) > 30; }, 10s)) << "no well drawn";

    ASSERT_TRUE(x.restart_window_manager());
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "not docked into the new tray";
    const auto again = app.tray_icon();
    ASSERT_TRUE(again);
    // The well (grey 170, or the bar's grey 100) is drawn in the new place.
    EXPECT_TRUE(wait_until([&] { return pixels_near_grey(again->id, 170) + pixels_near_grey(again->id, 100) > 60; }, 10s));
    // No stray copy of the icon was left on the desktop.
    for (auto &w : test_env::windows_of_class(app.class_name()))
        EXPECT_FALSE(!w.in_tray && w.viewable && w.width < 40 && w.height < 40) << "stray icon window " << w.id;
    EXPECT_TRUE(p.running());
}

TEST_F(TrayIcon, PictureSitsInTheMiddleOfTheSizeTheTrayGives) {
    const auto icon = app.tray_icon();
    ASSERT_TRUE(icon);
    // Made 16 x 16, the icon is resized by the tray (icewm: 24 x 24). The
    // picture must then sit in the middle, shifted by half the extra room:
    // grey near 170 spans the frame's dark left edge (column 2, grey 160)
    // to the well's last column (12); the light right edge (248) is not
    // counted.
    GREY_PIXELS well;
    const bool placed = wait_until([&] {
        well = grey_pixels(icon->id, 170);
        const int shift = (well.width - 16) / 2;
        return well.width > 16 && well.left == 2 + shift && well.right == 12 + shift;
    }, 10s);
    EXPECT_TRUE(placed) << "window " << well.width << " x " << well.height << ", well columns " << well.left
                        << ".." << well.right;
    EXPECT_TRUE(p.running());
}

namespace {

// A minimal system tray of the test's own on a display without a window
// manager: it owns the tray selection, takes dock requests and embeds the
// icon window at the size it chooses.
class fake_tray {
public:
    fake_tray() {
        d_ = XOpenDisplay(nullptr);
        if (!d_)
            return;
        const Window root = DefaultRootWindow(d_);
        selection_ = XInternAtom(d_, "_NET_SYSTEM_TRAY_S0", False);
        opcode_ = XInternAtom(d_, "_NET_SYSTEM_TRAY_OPCODE", False);
        box_ = XCreateSimpleWindow(d_, root, 0, 0, 200, 200, 0, 0, 0);
        XMapWindow(d_, box_);
        XSetSelectionOwner(d_, selection_, box_, CurrentTime);
        // Announced as trays do, for icons that wait for one.
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = root;
        ev.xclient.message_type = XInternAtom(d_, "MANAGER", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = CurrentTime;
        ev.xclient.data.l[1] = static_cast<long>(selection_);
        ev.xclient.data.l[2] = static_cast<long>(box_);
        XSendEvent(d_, root, False, StructureNotifyMask, &ev);
        XSync(d_, False);
    }
    ~fake_tray() {
        if (d_)
            XCloseDisplay(d_);
    }
    bool owns() const { return d_ && XGetSelectionOwner(d_, selection_) == box_; }

    // Waits for a dock request; the icon window it names, or 0.
    unsigned long wait_for_dock() {
        unsigned long icon = 0;
        wait_until([&] {
            while (XPending(d_) > 0) {
                XEvent ev;
                XNextEvent(d_, &ev);
                if (ev.type == ClientMessage && ev.xclient.message_type == opcode_ && ev.xclient.data.l[1] == 0)
                    icon = static_cast<unsigned long>(ev.xclient.data.l[2]);
            }
            return icon != 0;
        }, 20s);
        return icon;
    }

    // The icon's _XEMBED_INFO: version and flags.
    std::vector<long> xembed_info(unsigned long icon) {
        Atom info = XInternAtom(d_, "_XEMBED_INFO", False), type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        std::vector<long> out;
        if (XGetWindowProperty(d_, icon, info, 0, 2, False, AnyPropertyType, &type, &format, &count, &after, &data) ==
                Success && data) {
            out.assign(reinterpret_cast<long *>(data), reinterpret_cast<long *>(data) + count);
            XFree(data);
        }
        return out;
    }

    void embed(unsigned long icon, int side) { embed(icon, side, side); }
    void embed(unsigned long icon, int width, int height) {
        XReparentWindow(d_, icon, box_, 0, 0);
        XResizeWindow(d_, icon, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XMapWindow(d_, icon);
        XSync(d_, False);
    }
    void resize(unsigned long icon, int width, int height) {
        XResizeWindow(d_, icon, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(d_, False);
    }

    // Publishes the tray's orientation: 0 horizontal, 1 vertical.
    void set_orientation(long orientation) {
        const Atom atom = XInternAtom(d_, "_NET_SYSTEM_TRAY_ORIENTATION", False);
        XChangeProperty(d_, box_, atom, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(&orientation), 1);
        XSync(d_, False);
    }

    // The icon's WM_NORMAL_HINTS as "min WxH base WxH" ("none" without).
    std::string size_hints(unsigned long icon) {
        XSizeHints hints{};
        long supplied = 0;
        if (!XGetWMNormalHints(d_, icon, &hints, &supplied))
            return "none";
        std::ostringstream out;
        if (hints.flags & PMinSize)
            out << "min " << hints.min_width << "x" << hints.min_height;
        if (hints.flags & PBaseSize)
            out << " base " << hints.base_width << "x" << hints.base_height;
        return out.str();
    }

private:
    Display *d_ = nullptr;
    Atom selection_ = 0, opcode_ = 0;
    Window box_ = 0;
};

} // namespace

TEST(TrayIconProtocol, DocksIntoAnyTrayAndScalesByWholeSteps) {
    test_env::x_session x(false);
    ASSERT_TRUE(x.ok());
    fake_tray tray;
    ASSERT_TRUE(tray.owns());
    vorkel_app app;
    auto p = app.start();
    const unsigned long icon = tray.wait_for_dock();
    ASSERT_NE(icon, 0u) << "no dock request";
    EXPECT_EQ(tray.xembed_info(icon), (std::vector<long>{0, 1})) << "XEmbed version 0, map when embedded";

    // 64 x 64: every picture pixel becomes 4 x 4. The frame's dark left
    // edge and the well (grey 160 and 170) span picture columns 2..12.
    tray.embed(icon, 64);
    GREY_PIXELS well;
    const bool scaled = wait_until([&] {
        well = grey_pixels(icon, 170);
        return well.width == 64 && well.left == 8 && well.right == 12 * 4 + 3;
    }, 10s);
    EXPECT_TRUE(scaled) << "window " << well.width << ", grey columns " << well.left << ".." << well.right;
    EXPECT_TRUE(p.running());
}

TEST(TrayIconProtocol, SizeHintsAskForASquareThatFollowsTheSideTheTrayFixes) {
    test_env::x_session x(false);
    ASSERT_TRUE(x.ok());
    fake_tray tray;
    ASSERT_TRUE(tray.owns());
    vorkel_app app;
    auto p = app.start();
    const unsigned long icon = tray.wait_for_dock();
    ASSERT_NE(icon, 0u) << "no dock request";
    // Socket-based trays size an icon from these hints; without them they
    // take it for a 1-pixel window.
    EXPECT_EQ(tray.size_hints(icon), "min 16x16 base 16x16");

    // The tray keeps the requested width and fixes the height at 30, the
    // way a horizontal tray that publishes no orientation does: the icon
    // asks for 30 x 30.
    std::string hints;
    tray.embed(icon, 16, 30);
    EXPECT_TRUE(wait_until([&] { return (hints = tray.size_hints(icon)) == "min 30x30 base 30x30"; }, 10s))
        << hints;

    // A vertical tray fixes the width.
    tray.set_orientation(1);
    tray.resize(icon, 40, 30);
    EXPECT_TRUE(wait_until([&] { return (hints = tray.size_hints(icon)) == "min 40x40 base 40x40"; }, 10s))
        << hints;

    // Made smaller than the picture, the meter is shrunk, not cut: the
    // well (grey 170, or the load bar's 100) with the frame's dark edge
    // keeps a margin of the frame's light edge and the background on every
    // side. Cut, it would fill the window to its edges.
    tray.resize(icon, 10, 10);
    GREY_PIXELS well, bar;
    EXPECT_TRUE(wait_until(
        [&] {
            well = grey_pixels(icon, 165);
            bar = grey_pixels(icon, 100);
            const int left = std::min(well.left, bar.left), right = std::max(well.right, bar.right);
            const int top = std::min(well.top, bar.top), bottom = std::max(well.bottom, bar.bottom);
            return well.width == 10 && well.count + bar.count >= 20 && left >= 1 && top >= 1 && right <= 8 &&
                   bottom <= 8;
        },
        10s))
        << "window " << well.width << " x " << well.height << ", well columns " << well.left << ".."
        << well.right << ", rows " << well.top << ".." << well.bottom << "; bar columns " << bar.left << ".."
        << bar.right << ", rows " << bar.top << ".." << bar.bottom;
    EXPECT_TRUE(p.running());
}

namespace {

// An icon window embedded into some tray, as the screen shows it.
struct EMBEDDED_ICON {
    unsigned long id = 0;
    bool viewable = false;
    int x = 0, y = 0, width = 0, height = 0; // on the root window
};

std::ostream &operator<<(std::ostream &out, const EMBEDDED_ICON &icon) {
    return out << "window " << icon.id << (icon.viewable ? " viewable " : " not viewable ") << icon.width
               << " x " << icon.height << " at " << icon.x << "," << icon.y;
}

int ignore_x_errors(Display *, XErrorEvent *) { return 0; }

// The first window of class_name that some other window holds (the tray's
// socket), or nothing.
std::optional<EMBEDDED_ICON> embedded_icon(const std::string &class_name) {
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return std::nullopt;
    const auto old = XSetErrorHandler(ignore_x_errors);
    std::optional<EMBEDDED_ICON> found;
    for (const auto &w : test_env::windows_of_class(class_name)) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned n = 0;
        if (!XQueryTree(d, w.id, &root, &parent, &children, &n))
            continue;
        if (children)
            XFree(children);
        XWindowAttributes a{};
        Window child = 0;
        int x = 0, y = 0;
        if (parent == root || !XGetWindowAttributes(d, w.id, &a) ||
            !XTranslateCoordinates(d, w.id, root, 0, 0, &x, &y, &child))
            continue;
        found = EMBEDDED_ICON{w.id, a.map_state == IsViewable, x, y, a.width, a.height};
        break;
    }
    XSync(d, False);
    XSetErrorHandler(old);
    XCloseDisplay(d);
    return found;
}

// How many pixels of the screen inside the icon's rectangle are near one
// of greys: by default the meter's, its frame's dark edge and well (grey
// 160, 170) or its load bar (grey 100). Read from the root window, so
// only what is on screen counts.
int meter_pixels_on_screen(const EMBEDDED_ICON &icon, const std::vector<int> &greys = {165, 100}) {
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return -1;
    const int screen = DefaultScreen(d);
    const int x0 = std::max(0, icon.x), y0 = std::max(0, icon.y);
    const int x1 = std::min(DisplayWidth(d, screen), icon.x + icon.width);
    const int y1 = std::min(DisplayHeight(d, screen), icon.y + icon.height);
    int count = 0;
    if (x1 > x0 && y1 > y0) {
        if (XImage *img = XGetImage(d, DefaultRootWindow(d), x0, y0, static_cast<unsigned>(x1 - x0),
                                    static_cast<unsigned>(y1 - y0), AllPlanes, ZPixmap)) {
            for (int y = 0; y < y1 - y0; ++y)
                for (int x = 0; x < x1 - x0; ++x) {
                    const unsigned long p = XGetPixel(img, x, y);
                    const int r = static_cast<int>(p >> 16 & 0xff), g = static_cast<int>(p >> 8 & 0xff),
                              b = static_cast<int>(p & 0xff);
                    const auto near = [&](int grey) {
                        return std::abs(r - grey) <= 12 && std::abs(g - grey) <= 12 &&
                               std::abs(b - grey) <= 12;
                    };
                    if (std::any_of(greys.begin(), greys.end(), near))
                        ++count;
                }
            XDestroyImage(img);
        }
    }
    XCloseDisplay(d);
    return count;
}

enum class TRAY_HOST { icewm, trayer, xfce_panel };

std::string host_name(TRAY_HOST host) {
    switch (host) {
    case TRAY_HOST::icewm: return "icewm";
    case TRAY_HOST::trayer: return "trayer";
    case TRAY_HOST::xfce_panel: return "xfce4_panel";
    }
    return "?";
}

void PrintTo(TRAY_HOST host, std::ostream *out) { *out << host_name(host); }

// A folder for XDG_CONFIG_HOME with the Xfce panel's settings. The panel
// reads them from xfconfd, which its session bus starts: the bus must
// have it in its environment.
std::string xfce_panel_config() {
    const std::string config = test_env::make_temp_dir("xfce-config");
    const std::string channels = config + "/xfce4/xfconf/xfce-perchannel-xml";
    test_env::run_capture("mkdir -p '" + channels + "'");
    // One panel along the top with only the notification area in it.
    test_env::write_file(channels + "/xfce4-panel.xml",
                         test_env::read_file(VORKEL_SOURCE_DIR "/tests/integration/xfce4-panel.xml"));
    return config;
}

// The Xfce panel on the session bus at bus_address, or on a private one
// of its own when that is empty. The panel and the plugin's process (with
// the private bus and xfconfd) live in a process namespace of their own
// that ends with the handle.
test_env::child_process xfce_panel(const std::string &bus_address, const std::string &log) {
    std::vector<std::string> argv = {"unshare", "--pid", "--fork", "--kill-child", "--mount-proc"};
    std::vector<std::string> env = {"NO_AT_BRIDGE=1", "GTK_A11Y=none"};
    if (bus_address.empty()) {
        argv.insert(argv.end(), {"dbus-run-session", "--"});
        env.push_back("XDG_CONFIG_HOME=" + xfce_panel_config());
    } else {
        env.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus_address);
    }
    argv.insert(argv.end(), {"xfce4-panel", "--disable-wm-check"});
    return test_env::child_process(argv, env, log);
}

// A display with one tray host running; for the window manager's tray
// (icewm) the x_session starts it.
class TrayHosts : public ::testing::TestWithParam<TRAY_HOST> {
protected:
    TrayHosts() : x(GetParam() == TRAY_HOST::icewm) {}

    // Starts the host; true once it owns the tray selection.
    bool start_host() {
        const std::string log = test_env::make_temp_dir("host") + "/" + host_name(GetParam()) + ".log";
        if (GetParam() == TRAY_HOST::trayer) {
            // Its width follows what the icons ask for.
            host = test_env::child_process(
                {"trayer", "--widthtype", "request", "--edge", "top", "--align", "right"}, {}, log);
        } else if (GetParam() == TRAY_HOST::xfce_panel) {
            host = xfce_panel("", log);
        }
        return wait_until([] { return test_env::tray_selection_owned(); }, 30s);
    }

    test_env::x_session x;
    test_env::child_process host;
    vorkel_app app;
    test_env::child_process p;
};

} // namespace

// Each host sizes and places its icons its own way; in every one the
// meter must be on screen, square, at least 16 pixels, and drawn.
TEST_P(TrayHosts, IconIsOnScreenSquareAndShowsTheMeter) {
    ASSERT_TRUE(x.ok());
    ASSERT_TRUE(start_host()) << host_name(GetParam()) << " did not take the tray selection";
    p = app.start();

    std::optional<EMBEDDED_ICON> icon;
    int meter = 0;
    const bool shown = wait_until(
        [&] {
            icon = embedded_icon(app.class_name());
            if (!icon || !icon->viewable || icon->width != icon->height || icon->width < 16 || icon->x < 0 ||
                icon->y < 0 || icon->x + icon->width > 1024 || icon->y + icon->height > 768)
                return false;
            // The 10 x 10 well (or its load bar) and the frame's dark edge.
            meter = meter_pixels_on_screen(*icon);
            return meter >= 110;
        },
        30s);
    std::ostringstream seen;
    if (icon)
        seen << *icon << ", meter pixels on screen " << meter;
    else
        seen << "not embedded";
    EXPECT_TRUE(shown) << seen.str();
    EXPECT_TRUE(p.running());
}

INSTANTIATE_TEST_SUITE_P(, TrayHosts,
                         ::testing::Values(TRAY_HOST::icewm, TRAY_HOST::trayer, TRAY_HOST::xfce_panel),
                         [](const ::testing::TestParamInfo<TRAY_HOST> &info) {
                             return host_name(info.param);
                         });

namespace {

// A session bus of the test's own. The daemon, and what it starts on
// demand, live in a process namespace that ends with the handle.
class private_bus {
public:
    // extra_env: for the daemon and what it starts.
    explicit private_bus(const std::vector<std::string> &extra_env)
        : socket_(test_env::make_temp_dir("bus") + "/socket") {
        daemon_ = test_env::child_process({"unshare", "--pid", "--fork", "--kill-child", "--mount-proc",
                                           "dbus-daemon", "--session", "--nofork", "--address=" + address()},
                                          extra_env);
        ok_ = wait_until([&] { return test_env::file_exists(socket_); }, 20s);
    }
    bool ok() const { return ok_; }
    std::string address() const { return "unix:path=" + socket_; }

    // dbus-send on this bus with args; the reply as it prints it.
    std::string call(const std::string &args) const {
        return test_env::run_capture("dbus-send --bus=" + address() + " --print-reply " + args + " 2>&1");
    }
    bool has_owner(const std::string &name) const {
        return call("--dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:" + name)
                   .find("boolean true") != std::string::npos;
    }

private:
    std::string socket_;
    test_env::child_process daemon_;
    bool ok_ = false;
};

// The numbers dbus-send prints after the first "array of bytes [" of a
// reply (hexadecimal), up to its "]".
std::vector<int> first_byte_array(const std::string &reply) {
    std::vector<int> out;
    const auto at = reply.find("array of bytes [");
    if (at == std::string::npos)
        return out;
    std::istringstream in(reply.substr(at + 16, reply.find(']', at) - at - 16));
    for (int b = 0; in >> std::hex >> b;)
        out.push_back(b);
    return out;
}

// In the item's 16 x 16 pixmap (A, R, G, B bytes), the opaque pixels of
// the well (x and y 3 to 12) that are exactly grey.
int well_pixels_of_grey(const std::vector<int> &argb, int grey) {
    int n = 0;
    for (int y = 3; argb.size() == 16 * 16 * 4 && y <= 12; ++y)
        for (int x = 3; x <= 12; ++x) {
            const int *p = &argb[static_cast<std::size_t>((y * 16 + x) * 4)];
            n += p[0] == 255 && p[1] == grey && p[2] == grey && p[3] == grey;
        }
    return n;
}

} // namespace

// On a bus with a notifier watcher (the Xfce panel's notification area
// hosts both kinds) the icon is an item, not an XEmbed icon; it follows
// the watcher's going and coming.
TEST(StatusNotifierItem, XfcePanelHostsTheItemAndTheIconSwitchesKinds) {
    test_env::x_session x(false);
    ASSERT_TRUE(x.ok());
    private_bus bus({"XDG_CONFIG_HOME=" + xfce_panel_config()});
    ASSERT_TRUE(bus.ok());
    const std::string logs = test_env::make_temp_dir("hosts");
    auto panel = xfce_panel(bus.address(), logs + "/panel.log");
    ASSERT_TRUE(wait_until([&] { return bus.has_owner("org.kde.StatusNotifierWatcher"); }, 30s));
    // Every processor busy, and one meter reading every 3 s: the picture
    // fills up in steps at set times after the start (it shows the mean
    // of the last three readings), after the host has first read it.
    std::vector<test_env::child_process> burners;
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()) + 1; ++i)
        burners.emplace_back(std::vector<std::string>{"sh", "-c", "while :; do :; done"});
    vorkel_app app;
    SETTINGS_STRUCT settings{};
    set_default_settings(settings);
    settings.cpu_interval = 3000;
    const auto bytes = settings_to_bytes(settings);
    test_env::run_capture("mkdir -p '" + app.data_dir() + "'");
    test_env::write_file(app.data_dir() + "/vorkel.set", std::string(bytes.begin(), bytes.end()));
    auto p = app.start({"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    const std::string item = "org.kde.StatusNotifierItem-" + std::to_string(p.pid()) + "-1";
    const auto registered = [&] {
        return bus.call("--dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher "
                        "org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "
                        "string:RegisteredStatusNotifierItems")
                   .find(item) != std::string::npos;
    };
    ASSERT_TRUE(wait_until(registered, 20s)) << "the item is not registered";

    // The bar fills the well, in the pixmap the item hands out and on the
    // panel, which redraws it when told.
    std::vector<int> pixmap;
    int bar = 0, empty = 0; // on the panel, scaled as it shows items
    const bool full = wait_until(
        [&] {
            pixmap = first_byte_array(bus.call("--dest=" + item +
                                               " /StatusNotifierItem "
                                               "org.freedesktop.DBus.Properties.Get "
                                               "string:org.kde.StatusNotifierItem string:IconPixmap"));
            const EMBEDDED_ICON panel_strip{0, true, 0, 0, 1024, 28};
            bar = meter_pixels_on_screen(panel_strip, {100});
            empty = meter_pixels_on_screen(panel_strip, {170});
            return well_pixels_of_grey(pixmap, 100) >= 70 && bar >= 30 && bar * 10 >= (bar + empty) * 7;
        },
        30s);
    burners.clear();
    EXPECT_FALSE(embedded_icon(app.class_name())) << "an XEmbed icon beside the item";
    EXPECT_TRUE(full) << "bar pixels: " << well_pixels_of_grey(pixmap, 100) << " in the pixmap ("
                      << pixmap.size() << " bytes); on the panel " << bar << " beside " << empty << " empty";

    // The host's activation shows the window.
    bus.call("--dest=" + item + " /StatusNotifierItem org.kde.StatusNotifierItem.Activate int32:0 int32:0");
    EXPECT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s))
        << "Activate does not show the window";

    // Without the watcher the icon docks as an XEmbed icon into the tray
    // there is; with a watcher again it is an item again.
    panel.kill_hard();
    EXPECT_TRUE(wait_until(
        [&] { return !bus.has_owner("org.kde.StatusNotifierWatcher") && !test_env::tray_selection_owned(); },
        10s));
    auto trayer = test_env::child_process({"trayer", "--edge", "bottom"}, {}, logs + "/trayer.log");
    EXPECT_TRUE(wait_until([&] { return embedded_icon(app.class_name()).has_value(); }, 20s))
        << "no XEmbed icon once the watcher is gone";
    panel = xfce_panel(bus.address(), logs + "/panel-2.log");
    EXPECT_TRUE(wait_until([&] { return registered() && !embedded_icon(app.class_name()); }, 30s))
        << "not an item again once a watcher is back";

    // The menu reaches the host rebuilt; its "Exit" ends Vorkel.
    bus.call("--dest=" + item + " /MenuBar com.canonical.dbusmenu.AboutToShow int32:0");
    const std::string layout = bus.call(
        "--dest=" + item + " /MenuBar com.canonical.dbusmenu.GetLayout int32:0 int32:-1 array:string:label");
    const auto label = layout.find("\"Exit\"");
    ASSERT_NE(label, std::string::npos) << layout;
    const auto exit_at = layout.rfind("int32 ", label);
    const int exit_id = std::stoi(layout.substr(exit_at + 6));
    bus.call("--dest=" + item + " /MenuBar com.canonical.dbusmenu.Event int32:" + std::to_string(exit_id) +
             " string:clicked variant:int32:0 uint32:0");
    EXPECT_EQ(p.wait(30s), 0) << "Exit from the item's menu";
}

// Without any tray the window stands in for the icon: it shows within
// seconds of the start and offers "Exit" (beside its tabs); a tray that
// comes later takes over again, and closing the window hides it then.
TEST(NoTray, WindowStandsInForTheIconUntilATrayComes) {
    for (const bool tray_comes : {false, true}) {
        SCOPED_TRACE(tray_comes ? "a tray comes" : "no tray");
        test_env::x_session x(false);
        ASSERT_TRUE(x.ok());
        vorkel_app app;
        auto p = app.start();
        // Counted from the window's construction, when the data folder is made.
        ASSERT_TRUE(wait_until([&] { return test_env::file_exists(app.data_dir()); }, 20s));
        ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 5s)) << "not mapped within 5 s";
        const auto window = app.main_window();
        ASSERT_TRUE(window);
        if (!tray_comes) {
            xdotool("mousemove --window " + std::to_string(window->id) + " " +
                    std::to_string(window->width - 30) + " 12 click 1");
            EXPECT_EQ(p.wait(30s), 0) << "the window's Exit";
            continue;
        }
        fake_tray tray;
        ASSERT_TRUE(tray.owns());
        const unsigned long icon = tray.wait_for_dock();
        ASSERT_NE(icon, 0u) << "no dock request";
        tray.embed(icon, 16);
        xdotool("windowfocus --sync " + std::to_string(window->id) + " key Escape");
        EXPECT_TRUE(wait_until([&] { return !app.main_window_shown(); }, 10s)) << "closing does not hide it";
        EXPECT_TRUE(p.running());
    }
}
