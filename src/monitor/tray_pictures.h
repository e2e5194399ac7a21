// The two bitmaps behind the tray meter and their lifetime.
//
// create_tray_images runs on the GUI thread before cpu_sampler_thread
// starts; destroy_tray_images after it has finished. In between only the
// sampler writes tray_image, and only while it holds "get_cpu_and_other";
// tray_mask never changes after creation. Both creation and destruction
// take "get_cpu_and_other" too, so a sampler that is still running never
// sees a bitmap half made or gone.
#pragma once

#include "monitor/tray_bitmap.h"

#include <memory>

extern std::unique_ptr<TRAY_BITMAP> tray_image; // null when not created
extern std::unique_ptr<TRAY_BITMAP> tray_mask;

// Creates both bitmaps filled with menu_color (the platform's menu
// background) and draws the frame into each.
void create_tray_images(RGB_COLOR menu_color);

// Frees tray_mask, then tray_image.
void destroy_tray_images();
