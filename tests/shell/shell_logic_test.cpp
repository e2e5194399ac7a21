#include "shell/about_form.h"
#include "shell/column_ini.h"
#include "shell/data_paths.h"
#include "shell/docking.h"
#include "shell/instance.h"
#include "shell/settings.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(DefaultTitle, CutAtFirstDotAndLowerAfterFirstCharacter) {
    EXPECT_EQ(default_title("/opt/app/vorkel"), "vorkel");
    EXPECT_EQ(default_title("C/VORKEL.EXE"), "Vorkel");
    EXPECT_EQ(default_title("/x/My.Tool.bin"), "My");
    EXPECT_EQ(default_title("/x.y/vORKEL"), "vorkel"); // a dot in the folder does not count
    EXPECT_EQ(default_title("/usr/bin/.hidden"), "");
    EXPECT_EQ(guard_mutex_name("vorkel"), "vorkel.OneInstance32.CriticalSection");
    EXPECT_EQ(instance_mutex_name("Vorkel"), "VorkelOneInstance32.Default");
}

TEST(DataPaths, FolderBesideExecutableOrFallback) {
    EXPECT_EQ(choose_data_directory("/opt/v/", "ann", true, "/h/.data", "/h"), "/opt/v/ann");
    EXPECT_EQ(choose_data_directory("/usr/bin/", "ann", false, "/h/.data", "/h"), "/h/.data/vorkel/ann");
    EXPECT_EQ(choose_data_directory("/usr/bin/", "ann", false, "", "/home/ann"),
              "/home/ann/.local/share/vorkel/ann");
    // A relative XDG_DATA_HOME is not valid and is ignored.
    EXPECT_EQ(choose_data_directory("/usr/bin/", "ann", false, "rel", "/home/ann"),
              "/home/ann/.local/share/vorkel/ann");
}

TEST(DataPaths, BuildersShareTheFolderAndFolderIsPrivate) {
    std::string dir = data_directory();
    EXPECT_EQ(catalogue_file_path(), dir + "/vorkel.dat");
    EXPECT_EQ(settings_file_path(), dir + "/vorkel.set");
    EXPECT_EQ(columns_file_path(), dir + "/vorkel.ini");
    EXPECT_EQ(statistics_file_path(), dir + "/vorkel.glb");
    EXPECT_EQ(icons_file_path(), dir + "/links.dat");
    create_data_directory();
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

namespace {
std::string settings_bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}
} // namespace

TEST(Settings, RecordBytesBothWays) {
    SETTINGS_STRUCT s{};
    s.cpu_interval = 0x01020304;
    s.tasks_interval = -2;
    s.apps_interval = 10000;
    s.tray_color = 170;
    s.cpu_color = 100;
    s.reserved[0] = 7;
    s.stay_on_top = 1;
    s.full_path = 0;
    s.hide_own_items = 1;
    s.dockable = 0x7fffffff;
    auto b = settings_to_bytes(s);
    const std::string expected =
        settings_bytes({4, 3, 2, 1, 0xfe, 0xff, 0xff, 0xff, 0x10, 0x27, 0, 0, 170, 100, 7, 0,
                        1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0xff, 0xff, 0xff, 0x7f});
    EXPECT_EQ(std::string(b.begin(), b.end()), expected);
    SETTINGS_STRUCT back = settings_from_bytes(b.data());
    EXPECT_EQ(settings_to_bytes(back), b);
    EXPECT_EQ(back.tasks_interval, -2);
    EXPECT_EQ(back.dockable, 0x7fffffff);
}

TEST(Settings, ShortFileGivesDefaultsLongFileItsFirst32Bytes) {
    create_data_directory();
    const std::string path = settings_file_path();

    test_env::write_file(path, std::string(31, '\x05'));
    SETTINGS_STRUCT s{};
    read_settings(s);
    EXPECT_EQ(s.cpu_interval, 100);
    EXPECT_EQ(s.tasks_interval, 1000);
    EXPECT_EQ(s.apps_interval, 10000);
    EXPECT_EQ(s.tray_color, 170);
    EXPECT_EQ(s.cpu_color, 100);
    EXPECT_EQ(s.stay_on_top, 0);
    EXPECT_EQ(s.dockable, 0);

    SETTINGS_STRUCT w{};
    w.cpu_interval = 50;
    w.tasks_interval = 1850;
    w.apps_interval = 1000;
    w.tray_color = 1;
    w.cpu_color = 2;
    w.full_path = 1;
    auto b = settings_to_bytes(w);
    test_env::write_file(path, std::string(b.begin(), b.end()) + std::string(8, '\xff'));
    SETTINGS_STRUCT r{};
    read_settings(r);
    EXPECT_EQ(settings_to_bytes(r), b);

    ::unlink(path.c_str());
    SETTINGS_STRUCT m{};
    m.stay_on_top = 1; // fields without a default are left as the caller had them
    read_settings(m);
    EXPECT_EQ(m.cpu_interval, 100);
    EXPECT_EQ(m.stay_on_top, 1);
}

TEST(Settings, WriteReplacesWholeFile) {
    create_data_directory();
    const std::string path = settings_file_path();
    test_env::write_file(path, std::string(100, 'z'));
    SETTINGS_STRUCT w{};
    w.cpu_interval = 70;
    write_settings(w);
    std::string bytes = test_env::read_file(path);
    ASSERT_EQ(bytes.size(), 32u);
    auto expected = settings_to_bytes(w);
    EXPECT_EQ(bytes, std::string(expected.begin(), expected.end()));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

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

TEST(Docking, SnapsWithinTenPixelsAndPullsBackOntoTheArea) {
    WORK_AREA a{0, 0, 1024, 740};
    auto at = [&](int x, int y, int cx = 300, int cy = 400) { return dock_window_pos({x, y, cx, cy}, a); };
    WINDOW_POS p = at(10, 10);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    p = at(11, 11);
    EXPECT_EQ(p.x, 11);
    EXPECT_EQ(p.y, 11);
    p = at(1024 - 300 - 10, 740 - 400 - 10);
    EXPECT_EQ(p.x, 724);
    EXPECT_EQ(p.y, 340);
    p = at(1024 - 300 - 11, 740 - 400 - 11);
    EXPECT_EQ(p.x, 713);
    EXPECT_EQ(p.y, 329);
    p = at(-50, 900); // partly off the area
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 340);
    EXPECT_EQ(p.cx, 300);
    EXPECT_EQ(p.cy, 400);
    p = at(100, 20, 1200, 400); // wider than the area: left edge stays on the left
    EXPECT_EQ(p.x, 0);
    WORK_AREA offset{100, 50, 900, 650};
    p = dock_window_pos({95, 55, 200, 200}, offset);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);
}

TEST(About, FadeRunsFrom250DownTo22InStepsOfTwo) {
    auto steps = Tabout_form::fade_steps();
    ASSERT_EQ(steps.size(), 115u);
    EXPECT_EQ(steps.front(), 250);
    EXPECT_EQ(steps.back(), 22);
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_EQ(steps[i - 1] - steps[i], 2);
}
