#include "monitor/tray_icon_argb.h"

TRAY_ARGB tray_icon_argb(const TRAY_BITMAP &image, const TRAY_BITMAP &mask) {
    TRAY_ARGB out{};
    for (int y = 0; y < tray_side; ++y) {
        for (int x = 0; x < tray_side; ++x) {
            const std::size_t at = tray_pixel_offset(x, y);
            const bool clear = mask.bits[at] == 255 && mask.bits[at + 1] == 255 && mask.bits[at + 2] == 255;
            out[static_cast<std::size_t>(y * tray_side + x)] =
                (clear ? 0u : 0xff000000u) | std::uint32_t{image.bits[at + 2]} << 16 |
                std::uint32_t{image.bits[at + 1]} << 8 | image.bits[at];
        }
    }
    return out;
}
