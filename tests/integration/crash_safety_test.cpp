// Every file Vorkel rewrites survives a kill at any moment of a rewrite:
// a child process rewrites it through Vorkel's own writer in a loop,
// switching between two contents, and is killed with SIGKILL at a random
// moment; afterwards the file holds the old contents or the new ones,
// whole. And a rewrite on a full disk fails, keeps the old file and says
// so on standard error.
#include "catalogue/catalogue_file.h"
#include "catalogue/icon_store.h"
#include "catalogue/startup_links.h"
#include "common/file_io.h"
#include "logging/global_stat.h"
#include "platform/files.h"
#include "shell/column_ini.h"
#include "shell/data_paths.h"
#include "shell/settings.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kills_per_file = 200;

struct REWRITTEN_FILE {
    std::string name;
    std::string path;
    std::function<void(int which)> write; // 0 the old contents, 1 the new ones
};

LINK_MAP links_of(int which) {
    LINK_MAP map;
    for (int i = 0; i < 20 + 30 * which; ++i)
        map["/usr/bin/program-" + std::to_string(i)] = {i % 2, which, 0};
    return map;
}

ICON_IMAGE image_of(int which) {
    ICON_IMAGE image;
    image.fill(static_cast<std::uint8_t>(0x40 + which));
    return image;
}

PROCESS_MAP_LONG statistics_of(int which) {
    PROCESS_MAP_LONG map;
    for (std::uint32_t id = 1; id <= 10u + 20u * static_cast<std::uint32_t>(which); ++id) {
        PROCESS_INFO_STRUCT_LONG &r = map[id];
        r.id = id;
        r.cpu_sum = id * 0.5;
        std::snprintf(r.name, sizeof r.name, "process-%u", id);
        r.samples = id;
    }
    return map;
}

std::vector<REWRITTEN_FILE> rewritten_files(const std::string &dir) {
    use_data_directory(dir);
    std::vector<REWRITTEN_FILE> files;
    files.push_back({"vorkel.dat", dir + "/vorkel.dat",
                     [dir](int which) { write_catalogue(dir + "/vorkel.dat", links_of(which)); }});
    files.push_back({"links.dat", dir + "/links.dat", [dir](int which) {
                         // The icon of one program changes in place; a second
                         // program's record comes and goes with the other.
                         write_icon(dir + "/links.dat", "/usr/bin/a", image_of(which));
                     }});
    files.push_back({"vorkel.glb", dir + "/vorkel.glb", [dir](int which) {
                         GLOBAL_STAT_HEADER header{static_cast<std::uint32_t>(which + 1), 1.0e17, 1.1e17};
                         write_global_stat(dir + "/vorkel.glb", statistics_of(which), header);
                     }});
    files.push_back({"vorkel.set", settings_file_path(), [](int which) {
                         SETTINGS_STRUCT s{};
                         set_default_settings(s);
                         s.cpu_interval = which ? 250 : 100;
                         s.stay_on_top = which;
                         write_settings(s);
                     }});
    files.push_back({"vorkel.ini", dir + "/vorkel.ini", [dir](int which) {
                         // As the main window saves its column widths.
                         std::array<int, column_count> widths{};
                         widths.fill(which ? 120 : 40);
                         const std::string path = dir + "/vorkel.ini";
                         const auto old = read_whole_file(path);
                         write_file_atomically(path, ini_with_widths(old ? *old : std::string(), widths));
                     }});
    files.push_back({"autostart entry", dir + "/autostart/program.desktop", [dir](int which) {
                         write_program_link("/usr/bin/program", dir + "/autostart/program.desktop",
                                            which ? "the new description" : "old", 0, LINK_KIND::autostart);
                     }});
    files.push_back({"hotkey entry", dir + "/applications/program.desktop", [dir](int which) {
                         write_program_link("/usr/bin/program", dir + "/applications/program.desktop", "",
                                            which ? 0x0645 : 0x0346, LINK_KIND::applications);
                     }});
    return files;
}

// Kills a child rewriting f at random moments; returns the kills after
// which the file was whole (old or new), failing the test otherwise.
int kill_while_rewriting(const REWRITTEN_FILE &f, std::mt19937 &random) {
    f.write(1);
    const std::string new_bytes = test_env::read_file(f.path);
    f.write(0);
    const std::string old_bytes = test_env::read_file(f.path);
    EXPECT_NE(old_bytes, new_bytes);
    int survived = 0, saw_old = 0, saw_new = 0;
    for (int k = 0; k < kills_per_file; ++k) {
        const pid_t child = fork();
        if (child == 0) {
            for (int i = 1;; ++i)
                f.write(i & 1);
        }
        if (child < 0) {
            ADD_FAILURE() << "fork failed";
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 6000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = test_env::read_file(f.path);
        if (now == old_bytes) {
            ++saw_old;
        } else if (now == new_bytes) {
            ++saw_new;
        } else {
            ADD_FAILURE() << f.name << ": after kill " << k << " the file holds " << now.size()
                          << " bytes, neither the old " << old_bytes.size() << " nor the new "
                          << new_bytes.size();
            break;
        }
        ++survived;
    }
    // Both contents were seen: the child really was rewriting when killed.
    EXPECT_GT(saw_old, 0) << f.name;
    EXPECT_GT(saw_new, 0) << f.name;
    return survived;
}

std::vector<std::string> names_in(const std::string &folder) {
    std::string listing = test_env::run_capture("ls -A '" + folder + "'");
    std::vector<std::string> names;
    for (std::size_t at = 0; at < listing.size();) {
        std::size_t end = listing.find('\n', at);
        if (end == std::string::npos)
            end = listing.size();
        if (end > at)
            names.push_back(listing.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

} // namespace

TEST(CrashSafety, EveryRewrittenFileIsWholeAfterAKillAtAnyMoment) {
    const std::string dir = test_env::make_temp_dir("crash");
    std::mt19937 random(std::random_device{}());
    int total = 0;
    for (const REWRITTEN_FILE &f : rewritten_files(dir)) {
        const int survived = kill_while_rewriting(f, random);
        EXPECT_EQ(survived, kills_per_file) << f.name;
        total += survived;
        // Kills mid-write leave temporary files beside the file; the start-up
        // sweep (here without its hour's grace) takes them and nothing else.
        const std::string folder = platform::folder_of(f.path);
        const int cut_short = platform::remove_stale_temporary_files(folder, 0);
        std::printf("  %-16s %d kills, %d of them mid-write (a temporary file left)\n", f.name.c_str(),
                    survived, cut_short);
        for (const std::string &name : names_in(folder))
            EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
        EXPECT_TRUE(test_env::file_exists(f.path));
    }
    std::printf("crash safety: %d kills during rewrites, every file whole afterwards\n", total);
}

// Runs only inside the mount namespace the full-disk test makes: mounts a
// small tmpfs on the given folder, fills it, and rewrites vorkel.dat there.
TEST(CrashSafety, FullDiskHelper) {
    const char *dir_env = std::getenv("VORKEL_FULL_DISK_FOLDER");
    if (!dir_env)
        GTEST_SKIP() << "runs only inside the full-disk test's mount namespace";
    const std::string dir = dir_env;
    ASSERT_EQ(mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0) << std::strerror(errno);
    ASSERT_EQ(mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=256k,mode=0700"), 0) << std::strerror(errno);
    const std::string path = dir + "/vorkel.dat";
    write_catalogue(path, links_of(0));
    const std::string old_bytes = test_env::read_file(path);
    ASSERT_GT(old_bytes.size(), 1000u);

    const int fd = open((dir + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    while (write(fd, block.data(), 1) > 0) {
    }
    close(fd);

    write_catalogue(path, links_of(1));
    EXPECT_EQ(test_env::read_file(path), old_bytes) << "the old file did not survive";
    for (const std::string &name : names_in(dir))
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << "a failed write left " << name;
}

TEST(CrashSafety, AFullDiskKeepsTheOldFileAndSaysSo) {
    if (test_env::run_capture("command -v unshare").empty())
        GTEST_SKIP() << "no unshare";
    const std::string dir = test_env::make_temp_dir("fulldisk");
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    int code = -1;
    const std::string out =
        test_env::run_capture("VORKEL_FULL_DISK_FOLDER='" + dir + "' unshare --mount '" + std::string(self) +
                                  "' --gtest_filter=CrashSafety.FullDiskHelper 2>&1",
                              &code);
    if (out.find("unshare failed") != std::string::npos || out.find("unshare: ") != std::string::npos)
        GTEST_SKIP() << "no mount namespace here: " << out;
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
    EXPECT_EQ(out.find("SKIPPED"), std::string::npos) << out;
    // One line on standard error names the file and the reason.
    EXPECT_NE(out.find("vorkel: could not write " + dir + "/vorkel.dat: No space left on device\n"),
              std::string::npos)
        << out;
    // The namespace's mount is gone with it; the folder here is untouched.
    EXPECT_FALSE(test_env::file_exists(dir + "/filler"));
}
