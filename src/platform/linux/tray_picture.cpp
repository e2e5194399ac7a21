#include "platform/linux/tray_picture.h"

#include <algorithm>

namespace platform {

namespace {

// Scales an 8-bit channel value into the bits of mask.
std::uint32_t channel(std::uint32_t value, std::uint32_t mask) {
    if (!mask)
        return 0;
    int shift = 0;
    while (!(mask >> shift & 1))
        ++shift;
    const std::uint32_t max = mask >> shift;
    return (value * max + 127) / 255 << shift & mask;
}

} // namespace

TRAY_PLACEMENT place_tray_picture(int side, int window_width, int window_height) {
    TRAY_PLACEMENT at;
    if (side <= 0)
        return at;
    at.scale = std::max(1, std::min(window_width, window_height) / side);
    at.left = (window_width - side * at.scale) / 2;
    at.top = (window_height - side * at.scale) / 2;
    return at;
}

std::uint32_t to_pixel(std::uint32_t argb, const PIXEL_FORMAT &format) {
    std::uint32_t a = argb >> 24, r = argb >> 16 & 0xff, g = argb >> 8 & 0xff, b = argb & 0xff;
    if (format.alpha) {
        r = r * a / 255;
        g = g * a / 255;
        b = b * a / 255;
    }
    return channel(r, format.red_mask) | channel(g, format.green_mask) | channel(b, format.blue_mask) |
           (format.alpha ? a << 24 : 0);
}

void render_tray_picture(const std::uint32_t *argb, int side, const TRAY_PLACEMENT &at,
                         const PIXEL_FORMAT &format, int width, int height, std::vector<std::uint32_t> &out) {
    out.assign(static_cast<std::size_t>(std::max(0, width) * std::max(0, height)), 0);
    render_tray_picture_part(argb, side, at, format, width, height, {0, 0, width, height}, out);
}

void render_tray_picture_part(const std::uint32_t *argb, int side, const TRAY_PLACEMENT &at,
                              const PIXEL_FORMAT &format, int width, int height, const TRAY_RECT &part,
                              std::vector<std::uint32_t> &out) {
    if (!argb || side <= 0 || at.scale <= 0 ||
        out.size() != static_cast<std::size_t>(std::max(0, width) * std::max(0, height)))
        return;
    const TRAY_RECT shown = intersect(intersect(part, {0, 0, width, height}),
                                      {at.left, at.top, side * at.scale, side * at.scale});
    // The meter has a handful of colours, in runs: convert each run once.
    std::uint32_t last_argb = 0, last_pixel = 0;
    for (int y = shown.y; y < shown.y + shown.height; ++y) {
        const std::uint32_t *row = argb + (y - at.top) / at.scale * side;
        std::uint32_t *line = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = shown.x; x < shown.x + shown.width; ++x) {
            const std::uint32_t p = row[(x - at.left) / at.scale];
            if (p != last_argb) {
                last_argb = p;
                last_pixel = p >> 24 ? to_pixel(p, format) : 0;
            }
            line[x] = last_pixel;
        }
    }
}

TRAY_RECT intersect(const TRAY_RECT &a, const TRAY_RECT &b) {
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

TRAY_RECT changed_tray_rect(const std::uint32_t *before, const std::uint32_t *after, int side,
                            const TRAY_PLACEMENT &at, int width, int height) {
    if (!before || !after || side <= 0 || at.scale <= 0)
        return {};
    int left = side, top = side, right = -1, bottom = -1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (before[y * side + x] != after[y * side + x]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return {};
    return intersect({at.left + left * at.scale, at.top + top * at.scale, (right - left + 1) * at.scale,
                      (bottom - top + 1) * at.scale},
                     {0, 0, width, height});
}

void shrink_tray_picture(const std::uint32_t *argb, int side, int target, std::vector<std::uint32_t> &out) {
    out.assign(static_cast<std::size_t>(std::max(0, target) * std::max(0, target)), 0);
    if (!argb || side <= 0 || target <= 0 || target >= side)
        return;
    // In units of 1 / (side * target) picture pixels: picture pixel i spans
    // [i * target, (i + 1) * target), new pixel j spans [j * side, (j + 1) * side).
    const auto overlap = [&](int i, int j) {
        return std::max(0, std::min((i + 1) * target, (j + 1) * side) - std::max(i * target, j * side));
    };
    const std::uint64_t area = static_cast<std::uint64_t>(side) * static_cast<std::uint64_t>(side);
    for (int ty = 0; ty < target; ++ty)
        for (int tx = 0; tx < target; ++tx) {
            std::uint64_t a = 0, r = 0, g = 0, b = 0;
            for (int sy = ty * side / target; sy < side && sy * target < (ty + 1) * side; ++sy) {
                const int wy = overlap(sy, ty);
                for (int sx = tx * side / target; sx < side && sx * target < (tx + 1) * side; ++sx) {
                    const std::uint64_t w =
                        static_cast<std::uint64_t>(wy) * static_cast<std::uint64_t>(overlap(sx, tx));
                    const std::uint32_t p = argb[sy * side + sx];
                    const std::uint64_t wa = w * (p >> 24);
                    a += wa;
                    r += wa * (p >> 16 & 0xff);
                    g += wa * (p >> 8 & 0xff);
                    b += wa * (p & 0xff);
                }
            }
            if (!a)
                continue;
            const auto mean = [&](std::uint64_t c) { return static_cast<std::uint32_t>((c + a / 2) / a); };
            const std::uint32_t alpha = static_cast<std::uint32_t>((a + area / 2) / area);
            out[static_cast<std::size_t>(ty * target + tx)] =
                alpha << 24 | mean(r) << 16 | mean(g) << 8 | mean(b);
        }
}

int tray_side_to_request(int requested, int width, int height, int orientation) {
    int fixed = 0;
    if (width == height)
        fixed = 0;
    else if (orientation == 0)
        fixed = height;
    else if (orientation == 1)
        fixed = width;
    else if (width == requested)
        fixed = height;
    else if (height == requested)
        fixed = width;
    if (fixed <= 0)
        return requested;
    return std::clamp(fixed, min_tray_side, max_tray_side);
}

std::vector<TRAY_RECT> opaque_rects(const std::uint32_t *argb, int side, const TRAY_PLACEMENT &at, int width,
                                    int height) {
    std::vector<TRAY_RECT> rects;
    if (!argb || side <= 0 || at.scale <= 0)
        return rects;
    // Runs of one picture row, in picture pixels; rows with the same runs
    // extend the rectangles of the row above.
    std::vector<std::pair<int, int>> runs, above;
    std::size_t first_of_above = 0;
    for (int py = 0; py < side; ++py) {
        runs.clear();
        for (int px = 0; px < side;) {
            if (!(argb[py * side + px] >> 24)) {
                ++px;
                continue;
            }
            const int start = px;
            while (px < side && argb[py * side + px] >> 24)
                ++px;
            runs.emplace_back(start, px);
        }
        if (!runs.empty() && runs == above) {
            for (std::size_t i = first_of_above; i < rects.size(); ++i)
                rects[i].height += at.scale;
            continue;
        }
        first_of_above = rects.size();
        for (const auto &[from, to] : runs)
            rects.push_back({at.left + from * at.scale, at.top + py * at.scale, (to - from) * at.scale, at.scale});
        above = runs;
    }
    // Clip to the window.
    std::vector<TRAY_RECT> clipped;
    for (const TRAY_RECT &r : rects)
        if (const TRAY_RECT in = intersect(r, {0, 0, width, height}); !in.empty())
            clipped.push_back(in);
    return clipped;
}

} // namespace platform
