// The statistics of the real program: one data folder shared by copies on
// two displays, and the statistics window as it looks at 100 % and 200 %.
#include "integration/vorkel_app.h"
#include "logging/global_stat.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <utility>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

bool shown(const vorkel_app &app, const std::string &name) {
    for (const auto &w : test_env::windows_of_class(app.class_name()))
        if (!w.in_tray && w.viewable && w.name == name)
            return true;
    return false;
}

// Starts a copy on $DISPLAY and brings its main window up on the
// "Logging" page, the keyboard in the tab bar.
test_env::child_process start_on_logging_page(vorkel_app &app) {
    auto copy = app.start();
    EXPECT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    app.start().wait(15s); // a second start shows the first one's window
    EXPECT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));
    if (const auto window = app.main_window()) {
        const std::string w = std::to_string(window->id);
        xdotool("windowactivate --sync " + w);
        xdotool("mousemove --window " + w + " 20 12 click 1");
        xdotool("key --delay 100 Right Right");
    }
    return copy;
}

// From the tab bar: the process list, the file name, its browse button,
// "Start logging" (the disabled "Stop logging" is skipped), "Enable log".
const char *to_enable_log = "key --delay 80 Tab Tab Tab Tab Tab";

} // namespace

TEST(Statistics, TwoCopiesOnTwoDisplaysNeverCollectIntoOneFolder) {
    test_env::x_session first_display, second_display;
    ASSERT_TRUE(first_display.ok() && second_display.ok());
    vorkel_app app; // one data folder for both copies
    const std::string statistics = app.data_dir() + "/vorkel.glb";

    setenv("DISPLAY", first_display.display().c_str(), 1);
    auto first = start_on_logging_page(app);
    xdotool(to_enable_log);
    xdotool("key space");
    ASSERT_TRUE(wait_until([&] { return test_env::read_file(statistics) == std::string(24, '\0'); }, 10s));
    xdotool("key --delay 80 Tab space"); // " Show stat": the file up to the latest cycle
    ASSERT_TRUE(wait_until([&] { return shown(app, "Process statistic (average)"); }, 10s));
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER collected;
    ASSERT_TRUE(
        wait_until([&] { return read_global_stat(statistics, map, collected), collected.sample_count > 0; }));
    xdotool("key Escape");

    setenv("DISPLAY", second_display.display().c_str(), 1);
    auto second = start_on_logging_page(app);
    xdotool(to_enable_log);
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Each tick is refused with a box: the box stays unticked.
        xdotool("key space");
        ASSERT_TRUE(wait_until([&] { return shown(app, "Logging error"); }, 10s)) << "attempt " << attempt;
        xdotool("key Return");
        ASSERT_TRUE(wait_until([&] { return !shown(app, "Logging error"); }, 10s));
    }
    GLOBAL_STAT_HEADER after;
    read_global_stat(statistics, map, after);
    EXPECT_GE(after.sample_count, collected.sample_count) << "the second copy reset the first one's period";
}

TEST(Statistics, WindowAtOneAndTwiceTheScaleWithNothingCut) {
    const std::string out = std::string(VORKEL_TEST_OUTPUT_DIR) + "/statistics";
    std::filesystem::create_directories(out);
    for (const int scale : {1, 2}) {
        test_env::x_session x;
        ASSERT_TRUE(x.ok());
        vorkel_app app;
        setenv("QT_SCALE_FACTOR", std::to_string(scale).c_str(), 1);
        auto copy = start_on_logging_page(app);
        unsetenv("QT_SCALE_FACTOR");
        // Figures as a desktop has them.
        const char *names[] = {
            "at-spi-bus-launcher", "gnome-shell",          "Xwayland", "kworker/1:2", "pipewire-pulse",
            "Web Content",         "vkl_probe_of_twenty1", "sh"};
        PROCESS_MAP_LONG map;
        for (std::uint32_t i = 1; i <= 8; ++i) {
            PROCESS_INFO_STRUCT_LONG &r = map[i];
            r.id = i;
            std::strcpy(r.name, names[i - 1]);
            r.samples = 10;
            r.cpu_sum = 0.3 * i;
            r.ram_sum = 10 * 5368709120.0 / i;
            r.paged_sum = r.ram_sum / 3;
            r.handles_sum = 10.0 * 1234 * i;
            r.threads_sum = 10.0 * i;
            r.run_time = 1e7 * 3725 * i;
        }
        ASSERT_TRUE(write_global_stat(app.data_dir() + "/vorkel.glb", map, {10, 1.0, 2.0}));
        xdotool(to_enable_log);
        xdotool("key --delay 80 Tab space"); // " Show stat"
        std::optional<test_env::x_window> stat;
        ASSERT_TRUE(wait_until(
            [&] {
                for (const auto &w : test_env::windows_of_class(app.class_name()))
                    if (w.viewable && w.name == "Process statistic (average)")
                        stat = w;
                return stat.has_value();
            },
            10s));
        EXPECT_EQ(stat->width, 433 * scale);
        EXPECT_EQ(stat->height, 266 * scale);
        const std::string id = std::to_string(stat->id);
        int text_pixels = 0;
        for (const char *tab : {"all", "ram"}) {
            // Another page has other text (black pixels) once it is filled.
            ASSERT_TRUE(wait_until(
                [&] {
                    const int now = grey_pixels(stat->id, 0).count;
                    return now > 100 * scale && now != std::exchange(text_pixels, now);
                },
                10s))
                << tab;
            std::this_thread::sleep_for(600ms); // the bars grow in, animated
            const std::string png = out + "/statistics-" + tab + "-" + std::to_string(scale * 100) + ".png";
            EXPECT_EQ(std::system(("import -window " + id + " '" + png + "'").c_str()), 0);
            EXPECT_TRUE(test_env::file_exists(png));
            xdotool("key --delay 80 ctrl+Tab ctrl+Tab"); // "CPU", then "RAM"
        }
    }
}
