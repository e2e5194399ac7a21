#include "catalogue/icon_store_format.h"

#include <algorithm>
#include <cstring>

bool storable_icon_path(std::string_view path) {
    return !path.empty() && path.size() < icon_name_width && path.find('\0') == std::string_view::npos;
}

std::optional<std::size_t> find_icon_record(std::string_view store, std::string_view path) {
    if (!storable_icon_path(path))
        return std::nullopt;
    // Only whole records count; a partial record at the end is no match.
    for (std::size_t at = 0; at + icon_record_size <= store.size(); at += icon_record_size) {
        const std::string_view name = store.substr(at, icon_name_width);
        if (name.substr(0, path.size()) == path && name[path.size()] == '\0')
            return at;
    }
    return std::nullopt;
}

std::optional<ICON_IMAGE> find_icon_image(std::string_view store, std::string_view path) {
    std::optional<std::size_t> at = find_icon_record(store, path);
    if (!at)
        return std::nullopt;
    ICON_IMAGE image;
    std::memcpy(image.data(), store.data() + *at + icon_name_width, icon_image_bytes);
    return image;
}

std::string icon_record(std::string_view path, const ICON_IMAGE &image) {
    std::string record(icon_record_size, '\0');
    std::memcpy(record.data(), path.data(), std::min(path.size(), icon_name_width - 1));
    std::memcpy(record.data() + icon_name_width, image.data(), icon_image_bytes);
    return record;
}

std::string store_with_icon(std::string_view store, std::string_view path, const ICON_IMAGE &image,
                            bool *store_damaged) {
    std::size_t whole = store.size() - store.size() % icon_record_size;
    if (store_damaged)
        *store_damaged = whole != store.size();
    std::string out(store.substr(0, whole));
    if (std::optional<std::size_t> at = find_icon_record(out, path))
        std::memcpy(out.data() + *at + icon_name_width, image.data(), icon_image_bytes);
    else
        out += icon_record(path, image);
    return out;
}
