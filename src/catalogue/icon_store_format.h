// The bytes of the icon store links.dat (see icon_store.h for the file):
// lookup and update of its records. Pure.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t icon_name_width = 260;
constexpr std::size_t icon_image_bytes = 768;
constexpr std::size_t icon_record_size = icon_name_width + icon_image_bytes; // 1028
constexpr int icon_side = 16;

// 16 x 16 pixels, bottom row first, blue-green-red per pixel.
using ICON_IMAGE = std::array<std::uint8_t, icon_image_bytes>;

// The offset of the first record whose name is path (see icon_store.h),
// if any: a multiple of the record size, the whole record inside store.
// A path that does not fit a name field never matches.
std::optional<std::size_t> find_icon_record(std::string_view store, std::string_view path);

// The image stored for path, if any.
std::optional<ICON_IMAGE> find_icon_image(std::string_view store, std::string_view path);

// True when path fits a name field: 1 to 259 bytes, no zero byte.
bool storable_icon_path(std::string_view path);

// The bytes of a new store record for path (storable_icon_path(path)).
std::string icon_record(std::string_view path, const ICON_IMAGE &image);

// The store after setting image for path: a match is overwritten in
// place, otherwise a record is appended. A store with a partial record at
// its end first loses that partial record. store_damaged tells whether
// that happened (the caller keeps the old file aside).
std::string store_with_icon(std::string_view store, std::string_view path, const ICON_IMAGE &image,
                            bool *store_damaged = nullptr);
