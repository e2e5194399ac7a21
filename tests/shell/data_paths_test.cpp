#include "shell/data_paths.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(DataPaths, FolderBesideExecutableOrFallback) {
    EXPECT_EQ(choose_data_directory("/opt/v/", "ann", true, "/h/.data", "/h"), "/opt/v/ann");
    EXPECT_EQ(choose_data_directory("/usr/bin/", "ann", false, "/h/.data", "/h"), "/h/.data/vorkel/ann");
    EXPECT_EQ(choose_data_directory("/usr/bin/", "ann", false, "", "/home/ann"),
              "/home/ann/.local/share/vorkel/ann");
    // A relative XDG_DATA_HOME is not valid and is ignored.
    EXPECT_EQ(choose_data_directory("/usr/bin/", "ann", false, "rel", "/home/ann"),
              "/home/ann/.local/share/vorkel/ann");
}

// An installed Vorkel is told by its prefix's files, never by its folder's
// name alone or by what may be written there.
TEST(DataPaths, InstalledLayoutIsBinBesideShareWithVorkelsFiles) {
    const std::string root = test_env::make_temp_dir("layout");
    const struct {
        const char *file; // made below root
        const char *executable_folder;
        bool installed;
    } cases[] = {
        {"a/share/metainfo/org.vorkel.Vorkel.metainfo.xml", "a/bin/", true},
        {"b/usr/share/applications/org.vorkel.Vorkel.desktop", "b/usr/bin", true},
        {"c/share/applications/other.desktop", "c/bin/", false},
        {"d/share/metainfo/org.vorkel.Vorkel.metainfo.xml", "d/build/", false},
        {"e/bin/vorkel", "e/", false},
    };
    for (const auto &c : cases) {
        const std::string file = root + "/" + c.file;
        test_env::run_capture("mkdir -p '" + file.substr(0, file.rfind('/')) + "' && touch '" + file + "'");
        EXPECT_EQ(installed_layout(root + "/" + c.executable_folder), c.installed) << c.file;
    }
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
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "only the user reaches the data";
}
