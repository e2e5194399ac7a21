// The tray meter's pictures: the two bitmaps behind it, their lifetime,
// and the picture the tray icon shows made from them.
//
// create_tray_images runs on the GUI thread before cpu_sampler_thread
// starts; destroy_tray_images after it has finished. In between only the
// sampler writes tray_image, and only while it holds "get_cpu_and_other";
// tray_mask never changes after creation. Both creation and destruction
// take "get_cpu_and_other" too, so a sampler that is still running never
// sees a bitmap half made or gone.
#pragma once

#include "monitor/tray_bitmap.h"

#include <array>
#include <cstdint>
#include <memory>

extern std::unique_ptr<TRAY_BITMAP> tray_image; // null when not created
extern std::unique_ptr<TRAY_BITMAP> tray_mask;

// Creates both bitmaps filled with menu_color (the platform's menu
// background) and draws the frame into each.
void create_tray_images(RGB_COLOR menu_color);

// Frees tray_mask, then tray_image.
void destroy_tray_images();

// Makes the well of tray_image show load over the background grey with
// the bar grey: the same bytes as clear_tray_well then draw_tray_bar, but
// drawn only when the bar's byte count or a grey differs from what the
// well holds already (the meter moves in whole bytes, so most cycles
// change nothing). True when tray_image changed. Caller holds
// "get_cpu_and_other"; nothing without tray_image.
bool show_load_in_tray_image(double load, std::uint8_t background, std::uint8_t bar);

// The picture the tray icon shows: 16 x 16 pixels, top row first, each
// 0xAARRGGBB.
using TRAY_ARGB = std::array<std::uint32_t, tray_side * tray_side>;

// A pixel is transparent where mask is white, opaque elsewhere: a colour
// mask is read the way a monochrome conversion would read it, white =
// "show the background". With the usual menu colours the whole icon is
// opaque. Pure byte work; called on the sampler thread.
TRAY_ARGB tray_icon_argb(const TRAY_BITMAP &image, const TRAY_BITMAP &mask);
