#include "shell/data_paths.h"
#include "shell/settings.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

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
        settings_bytes({4, 3, 2, 1, 0xfe, 0xff, 0xff, 0xff, 0x10, 0x27, 0, 0, 170,  100,  7,    0,
                        1, 0, 0, 0, 0,    0,    0,    0,    1,    0,    0, 0, 0xff, 0xff, 0xff, 0x7f});
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
