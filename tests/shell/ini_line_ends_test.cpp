#include "shell/column_ini.h"

#include <gtest/gtest.h>

// Carriage returns before a line end, also on a last line without one,
// are line ends: rewriting a file with the widths it already holds
// changes nothing however its lines ended.
TEST(ColumnIniLineEnds, RewriteIsStableWhateverTheLineEnds) {
    std::array<int, column_count> widths{};
    for (int i = 0; i < column_count; ++i)
        widths[static_cast<std::size_t>(i)] = 20 + i;
    for (const std::string old_text : {"0\r", "\n\r!\t\r\r", "[SETTINGS]\r\r\nx1=5\r", "[other]\r\na=1"}) {
        const std::string once = ini_with_widths(old_text, widths);
        EXPECT_EQ(widths_from_ini(once), widths);
        EXPECT_EQ(ini_with_widths(once, widths), once) << "from " << ::testing::PrintToString(old_text);
        EXPECT_EQ(once.find('\r'), std::string::npos);
    }
    // A value followed by carriage returns still reads as that value.
    EXPECT_EQ(ini_read_int("[SETTINGS]\r\nx1=42\r\r", "SETTINGS", "x1", 10), 42);
}

// Every kind of line end splits lines the same way: a run of carriage
// returns with or without a line feed is one end, a line feed alone is
// one, and carriage returns that end the text make no empty line.
TEST(ColumnIniLineEnds, EachKindOfEndSplitsOneLine) {
    std::array<int, column_count> widths{};
    widths.fill(7);
    std::string keys = "[SETTINGS]\n";
    for (int i = 1; i <= column_count; ++i)
        keys += "x" + std::to_string(i) + "=7\n";
    EXPECT_EQ(ini_with_widths("a\r\r\nb\rc\n\n\r", widths), "a\nb\nc\n\n" + keys);
    EXPECT_EQ(ini_with_widths("a\n\r\r", widths), "a\n\n" + keys);
    EXPECT_EQ(ini_with_widths("\r", widths), keys);
    EXPECT_EQ(ini_with_widths("\r\n", widths), "\n" + keys);
}
