#include "catalogue/desktop_entry.h"
#include "catalogue/startup_links.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include <sys/stat.h>

namespace {

// The user's and the system's desktop folders, all in a scratch tree.
struct StartupLinks : ::testing::Test {
    std::string root = test_env::make_temp_dir("desk");
    std::string config = root + "/cfg", data = root + "/data", sys_config = root + "/etc",
                sys_data = root + "/usr";
    std::vector<std::pair<std::string, std::string>> saved;
    void SetUp() override {
        for (const auto &[name, value] : {std::pair{"XDG_CONFIG_HOME", config},
                                          {"XDG_DATA_HOME", data},
                                          {"XDG_CONFIG_DIRS", sys_config},
                                          {"XDG_DATA_DIRS", sys_data}}) {
            saved.emplace_back(name, std::getenv(name) ? std::getenv(name) : "");
            setenv(name, value.c_str(), 1);
        }
    }
    void TearDown() override {
        for (const auto &[name, value] : saved)
            setenv(name.c_str(), value.c_str(), 1);
    }
    DESKTOP_ENTRY_STRUCT read_entry(const std::string &file) {
        DESKTOP_ENTRY_STRUCT e;
        EXPECT_TRUE(parse_desktop_entry(test_env::read_file(file), e));
        return e;
    }
    void put(const std::string &file, const std::string &text) {
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        test_env::write_file(file, text);
    }
};

std::string vorkel_entry(const std::string &exec, const std::string &more = "") {
    return "[Desktop Entry]\nType=Application\nName=x\nExec=" + exec + "\nX-Vorkel-Created=true\n" + more;
}

} // namespace

TEST_F(StartupLinks, NameIsVorkelsOwnIdFromTheProgramsFileName) {
    EXPECT_EQ(startup_link_name("/opt/ed/ed"), config + "/autostart/vorkel-ed.desktop");
    EXPECT_EQ(startup_link_name("/opt/My Tools/x y"), config + "/autostart/vorkel-x y.desktop");
    EXPECT_EQ(startup_link_name("ed"), "");
    EXPECT_EQ(startup_link_name("/opt/ed/"), "");
    setenv("XDG_CONFIG_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(startup_link_name("/bin/ed"),
              std::string(std::getenv("HOME")) + "/.config/autostart/vorkel-ed.desktop");
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

TEST_F(StartupLinks, OwnExecutableGetsNoHotkey) {
    ASSERT_EQ(create_startup_link("/opt/vorkel/vorkel", startup_link_name("/opt/vorkel/vorkel"), ""), 0);
    EXPECT_EQ(read_entry(startup_link_name("/opt/vorkel/vorkel")).hotkey, 0);
}

TEST_F(StartupLinks, IdsThatOtherEntriesUseAnywhereAreNotTaken) {
    const std::string users = "[Desktop Entry]\nType=Application\nName=Ed\nExec=ed\n";
    put(sys_config + "/autostart/vorkel-ed.desktop", users);
    put(sys_data + "/applications/vorkel/tool.desktop", users); // id vorkel-tool.desktop
    EXPECT_EQ(create_startup_link("/bin/ed", startup_link_name("/bin/ed"), ""), EEXIST);
    EXPECT_EQ(write_program_link("/bin/tool", data + "/applications/vorkel-tool.desktop", "", 0x0645,
                                 LINK_KIND::applications),
              EEXIST);
    EXPECT_FALSE(test_env::file_exists(startup_link_name("/bin/ed")));
    EXPECT_FALSE(test_env::file_exists(data + "/applications/vorkel-tool.desktop"));
}

TEST_F(StartupLinks, EntriesOfEarlierVersionsMoveToOwnIdsKeepingTheirKeys) {
    const std::string apps = data + "/applications", autostart = config + "/autostart";
    const std::string users = "[Desktop Entry]\nType=Application\nName=Mine\nExec=mine\n";
    put(sys_data + "/applications/htop.desktop", users);
    struct CASE {
        std::string from, text, to; // to empty: stays where it is
        int hotkey;
        std::optional<bool> no_display;
    } cases[] = {
        // Shadowing the system's entry: moved and kept out of the menus.
        {apps + "/htop.desktop", vorkel_entry("/usr/bin/htop", "X-Vorkel-Hotkey=0x0648\n# mine\n"),
         apps + "/vorkel-htop.desktop", 0x0648, true},
        // Shadowing nothing: moved, as visible as it was.
        {apps + "/tool.desktop", vorkel_entry("/opt/tool", "X-Vorkel-Hotkey=0x0645\n"),
         apps + "/vorkel-tool.desktop", 0x0645, std::nullopt},
        // Vorkel's own autostart entry loses the key; another program keeps it.
        {autostart + "/vorkel.desktop", vorkel_entry("/opt/v/vorkel", "X-Vorkel-Hotkey=0x0353\n"),
         autostart + "/vorkel-vorkel.desktop", 0, std::nullopt},
        {autostart + "/editor.desktop", vorkel_entry("/opt/editor", "X-Vorkel-Hotkey=0x0353\n"),
         autostart + "/vorkel-editor.desktop", 0x0353, std::nullopt},
        // Not Vorkel's: left alone.
        {apps + "/gimp.desktop", users, "", 0, std::nullopt},
    };
    for (const CASE &c : cases)
        put(c.from, c.text);
    // One whose own id a later run has written already: the later one stands.
    put(apps + "/old.desktop", vorkel_entry("/opt/old", "X-Vorkel-Hotkey=0x0641\n"));
    put(apps + "/vorkel-old.desktop", vorkel_entry("/opt/old", "X-Vorkel-Hotkey=0x0642\n"));

    move_earlier_program_links();
    for (const CASE &c : cases) {
        SCOPED_TRACE(c.from);
        if (c.to.empty()) {
            EXPECT_EQ(test_env::read_file(c.from), c.text);
            continue;
        }
        EXPECT_FALSE(test_env::file_exists(c.from));
        const DESKTOP_ENTRY_STRUCT e = read_entry(c.to);
        EXPECT_EQ(e.hotkey, c.hotkey);
        EXPECT_EQ(e.no_display, c.no_display);
        EXPECT_TRUE(e.written_by_vorkel);
    }
    EXPECT_NE(test_env::read_file(apps + "/vorkel-htop.desktop").find("# mine"), std::string::npos);
    EXPECT_FALSE(test_env::file_exists(apps + "/old.desktop"));
    EXPECT_EQ(read_entry(apps + "/vorkel-old.desktop").hotkey, 0x0642);
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
