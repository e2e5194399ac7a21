// Vorkel's own 16 x 16 pictures for the tray menu: the four own items
// (exit, shut down, show list, settings) and the script picture. Each is
// drawn per scale on a 16-unit grid (pixel-aligned at 1x, 1.5x and 2x), so
// it stays crisp on high-density screens.
//
// Threads: GUI thread (pixmaps).
#pragma once

#include <QIcon>

#include <vector>

// Index 0 exit, 1 shut down, 2 show list, 3 settings.
std::vector<QIcon> own_item_images();

// The picture of ".sh" and ".bat" programs in the tray menu.
QIcon script_image();
