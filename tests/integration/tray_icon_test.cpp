// The tray icon of the running program: its hint, the double click and a
// tray that restarts.
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

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
                           &format, &count, &after, &data) == Success && data) {
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

    void embed(unsigned long icon, int side) {
        XReparentWindow(d_, icon, box_, 0, 0);
        XResizeWindow(d_, icon, static_cast<unsigned>(side), static_cast<unsigned>(side));
        XMapWindow(d_, icon);
        XSync(d_, False);
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
