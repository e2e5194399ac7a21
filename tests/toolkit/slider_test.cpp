#include "toolkit/slider.h"
#include "toolkit/slider_math.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <set>

namespace {

// One application object per test program, kept to its end.
void qt_app() {
    if (QApplication::instance())
        return;
    if (!getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "test_toolkit";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// Configured as the dialog's CPU interval slider: 500 to 9500, increment
// 1000, stepped.
void make_stepped(TRxSlider &s) {
    s.set_range(500, 9500);
    s.set_increment(1000);
    s.set_smooth(false);
}

// What a drag of the handle does: the pointer position becomes the slider
// position while the handle is held.
int drag_to(TRxSlider &s, int position) {
    s.setSliderDown(true);
    s.setSliderPosition(position);
    s.setSliderDown(false);
    return s.value();
}

} // namespace

TEST(SliderMath, ClampsToRange) {
    EXPECT_EQ(slider_clamp(30, 500, 9500), 500);
    EXPECT_EQ(slider_clamp(9501, 500, 9500), 9500);
    EXPECT_EQ(slider_clamp(1000, 500, 9500), 1000);
    EXPECT_EQ(slider_clamp(LLONG_MAX, 0, 255), 255);
    EXPECT_EQ(slider_clamp(LLONG_MIN, 0, 255), 0);
    EXPECT_EQ(slider_clamp(7, 10, 3), 10); // an empty range holds its minimum only
}

TEST(SliderMath, SnapsToNearestStepInsideRange) {
    EXPECT_EQ(slider_snap(30, 500, 9500, 1000), 500);
    EXPECT_EQ(slider_snap(999, 500, 9500, 1000), 500);
    EXPECT_EQ(slider_snap(1000, 500, 9500, 1000), 1500); // halfway rounds up
    EXPECT_EQ(slider_snap(1999, 500, 9500, 1000), 1500);
    EXPECT_EQ(slider_snap(9400, 500, 9500, 1000), 9500);
    EXPECT_EQ(slider_snap(LLONG_MAX, 500, 9500, 1000), 9500);
    EXPECT_EQ(slider_snap(1100, 50, 1850, 200), 1050);
    // A range that is not a whole number of steps: the nearest step above
    // would leave the range, so the last one inside is taken.
    EXPECT_EQ(slider_snap(10, 0, 10, 4), 8);
    EXPECT_EQ(slider_snap(-5, -10, 10, 4), -6);
    // An increment below 1 behaves as 1.
    EXPECT_EQ(slider_snap(17, 0, 255, 0), 17);
    EXPECT_EQ(slider_snap(17, 0, 255, -3), 17);
}

TEST(RxSlider, ClampsEveryValueGiven) {
    qt_app();
    TRxSlider s;
    make_stepped(s);
    s.set_value(30);
    EXPECT_EQ(s.value(), 500);
    s.set_value(10LL * INT_MAX); // wider than int: clamped, not wrapped
    EXPECT_EQ(s.value(), 9500);
    s.set_value(-1);
    EXPECT_EQ(s.value(), 500);
    // A value set by code keeps its place between two steps.
    s.set_value(1000);
    EXPECT_EQ(s.value(), 1000);
    // A narrower range pulls the value in.
    s.set_range(2000, 3000);
    EXPECT_EQ(s.value(), 2000);
}

TEST(RxSlider, SteppedSliderOnlyReachesMinimumPlusWholeSteps) {
    qt_app();
    TRxSlider s;
    make_stepped(s);
    std::set<int> reached;
    for (int p = 500; p <= 9500; p += 37)
        reached.insert(drag_to(s, p));
    reached.insert(drag_to(s, 9500));
    EXPECT_EQ(reached, (std::set<int>{500, 1500, 2500, 3500, 4500, 5500, 6500, 7500, 8500, 9500}));
    EXPECT_EQ(drag_to(s, 1999), 1500);
    EXPECT_EQ(drag_to(s, 2000), 2500);

    // Keys and page clicks land on the steps as well, also when starting
    // from a value between two of them.
    s.set_value(1000);
    s.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.value(), 2500);
    s.set_value(1000);
    s.triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(s.value(), 500);
}

TEST(RxSlider, SmoothSliderReachesEveryWholeNumber) {
    qt_app();
    TRxSlider s;
    s.set_range(50, 1850);
    s.set_increment(200);
    s.set_points_shown(true);
    s.set_smooth(true);
    EXPECT_EQ(drag_to(s, 1234), 1234);
    EXPECT_EQ(drag_to(s, 51), 51);
    s.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(s.value(), 52);
}

TEST(RxSlider, ReportsChangeOnlyWhenValueChanges) {
    qt_app();
    TRxSlider s;
    make_stepped(s);
    s.set_value(1500);
    int changes = 0;
    QObject::connect(&s, &TRxSlider::change, [&] { ++changes; });

    s.set_value(1500);
    EXPECT_EQ(changes, 0);
    s.set_value(9500);
    EXPECT_EQ(changes, 1);
    s.set_value(20000); // clamped to the value it already has
    EXPECT_EQ(changes, 1);
    drag_to(s, 9400); // snaps back to where it is
    EXPECT_EQ(changes, 1);
    drag_to(s, 700);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(s.value(), 500);
    // The handle passing over in-between positions reports only steps.
    std::set<int> reported;
    QObject::connect(&s, &TRxSlider::change, [&] { reported.insert(s.value()); });
    s.setSliderDown(true);
    for (int p = 500; p <= 2900; p += 100)
        s.setSliderPosition(p);
    s.setSliderDown(false);
    EXPECT_EQ(reported, (std::set<int>{1500, 2500}));
}
