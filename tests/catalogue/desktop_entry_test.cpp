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
    EXPECT_NE(build_desktop_entry(e).value_or("").find("Exec=\"/a\\\\\\\\b c\"\n"), std::string::npos);
}

TEST(DesktopEntry, RoundTripKeepsAwkwardPathsExactly) {
    const char *paths[] = {
        "/usr/bin/ed",
        "/opt/My Tools/x y",
        "/opt/trailing  ",
        " /leading",
        "/q\"uote's",
        "/100% done/%f",
        "/back\\slash\\",
        "/\xc3\xa9t\xc3\xa9/\xe6\x97\xa5",
        "/new\nline\ttab\rcr",
        "/$HOME/`id`;|&<>*?#()~",
        "/semi;colon=equals[1]",
    };
    for (const char *p : paths) {
        SCOPED_TRACE(p);
        DESKTOP_ENTRY_STRUCT in;
        in.name = p;
        in.comment = p;
        in.exec = {p, "arg two", "%f"};
        in.hotkey = 0x0353;
        auto text = build_desktop_entry(in);
        ASSERT_TRUE(text);
        DESKTOP_ENTRY_STRUCT out;
        ASSERT_TRUE(parse_desktop_entry(*text, out));
        EXPECT_EQ(out.type, "Application");
        EXPECT_EQ(out.name, in.name);
        EXPECT_EQ(out.comment, in.comment);
        EXPECT_EQ(out.exec, in.exec);
        EXPECT_EQ(out.hotkey, 0x0353);
        EXPECT_TRUE(out.written_by_vorkel);
        EXPECT_NE(text->find("X-Vorkel-Hotkey=0x0353\n"), std::string::npos);
    }
}

TEST(DesktopEntry, TextThatIsNotUtf8IsNeitherWrittenNorRead) {
    DESKTOP_ENTRY_STRUCT in;
    in.name = "x";
    in.exec = {"/opt/\xe9t\xe9"};
    EXPECT_FALSE(build_desktop_entry(in));
    in.exec = {"/opt/ok"};
    in.comment = "\xff";
    EXPECT_FALSE(build_desktop_entry(in));

    DESKTOP_ENTRY_STRUCT e;
    ASSERT_TRUE(
        parse_desktop_entry("[Desktop Entry]\nName=\xe9\nExec=/bin/\xe9\nX-Vorkel-Hotkey=0x0645\n", e));
    EXPECT_TRUE(e.name.empty());
    EXPECT_TRUE(e.exec.empty());
    EXPECT_EQ(e.hotkey, 0x0645);
}

TEST(DesktopEntry, ParserReadsOnlyTheMainGroup) {
    const char *text = "# comment\n"
                       "[Desktop Entry]\n"
                       "Name = Editor\n"
                       "Name[de]=Bearbeiter\n"
                       "Exec=ed --open %F \"%%u\" %%x\n"
                       "Path=/srv/work dir\n"
                       "Hidden=true\n"
                       "X-Vorkel-Hotkey=851\n"
                       "[Desktop Action New]\n"
                       "Exec=other\n"
                       "Name=Other\n"
                       "X-Vorkel-Created=true\n";
    DESKTOP_ENTRY_STRUCT e;
    ASSERT_TRUE(parse_desktop_entry(text, e));
    EXPECT_EQ(e.name, "Editor");
    EXPECT_EQ(e.exec, (ARGS{"ed", "--open", "%u", "%x"}));
    EXPECT_EQ(e.path, "/srv/work dir");
    EXPECT_TRUE(e.hidden);
    EXPECT_EQ(e.hotkey, 0x0353);
    EXPECT_FALSE(e.written_by_vorkel);
    EXPECT_TRUE(e.comment.empty());

    EXPECT_FALSE(parse_desktop_entry("Name=x\nExec=y\n", e));
    EXPECT_FALSE(parse_desktop_entry("", e));
    EXPECT_FALSE(parse_desktop_entry("[Other]\nExec=y\n", e));
    EXPECT_FALSE(parse_desktop_entry("[Desktop Entry]\nthis line is no key\n", e));
    EXPECT_TRUE(e.exec.empty());
}

TEST(DesktopEntry, DamagedExecAndWordsReadAsUnusable) {
    DESKTOP_ENTRY_STRUCT e;
    ASSERT_TRUE(
        parse_desktop_entry("[Desktop Entry]\nExec=\"/opt/unbalanced arg\nX-Vorkel-Hotkey=Ctrl+E\n", e));
    EXPECT_TRUE(e.exec.empty()) << "unbalanced quotes";
    EXPECT_EQ(e.hotkey, -1) << "a word that is not a number";
    ASSERT_TRUE(parse_desktop_entry("[Desktop Entry]\nExec=%f %U\nX-Vorkel-Hotkey=0x10000\n", e));
    EXPECT_TRUE(e.exec.empty()) << "only field codes";
    EXPECT_EQ(e.hotkey, -1) << "more than 16 bits";
    ASSERT_TRUE(parse_desktop_entry("[Desktop Entry]\nExec='/opt/single q' -x \\\"y\nX-Vorkel-Hotkey=\n", e));
    EXPECT_EQ(e.exec, (ARGS{"/opt/single q", "-x", "\"y"}));
    EXPECT_EQ(e.hotkey, -1) << "an empty word";

    EXPECT_EQ(drop_field_codes("a %f b%ic %% %"), "a  bc % %");
}

// Every ASCII space character is quoted: a key file drops those that lead a
// value, so an argument of a form feed alone would come back as no
// argument at all.
TEST(DesktopEntry, ArgumentsOfOtherSpaceCharactersRoundTrip) {
    for (const std::vector<std::string> &exec : std::vector<std::vector<std::string>>{
             {"\f"}, {"\v"}, {"\r"}, {"prog", "\f"}, {"\fprog"}, {"prog\v"}, {"a\fb", "\r\n"}}) {
        DESKTOP_ENTRY_STRUCT entry;
        entry.name = "n";
        entry.exec = exec;
        const auto built = build_desktop_entry(entry);
        ASSERT_TRUE(built);
        DESKTOP_ENTRY_STRUCT again;
        ASSERT_TRUE(parse_desktop_entry(*built, again)) << *built;
        EXPECT_EQ(again.exec, exec) << *built;
    }
}
