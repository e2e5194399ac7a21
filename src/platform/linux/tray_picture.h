// The tray icon's picture laid out in its window: pure pixel work, free of
// Xlib, so that it can be tested on prepared pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// Where the picture sits in a window: scaled by a whole factor (at least
// 1, the largest that fits), centred.
struct TRAY_PLACEMENT {
    int scale = 1;
    int left = 0, top = 0;
};
TRAY_PLACEMENT place_tray_picture(int side, int window_width, int window_height);

// A TrueColor visual's pixel layout. alpha: a 32-bit visual whose top byte
// is alpha (pixels are premultiplied).
struct PIXEL_FORMAT {
    std::uint32_t red_mask = 0xff0000, green_mask = 0xff00, blue_mask = 0xff;
    bool alpha = false;
};
std::uint32_t to_pixel(std::uint32_t argb, const PIXEL_FORMAT &format);

// The window's pixels, row by row (width * height): the picture placed and
// scaled, 0 elsewhere and where the picture is transparent.
void render_tray_picture(const std::uint32_t *argb, int side, const TRAY_PLACEMENT &at,
                         const PIXEL_FORMAT &format, int width, int height, std::vector<std::uint32_t> &out);

// The window rectangles the picture's opaque pixels cover, clipped to the
// window: runs of opaque pixels, with rows of identical runs merged. A
// window that cannot show transparency gets only these drawn, so that its
// background (the tray's) shows elsewhere.
struct TRAY_RECT {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const TRAY_RECT &) const = default;
};
std::vector<TRAY_RECT> opaque_rects(const std::uint32_t *argb, int side, const TRAY_PLACEMENT &at, int width,
                                    int height);

} // namespace platform
