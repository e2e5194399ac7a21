// Pictures for programs and files: the desktop's icon of a program (for
// the tray menu) and the icons inside a file (for the change-icon dialog),
// and the conversion between a picture and the icon store's 768 bytes.
//
// Hostile files are read with limits: only regular files up to
// max_icon_file_bytes are opened, images larger than 4096 pixels a side
// are not decoded, an icon file yields at most 100 images, and nothing
// waits on a device or a pipe.
//
// Threads: GUI thread (icon themes and pixmaps are the toolkit's).
#pragma once

#include "catalogue/icon_store.h"

#include <QColor>
#include <QIcon>
#include <QImage>

#include <string>
#include <vector>

constexpr std::uint64_t max_icon_file_bytes = 16u << 20;
constexpr int max_file_icons = 100;

// The desktop's icon for the file at path: the icon of the desktop entry
// that starts it, else its file type's icon. Null when the file does not
// exist or the theme has neither.
QIcon shell_icon(const std::string &path);

// The icon a reference names: an absolute image file path, or a theme
// icon name (a name ending in .png, .svg or .xpm is also tried without it).
QIcon icon_from_reference(const std::string &reference);

// The icons of a file, in file order, each 16 x 16 (transparent where the
// icon is): every image of an .ico file; the small icon of each icon group
// of a Windows program or library; the one image of a .png, .svg, .xpm or
// other image file; the icon a .desktop file names; for a program, the
// icon of its desktop entry. Empty when it has none.
std::vector<QImage> icons_in_file(const std::string &path, int max_images = max_file_icons);

// The stored image as a 16 x 16 picture.
QImage image_from_icon(const ICON_IMAGE &icon);

// The picture drawn over background at 16 x 16, as stored bytes (bottom row
// first, blue-green-red). A null picture gives the plain background.
ICON_IMAGE icon_from_image(const QImage &picture, QColor background);
