// The Logging page of the real program on a virtual display with a window
// manager, driven by the keyboard as a user would.
#include "integration/vorkel_app.h"
#include "logging/global_stat.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <thread>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

class LoggingOnDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_FALSE(app.exe().empty());
    }
    test_env::x_session x;
    vorkel_app app;
};

long count_of(const std::string &bytes, char c) { return std::count(bytes.begin(), bytes.end(), c); }

bool stat_window_shown() {
    for (const auto &w : test_env::windows_of_class("vorkel"))
        if (w.name == "Process statistic (average)" && w.viewable)
            return true;
    return false;
}

} // namespace

TEST_F(LoggingOnDesktop, LogsAChildForThreeSecondsThenCollectsAndShowsStatistics) {
    // A program whose name is longer than the kernel keeps: the log and the
    // statistics name it whole.
    const std::string program = test_env::make_temp_dir() + "/vkl_logged_program_1";
    std::filesystem::copy_file("/bin/sleep", program);
    test_env::child_process child({program, "120"});
    const std::string pid = std::to_string(child.pid());
    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    auto second = app.start();
    EXPECT_EQ(second.wait(15s), 1);
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));
    const auto window = app.main_window();
    ASSERT_TRUE(window);
    const std::string w = std::to_string(window->id);

    // The first tab takes the focus; two steps right is "Logging"; Tab
    // enters its process list, where typing the PID chooses the child.
    xdotool("windowactivate --sync " + w);
    xdotool("mousemove --window " + w + " 20 12 click 1");
    xdotool("key --delay 100 Right Right Tab");
    xdotool("type --delay 40 " + pid);
    const std::string log = test_env::make_temp_dir() + "/child.log";
    xdotool("key Tab");
    xdotool("type --delay 5 " + log);
    xdotool("key --delay 50 Tab Tab space"); // "Start logging"
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(log); }, 10s)) << "logging did not start";
    std::this_thread::sleep_for(3s); // the logging period itself
    xdotool("key space");            // "Stop logging" has the focus now
    ASSERT_TRUE(wait_until(
        [&] {
            const auto before = test_env::read_file(log);
            std::this_thread::sleep_for(1200ms);
            return test_env::read_file(log) == before;
        },
        10s))
        << "the log keeps growing after Stop";

    const std::string bytes = test_env::read_file(log);
    const long lines = count_of(bytes, '\0');
    EXPECT_GE(lines, 2);
    EXPECT_LE(lines, 3);
    EXPECT_EQ(count_of(bytes, '\r'), lines);
    EXPECT_EQ(count_of(bytes, '\n'), 0);
    EXPECT_NE(bytes.find(" " + pid + " vkl_logged_program_1 CPU "), std::string::npos) << bytes;

    // "Enable log" (Tab from "Start logging" skips the disabled Stop).
    xdotool("key --delay 50 Tab space");
    const std::string statistics = app.data_dir() + "/vorkel.glb";
    ASSERT_TRUE(wait_until([&] { return test_env::read_file(statistics) == std::string(24, '\0'); }, 10s))
        << "collecting did not start";

    // " Show stat": the window opens on "All" with rows of text, the file
    // written up to the latest cycle for it.
    xdotool("key --delay 50 Tab space");
    ASSERT_TRUE(wait_until(stat_window_shown, 10s)) << "the statistics window did not open";
    std::optional<test_env::x_window> stat;
    for (const auto &sw : test_env::windows_of_class("vorkel"))
        if (sw.name == "Process statistic (average)")
            stat = sw;
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->width, 433);
    EXPECT_EQ(stat->height, 266);
    EXPECT_TRUE(wait_until([&] { return grey_pixels(stat->id, 0).count > 300; }, 5s)) << "no rows shown";
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER header;
    read_global_stat(statistics, map, header);
    EXPECT_GE(header.sample_count, 1u);
    bool child_counted = false;
    for (const auto &[id, r] : map)
        child_counted |= std::strcmp(r.name, "vkl_logged_program_1") == 0;
    EXPECT_TRUE(child_counted);
    const std::uint32_t shown_cycles = header.sample_count;
    xdotool("key Escape");
    ASSERT_TRUE(wait_until([&] { return !stat_window_shown(); }, 10s)) << "Esc did not close the window";

    // Exit from the tray menu ends the collector too; the program ends with 0.
    auto icon = app.tray_icon();
    ASSERT_TRUE(icon);
    xdotool("mousemove --window " + std::to_string(icon->id) + " 8 8 click 3");
    ASSERT_TRUE(wait_until(
        [&] {
            for (auto &tw : test_env::windows_of_class("vorkel"))
                if (!tw.in_tray && tw.viewable && tw.name != "Vorkel" && tw.width > 20)
                    return true;
            return false;
        },
        10s))
        << "tray menu did not open";
    xdotool("key Up Return");
    EXPECT_EQ(p.wait(30s), 0);
    read_global_stat(statistics, map, header);
    EXPECT_GE(header.sample_count, shown_cycles) << "the collected period stays on disk";
}
