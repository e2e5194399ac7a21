#include "monitor/tray_bitmap.h"

#include <cmath>
#include <cstring>

namespace {

void put_pixel(TRAY_BITMAP &b, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t bl) {
    const std::size_t at = tray_pixel_offset(x, y);
    b.bits[at] = bl;
    b.bits[at + 1] = g;
    b.bits[at + 2] = r;
}

std::uint8_t *well_row(TRAY_BITMAP &b, int row_from_top) {
    return b.bits.data() + tray_pixel_offset(tray_well_first, tray_well_first + row_from_top);
}

} // namespace

void draw_tray_frame(TRAY_BITMAP &bitmap, RGB_COLOR fill) {
    for (int y = 0; y < tray_side; ++y)
        for (int x = 0; x < tray_side; ++x)
            put_pixel(bitmap, x, y, fill.red, fill.green, fill.blue);
    constexpr std::uint8_t dark = 160, light = 248;
    for (int x = 2; x <= 12; ++x)
        put_pixel(bitmap, x, 2, dark, dark, dark);
    for (int y = 2; y <= 13; ++y) {
        put_pixel(bitmap, 2, y, dark, dark, dark);
        put_pixel(bitmap, 13, y, light, light, light);
    }
    for (int x = 3; x <= 13; ++x)
        put_pixel(bitmap, x, 13, light, light, light);
}

void clear_tray_well(TRAY_BITMAP &bitmap, std::uint8_t grey) {
    for (int row = 0; row < tray_well_side; ++row)
        std::memset(well_row(bitmap, row), grey, tray_well_row_bytes);
}

int tray_bar_bytes(double load) {
    if (!(load > 0))
        return 0; // also NaN
    if (load >= 1)
        return tray_bar_max_bytes;
    return static_cast<int>(std::ceil(load * tray_bar_max_bytes - 1e-9));
}

void draw_tray_bar(TRAY_BITMAP &bitmap, double load, std::uint8_t grey) {
    int bytes = tray_bar_bytes(load);
    for (int row = tray_well_side - 1; row >= 0 && bytes > 0; --row) {
        std::memset(well_row(bitmap, row), grey,
                    static_cast<std::size_t>(bytes < tray_well_row_bytes ? bytes : tray_well_row_bytes));
        bytes -= tray_well_row_bytes;
    }
}
