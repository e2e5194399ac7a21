#include "catalogue/catalogue_file.h"
#include "catalogue/discovery.h"
#include "catalogue/link_map.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <map>

#include <sys/stat.h>

namespace {

struct FAKE_WINDOW {
    bool visible = true;
    bool owned = false;
    std::string class_name = "Editor";
    std::string title = "untitled - Editor";
    std::string exe = "/usr/bin/ed";
};

// A desktop made of records; counts executable lookups, the costly step.
class fake_source : public platform::window_source {
public:
    std::vector<FAKE_WINDOW> windows;
    int exe_lookups = 0;
    std::vector<platform::window_id> top_level_windows() override {
        std::vector<platform::window_id> ids;
        for (std::size_t i = 0; i < windows.size(); ++i)
            ids.push_back(i);
        return ids;
    }
    bool is_visible(platform::window_id w) override { return windows[w].visible; }
    bool has_owner(platform::window_id w) override { return windows[w].owned; }
    std::string class_name(platform::window_id w) override { return windows[w].class_name; }
    std::string title(platform::window_id w) override { return windows[w].title; }
    std::string executable_path(platform::window_id w) override {
        ++exe_lookups;
        return windows[w].exe;
    }
};

struct Discovery : ::testing::Test {
    std::string path = test_env::make_temp_dir("disc") + "/vorkel.dat";
    fake_source desktop;
    std::vector<std::string> rows; // what the grid would append
    program_added_callback on_added = [this](const std::string &p) { rows.push_back(p); };
    void SetUp() override {
        clear_catalogue();
        set_catalogue_save_path(path);
        create_catalogue(path);
    }
    void TearDown() override {
        clear_catalogue();
        set_catalogue_save_path("");
    }
    ino_t file_inode() {
        struct stat st {};
        stat(path.c_str(), &st);
        return st.st_ino;
    }
};

} // namespace

TEST_F(Discovery, RejectedWindowsAddNothingAndNeverReachTheExecutable) {
    FAKE_WINDOW hidden, owned, desktop_window, untitled;
    hidden.visible = false;
    owned.owned = true;
    desktop_window.class_name = "pROGMAN";
    untitled.title.clear();
    desktop.windows = {hidden, owned, desktop_window, untitled};
    ino_t before = file_inode();
    EXPECT_EQ(scan_windows(desktop, on_added), 0);
    EXPECT_EQ(desktop.exe_lookups, 0);
    EXPECT_TRUE(link_map.empty());
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(file_inode(), before); // nothing new: the file is not rewritten
}

TEST_F(Discovery, NewProgramIsCataloguedUnderTrimmedKeyOnceAndSaved) {
    FAKE_WINDOW a, b, no_exe, progman_like;
    a.exe = "  /opt/My Tools/x y \t";
    b.exe = "/opt/My Tools/x y"; // same program, second window
    no_exe.exe.clear();
    progman_like.class_name = "Progmanager";
    progman_like.exe = "/usr/bin/pm";
    desktop.windows = {a, b, no_exe, progman_like};
    EXPECT_EQ(scan_windows(desktop, on_added), 2);
    EXPECT_EQ(rows, (std::vector<std::string>{"  /opt/My Tools/x y \t", "/usr/bin/pm"}));

    LINK_MAP on_disk;
    APP_LIST banned;
    read_catalogue(path, on_disk, banned);
    ASSERT_EQ(on_disk.size(), 2u);
    const auto &rec = on_disk.at("/opt/My Tools/x y");
    EXPECT_EQ(rec.show_in_menu, 0);
    EXPECT_EQ(rec.startup, 0);
    EXPECT_EQ(rec.reserved, 0);

    ino_t before = file_inode();
    rows.clear();
    EXPECT_EQ(scan_windows(desktop, on_added), 0);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(file_inode(), before);
}

TEST_F(Discovery, NeverAddMatchesExactUntrimmedBytesOnly) {
    never_add_access(never_add_op::append, "/usr/bin/Ed");
    never_add_access(never_add_op::append, "/usr/bin/vi");
    FAKE_WINDOW banned, other_case, padded;
    banned.exe = "/usr/bin/Ed";
    other_case.exe = "/usr/bin/ed";
    padded.exe = "/usr/bin/vi "; // the list holds it without the blank
    desktop.windows = {banned, other_case, padded};
    EXPECT_EQ(scan_windows(desktop, on_added), 2);
    EXPECT_EQ(link_map.count("/usr/bin/Ed"), 0u);
    EXPECT_EQ(link_map.count("/usr/bin/ed"), 1u);
    EXPECT_EQ(link_map.count("/usr/bin/vi"), 1u);
}

TEST_F(Discovery, PathTooLongForTheFileIsNotCatalogued) {
    FAKE_WINDOW w;
    w.exe = "/" + std::string(300, 'x');
    desktop.windows = {w};
    EXPECT_EQ(scan_windows(desktop, on_added), 0);
    EXPECT_TRUE(link_map.empty());
    EXPECT_TRUE(rows.empty());
}
