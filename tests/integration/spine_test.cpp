// The program itself on a virtual display with a window manager and tray.
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

class Spine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_FALSE(app.exe().empty());
    }
    test_env::x_session x;
    vorkel_app app;
};

} // namespace

TEST_F(Spine, StartsHiddenInTrayAndSecondStartShowsTheWindow) {
    auto first = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    EXPECT_FALSE(app.main_window_shown()) << "the main window must start hidden";
    EXPECT_TRUE(test_env::file_exists(app.data_dir())) << "data folder beside the executable";

    auto second = app.start();
    EXPECT_EQ(second.wait(15s), 1) << "a second copy hands over and ends with 1";
    EXPECT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s))
        << "the running copy shows its window";
    EXPECT_TRUE(first.running());
    // The status bar (the window's last rows) shows its texts in black.
    const auto window = app.main_window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(wait_until([&] { return grey_pixels(window->id, 0, 16).count > 30; }, 5s))
        << "the status bar shows no text";

    // A start while it is shown only raises it; the copy still ends with 1.
    auto third = app.start();
    EXPECT_EQ(third.wait(15s), 1);
    EXPECT_TRUE(app.main_window_shown());
}

TEST_F(Spine, CopyKilledHardDoesNotBlockTheNextStart) {
    {
        auto first = app.start();
        ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
        first.kill_hard();
    }
    ASSERT_TRUE(wait_until([&] { return !app.tray_icon_shown(); }, 10s));
    auto next = app.start();
    EXPECT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    EXPECT_TRUE(next.running()) << "the new copy must be the first instance, not exit with 1";
}

TEST_F(Spine, CopiesUnderAnotherExecutableNameRunSideBySide) {
    vorkel_app other("vorkel2");
    auto a = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    auto b = other.start();
    EXPECT_TRUE(wait_until([&] { return other.tray_icon_shown(); }, 20s));
    EXPECT_TRUE(a.running());
    EXPECT_TRUE(b.running());
}

TEST_F(Spine, RescueHotkeyShowsTheWindowAndEscHidesIt) {
    // The rescue renices every listed process: only those of its own
    // namespace here.
    auto p = app.start_in_own_pid_namespace();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    ASSERT_FALSE(app.main_window_shown());

    // Ctrl+Shift+Backspace, also with NumLock on.
    xdotool("key ctrl+shift+BackSpace");
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s)) << "hotkey did not reach the window";

    auto w = app.main_window();
    ASSERT_TRUE(w);
    xdotool("windowactivate --sync " + std::to_string(w->id));
    xdotool("key --window " + std::to_string(w->id) + " Escape");
    ASSERT_TRUE(wait_until([&] { return !app.main_window_shown(); }, 10s)) << "Esc must hide the window";
    EXPECT_TRUE(app.tray_icon_shown()) << "the tray icon stays";

    xdotool("key Num_Lock");
    xdotool("key ctrl+shift+BackSpace");
    EXPECT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s)) << "hotkey must work with NumLock on";
    xdotool("key Num_Lock");
    EXPECT_TRUE(p.running());
}

TEST_F(Spine, ExitFromTrayMenuShowsFarewellWritesColumnsAndEndsWithZero) {
    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    auto icon = app.tray_icon();
    ASSERT_TRUE(icon);

    // Right click on the tray icon opens the tray menu; Exit is its last item.
    xdotool("mousemove --window " + std::to_string(icon->id) + " 8 8 click 3");
    ASSERT_TRUE(wait_until([&] {
        for (auto &w : test_env::windows_of_class("vorkel"))
            if (!w.in_tray && w.viewable && w.name != "Vorkel" && w.width > 20)
                return true;
        return false;
    }, 10s)) << "tray menu did not open";
    xdotool("key Up Return");

    bool farewell = wait_until([&] {
        for (auto &w : test_env::windows_of_class("vorkel"))
            if (w.name == "about" && w.viewable)
                return true;
        return false;
    }, 10s);
    EXPECT_TRUE(farewell) << "the farewell window must show";
    EXPECT_EQ(p.wait(20s), 0);

    std::string ini = test_env::read_file(app.data_dir() + "/vorkel.ini");
    EXPECT_NE(ini.find("[SETTINGS]"), std::string::npos);
    for (int i = 1; i <= 10; ++i)
        EXPECT_NE(ini.find("x" + std::to_string(i) + "="), std::string::npos) << "key x" << i;
    EXPECT_EQ(ini.find("x4=0\n"), std::string::npos) << "the PID column's real width is saved";
}

// Two desktop sessions of one user (two displays): a copy runs on each;
// the single-copy rule still holds within each display.
TEST(Sessions, CopiesOnTwoDisplaysRunAndEachDisplayKeepsOneCopy) {
    test_env::x_session first_display;
    ASSERT_TRUE(first_display.ok());
    test_env::x_session second_display; // leaves DISPLAY on itself
    ASSERT_TRUE(second_display.ok());
    vorkel_app app;
    auto on = [](const test_env::x_session &x) { setenv("DISPLAY", x.display().c_str(), 1); };

    on(first_display);
    auto a = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s))
        << "no tray icon on the first display";
    on(second_display);
    auto b = app.start();
    EXPECT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s))
        << "the copy on the second display did not come up";
    EXPECT_TRUE(b.running()) << "a copy on another display is not a second copy";
    EXPECT_TRUE(a.running());

    // A second start on the first display hands over there and ends with 1.
    on(first_display);
    auto again = app.start();
    EXPECT_EQ(again.wait(15s), 1);
    EXPECT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s))
        << "the first display's copy shows its window";
    on(second_display);
    EXPECT_FALSE(app.main_window_shown()) << "the other display's copy stays hidden";
}
