// The tray meter's bytes, checked against pixels computed here from the
// picture's description, not from the drawing code.
#include "monitor/tray_bitmap.h"
#include "monitor/tray_pictures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr std::uint8_t bg = 170, bar = 100;
constexpr RGB_COLOR menu{212, 208, 200};

// Expected picture: frame as described, well background, and the first
// `bytes` well bytes (bottom row first, left to right) in bar grey.
TRAY_BITMAP expected(int bytes) {
    TRAY_BITMAP b;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            std::uint8_t r = menu.red, g = menu.green, bl = menu.blue;
            const bool dark = (y == 2 && x >= 2 && x <= 12) || (x == 2 && y >= 2 && y <= 13);
            const bool light = (x == 13 && y >= 2 && y <= 13) || (y == 13 && x >= 3 && x <= 13);
            if (dark)
                r = g = bl = 160;
            if (light)
                r = g = bl = 248;
            if (x >= 3 && x <= 12 && y >= 3 && y <= 12)
                r = g = bl = bg;
            const int row = 15 - y; // bottom-up in memory
            b.bits[row * 48 + x * 3] = bl;
            b.bits[row * 48 + x * 3 + 1] = g;
            b.bits[row * 48 + x * 3 + 2] = r;
        }
    for (int i = 0; i < bytes; ++i) {
        const int well_row_from_bottom = i / 30, byte_in_row = i % 30;
        const int memory_row = 3 + well_row_from_bottom; // y = 12 is memory row 3
        b.bits[memory_row * 48 + 9 + byte_in_row] = bar;
    }
    return b;
}

TRAY_BITMAP drawn(double load) {
    TRAY_BITMAP b;
    draw_tray_frame(b, menu);
    clear_tray_well(b, bg);
    draw_tray_bar(b, load, bar);
    return b;
}

} // namespace

TEST(TrayBitmap, FramePixels) {
    TRAY_BITMAP b;
    draw_tray_frame(b, menu);
    auto pixel = [&](int x, int y) {
        const std::size_t at = tray_pixel_offset(x, y);
        return std::array<int, 3>{b.bits[at + 2], b.bits[at + 1], b.bits[at]};
    };
    EXPECT_EQ(pixel(2, 2), (std::array<int, 3>{160, 160, 160}));
    EXPECT_EQ(pixel(13, 2), (std::array<int, 3>{248, 248, 248}));
    EXPECT_EQ(pixel(2, 13), (std::array<int, 3>{160, 160, 160}));
    EXPECT_EQ(pixel(13, 13), (std::array<int, 3>{248, 248, 248}));
    EXPECT_EQ(pixel(0, 0), (std::array<int, 3>{212, 208, 200}));
    EXPECT_EQ(pixel(7, 7), (std::array<int, 3>{212, 208, 200})); // well untouched until cleared
    // The bottom-left picture pixel is the first in memory.
    EXPECT_EQ(tray_pixel_offset(0, 15), 0u);
}

TEST(TrayBitmap, BarBytesForLoads) {
    const struct {
        double load;
        int bytes;
    } cases[] = {{0, 0},      {0.0009765625, 1}, {0.0625, 19}, {0.125, 38}, {0.5, 150},
                 {1.0, 300},  {0.1, 30},         {1.5, 300},   {-0.2, 0},   {NAN, 0}};
    for (const auto &c : cases) {
        EXPECT_EQ(tray_bar_bytes(c.load), c.bytes) << c.load;
        const TRAY_BITMAP want = expected(c.bytes);
        EXPECT_EQ(drawn(c.load).bits, want.bits) << c.load;
    }
}

TEST(TrayBitmap, IconImageFlipsRowsAndSwapsBytes) {
    const TRAY_BITMAP image = drawn(0.5);
    TRAY_BITMAP mask;
    draw_tray_frame(mask, menu);
    mask.bits[tray_pixel_offset(0, 0)] = 255;
    mask.bits[tray_pixel_offset(0, 0) + 1] = 255;
    mask.bits[tray_pixel_offset(0, 0) + 2] = 255;
    const TRAY_ARGB q = tray_icon_argb(image, mask);
    const auto at = [&](int x, int y) { return q[static_cast<std::size_t>(y * 16 + x)]; };
    const auto rgb = [](unsigned r, unsigned g, unsigned b) { return 0xff000000u | r << 16 | g << 8 | b; };
    EXPECT_EQ(at(3, 12), rgb(bar, bar, bar)); // bottom well row is bar
    EXPECT_EQ(at(3, 3), rgb(bg, bg, bg));
    EXPECT_EQ(at(13, 2), rgb(248, 248, 248));
    EXPECT_EQ(at(5, 0), rgb(212, 208, 200));
    EXPECT_EQ(at(0, 0) >> 24, 0u); // white in the mask shows through
}
