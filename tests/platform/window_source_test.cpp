#include "catalogue/catalogue_file.h"
#include "catalogue/discovery.h"
#include "catalogue/link_map.h"
#include "platform/window_source.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

// Xlib after gtest: Xlib defines None as a macro.
#include "platform/linux/x11_connection.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

std::string real_path(const std::string &p) {
    char buf[PATH_MAX];
    return realpath(p.c_str(), buf) ? buf : "";
}

// Windows that this test process makes on its own connection.
struct own_windows {
    Display *d = XOpenDisplay(nullptr);
    ~own_windows() {
        if (d)
            XCloseDisplay(d);
    }
    Window make(const char *title, bool map, Window owner = 0) {
        Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 80, 60, 0, 0, 0);
        XStoreName(d, w, title);
        XClassHint hint{const_cast<char *>("own"), const_cast<char *>("OwnWindow")};
        XSetClassHint(d, w, &hint);
        if (owner)
            XSetTransientForHint(d, w, owner);
        if (map)
            XMapWindow(d, w);
        XSync(d, False);
        return w;
    }
    void set_cardinal(Window w, const char *name, long value) {
        XChangeProperty(d, w, XInternAtom(d, name, False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(&value), 1);
        XSync(d, False);
    }
};

bool listed(platform::window_source &src, platform::window_id w) {
    auto all = src.top_level_windows();
    return std::find(all.begin(), all.end(), w) != all.end();
}

// Vorkel's connection must be closed while its server still runs: declare
// one after the x_session so that it goes first.
struct connection_guard {
    connection_guard() { platform::x11::close_display(); }
    ~connection_guard() { platform::x11::close_display(); }
};

struct WindowSource : ::testing::Test {
    platform::window_source &src = platform::desktop_window_source();
};

} // namespace

TEST_F(WindowSource, RealClientWithoutPidPropertyIsFoundWithItsExecutable) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    connection_guard connection;
    test_env::child_process xmessage({"xmessage", "-name", "probe", "hello"});
    platform::window_id found = 0;
    ASSERT_TRUE(test_env::wait_until([&] {
        for (auto w : src.top_level_windows())
            if (src.class_name(w) == "Xmessage" && src.is_visible(w)) {
                found = w;
                return true;
            }
        return false;
    }));
    EXPECT_FALSE(src.has_owner(found));
    EXPECT_FALSE(src.title(found).empty());
    EXPECT_EQ(src.executable_path(found), real_path("/usr/bin/xmessage"));
}

TEST_F(WindowSource, OwnedHiddenDesktopAndVanishedWindowsAnswerAsSuch) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    connection_guard connection;
    own_windows own;
    ASSERT_TRUE(own.d);
    Window main = own.make("main", true);
    Window dialog = own.make("dialog", true, main);
    Window desk = own.make("desktop", false);
    Atom type = XInternAtom(own.d, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    XChangeProperty(own.d, desk, XInternAtom(own.d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char *>(&type), 1);
    XMapWindow(own.d, desk);
    // A pid claimed from another machine names no local process.
    own.set_cardinal(main, "_NET_WM_PID", 1);
    XTextProperty host;
    char name[] = "elsewhere.invalid";
    char *names[] = {name};
    XStringListToTextProperty(names, 1, &host);
    XSetWMClientMachine(own.d, main, &host);
    XFree(host.value);
    XSync(own.d, False);

    ASSERT_TRUE(test_env::wait_until([&] {
        return listed(src, main) && listed(src, dialog) && listed(src, desk) &&
               src.is_visible(dialog) && src.is_visible(main);
    }));
    EXPECT_FALSE(src.has_owner(main));
    EXPECT_TRUE(src.has_owner(dialog));
    EXPECT_EQ(src.class_name(main), "OwnWindow");
    EXPECT_EQ(src.class_name(desk), "Progman");
    EXPECT_EQ(src.title(dialog), "dialog");
    EXPECT_EQ(src.executable_path(main), real_path("/proc/self/exe"));

    XIconifyWindow(own.d, main, DefaultScreen(own.d));
    XSync(own.d, False);
    EXPECT_TRUE(test_env::wait_until([&] { return listed(src, main) && !src.is_visible(main); }));

    XDestroyWindow(own.d, dialog);
    XSync(own.d, False);
    EXPECT_FALSE(src.is_visible(dialog));
    EXPECT_TRUE(src.has_owner(dialog));
    EXPECT_EQ(src.title(dialog), "");
    EXPECT_EQ(src.class_name(dialog), "");
    EXPECT_EQ(src.executable_path(dialog), "");
}

TEST_F(WindowSource, WithoutWindowManagerTheRootsChildrenAreListed) {
    test_env::x_session x(false);
    ASSERT_TRUE(x.ok());
    connection_guard connection;
    own_windows own;
    ASSERT_TRUE(own.d);
    Window w = own.make("bare", true);
    ASSERT_TRUE(listed(src, w));
    EXPECT_TRUE(src.is_visible(w));
    EXPECT_EQ(src.executable_path(w), real_path("/proc/self/exe")); // through X-Resource
}

TEST_F(WindowSource, DiscoveryCataloguesARealProgramAndSkipsTheRest) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    connection_guard connection;
    std::string path = test_env::make_temp_dir("scan") + "/vorkel.dat";
    clear_catalogue();
    set_catalogue_save_path(path);
    create_catalogue(path);

    own_windows own;
    ASSERT_TRUE(own.d);
    Window hidden = own.make("hidden", true);
    // Owned by the root: a window manager keeps a dialog of an iconified
    // owner hidden, and this one must be shown to test the owner rule.
    Window dialog = own.make("dialog", true, DefaultRootWindow(own.d));
    XIconifyWindow(own.d, hidden, DefaultScreen(own.d));
    XSync(own.d, False);
    test_env::child_process xlogo({"xlogo"});
    const std::string xlogo_path = real_path("/usr/bin/xlogo");
    ASSERT_TRUE(test_env::wait_until([&] {
        bool logo_shown = false;
        for (auto w : src.top_level_windows())
            logo_shown = logo_shown || (src.class_name(w) == "XLogo" && src.is_visible(w));
        return logo_shown && listed(src, hidden) && !src.is_visible(hidden) &&
               src.is_visible(dialog);
    }));

    never_add_access(never_add_op::append, xlogo_path);
    std::vector<std::string> rows;
    auto on_added = [&](const std::string &p) { rows.push_back(p); };
    EXPECT_EQ(scan_windows(on_added), 0);

    clear_catalogue();
    EXPECT_EQ(scan_windows(on_added), 1);
    EXPECT_EQ(rows, std::vector<std::string>{xlogo_path});
    LINK_MAP on_disk;
    APP_LIST banned;
    read_catalogue(path, on_disk, banned);
    EXPECT_EQ(on_disk.size(), 1u);
    EXPECT_EQ(on_disk.count(xlogo_path), 1u);
    EXPECT_EQ(on_disk.count(real_path("/proc/self/exe")), 0u);

    clear_catalogue();
    set_catalogue_save_path("");
}
