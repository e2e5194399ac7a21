#include "platform/file_icons.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Points XDG_DATA_HOME and XDG_DATA_DIRS at fresh folders for one test and
// puts a bin folder first in PATH; restores them afterwards.
class file_icons_env : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "PATH"}) {
            const char *v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        root_ = test_env::make_temp_dir("icons");
        user_ = root_ + "/user";
        system_ = root_ + "/system";
        bin_ = root_ + "/bin";
        for (const std::string &d :
             {user_, user_ + "/applications", system_, system_ + "/applications", bin_})
            mkdir(d.c_str(), 0700);
        setenv("XDG_DATA_HOME", user_.c_str(), 1);
        setenv("XDG_DATA_DIRS", system_.c_str(), 1);
        setenv("PATH", (bin_ + ":/usr/bin:/bin").c_str(), 1);
        platform::refresh_program_icons();
    }
    void TearDown() override {
        for (const auto &[name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        platform::refresh_program_icons();
    }

    std::string program(const std::string &name) {
        std::string path = bin_ + "/" + name;
        test_env::write_file(path, "#!/bin/sh\n");
        chmod(path.c_str(), 0700);
        return path;
    }
    void entry(const std::string &folder, const std::string &file, const std::string &body) {
        test_env::write_file(folder + "/applications/" + file,
                             "[Desktop Entry]\nType=Application\nName=x\n" + body);
    }

    std::string root_, user_, system_, bin_;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace

TEST_F(file_icons_env, ProgramIconComesFromTheEntryThatStartsIt) {
    std::string editor = program("editor");
    std::string tool = program("tool");
    std::string wrapped = program("wrapped");
    std::string tried = program("tried");
    symlink(editor.c_str(), (bin_ + "/ed-link").c_str());
    entry(system_, "editor.desktop", "Exec=\"" + editor + "\" %F\nIcon=accessories-text-editor\n");
    entry(system_, "tool.desktop", "Exec=tool --new-window\nIcon=/icons/tool.png\n");
    entry(system_, "wrapped.desktop", "Exec=env GDK_BACKEND=x11 wrapped %u\nIcon=wrapped-icon\n");
    entry(system_, "tried.desktop", "Exec=sh -c tried\nTryExec=" + tried + "\nIcon=tried-icon\n");
    entry(system_, "gone.desktop", "Exec=" + tool + "\nTryExec=" + bin_ + "/not-installed\nIcon=gone-icon\n");
    platform::refresh_program_icons();

    EXPECT_EQ(platform::program_icon(editor), "accessories-text-editor");
    EXPECT_EQ(platform::program_icon(bin_ + "/ed-link"), "accessories-text-editor") << "links are resolved";
    EXPECT_EQ(platform::program_icon(tool), "/icons/tool.png") << "a bare name is found in PATH";
    EXPECT_EQ(platform::program_icon(wrapped), "wrapped-icon");
    EXPECT_EQ(platform::program_icon(tried), "tried-icon");
    EXPECT_EQ(platform::program_icon(bin_ + "/nothing"), "");
    EXPECT_EQ(platform::program_icon(""), "");
}

TEST_F(file_icons_env, UsersEntriesComeFirstAndHideSystemOnesOfTheSameId) {
    std::string a = program("a");
    std::string b = program("b");
    entry(user_, "mine.desktop", "Exec=" + a + "\nIcon=user-icon\n");
    entry(system_, "other.desktop", "Exec=" + a + "\nIcon=system-icon\n");
    entry(user_, "b.desktop", "Exec=" + b + "\nIcon=b-icon\nHidden=true\n");
    entry(system_, "b.desktop", "Exec=" + b + "\nIcon=b-system\n");
    platform::refresh_program_icons();
    EXPECT_EQ(platform::program_icon(a), "user-icon");
    EXPECT_EQ(platform::program_icon(b), "") << "a hidden user entry hides the system entry of its id";
}

TEST_F(file_icons_env, TableIsRebuiltOnlyWhenAFolderChanges) {
    std::string late = program("late");
    EXPECT_EQ(platform::program_icon(late), "");
    // A new entry written into the folder shows after the next refresh.
    entry(user_, "late.desktop", "Exec=" + late + "\nIcon=late-icon\n");
    EXPECT_EQ(platform::program_icon(late), "") << "lookups alone never rescan";
    platform::refresh_program_icons();
    EXPECT_EQ(platform::program_icon(late), "late-icon");

    // A new nested folder counts too (its entries get a prefixed id).
    mkdir((system_ + "/applications/vendor").c_str(), 0700);
    std::string nested = program("nested");
    test_env::write_file(system_ + "/applications/vendor/n.desktop",
                         "[Desktop Entry]\nType=Application\nName=n\nExec=" + nested +
                             "\nIcon=nested-icon\n");
    platform::refresh_program_icons();
    EXPECT_EQ(platform::program_icon(nested), "nested-icon");

    // Removing the entry (a rename away changes the folder) drops it.
    ASSERT_EQ(rename((user_ + "/applications/late.desktop").c_str(), (root_ + "/late.desktop").c_str()), 0);
    platform::refresh_program_icons();
    EXPECT_EQ(platform::program_icon(late), "");
}

TEST_F(file_icons_env, DesktopFileIconAndDamagedEntries) {
    std::string file = root_ + "/x.desktop";
    test_env::write_file(file, "[Desktop Entry]\nType=Application\nName=x\nIcon=x-icon\n");
    EXPECT_EQ(platform::desktop_file_icon(file), "x-icon");
    test_env::write_file(file, "not a key file \x01\x02\n[[[");
    EXPECT_EQ(platform::desktop_file_icon(file), "");
    test_env::write_file(file, "[Desktop Entry]\nIcon=big\n" + std::string(2u << 20, '#'));
    EXPECT_EQ(platform::desktop_file_icon(file), "") << "oversized entries are not read";
    EXPECT_EQ(platform::desktop_file_icon(root_ + "/missing.desktop"), "");
    EXPECT_EQ(platform::desktop_file_icon(root_), "");

    // A damaged entry in the folder does not stop the others.
    std::string good = program("good");
    entry(user_, "bad.desktop", "Exec=\"unterminated\nIcon=bad\n");
    test_env::write_file(user_ + "/applications/noise.desktop", std::string(4096, '\xff'));
    entry(user_, "good.desktop", "Exec=" + good + "\nIcon=good-icon\n");
    platform::refresh_program_icons();
    EXPECT_EQ(platform::program_icon(good), "good-icon");
}

TEST_F(file_icons_env, FileTypeIcons) {
    EXPECT_TRUE(platform::file_type_icons(root_ + "/missing").empty());
    std::vector<std::string> exe = platform::file_type_icons(program("run"));
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe[0], "application-x-executable");
    std::string text = root_ + "/notes.txt";
    test_env::write_file(text, "hello\n");
    std::vector<std::string> names = platform::file_type_icons(text);
    EXPECT_NE(std::find(names.begin(), names.end(), "text-plain"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "application-x-executable"), names.end());
}
