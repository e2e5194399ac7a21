// The tray meter's pixels: 16 x 16, 24-bit, blue-green-red bytes, rows of
// 48 bytes without padding, bottom-up (the first row in memory is the
// bottom row of the picture). Coordinates are x from the left and y from
// the top of the picture. Pure byte work.
//
// A 2-pixel margin, then a sunken frame (top and left edges dark grey 160,
// right and bottom light grey 248) around the well x, y = 3..12: 10 rows
// of 10 pixels, 30 bytes each, that fills from the bottom with the load.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr int tray_side = 16;
inline constexpr int tray_row_bytes = 48;
inline constexpr int tray_well_first = 3; // first well column and row
inline constexpr int tray_well_side = 10;
inline constexpr int tray_well_row_bytes = 30;
inline constexpr int tray_bar_max_bytes = 300;

struct TRAY_BITMAP {
    std::array<std::uint8_t, tray_side * tray_row_bytes> bits{};
};

struct RGB_COLOR {
    std::uint8_t red = 0, green = 0, blue = 0;
};

// Byte offset of pixel (x, y) (its blue byte).
constexpr std::size_t tray_pixel_offset(int x, int y) {
    return static_cast<std::size_t>((tray_side - 1 - y) * tray_row_bytes + x * 3);
}

// Fills the whole bitmap with fill and draws the frame.
void draw_tray_frame(TRAY_BITMAP &bitmap, RGB_COLOR fill);

// Fills the well with the grey background.
void clear_tray_well(TRAY_BITMAP &bitmap, std::uint8_t grey);

// Bytes of the well the bar covers for a load: load * 300 rounded up,
// 0..300 (a load outside 0..1 or not a number is clamped; noise below
// 1e-9 of a byte does not round up, so a load of 0.1 covers 30 bytes).
int tray_bar_bytes(double load);

// Writes grey into the first tray_bar_bytes(load) well bytes, bottom well
// row first, each row from x = 3 rightwards byte by byte, so a count that
// is not a multiple of 3 leaves a partly coloured last pixel (blue, or
// blue and green).
void draw_tray_bar(TRAY_BITMAP &bitmap, double load, std::uint8_t grey);
