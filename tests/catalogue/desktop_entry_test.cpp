#include "catalogue/desktop_entry.h"

#include <gtest/gtest.h>

using ARGS = std::vector<std::string>;

TEST(DesktopEntry, ExecQuotingFollowsTheFormat) {
    EXPECT_EQ(build_exec_line({"/usr/bin/ed"}), "/usr/bin/ed");
    EXPECT_EQ(build_exec_line({"/opt/My Tools/x y", "100%"}), "\"/opt/My Tools/x y\" 100%%");
    EXPECT_EQ(build_exec_line({"/a\"b$c`d\\e"}), "\"/a\\\"b\\$c\\`d\\\\e\"");
    EXPECT_EQ(build_exec_line({""}), "\"\"");
    // In the file a literal backslash inside quotes becomes four.
    DESKTOP_ENTRY_STRUCT e;
    e.name = "x";
    e.exec = {"/a\\b c"};
    EXPECT_NE(build_desktop_entry(e).find("Exec=\"/a\\\\\\\\b c\"\n"), std::string::npos);
}

TEST(DesktopEntry, RoundTripKeepsAwkwardPathsExactly) {
    const char *paths[] = {
        "/usr/bin/ed",           "/opt/My Tools/x y",     "/opt/trailing  ",
        " /leading",             "/q\"uote's",            "/100% done/%f",
        "/back\\slash\\",        "/\xc3\xa9t\xe9\xff",    "/new\nline\ttab\rcr",
        "/$HOME/`id`;|&<>*?#()~",
    };
    for (const char *p : paths) {
        SCOPED_TRACE(p);
        DESKTOP_ENTRY_STRUCT in;
        in.name = p;
        in.comment = p;
        in.exec = {p, "arg two"};
        in.hotkey = 0x0353;
        DESKTOP_ENTRY_STRUCT out;
        ASSERT_TRUE(parse_desktop_entry(build_desktop_entry(in), out));
        EXPECT_EQ(out.name, in.name);
        EXPECT_EQ(out.comment, in.comment);
        EXPECT_EQ(out.exec, in.exec);
        EXPECT_EQ(out.hotkey, 0x0353);
        EXPECT_TRUE(out.written_by_vorkel);
    }
}

TEST(DesktopEntry, ParserReadsOnlyTheMainGroup) {
    const char *text = "# comment\n"
                       "[Desktop Entry]\r\n"
                       "Name = Editor\r\n"
                       "Name[de]=Bearbeiter\n"
                       "Exec=ed --open %F \"%%u\" %%x\n"
                       "X-Vorkel-Hotkey=851\n"
                       "[Desktop Action New]\n"
                       "Exec=other\n"
                       "Name=Other\n"
                       "X-Vorkel-Created=true\n";
    DESKTOP_ENTRY_STRUCT e;
    ASSERT_TRUE(parse_desktop_entry(text, e));
    EXPECT_EQ(e.name, "Editor");
    EXPECT_EQ(e.exec, (ARGS{"ed", "--open", "%u", "%x"}));
    EXPECT_EQ(e.hotkey, 0x0353);
    EXPECT_FALSE(e.written_by_vorkel);
    EXPECT_TRUE(e.comment.empty());

    EXPECT_FALSE(parse_desktop_entry("Name=x\nExec=y\n", e));
    EXPECT_FALSE(parse_desktop_entry("", e));
    EXPECT_TRUE(e.exec.empty());
}
