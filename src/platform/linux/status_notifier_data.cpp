#include "platform/linux/status_notifier_data.h"

namespace platform {

std::vector<std::uint8_t> status_notifier_pixmap(const std::uint32_t *argb, int side, int scale) {
    std::vector<std::uint8_t> out;
    if (!argb || side < 1 || scale < 1)
        return out;
    const int size = side * scale;
    out.reserve(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
    for (int y = 0; y < size; ++y) {
        const std::uint32_t *row = argb + static_cast<std::ptrdiff_t>(y / scale) * side;
        for (int x = 0; x < size; ++x) {
            const std::uint32_t p = row[x / scale];
            out.push_back(static_cast<std::uint8_t>(p >> 24));
            out.push_back(static_cast<std::uint8_t>(p >> 16));
            out.push_back(static_cast<std::uint8_t>(p >> 8));
            out.push_back(static_cast<std::uint8_t>(p));
        }
    }
    return out;
}

std::string dbus_menu_label(std::string_view toolkit_label) {
    std::string out;
    out.reserve(toolkit_label.size());
    for (std::size_t i = 0; i < toolkit_label.size(); ++i) {
        const char c = toolkit_label[i];
        if (c == '_') {
            out += "__";
        } else if (c != '&') {
            out += c;
        } else if (i + 1 < toolkit_label.size()) {
            // "&&" is a plain ampersand, "&x" marks x.
            ++i;
            if (toolkit_label[i] == '&') {
                out += '&';
            } else {
                out += '_';
                if (toolkit_label[i] == '_')
                    out += '_';
                out += toolkit_label[i];
            }
        }
    }
    return out;
}

} // namespace platform
