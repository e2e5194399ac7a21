#include "monitor/tray_pictures.h"

#include "common/sfx_mutex.h"
#include "monitor/perf_reader.h"

std::unique_ptr<TRAY_BITMAP> tray_image;
std::unique_ptr<TRAY_BITMAP> tray_mask;

namespace {

// What the well of tray_image shows (under "get_cpu_and_other"); a
// bar_bytes of -1: not drawn since the image was made.
struct WELL_CONTENTS {
    int bar_bytes = -1;
    std::uint8_t background = 0, bar = 0;
    bool operator==(const WELL_CONTENTS &) const = default;
};
WELL_CONTENTS well;

} // namespace

void create_tray_images(RGB_COLOR menu_color) {
    auto mask = std::make_unique<TRAY_BITMAP>();
    auto image = std::make_unique<TRAY_BITMAP>();
    draw_tray_frame(*mask, menu_color);
    draw_tray_frame(*image, menu_color);
    SFXLock hold(get_cpu_and_other_mutex());
    tray_mask = std::move(mask);
    tray_image = std::move(image);
    well = WELL_CONTENTS{};
}

bool show_load_in_tray_image(double load, std::uint8_t background, std::uint8_t bar) {
    if (!tray_image)
        return false;
    const WELL_CONTENTS wanted{tray_bar_bytes(load), background, bar};
    if (wanted == well)
        return false;
    clear_tray_well(*tray_image, background);
    draw_tray_bar(*tray_image, load, bar);
    well = wanted;
    return true;
}

void destroy_tray_images() {
    SFXLock hold(get_cpu_and_other_mutex());
    tray_mask.reset();
    tray_image.reset();
}

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
