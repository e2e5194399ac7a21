// The file-system calls of platform/files.h against the real system.
#include "platform/files.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

TEST(Files, FoldersAreMadeWithTheirParentsForTheUserAlone) {
    const std::string root = test_env::make_temp_dir("files");
    const std::string deep = root + "/a/b/c";
    EXPECT_EQ(platform::make_folders(deep), 0);
    for (const std::string &folder : {root + "/a", root + "/a/b", deep}) {
        struct stat st {};
        ASSERT_EQ(stat(folder.c_str(), &st), 0) << folder;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
    }
    EXPECT_EQ(platform::make_folders(deep), 0) << "an existing folder is fine";
    EXPECT_TRUE(platform::is_folder(deep));
    EXPECT_TRUE(platform::is_writable_folder(deep));
    EXPECT_FALSE(platform::is_file(deep));

    test_env::write_file(root + "/file", "x");
    EXPECT_NE(platform::make_folders(root + "/file/below"), 0) << "a file stands in the way";
    EXPECT_NE(platform::make_folders(root + "/file"), 0);
    EXPECT_TRUE(platform::is_file(root + "/file"));
    EXPECT_EQ(platform::path_error(root + "/file"), 0);
    EXPECT_EQ(platform::path_error(root + "/missing"), ENOENT);
    EXPECT_EQ(platform::make_folders(""), ENOENT);
}

TEST(Files, CreateNeverReplacesAndRenameKeepsWhatExists) {
    const std::string root = test_env::make_temp_dir("files");
    const std::string path = root + "/new";
    EXPECT_EQ(platform::create_file(path, "first"), 0);
    EXPECT_EQ(platform::create_file(path, "second"), EEXIST);
    EXPECT_EQ(test_env::read_file(path), "first");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    test_env::write_file(root + "/other", "other");
    EXPECT_EQ(platform::rename_file_keeping(root + "/other", path), EEXIST);
    EXPECT_EQ(test_env::read_file(path), "first");
    EXPECT_EQ(platform::rename_file_keeping(root + "/other", root + "/moved"), 0);
    EXPECT_EQ(test_env::read_file(root + "/moved"), "other");

    EXPECT_EQ(platform::delete_file(path), 0);
    EXPECT_EQ(platform::delete_file(path), 0) << "gone already";
    EXPECT_FALSE(platform::path_exists(path));
}

TEST(Files, NamesSplitAtTheLastSlash) {
    EXPECT_EQ(platform::file_name_of("/opt/app/run"), "run");
    EXPECT_EQ(platform::folder_of("/opt/app/run"), "/opt/app/");
    EXPECT_EQ(platform::file_name_of("run"), "");
    EXPECT_EQ(platform::folder_of("run"), "");
    EXPECT_EQ(platform::file_name_of("/opt/"), "");
}

// Temporary files of a rewrite killed mid-write: those over the age are
// deleted, a recent one (perhaps a write under way) and every other file,
// however close its name, stay.
TEST(Files, StaleTemporaryFilesOfRewritesAreDeleted) {
    const std::string dir = test_env::make_temp_dir("stale");
    const std::string old_tmp = dir + "/vorkel.dat.tmp-Ab3xY9", new_tmp = dir + "/links.dat.tmp-Qq1234";
    const std::vector<std::string> kept{new_tmp, dir + "/vorkel.dat",
                                        dir + "/notes.tmp-12345",   // five characters
                                        dir + "/notes.tmp-12345!!", // not letters or digits
                                        dir + "/.tmp-abcdef"};      // no name before it
    for (const auto &p : kept)
        test_env::write_file(p, "x");
    test_env::write_file(old_tmp, "half a file");
    const std::string old_folder = dir + "/vorkel.ini.tmp-folder";
    ASSERT_EQ(mkdir(old_folder.c_str(), 0700), 0);
    const timespec two_hours_ago[2] = {{time(nullptr) - 7200, 0}, {time(nullptr) - 7200, 0}};
    for (const auto &p : {old_tmp, old_folder, kept[2], kept[3], kept[4]})
        ASSERT_EQ(utimensat(AT_FDCWD, p.c_str(), two_hours_ago, 0), 0) << p;

    EXPECT_EQ(platform::remove_stale_temporary_files(dir, 3600), 1);
    EXPECT_FALSE(test_env::file_exists(old_tmp));
    EXPECT_TRUE(platform::is_folder(old_folder)) << "only regular files are deleted";
    for (const auto &p : kept)
        EXPECT_TRUE(test_env::file_exists(p)) << p;
    EXPECT_EQ(platform::remove_stale_temporary_files(dir + "/missing", 3600), 0);
}
