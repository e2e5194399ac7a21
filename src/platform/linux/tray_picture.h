// The tray icon's picture laid out in its window: pure pixel work, free of
// Xlib, so that it can be tested on prepared pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// Where the picture sits in a window: scaled by a whole factor (at least
// 1, the largest that fits), centred. A window smaller than the picture
// shows it shrunk first (shrink_tray_picture), so that it is never cut.
struct TRAY_PLACEMENT {
    int scale = 1;
    int left = 0, top = 0;
};
TRAY_PLACEMENT place_tray_picture(int side, int window_width, int window_height);

// A rectangle of window pixels.
struct TRAY_RECT {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const TRAY_RECT &) const = default;
    bool empty() const { return width <= 0 || height <= 0; }
};

// The part two rectangles share; empty when none.
TRAY_RECT intersect(const TRAY_RECT &a, const TRAY_RECT &b);

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

// render_tray_picture for the pixels inside part (window pixels) only:
// out already holds the window's pixels for an earlier picture at the
// same placement and size, and keeps them outside part. A new picture
// then costs only the pixels that changed.
void render_tray_picture_part(const std::uint32_t *argb, int side, const TRAY_PLACEMENT &at,
                              const PIXEL_FORMAT &format, int width, int height, const TRAY_RECT &part,
                              std::vector<std::uint32_t> &out);

// The window rectangle that shows the picture pixels in which before and
// after differ: the smallest one around them, placed and scaled as at
// says, clipped to the window. Empty (0 x 0) when no shown pixel differs.
TRAY_RECT changed_tray_rect(const std::uint32_t *before, const std::uint32_t *after, int side,
                            const TRAY_PLACEMENT &at, int width, int height);

// The picture shrunk to target x target (0 < target < side): each new
// pixel is the area-weighted mean of the picture pixels it covers, alpha
// weighting the colours, so the frame and the load bar stay whole.
void shrink_tray_picture(const std::uint32_t *argb, int side, int target, std::vector<std::uint32_t> &out);

// The side of the square the icon asks the tray for (its size hints),
// given the side it asked for last and the size the tray made it.
// Trays fix one dimension (a horizontal tray its height, a vertical one
// its width) and may size the other from the hints: the icon follows the
// fixed one, so that it becomes square. orientation is the tray's
// published one (0 horizontal, 1 vertical, -1 not published); without
// it the dimension that did not follow the last request is taken. A
// square size, or one where neither dimension tells, keeps the request.
// The result stays within [min_tray_side, max_tray_side].
constexpr int min_tray_side = 8, max_tray_side = 256;
int tray_side_to_request(int requested, int width, int height, int orientation);

// The window rectangles the picture's opaque pixels cover, clipped to the
// window: runs of opaque pixels, with rows of identical runs merged. A
// window that cannot show transparency gets only these drawn, so that its
// background (the tray's) shows elsewhere.
std::vector<TRAY_RECT> opaque_rects(const std::uint32_t *argb, int side, const TRAY_PLACEMENT &at, int width,
                                    int height);

} // namespace platform
