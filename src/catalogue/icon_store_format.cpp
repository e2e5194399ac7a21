#include "catalogue/icon_store_format.h"

#include <algorithm>
#include <cstring>

bool storable_icon_path(std::string_view path) {
    return !path.empty() && path.size() < icon_name_width && path.find('\0') == std::string_view::npos;
}

std::optional<std::size_t> find_icon_record(std::string_view store, std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string needle(path);
    needle.push_back('\0');
    for (std::size_t from = 0;;) {
        std::size_t at = store.find(needle, from);
        if (at == std::string_view::npos)
            return std::nullopt;
        // A match whose image would run past the data is no match.
        if (at + icon_record_size <= store.size())
            return at;
        from = at + 1;
    }
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
