// Turns the tray meter's bitmaps into the picture the tray icon shows:
// 16 x 16 pixels, top row first, each 0xAARRGGBB. Pure byte work; called
// on the sampler thread.
#pragma once

#include "monitor/tray_bitmap.h"

#include <array>
#include <cstdint>

using TRAY_ARGB = std::array<std::uint32_t, tray_side * tray_side>;

// A pixel is transparent where mask is white, opaque elsewhere: a colour
// mask is read the way a monochrome conversion would read it, white =
// "show the background". With the usual menu colours the whole icon is
// opaque.
TRAY_ARGB tray_icon_argb(const TRAY_BITMAP &image, const TRAY_BITMAP &mask);
