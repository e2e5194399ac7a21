// Vorkel's own icon, for its windows and its tray icon's window.
//
// GUI thread (needs the application object).
#pragma once

#include <QIcon>

#include <cstdint>
#include <vector>

// The icon theme's "vorkel" (the installed icon), else the copy built into
// the program; null when neither exists.
QIcon vorkel_icon();

// The icon as _NET_WM_ICON data: for each side, side, side, then side x
// side pixels 0xAARRGGBB, top row first. Empty for a null icon.
std::vector<std::uint32_t> icon_argb_images(const QIcon &icon, const std::vector<int> &sides);
