#include "catalogue/tray_menu_model.h"

#include <gtest/gtest.h>

namespace {

LINK_MAP catalogue(std::initializer_list<std::pair<const char *, int>> entries) {
    LINK_MAP map;
    for (auto [path, show] : entries)
        map[path] = LINK_PROPERTIES_STRUCT{show, 0, 0};
    return map;
}

std::vector<std::string> captions(const TRAY_MENU_MODEL &m) {
    std::vector<std::string> out;
    for (const TRAY_MENU_ITEM &item : m.items)
        out.push_back(item.caption);
    return out;
}

APP_LIST as_list(const std::vector<std::string> &v) { return APP_LIST(v.begin(), v.end()); }

} // namespace

TEST(TrayMenuModel, ListsShownProgramsInDescendingOrderWithTagsIntoThePathList) {
    LINK_MAP map = catalogue({{"/bin/a", 1}, {"/bin/b", 1}, {"/bin/c", 0}, {"/bin/d", 2}, {"/bin/e", -1}});
    TRAY_MENU_MODEL m = tray_menu_model(map, false, true);
    EXPECT_EQ(captions(m), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(m.paths, (std::vector<std::string>{"/bin/a", "/bin/b"}));
    APP_LIST list = as_list(m.paths);
    for (const TRAY_MENU_ITEM &item : m.items)
        EXPECT_EQ(menu_path_for_tag(list, item.tag), item.path);

    // After a rebuild with fewer items the tags index the new list only.
    map["/bin/a"].show_in_menu = 0;
    TRAY_MENU_MODEL fewer = tray_menu_model(map, false, true);
    ASSERT_EQ(fewer.items.size(), 1u);
    EXPECT_EQ(fewer.items[0].tag, 0);
    list = as_list(fewer.paths);
    EXPECT_EQ(menu_path_for_tag(list, 0), "/bin/b");
    EXPECT_FALSE(menu_path_for_tag(list, 1));
    EXPECT_FALSE(menu_path_for_tag(list, -1));
}

TEST(TrayMenuModel, CaptionsWithAndWithoutFullPath) {
    EXPECT_EQ(menu_caption("/opt/My Tools/run", false), "run");
    EXPECT_EQ(menu_caption("/opt/My Tools/run", true), "/opt/My Tools/run");
    EXPECT_EQ(menu_caption("plain", false), "plain");
    EXPECT_EQ(menu_caption("/ends/", false), "");

    LINK_MAP map = catalogue({{"/x/y", 1}});
    TRAY_MENU_MODEL full = tray_menu_model(map, true, true);
    EXPECT_EQ(captions(full), (std::vector<std::string>{"/x/y"}));
    EXPECT_TRUE(full.rename_own_items);
    EXPECT_FALSE(tray_menu_model(map, false, true).rename_own_items);
    EXPECT_FALSE(tray_menu_model(LINK_MAP{}, true, true).rename_own_items)
        << "own items keep their captions while nothing is listed";
}

TEST(TrayMenuModel, OwnItemsAndTheGridMenusSettingsAreOpposite) {
    TRAY_MENU_MODEL shown = tray_menu_model(LINK_MAP{}, false, true);
    EXPECT_TRUE(shown.items.empty());
    EXPECT_TRUE(shown.own_items_visible);
    EXPECT_FALSE(shown.grid_settings_visible);

    TRAY_MENU_MODEL hidden_empty = tray_menu_model(LINK_MAP{}, false, false);
    EXPECT_TRUE(hidden_empty.items.empty()) << "hidden own items and no entry: nothing visible";
    EXPECT_FALSE(hidden_empty.own_items_visible);
    EXPECT_TRUE(hidden_empty.grid_settings_visible);

    TRAY_MENU_MODEL hidden_listed = tray_menu_model(catalogue({{"/p", 1}}), false, false);
    EXPECT_EQ(hidden_listed.items.size(), 1u);
    EXPECT_FALSE(hidden_listed.own_items_visible);
    EXPECT_TRUE(hidden_listed.grid_settings_visible);
}

TEST(TrayMenuModel, ImageRulesInTheirOrder) {
    EXPECT_EQ(choose_menu_image("/s/run.sh", true, true), MENU_IMAGE::script)
        << "script beats a stored image";
    EXPECT_EQ(choose_menu_image("/s/run.bat", false, false), MENU_IMAGE::script);
    EXPECT_EQ(choose_menu_image("/s/RUN.BAT", false, true), MENU_IMAGE::shell) << "case matters";
    EXPECT_EQ(choose_menu_image("/s/RUN.BAT", true, true), MENU_IMAGE::stored);
    EXPECT_EQ(choose_menu_image("/s/run.Sh", false, false), MENU_IMAGE::none);
    EXPECT_EQ(choose_menu_image("/s/bash", true, true), MENU_IMAGE::stored) << "stored beats the shell icon";
    EXPECT_EQ(choose_menu_image("/s/bash", false, true), MENU_IMAGE::shell);
    EXPECT_EQ(choose_menu_image("/s/.sh.x", false, false), MENU_IMAGE::none);
    EXPECT_TRUE(is_script_name(".sh"));
}
