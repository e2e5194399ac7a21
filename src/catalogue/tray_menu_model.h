// What the tray launcher menu holds at one opening, worked out from the
// catalogue and the options without any widget: which programs are listed,
// in which order, with which captions and tags, which image rule gives
// each its picture, and which own commands show.
//
// The programs whose show_in_menu is exactly 1 are listed above the six
// own items, in descending key order (each is put at the top as the
// catalogue is walked upwards). A listed program's tag is its index in
// menu_path_list, which holds the listed paths in ascending key order.
//
// Threads: pure functions; the tray menu calls them on the GUI thread.
#pragma once

#include "catalogue/link_map.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where a listed program's picture comes from, in the order the rules are
// tried.
enum class MENU_IMAGE {
    script, // the built-in script picture: the name ends in ".sh" or ".bat" (exact case)
    stored, // the image stored for the path in the icon store
    shell,  // the desktop's icon for the file
    none,   // no picture
};

// The first rule that applies to path, given whether the icon store holds
// an image for it and whether the desktop has an icon for it.
MENU_IMAGE choose_menu_image(std::string_view path, bool stored_image, bool shell_icon);

// True for the names that get the script picture.
bool is_script_name(std::string_view path);

// A listed program's caption: the whole path with full_path, otherwise the
// text after its last '/' (a path without one stays whole).
std::string menu_caption(const std::string &path, bool full_path);

struct TRAY_MENU_ITEM {
    std::string path;
    std::string caption;
    int tag = 0; // index of path in menu_path_list
};

struct TRAY_MENU_MODEL {
    std::vector<TRAY_MENU_ITEM> items;  // listed programs, top of the menu first
    std::vector<std::string> paths;     // the new menu_path_list, by tag
    bool own_items_visible = true;      // N4, N1, N25, N2, N14, N3
    bool grid_settings_visible = false; // N27 and N28 of the grid's menu
    // With full paths, once a program is listed, the own items are renamed
    // "Exit", "Shut down" and "Show list"; otherwise their captions stay
    // as they are.
    bool rename_own_items = false;
};

TRAY_MENU_MODEL tray_menu_model(const LINK_MAP &catalogue, bool full_path, bool own_items);

// The path of the item with tag, if menu_path_list has one.
std::optional<std::string> menu_path_for_tag(const APP_LIST &paths, int tag);
