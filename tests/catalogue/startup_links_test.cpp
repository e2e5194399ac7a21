#include "catalogue/desktop_entry.h"
#include "catalogue/startup_links.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <sys/stat.h>

namespace {

struct StartupLinks : ::testing::Test {
    std::string config = test_env::make_temp_dir("cfg");
    std::string saved = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    void SetUp() override { setenv("XDG_CONFIG_HOME", config.c_str(), 1); }
    void TearDown() override { setenv("XDG_CONFIG_HOME", saved.c_str(), 1); }
    DESKTOP_ENTRY_STRUCT read_entry(const std::string &file) {
        DESKTOP_ENTRY_STRUCT e;
        EXPECT_TRUE(parse_desktop_entry(test_env::read_file(file), e));
        return e;
    }
};

} // namespace

TEST_F(StartupLinks, NameComesFromTheProgramsFileName) {
    EXPECT_EQ(startup_link_name("/opt/ed/ed"), config + "/autostart/ed.desktop");
    EXPECT_EQ(startup_link_name("/opt/My Tools/x y"), config + "/autostart/x y.desktop");
    EXPECT_EQ(startup_link_name("ed"), "");
    EXPECT_EQ(startup_link_name("/opt/ed/"), "");
    setenv("XDG_CONFIG_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(startup_link_name("/bin/ed"), std::string(std::getenv("HOME")) + "/.config/autostart/ed.desktop");
}

TEST_F(StartupLinks, CreateWritesAnEntryThatStartsTheProgramAndDeleteRemovesIt) {
    std::string target = "/opt/My Tools/100% \"x\" y ";
    std::string link = startup_link_name(target);
    ASSERT_EQ(create_startup_link(target, link, ""), 0);
    struct stat st {};
    ASSERT_EQ(stat(link.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    DESKTOP_ENTRY_STRUCT e = read_entry(link);
    EXPECT_EQ(e.exec, std::vector<std::string>{target});
    EXPECT_EQ(e.hotkey, 0);
    EXPECT_TRUE(e.comment.empty());
    EXPECT_NE(test_env::read_file(link).find("Type=Application\n"), std::string::npos);

    // A program of the same file name elsewhere shares, and replaces, the entry.
    std::string twin = "/usr/local/bin/100% \"x\" y ";
    ASSERT_EQ(create_startup_link(twin, link, "second"), 0);
    EXPECT_EQ(read_entry(link).exec, std::vector<std::string>{twin});

    EXPECT_EQ(delete_startup_link(link), 0);
    EXPECT_FALSE(test_env::file_exists(link));
    EXPECT_EQ(delete_startup_link(link), 0);
    EXPECT_EQ(create_startup_link("/bin/ed", "", ""), ENOENT);
}

TEST_F(StartupLinks, OwnExecutableGetsTheHotkeyWord) {
    EXPECT_EQ(own_program_hotkey("/opt/vorkel/vorkel"), 0x0353);
    EXPECT_EQ(own_program_hotkey("C:\\Tools\\vorkel.exe"), 0x0353);
    EXPECT_EQ(own_program_hotkey("/opt/vorkel/VORKEL"), 0);
    EXPECT_EQ(own_program_hotkey("/opt/vorkel/vorkel2"), 0);
    std::string link = startup_link_name("/opt/vorkel/vorkel");
    ASSERT_EQ(create_startup_link("/opt/vorkel/vorkel", link, ""), 0);
    EXPECT_NE(test_env::read_file(link).find("X-Vorkel-Hotkey=0x0353\n"), std::string::npos);
}

TEST_F(StartupLinks, AnEntryVorkelDidNotWriteIsNeitherReplacedNorDeleted) {
    std::string link = startup_link_name("/usr/bin/nm-applet");
    ASSERT_EQ(create_startup_link("/usr/bin/other", link, ""), 0); // makes the folder
    const std::string users = "[Desktop Entry]\nType=Application\nName=Mine\nExec=nm-applet --indicator\n";
    test_env::write_file(link, users);
    EXPECT_EQ(create_startup_link("/usr/bin/nm-applet", link, ""), EEXIST);
    EXPECT_EQ(delete_startup_link(link), EPERM);
    EXPECT_EQ(test_env::read_file(link), users);
}
