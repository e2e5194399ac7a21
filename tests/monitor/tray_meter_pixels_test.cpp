// The meter as a tray window shows it, cycle after cycle: the well redrawn
// only when it changes and only the changed window pixels rendered, against
// the whole picture drawn from scratch for each load.
#include "common/sfx_mutex.h"
#include "monitor/perf_reader.h"
#include "monitor/tray_pictures.h"
#include "platform/linux/tray_picture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(TrayMeterPixels, ChangedPixelsAloneGiveTheWholeDrawing) {
    const RGB_COLOR menu{212, 208, 200};
    // Loads and greys of successive cycles: repeats, partial pixels, the
    // top and a grey change that keeps the bar's length.
    const struct {
        double load;
        std::uint8_t background, bar;
    } cycles[] = {{0, 170, 100},      {0, 170, 100},      {0.0009765625, 170, 100},
                  {0.004, 170, 100},  {0.0625, 170, 100}, {0.0625, 170, 100},
                  {0.125, 170, 100},  {1.0, 170, 100},    {0.999, 170, 100},
                  {0.5, 170, 100},    {0.5, 0, 255},      {0.3334, 0, 255},
                  {0.3334, 255, 255}, {0, 255, 255},      {0.1, 170, 100}};
    const struct {
        int width, height;
        PIXEL_FORMAT format;
    } windows[] = {{16, 16, {}},
                   {24, 24, {0xff0000, 0xff00, 0xff, true}},
                   {40, 32, {0xf800, 0x07e0, 0x001f, false}},
                   {22, 37, {0xff, 0xff00, 0xff0000, false}}};
    for (const auto &w : windows) {
        create_tray_images(menu);
        const TRAY_PLACEMENT at = place_tray_picture(tray_side, w.width, w.height);
        std::vector<std::uint32_t> shown, whole;
        TRAY_ARGB last{};
        for (const auto &c : cycles) {
            {
                SFXLock hold(get_cpu_and_other_mutex());
                show_load_in_tray_image(c.load, c.background, c.bar);
            }
            TRAY_BITMAP fresh;
            draw_tray_frame(fresh, menu);
            clear_tray_well(fresh, c.background);
            draw_tray_bar(fresh, c.load, c.bar);
            ASSERT_EQ(tray_image->bits, fresh.bits) << "load " << c.load << ", window " << w.width;

            const TRAY_ARGB picture = tray_icon_argb(*tray_image, *tray_mask);
            render_tray_picture(picture.data(), tray_side, at, w.format, w.width, w.height, whole);
            if (shown.empty()) {
                shown = whole;
            } else {
                const TRAY_RECT changed =
                    changed_tray_rect(last.data(), picture.data(), tray_side, at, w.width, w.height);
                EXPECT_EQ(changed.empty(), picture == last) << "load " << c.load;
                render_tray_picture_part(picture.data(), tray_side, at, w.format, w.width, w.height, changed,
                                         shown);
            }
            ASSERT_EQ(shown, whole) << "load " << c.load << ", window " << w.width << " x " << w.height;
            last = picture;
        }
        destroy_tray_images();
    }
}
