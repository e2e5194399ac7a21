// Whole-file reads, crash-safe rewrites and damaged files kept aside, on
// files of the scratch tree.
#include "common/file_io.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<std::string> names_in(const std::string &dir) {
    std::vector<std::string> out;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(FileIo, RewriteReplacesTheWholeFileAndReadsRespectTheirLimits) {
    const std::string dir = test_env::make_temp_dir("io");
    const std::string path = dir + "/data";
    test_env::write_file(path, std::string(100, 'o'));
    ASSERT_TRUE(write_file_atomically(path, "new"));
    EXPECT_EQ(test_env::read_file(path), "new");
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"data"}) << "no temporary file stays behind";

    EXPECT_EQ(read_whole_file(path), std::optional<std::string>("new"));
    EXPECT_FALSE(read_whole_file(path, 2)) << "larger than the limit";
    EXPECT_FALSE(read_whole_file(dir)) << "a folder is not a file";
    EXPECT_FALSE(read_whole_file(dir + "/missing"));
    EXPECT_EQ(read_file_head(path, 2), std::optional<std::string>("ne"));
    EXPECT_EQ(read_file_head(path, 10), std::optional<std::string>("new"));
}

TEST(FileIo, FailedRewriteLeavesTheOldFileUntouched) {
    const std::string dir = test_env::make_temp_dir("io");
    const std::string path = dir + "/data";
    test_env::write_file(path, "old contents");
    // The tests run as root, whom permissions do not stop; a file-size
    // limit does. The child fails its write part way and reports.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit small{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &small);
        _exit(write_file_atomically(path, std::string(100000, 'n')) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write reported success";
    EXPECT_EQ(test_env::read_file(path), "old contents");
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"data"})
        << "the half-written temporary file is removed";
    EXPECT_FALSE(write_file_atomically(dir + "/no folder/data", "x"));
}

TEST(FileIo, DamagedCopiesAreNumberedAndNeverOverwritten) {
    const std::string dir = test_env::make_temp_dir("io");
    const std::string path = dir + "/vorkel.dat";
    EXPECT_EQ(keep_damaged_aside(path), "") << "nothing to keep";
    for (const char *bytes : {"first", "second", "third"}) {
        test_env::write_file(path, bytes);
        EXPECT_FALSE(keep_damaged_aside(path).empty());
        EXPECT_FALSE(path_exists(path));
    }
    EXPECT_EQ(test_env::read_file(path + ".damaged"), "first");
    EXPECT_EQ(test_env::read_file(path + ".damaged.1"), "second");
    EXPECT_EQ(test_env::read_file(path + ".damaged.2"), "third");
    test_env::write_file(path, "fourth");
    EXPECT_EQ(keep_damaged_aside(path), path + ".damaged.3");
}

TEST(FileIo, DeleteIsDoneWhenTheFileIsGone) {
    const std::string dir = test_env::make_temp_dir("io");
    const std::string path = dir + "/f";
    EXPECT_TRUE(delete_file(path)) << "missing counts as deleted";
    test_env::write_file(path, "x");
    EXPECT_TRUE(path_exists(path));
    EXPECT_TRUE(delete_file(path));
    EXPECT_FALSE(path_exists(path));
}
