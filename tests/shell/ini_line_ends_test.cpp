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
