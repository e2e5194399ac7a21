// The tray icon of the running program follows the processor load.
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(TrayMeter, WellFillsWhenEveryProcessorIsBusy) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    vorkel_app app;
    auto p = app.start();
    ASSERT_TRUE(test_env::wait_until([&] { return app.tray_icon_shown(); }, 20s));
    auto icon = app.tray_icon();
    ASSERT_TRUE(icon);

    // Both the well (grey 170) and the bar (grey 100) are drawn.
    ASSERT_TRUE(test_env::wait_until([&] { return pixels_near_grey(icon->id, 170) + pixels_near_grey(icon->id, 100) > 30; }, 10s))
        << "the icon shows no well";

    // Keep every processor busy with children of our own: the load goes to
    // the top and the bar fills most of the well.
    std::vector<test_env::child_process> burners;
    unsigned n = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < n + 1; ++i)
        burners.emplace_back(std::vector<std::string>{"sh", "-c", "while :; do :; done"});
    // The well is the 10 x 10 square, however the tray scales the icon:
    // the pixels of the empty part (grey 170) and of the bar (grey 100).
    int bar = 0, well = 0;
    bool full = test_env::wait_until([&] {
        bar = pixels_near_grey(icon->id, 100);
        well = bar + pixels_near_grey(icon->id, 170);
        return well >= 60 && bar * 10 >= well * 7;
    }, 20s);
    for (auto &b : burners)
        b.kill_hard();
    EXPECT_TRUE(full) << "bar pixels " << bar << " of a well of " << well;
    EXPECT_TRUE(p.running());
}
