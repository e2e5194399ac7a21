#include "catalogue/catalogue_file.h"
#include "catalogue/link_map.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct LinkMap : ::testing::Test {
    std::string path = test_env::make_temp_dir("lm") + "/vorkel.dat";
    void SetUp() override {
        clear_catalogue();
        set_catalogue_save_path(path);
    }
    void TearDown() override {
        clear_catalogue();
        set_catalogue_save_path("");
    }
    std::vector<std::string> walk() {
        std::vector<std::string> keys;
        for (auto it = link_map_access(link_op::first); it != link_map_access(link_op::end);
             it = link_map_access(link_op::next, {}, {}, it))
            keys.push_back(it->first);
        return keys;
    }
};

} // namespace

TEST_F(LinkMap, KeysSortByUnsignedBytesCaseSensitivelyPrefixFirst) {
    for (const char *k : {"/b", "/a/b", "/\x80", "/a", "/B", "/\x7f", "/a/"})
        link_map_access(link_op::insert, k);
    EXPECT_EQ(walk(), (std::vector<std::string>{"/B", "/a", "/a/", "/a/b", "/b", "/\x7f", "/\x80"}));
}

TEST_F(LinkMap, InsertKeepsExistingRecordAndRefusesUnstorableKeys) {
    auto first = link_map_access(link_op::insert, "/x", {1, -1, 7});
    auto again = link_map_access(link_op::insert, "/x", {0, 0, 0});
    EXPECT_EQ(first, again);
    EXPECT_EQ(again->second.reserved, 7);

    EXPECT_EQ(link_map_access(link_op::insert, std::string(260, 'a')), link_map_access(link_op::end));
    EXPECT_EQ(link_map_access(link_op::insert, std::string("/a\0b", 4)),
              link_map_access(link_op::end));
    EXPECT_NE(link_map_access(link_op::insert, std::string(259, 'a')), link_map_access(link_op::end));
    EXPECT_EQ(link_map.size(), 2u);
    EXPECT_EQ(never_add_access(never_add_op::append, std::string(300, 'n')),
              never_add_access(never_add_op::end));
    EXPECT_TRUE(never_add_list.empty());
}

TEST_F(LinkMap, FindChangeEraseAndSaveGoToTheFile) {
    link_map_access(link_op::insert, "/usr/bin/ed");
    link_map_access(link_op::insert, "/usr/bin/vi");
    auto it = link_map_access(link_op::find, "/usr/bin/ed");
    ASSERT_NE(it, link_map_access(link_op::end));
    it->second.show_in_menu = 1;
    link_map_access(link_op::erase, {}, {}, link_map_access(link_op::find, "/usr/bin/vi"));
    EXPECT_EQ(link_map_access(link_op::find, "/usr/bin/vi"), link_map_access(link_op::end));
    link_map_access(link_op::save);

    never_add_access(never_add_op::append, "/usr/bin/vi");
    never_add_access(never_add_op::append, "/usr/bin/vi");
    never_add_access(never_add_op::save);

    LINK_MAP map;
    APP_LIST list;
    read_catalogue(path, map, list);
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.at("/usr/bin/ed").show_in_menu, 1);
    EXPECT_EQ(list, (APP_LIST{"/usr/bin/vi", "/usr/bin/vi"}));

    never_add_access(never_add_op::erase, {}, never_add_access(never_add_op::first));
    EXPECT_EQ(never_add_list.size(), 1u);
}

TEST_F(LinkMap, ClearEmptiesAllThreeAndWaitsForGridBusy) {
    link_map_access(link_op::insert, "/a");
    never_add_access(never_add_op::append, "/b");
    menu_path_list.push_back("/a");
    take_grid_busy();
    std::atomic<bool> done{false};
    std::thread t([&] {
        clear_catalogue();
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // give it time to (wrongly) proceed
    EXPECT_FALSE(done);
    EXPECT_EQ(link_map.size(), 1u);
    release_grid_busy();
    t.join();
    EXPECT_TRUE(link_map.empty());
    EXPECT_TRUE(never_add_list.empty());
    EXPECT_TRUE(menu_path_list.empty());
    EXPECT_FALSE(grid_busy);
}
