// The bytes a StatusNotifierItem and its exported menu hand to a host:
// pure work on pixels and text, free of D-Bus, so that it can be tested
// on prepared data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The picture (side x side, top row first, 0xAARRGGBB) as one icon pixmap
// of the item: (side * scale) square, every picture pixel scale x scale
// pixels, each pixel 4 bytes A, R, G, B (network byte order). Empty for
// a side or scale below 1.
std::vector<std::uint8_t> status_notifier_pixmap(const std::uint32_t *argb, int side, int scale);

// A menu label for the host: the toolkit marks the mnemonic with '&' and
// writes a plain '&' as "&&"; the menu protocol marks it with '_' and
// writes a plain '_' as "__". A trailing lone '&' is dropped.
std::string dbus_menu_label(std::string_view toolkit_label);

} // namespace platform
