#include "shell/docking.h"

#include <gtest/gtest.h>

TEST(Docking, SnapsWithinTenPixelsAndPullsBackOntoTheArea) {
    WORK_AREA a{0, 0, 1024, 740};
    auto at = [&](int x, int y, int cx = 300, int cy = 400) { return dock_window_pos({x, y, cx, cy}, a); };
    WINDOW_POS p = at(10, 10);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    p = at(11, 11);
    EXPECT_EQ(p.x, 11);
    EXPECT_EQ(p.y, 11);
    p = at(1024 - 300 - 10, 740 - 400 - 10);
    EXPECT_EQ(p.x, 724);
    EXPECT_EQ(p.y, 340);
    p = at(1024 - 300 - 11, 740 - 400 - 11);
    EXPECT_EQ(p.x, 713);
    EXPECT_EQ(p.y, 329);
    p = at(-50, 900); // partly off the area
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 340);
    EXPECT_EQ(p.cx, 300);
    EXPECT_EQ(p.cy, 400);
    p = at(100, 20, 1200, 400); // wider than the area: left edge stays on the left
    EXPECT_EQ(p.x, 0);
    WORK_AREA offset{100, 50, 900, 650};
    p = dock_window_pos({95, 55, 200, 200}, offset);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);
}
