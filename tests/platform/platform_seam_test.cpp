// gtest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include "platform/hotkeys.h"
#include "platform/named_lock.h"
#include "platform/system_info.h"
#include "support/qt_app.h"
#include "support/test_env.h"

#include <QGuiApplication>

#include "platform/linux/x11_connection.h"
#include <X11/keysym.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(NamedLock, LivesInPrivateRuntimeFolderAndExcludesOtherHolders) {
    std::string dir = platform::runtime_directory();
    ASSERT_FALSE(dir.empty());
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    platform::named_lock a("seam/test lock"), b("seam/test lock");
    ASSERT_TRUE(a.valid());
    EXPECT_TRUE(a.try_lock());
    EXPECT_FALSE(b.try_lock());
    EXPECT_FALSE(b.lock(20));
    a.unlock();
    EXPECT_TRUE(b.try_lock());
    b.unlock();
}

TEST(NamedLock, NamesBelongToTheDisplayAndOnlyAHolderCountsAsBusy) {
    EXPECT_EQ(platform::session_of_display(":0"), ":0");
    EXPECT_EQ(platform::session_of_display(":0.1"), ":0");
    EXPECT_EQ(platform::session_of_display("unix:3.0"), ":3");
    EXPECT_EQ(platform::session_of_display("localhost:10.0"), "localhost:10");
    EXPECT_EQ(platform::session_of_display(""), "");
    EXPECT_EQ(platform::session_of_display(nullptr), "");

    const char *saved = getenv("DISPLAY");
    const std::string restore = saved ? saved : "";
    setenv("DISPLAY", ":91", 1);
    platform::named_lock first("seam session");
    ASSERT_TRUE(first.try_lock());
    platform::named_lock same("seam session");
    EXPECT_FALSE(same.try_lock());
    EXPECT_TRUE(same.busy());
    setenv("DISPLAY", ":92.0", 1);
    platform::named_lock other_display("seam session");
    EXPECT_TRUE(other_display.try_lock()) << "a lock of another display must not exclude this one";
    EXPECT_FALSE(other_display.busy());

    // A lock whose file cannot be opened fails, but nobody holds it.
    mkdir((platform::runtime_directory() + "/:92 seam unusable.lock").c_str(), 0700);
    platform::named_lock unusable("seam unusable");
    EXPECT_FALSE(unusable.valid());
    EXPECT_FALSE(unusable.try_lock());
    EXPECT_FALSE(unusable.busy());
    if (saved)
        setenv("DISPLAY", restore.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

TEST(NamedLock, ChildProgramsDoNotInheritTheLock) {
    platform::named_lock held("seam_cloexec");
    ASSERT_TRUE(held.try_lock());
    // A program started while we hold the lock must not keep it after we
    // let go (programs Vorkel launches outlive it).
    test_env::child_process child({"sleep", "30"});
    held.unlock();
    platform::named_lock other("seam_cloexec");
    EXPECT_TRUE(other.try_lock());
    other.unlock();
}

TEST(SystemInfo, ExecutableAndUser) {
    std::string exe = platform::executable_path();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.front(), '/');
    EXPECT_EQ(platform::executable_folder(), exe.substr(0, exe.rfind('/') + 1));
    EXPECT_EQ(platform::user_name(), test_env::run_capture("id -un"));
}

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
    XGrabKey(other, code, ControlMask | Mod1Mask, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync);
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
    XGrabKey(other, code, ControlMask | ShiftMask, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    EXPECT_FALSE(platform::register_hotkey(7, platform::MOD_CONTROL | platform::MOD_SHIFT, 0x76))
        << "a key another client holds was reported as ours";
    XCloseDisplay(other);

    // Once the other client is gone the same key can be had, and an error
    // of Qt's own connection still reaches Qt's handler (no crash, no exit).
    EXPECT_TRUE(platform::register_hotkey(7, platform::MOD_CONTROL | platform::MOD_SHIFT, 0x76));
    EXPECT_TRUE(platform::unregister_hotkey(7));
}
