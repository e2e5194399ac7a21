// The tray icon of the running program follows the processor load.
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
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

// Hidden in the tray only the sampler thread draws the meter: the window's
// thread is not woken ten times a second for a status bar nobody sees.
TEST(TrayMeter, HiddenWindowsThreadWakesAtMostOnceASecond) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    vorkel_app app;
    auto p = app.start();
    ASSERT_TRUE(test_env::wait_until([&] { return app.tray_icon_shown(); }, 20s));
    const std::string status =
        "/proc/" + std::to_string(p.pid()) + "/task/" + std::to_string(p.pid()) + "/status";
    const auto switches = [&] { // the window's thread's voluntary context switches
        std::ifstream in(status);
        std::string key;
        long value = -1;
        while (in >> key && key != "voluntary_ctxt_switches:") {
        }
        in >> value;
        return value;
    };
    // Past the start-up work (icon look-ups run from the event loop): a
    // second with at most two wakes, or the deadline.
    auto mark = std::chrono::steady_clock::now();
    long at_mark = switches();
    test_env::wait_until(
        [&] {
            if (std::chrono::steady_clock::now() - mark < 1s)
                return false;
            const long now = switches();
            const bool quiet = now - at_mark <= 2;
            mark = std::chrono::steady_clock::now();
            at_mark = now;
            return quiet;
        },
        20s);
    const long before = switches();
    std::this_thread::sleep_for(10s); // the span the wakes are counted over
    const long after = switches();
    ASSERT_GE(before, 0);
    EXPECT_FALSE(app.main_window_shown());
    EXPECT_LE(after - before, 10) << "wakes of the hidden window's thread in 10 s";
    EXPECT_TRUE(p.running());
}
