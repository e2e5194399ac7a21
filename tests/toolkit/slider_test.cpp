#include "support/qt_app.h"
#include "toolkit/slider.h"
#include "toolkit/slider_math.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace {

// As the dialog's CPU interval slider: 500 to 9500, increment 1000, stepped.
void make_stepped(TRxSlider &s) {
    s.set_range(500, 9500);
    s.set_increment(1000);
    s.set_smooth(false);
}

// A drag of the handle: the pointer position becomes the slider position.
int drag_to(TRxSlider &s, int position) {
    s.setSliderDown(true);
    s.setSliderPosition(position);
    s.setSliderDown(false);
    return s.value();
}

} // namespace

TEST(SliderMath, ClampsAndSnapsToNearestStepInsideRange) {
    EXPECT_EQ(slider_clamp(30, 500, 9500), 500);
    EXPECT_EQ(slider_clamp(LLONG_MAX, 0, 255), 255);
    EXPECT_EQ(slider_clamp(7, 10, 3), 10); // an empty range holds its minimum only
    EXPECT_EQ(slider_snap(999, 500, 9500, 1000), 500);
    EXPECT_EQ(slider_snap(1000, 500, 9500, 1000), 1500); // halfway rounds up
    EXPECT_EQ(slider_snap(LLONG_MIN, 500, 9500, 1000), 500);
    EXPECT_EQ(slider_snap(1100, 50, 1850, 200), 1050);
    EXPECT_EQ(slider_snap(10, 0, 10, 4), 8); // the step above would leave the range
    EXPECT_EQ(slider_snap(17, 0, 255, 0), 17); // an increment below 1 acts as 1
}

TEST(RxSlider, ClampsGivenValuesAndSnapsUserMoves) {
    ensure_qt_application();
    TRxSlider s;
    make_stepped(s);
    s.set_value(30);
    EXPECT_EQ(s.value(), 500);
    s.set_value(10LL * INT_MAX); // wider than int: clamped, not wrapped
    EXPECT_EQ(s.value(), 9500);
    s.set_value(1000); // code may put it between two steps
    EXPECT_EQ(s.value(), 1000);
    s.triggerAction(QAbstractSlider::SliderSingleStepAdd); // keys land on a step
    EXPECT_EQ(s.value(), 2500);

    std::set<int> reached;
    for (int p = 500; p <= 9500; p += 37)
        reached.insert(drag_to(s, p));
    reached.insert(drag_to(s, 9500));
    EXPECT_EQ(reached, (std::set<int>{500, 1500, 2500, 3500, 4500, 5500, 6500, 7500, 8500, 9500}));

    s.set_smooth(true);
    EXPECT_EQ(drag_to(s, 1234), 1234);
}

TEST(RxSlider, ReportsChangeOnlyWhenValueChanges) {
    ensure_qt_application();
    TRxSlider s;
    make_stepped(s);
    s.set_value(9500);
    std::set<int> reported;
    int changes = 0;
    QObject::connect(&s, &TRxSlider::change, [&] {
        ++changes;
        reported.insert(s.value());
    });
    s.set_value(9500);
    s.set_value(20000); // clamped to the value it has
    drag_to(s, 9400);   // snaps back to where it is
    EXPECT_EQ(changes, 0);
    // Passing over in-between positions reports only the steps.
    s.setSliderDown(true);
    for (int p = 9500; p >= 7600; p -= 100)
        s.setSliderPosition(p);
    s.setSliderDown(false);
    EXPECT_EQ(reported, (std::set<int>{8500, 7500}));
    EXPECT_EQ(changes, 2);
}
