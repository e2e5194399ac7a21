#include "catalogue/command_line.h"

#include <gtest/gtest.h>

using ARGS = std::vector<std::string>;

TEST(SplitCommandLine, ProgramNameHasItsOwnRules) {
    EXPECT_EQ(split_command_line(""), ARGS{});
    EXPECT_EQ(split_command_line("\"/opt/My Tools/x y\""), ARGS{"/opt/My Tools/x y"});
    EXPECT_EQ(split_command_line("\"/opt/x  \"  "), ARGS{"/opt/x  "}); // trailing blanks kept inside
    EXPECT_EQ(split_command_line("\"C:\\dir\\\" a"), (ARGS{"C:\\dir\\", "a"})); // no escapes
    EXPECT_EQ(split_command_line("a\\\\\\\"b c"), (ARGS{"a\\\\\\\"b", "c"}));
    EXPECT_EQ(split_command_line("\"a\"b c"), (ARGS{"a", "b", "c"}));
    EXPECT_EQ(split_command_line("\"unclosed path"), ARGS{"unclosed path"});
    EXPECT_EQ(split_command_line(" a"), (ARGS{"", "a"}));
    EXPECT_EQ(split_command_line("\"\""), ARGS{""});
    EXPECT_EQ(split_command_line("/usr/bin/\xc3\xa9\xff\tx"), (ARGS{"/usr/bin/\xc3\xa9\xff", "x"}));
}

TEST(SplitCommandLine, ArgumentsFollowBackslashAndQuoteRules) {
    struct CASE {
        const char *tail;
        ARGS args;
    };
    const CASE cases[] = {
        {"\"abc\" d e", {"abc", "d", "e"}},
        {"a\\\\\\b d\"e f\"g h", {"a\\\\\\b", "de fg", "h"}},
        {"a\\\\\\\"b c d", {"a\\\"b", "c", "d"}},
        {"a\\\\\\\\\"b c\" d e", {"a\\\\b c", "d", "e"}},
        {"a\"b\"\" c d", {"ab\"", "c", "d"}},
        {"\"a \"\" b\"", {"a \"", "b"}}, // "" ends the quotes
        {"\"\" x", {"", "x"}},
        {"x \"\"", {"x", ""}},
        {"\"\"\"\"", {"\""}},
        {"\\\"", {"\""}},
        {"\"a\\\"b\"", {"a\"b"}},
        {"a\\ b\\", {"a\\", "b\\"}},
        {"  spaced\t\tout  ", {"spaced", "out"}},
        {"\"open to the end", {"open to the end"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tail);
        ARGS want{"prog"};
        want.insert(want.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(split_command_line(std::string("prog ") + c.tail), want);
    }
}
