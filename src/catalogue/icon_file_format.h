// The directory of an icon file (.ico): where each image lies and whether
// its header is sound enough to hand to an image decoder. Pure functions
// over the file's bytes; offsets and sizes are checked against the data.
//
// Layout: a 6-byte header (0, type 1, count), then count 16-byte entries
// (width, height, colours, 0, planes, bits per pixel, byte count, offset),
// each naming an image that is either a PNG stream or a device-independent
// bitmap (a 40-byte header with double height, the colour pixels, then a
// 1-bit mask).
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

struct ICO_ENTRY {
    std::size_t offset = 0;
    std::size_t size = 0;
    bool png = false;
};

// The usable images in file order, at most max_images. Entries whose data
// lies outside the file, or whose bitmap header is implausible (zero or
// over 256 pixels a side, unknown depth, compressed, data shorter than its
// pixels need), are left out. Empty when the bytes are not an icon file.
std::vector<ICO_ENTRY> ico_entries(std::string_view file, std::size_t max_images = 100);

// A one-image icon file holding the image of entry (for a decoder that
// takes whole files).
std::string single_image_ico(std::string_view file, const ICO_ENTRY &entry);

// The small icons of a Windows program or library (PE file), one per icon
// group of its resources, in the resources' order, at most max_icons: for
// each group the image nearest 16 x 16 (the deepest colour among equals),
// as a one-image icon file. Every header, directory and offset is checked
// against the data; a file that is not a PE file, or has no icon
// resources, gives none.
std::vector<std::string> pe_small_icons(std::string_view file, std::size_t max_icons = 100);
