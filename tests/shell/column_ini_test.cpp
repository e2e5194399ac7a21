#include "shell/column_ini.h"

#include <gtest/gtest.h>

TEST(ColumnIni, MissingAndGarbageKeysReadAsTen) {
    auto w = widths_from_ini("[SETTINGS]\nx1=300\n");
    EXPECT_EQ(w[0], 300);
    for (int i = 1; i < column_count; ++i)
        EXPECT_EQ(w[static_cast<size_t>(i)], 10) << i;

    auto g = widths_from_ini("garbage line\n[settings]\r\nX2 = 75\r\nx3=abc\nx4=12abc\nx5=-4\nx6=\n"
                             "x7=99999999999\n=5\n[other]\nx8=40\n[SETTINGS]\nx9=33\n");
    EXPECT_EQ(g[1], 75) << "names match regardless of case, blanks trimmed, CRLF accepted";
    EXPECT_EQ(g[2], 10);
    EXPECT_EQ(g[3], 10);
    EXPECT_EQ(g[4], 10);
    EXPECT_EQ(g[5], 10);
    EXPECT_EQ(g[6], 10);
    EXPECT_EQ(g[7], 10) << "x8 of another section does not count";
    EXPECT_EQ(g[8], 33) << "a second [SETTINGS] section is read too";
    EXPECT_EQ(ini_read_int("[SETTINGS]\nx1=5\nx1=6\n", "SETTINGS", "x1", 10), 5) << "first key wins";
    EXPECT_EQ(widths_from_ini("")[0], 10);
    std::string binary("\x00\xff[SETTINGS\nx1=\x01", 15);
    EXPECT_EQ(widths_from_ini(binary)[0], 10);
}

TEST(ColumnIni, OnlyTheTenKeyNamesCountAndTheFirstLineOfAKeyWins) {
    auto w = widths_from_ini("[SETTINGS]\nx01=5\nx11=6\nx0=7\nxx1=8\nx 1=9\nX10=44\n"
                             "x2=bad\nx2=50\nx3=60\n[SETTINGS]\nx3=61\n");
    EXPECT_EQ(w[0], 10) << "x01, x 1 and xx1 are not x1";
    EXPECT_EQ(w[9], 44);
    EXPECT_EQ(w[1], 10) << "a bad first value is not replaced by a later line";
    EXPECT_EQ(w[2], 60);
    const std::string text = "[SETTINGS]\nx2=bad\nx2=50\nx3=60\nX10=44\n";
    for (int i = 0; i < column_count; ++i)
        EXPECT_EQ(widths_from_ini(text)[static_cast<size_t>(i)],
                  ini_read_int(text, "SETTINGS", "x" + std::to_string(i + 1), 10))
            << i;
}

TEST(ColumnIni, WritingKeepsOtherContentAndRoundTrips) {
    std::array<int, column_count> widths = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::string text = ini_with_widths("", widths);
    EXPECT_EQ(text, "[SETTINGS]\nx1=1\nx2=2\nx3=3\nx4=4\nx5=5\nx6=6\nx7=7\nx8=8\nx9=9\nx10=10\n");
    EXPECT_EQ(widths_from_ini(text), widths);

    std::string old = "[Other]\nkeep=1\n[SETTINGS]\nx3=99\nnote=yes\nx3=98\n[Last]\nz=2\n";
    std::string updated = ini_with_widths(old, widths);
    EXPECT_NE(updated.find("[Other]\nkeep=1\n"), std::string::npos);
    EXPECT_NE(updated.find("note=yes"), std::string::npos);
    EXPECT_NE(updated.find("[Last]\nz=2\n"), std::string::npos);
    EXPECT_EQ(updated.find("x3=99"), std::string::npos);
    EXPECT_EQ(updated.find("x3=98"), std::string::npos) << "duplicate key lines are dropped";
    EXPECT_EQ(widths_from_ini(updated), widths);
    EXPECT_LT(updated.find("x10=10"), updated.find("[Last]")) << "missing keys go into their own section";
}
