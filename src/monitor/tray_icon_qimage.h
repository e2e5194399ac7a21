// Turns the tray meter's bitmaps into an image with alpha for the tray
// icon. QtGui only; called on the sampler thread (QImage is safe to build
// off the GUI thread).
#pragma once

#include "monitor/tray_bitmap.h"

#include <QImage>

// 16 x 16 ARGB32 image of image's pixels, top row first. A pixel is
// transparent where mask is white, opaque elsewhere: a colour mask is
// read the way a monochrome conversion would read it, white = "show the
// background". With the usual menu colours the whole icon is opaque.
QImage tray_icon_qimage(const TRAY_BITMAP &image, const TRAY_BITMAP &mask);
