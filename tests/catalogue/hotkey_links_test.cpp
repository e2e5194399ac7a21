#include "catalogue/desktop_entry.h"
#include "catalogue/hotkey_links.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct HotkeyLinks : ::testing::Test {
    std::string data = test_env::make_temp_dir("data");
    std::string saved = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    void SetUp() override { setenv("XDG_DATA_HOME", data.c_str(), 1); }
    void TearDown() override { setenv("XDG_DATA_HOME", saved.c_str(), 1); }
};

std::string shell_quoted(const std::string &s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool validator_installed() { return test_env::run_capture("command -v desktop-file-validate") != ""; }

} // namespace

TEST_F(HotkeyLinks, EntryInTheApplicationsFolderCarriesTheWordAndIsValid) {
    EXPECT_EQ(programs_link_name("/opt/ed/ed"), data + "/applications/vorkel-ed.desktop");
    EXPECT_EQ(programs_link_name("ed"), "");
    EXPECT_EQ(programs_link_name("/opt/ed/"), "");
    setenv("XDG_DATA_HOME", "", 1);
    EXPECT_EQ(programs_link_name("/bin/ed"),
              std::string(std::getenv("HOME")) + "/.local/share/applications/vorkel-ed.desktop");
    setenv("XDG_DATA_HOME", data.c_str(), 1);

    const char *targets[] = {
        "/opt/ed/ed",
        "/opt/My Tools/100% \"done\" $HOME `id` it's",
        "/opt/\xc3\xa9\xc3\xa9/na\xc3\xafve;x=y",
        "/opt/back\\slash/#hash (1) & <x>|~*?",
    };
    for (const char *t : targets) {
        SCOPED_TRACE(t);
        const std::string link = programs_link_name(t);
        ASSERT_EQ(create_hotkey_link(t, link, "", 0x0645), 0);
        const std::string text = test_env::read_file(link);
        DESKTOP_ENTRY_STRUCT e;
        ASSERT_TRUE(parse_desktop_entry(text, e));
        EXPECT_EQ(e.type, "Application");
        EXPECT_EQ(e.name, std::string(t).substr(std::string(t).rfind('/') + 1));
        EXPECT_EQ(e.exec, std::vector<std::string>{t});
        EXPECT_EQ(e.hotkey, 0x0645);
        EXPECT_EQ(e.no_display, true) << "kept out of the menus";
        EXPECT_NE(text.find("\nX-Vorkel-Hotkey=0x0645\n"), std::string::npos);
        if (validator_installed()) {
            int code = -1;
            std::string out =
                test_env::run_capture("desktop-file-validate " + shell_quoted(link) + " 2>&1", &code);
            EXPECT_EQ(code, 0) << out;
            EXPECT_EQ(out.find("error"), std::string::npos) << out;
        }
    }
    if (!validator_installed())
        GTEST_SKIP() << "desktop-file-validate is not installed (package desktop-file-utils)";
}

TEST_F(HotkeyLinks, NewWordRewritesTheEntryAndZeroLeavesTheWordOut) {
    const std::string link = programs_link_name("/usr/bin/ed");
    ASSERT_EQ(create_hotkey_link("/usr/bin/ed", link, "", 0x0645), 0);
    ASSERT_EQ(create_hotkey_link("/usr/bin/ed", link, "", 0x0265), 0);
    EXPECT_NE(test_env::read_file(link).find("X-Vorkel-Hotkey=0x0265\n"), std::string::npos);
    ASSERT_EQ(create_hotkey_link("/usr/bin/ed", link, "", 0), 0);
    EXPECT_TRUE(test_env::file_exists(link)) << "Escape keeps the entry";
    EXPECT_EQ(test_env::read_file(link).find("X-Vorkel-Hotkey"), std::string::npos);

    // An entry the user put back into the menus stays there.
    std::string text = test_env::read_file(link);
    text.replace(text.find("NoDisplay=true"), 14, "NoDisplay=false");
    test_env::write_file(link, text);
    ASSERT_EQ(create_hotkey_link("/usr/bin/ed", link, "", 0x0645), 0);
    DESKTOP_ENTRY_STRUCT e;
    ASSERT_TRUE(parse_desktop_entry(test_env::read_file(link), e));
    EXPECT_EQ(e.no_display, false);
}

TEST_F(HotkeyLinks, NothingIsWrittenWhereItCannotBeRight) {
    // An entry of that name that Vorkel did not write stays as it is.
    const std::string link = programs_link_name("/usr/bin/gimp");
    ASSERT_EQ(create_hotkey_link("/usr/bin/other", programs_link_name("/usr/bin/other"), "", 0x0645), 0);
    const std::string users = "[Desktop Entry]\nType=Application\nName=GIMP\nExec=gimp %U\n";
    test_env::write_file(link, users);
    EXPECT_EQ(create_hotkey_link("/usr/bin/gimp", link, "", 0x0645), EEXIST);
    EXPECT_EQ(test_env::read_file(link), users);
    // A damaged file of that name is not Vorkel's to replace either.
    test_env::write_file(link, "garbage\n");
    EXPECT_EQ(create_hotkey_link("/usr/bin/gimp", link, "", 0x0645), EEXIST);
    // A path without a folder gives no name; a path that is not UTF-8 no entry.
    EXPECT_EQ(create_hotkey_link("ed", programs_link_name("ed"), "", 0x0645), ENOENT);
    const std::string latin1 = "/opt/\xe9t\xe9";
    EXPECT_EQ(create_hotkey_link(latin1, programs_link_name(latin1), "", 0x0645), EILSEQ);
    EXPECT_FALSE(test_env::file_exists(programs_link_name(latin1)));
}
