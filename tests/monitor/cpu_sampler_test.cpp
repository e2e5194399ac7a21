// The sampler cycle and thread: errors of the unit, icon hand-over, stop.
#include "monitor/adcpuusage.h"
#include "monitor/cpu_load.h"
#include "monitor/cpu_sampler.h"
#include "monitor/tray_pictures.h"
#include "perf_test_blocks.h"
#include "support/test_env.h"

#include "common/flags.h"
#include "common/options.h"

#include <gtest/gtest.h>


#include <atomic>
#include <chrono>
#include <thread>

using namespace perf_test;

namespace {

bool family_nt(platform::PLATFORM_FAMILY &f) { return f = platform::PLATFORM_FAMILY::nt, true; }

struct IMAGES_SCOPE {
    IMAGES_SCOPE() { create_tray_images({200, 200, 200}); }
    ~IMAGES_SCOPE() {
        set_tray_icon_sink(nullptr);
        destroy_tray_images();
    }
};

} // namespace

TEST(CpuSampler, UnitErrorsCountAsZeroAndTheCycleGoesOn) {
    IMAGES_SCOPE images;
    int icons = 0;
    TRAY_ARGB last{};
    set_tray_icon_sink([&](const TRAY_ARGB &img) {
        ++icons;
        last = img;
    });
    SCRIPTED_SOURCE src;
    src.blocks = {processor_block({0, 0}, base_time), processor_block({750000, 750000}, base_time + 1000000)};
    Adcpuusage unit({&src, nullptr, family_nt});
    reset_cpu_history();

    const double first = cpu_sampler_cycle(&unit); // compared with zeros: ~1.0, smoothed
    EXPECT_NEAR(first, 1.0 / 3, 1e-6);
    src.fail_with = 5;
    double second = -1;
    EXPECT_NO_THROW(second = cpu_sampler_cycle(&unit));
    EXPECT_NEAR(second, 1.0 / 3, 1e-6); // (0 + 1.0 + 0) / 3
    src.fail_with = 0;
    const double third = cpu_sampler_cycle(&unit);
    EXPECT_NEAR(third, (1.0 + 0 + 0.25) / 3, 1e-6);
    EXPECT_NEAR(cpu_load_percent.load(), third * 100, 1e-9);
    EXPECT_EQ(icons, 2) << "the second cycle drew the same picture as the first: nothing handed over";
    // 0.4167 of 300 bytes = 125: four full rows and 5 bytes of the fifth.
    const auto grey = [](unsigned g) { return 0xff000000u | g << 16 | g << 8 | g; };
    EXPECT_EQ(last[12 * 16 + 3], grey(opt_cpu_color));
    EXPECT_EQ(last[8 * 16 + 3], grey(opt_cpu_color));
    EXPECT_EQ(last[7 * 16 + 3], grey(opt_tray_color));

    EXPECT_EQ(cpu_sampler_cycle(nullptr), (0 + 0.25 + 0) / 3); // a unit that never started
    reset_cpu_history();
}

TEST(CpuSampler, ThreadDeliversIconsAndStopsPromptlyEvenWithALongInterval) {
    IMAGES_SCOPE images;
    std::atomic<int> icons{0};
    set_tray_icon_sink([&](const TRAY_ARGB &img) {
        if (img[0] >> 24 == 0xff) // the margin takes the menu colour: opaque
            ++icons;
    });
    const int saved_interval = cpu_timer_interval.load();
    cpu_timer_interval = 10;
    sampler_finished = false;
    sampler_running = true;
    std::thread t(cpu_sampler_thread);
    EXPECT_TRUE(test_env::wait_until([&] { return icons.load() >= 3; }));
    const double load = cpu_load.load();
    EXPECT_GE(load, 0.0);
    EXPECT_LE(load, 1.0);
    // The interval is read anew every cycle; a stop is not held up by it.
    cpu_timer_interval = 60000;
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // let a long sleep begin
    const auto t0 = std::chrono::steady_clock::now();
    sampler_running = false;
    EXPECT_TRUE(wait_for_flag(sampler_finished, true, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    t.join();
    cpu_timer_interval = saved_interval;
    reset_cpu_history();
}
