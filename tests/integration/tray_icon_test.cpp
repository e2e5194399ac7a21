// The tray icon of the running program: its hint, the double click and a
// tray that restarts.
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using test_env::wait_until;

TEST(TrayIcon, HintShowsOnHoverAndDoubleClickShowsTheWindow) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    vorkel_app app;
    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
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

TEST(TrayIcon, DocksAgainAndRedrawsWhenTheTrayRestarts) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    vorkel_app app;
    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
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

TEST(TrayIcon, PictureSitsInTheMiddleOfTheSizeTheTrayGives) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    vorkel_app app;
    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
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
