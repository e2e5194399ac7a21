// gtest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include "platform/hotkeys.h"
#include "support/qt_app.h"
#include "support/test_env.h"

#include <QGuiApplication>

#include "platform/linux/x11_connection.h"
#include <X11/keysym.h>

TEST(Hotkeys, VirtualKeysMapToKeysyms) {
    EXPECT_EQ(platform::keysym_for_virtual_key(platform::VK_BACK), static_cast<unsigned long>(XK_BackSpace));
    EXPECT_EQ(platform::keysym_for_virtual_key('S'), static_cast<unsigned long>(XK_s));
    EXPECT_EQ(platform::keysym_for_virtual_key('7'), static_cast<unsigned long>(XK_7));
    EXPECT_EQ(platform::keysym_for_virtual_key(0x70 + 11), static_cast<unsigned long>(XK_F12));
    EXPECT_EQ(platform::keysym_for_virtual_key(0xFF), 0ul);
}

TEST(Hotkeys, GrabTakenOnceAndRefusedWhenAnotherClientHoldsIt) {
    test_env::x_session x(false);
    ASSERT_TRUE(x.ok());
    EXPECT_TRUE(platform::register_hotkey(5, platform::MOD_CONTROL | platform::MOD_ALT, 'K'));
    EXPECT_FALSE(platform::register_hotkey(5, platform::MOD_CONTROL, 'J')) << "id already in use";
    EXPECT_TRUE(platform::unregister_hotkey(5));
    EXPECT_FALSE(platform::unregister_hotkey(5));

    // Another client grabs Ctrl+Alt+L first: our grab must report failure.
    Display *other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    KeyCode code = XKeysymToKeycode(other, XK_l);
    XGrabKey(other, code, ControlMask | Mod1Mask, DefaultRootWindow(other), True, GrabModeAsync,
             GrabModeAsync);
    XSync(other, False);
    EXPECT_FALSE(platform::register_hotkey(6, platform::MOD_CONTROL | platform::MOD_ALT, 'L'));
    XCloseDisplay(other);
    // Let go of the server before it stops with the session.
    platform::x11::close_display();
}

// As in the program: Vorkel's connection opens first, then QApplication
// starts on the xcb platform, whose plugin sets its own Xlib error handler
// for the whole process. A key held by another client is still reported.
TEST(Hotkeys, ConflictIsSeenUnderTheXcbPlatformOfARunningApplication) {
    if (QGuiApplication::instance())
        GTEST_SKIP() << "needs a process of its own";
    // The display outlives the application, which is never deleted.
    static test_env::x_session x(false);
    ASSERT_TRUE(x.ok());
    platform::x11::close_display();
    ASSERT_NE(platform::x11::display(), nullptr);
    unsetenv("QT_QPA_PLATFORM");
    ensure_qt_application(false);
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));

    Display *other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    KeyCode code = XKeysymToKeycode(other, XK_F7);
    XGrabKey(other, code, ControlMask | ShiftMask, DefaultRootWindow(other), True, GrabModeAsync,
             GrabModeAsync);
    XSync(other, False);
    EXPECT_FALSE(platform::register_hotkey(7, platform::MOD_CONTROL | platform::MOD_SHIFT, 0x76))
        << "a key another client holds was reported as ours";
    XCloseDisplay(other);

    // Once the other client is gone the same key can be had, and an error
    // of Qt's own connection still reaches Qt's handler (no crash, no exit).
    EXPECT_TRUE(platform::register_hotkey(7, platform::MOD_CONTROL | platform::MOD_SHIFT, 0x76));
    EXPECT_TRUE(platform::unregister_hotkey(7));
}
