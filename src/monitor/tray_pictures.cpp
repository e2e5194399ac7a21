#include "monitor/tray_pictures.h"

#include "common/sfx_mutex.h"
#include "monitor/perf_reader.h"

std::unique_ptr<TRAY_BITMAP> tray_image;
std::unique_ptr<TRAY_BITMAP> tray_mask;

void create_tray_images(RGB_COLOR menu_color) {
    auto mask = std::make_unique<TRAY_BITMAP>();
    auto image = std::make_unique<TRAY_BITMAP>();
    draw_tray_frame(*mask, menu_color);
    draw_tray_frame(*image, menu_color);
    SFXLock hold(get_cpu_and_other_mutex());
    tray_mask = std::move(mask);
    tray_image = std::move(image);
}

void destroy_tray_images() {
    SFXLock hold(get_cpu_and_other_mutex());
    tray_mask.reset();
    tray_image.reset();
}
