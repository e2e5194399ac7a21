#include "catalogue/tray_menu_model.h"

namespace {

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

} // namespace

bool is_script_name(std::string_view path) { return ends_with(path, ".sh") || ends_with(path, ".bat"); }

MENU_IMAGE choose_menu_image(std::string_view path, bool stored_image, bool shell_icon) {
    if (is_script_name(path))
        return MENU_IMAGE::script;
    if (stored_image)
        return MENU_IMAGE::stored;
    if (shell_icon)
        return MENU_IMAGE::shell;
    return MENU_IMAGE::none;
}

std::string menu_caption(const std::string &path, bool full_path) {
    if (full_path)
        return path;
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TRAY_MENU_MODEL tray_menu_model(const LINK_MAP &catalogue, bool full_path, bool own_items) {
    TRAY_MENU_MODEL model;
    for (const auto &[path, properties] : catalogue) {
        if (properties.show_in_menu != 1)
            continue;
        int tag = static_cast<int>(model.paths.size());
        model.paths.push_back(path);
        model.items.insert(model.items.begin(), TRAY_MENU_ITEM{path, menu_caption(path, full_path), tag});
    }
    model.own_items_visible = own_items;
    model.grid_settings_visible = !own_items;
    model.rename_own_items = full_path && !model.items.empty();
    return model;
}

std::optional<std::string> menu_path_for_tag(const APP_LIST &paths, int tag) {
    if (tag < 0)
        return std::nullopt;
    int index = 0;
    for (const std::string &path : paths) {
        if (index == tag)
            return path;
        ++index;
    }
    return std::nullopt;
}
