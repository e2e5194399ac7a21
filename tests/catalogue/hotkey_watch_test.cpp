// Program hotkeys: reading the hotkey words of the desktop entries in the
// applications and autostart folders (damaged entries included), and the
// watch that takes their keys on a virtual X display, starts their
// programs and follows the folders as they change.
#include "catalogue/hotkey_links.h"
#include "catalogue/hotkey_watch.h"
#include "platform/hotkeys.h"
#include "support/other_client_grab.h"
#include "support/qt_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using ARGS = std::vector<std::string>;

namespace {

std::string entry_text(const std::string &word, const std::string &exec, const std::string &more = "") {
    return "[Desktop Entry]\nType=Application\nName=x\nExec=" + exec + "\n" + more +
           (word.empty() ? "" : "X-Vorkel-Hotkey=" + word + "\n");
}

// A script that writes the folder it runs in to marker (atomically).
std::string marker_script(const std::string &path, const std::string &marker) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    test_env::write_file(path, "#!/bin/sh\npwd > '" + marker + ".tmp' && mv '" + marker + ".tmp' '" + marker +
                                   "'\n");
    ::chmod(path.c_str(), 0700);
    return path;
}

} // namespace

TEST(HotkeyEntries, BadEntriesAreSkippedAndTheGoodOnesRead) {
    const std::string apps = test_env::make_temp_dir("apps");
    const std::string autostart = test_env::make_temp_dir("auto");
    auto put = [&](const std::string &name, const std::string &text, const std::string &folder = "") {
        test_env::write_file((folder.empty() ? apps : folder) + "/" + name, text);
    };
    put("good.desktop", entry_text("0x0645", "/bin/echo \"a b\" %U", "Path=/tmp\n"));
    put("decimal.desktop", entry_text("1605", "true"), autostart);
    put("noword.desktop", entry_text("", "/bin/true"));
    put("zero.desktop", entry_text("0", "/bin/true"));
    put("notnumber.desktop", entry_text("Ctrl+Alt+E", "/bin/true"));
    put("unknownkey.desktop", entry_text("0x06FF", "/bin/true"));
    put("unbalanced.desktop", entry_text("0x0646", "\"/bin/true"));
    put("missing.desktop", entry_text("0x0647", "/nonexistent/program"));
    put("fieldonly.desktop", entry_text("0x0648", "%F"));
    put("hidden.desktop", entry_text("0x0649", "/bin/true", "Hidden=true\n"));
    put("link.desktop", "[Desktop Entry]\nType=Link\nURL=http://x\nX-Vorkel-Hotkey=0x064A\n");
    put("garbage.desktop", "X-Vorkel-Hotkey=0x064B\n\x01\x02 not a key file\n");
    put("bare.desktop", entry_text("0x0045", "/bin/true"));
    put("big.desktop", entry_text("0x064C", "/bin/true", "Comment=" + std::string(1 << 20, 'x') + "\n"));
    put("other.txt", entry_text("0x064D", "/bin/true"));
    std::filesystem::create_directories(apps + "/sub");
    put("sub/deep.desktop", entry_text("0x064E", "/bin/true"));

    std::vector<std::pair<std::string, std::uint16_t>> unusable;
    auto found = scan_hotkey_entries({apps, autostart, apps + "/missing-folder"}, &unusable);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].file, apps + "/good.desktop");
    EXPECT_EQ(found[0].word, 0x0645);
    EXPECT_EQ(found[0].argv, (ARGS{"/bin/echo", "a b"}));
    EXPECT_EQ(found[0].working_directory, "/tmp");
    EXPECT_EQ(hotkey_start_folder(found[0]), "/tmp");
    EXPECT_EQ(found[1].file, autostart + "/decimal.desktop");
    EXPECT_EQ(found[1].word, 0x0645);
    EXPECT_EQ(found[1].argv, ARGS{"true"});
    const std::string folder = hotkey_start_folder(found[1]);
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(test_env::file_exists(folder + "true"))
        << "a bare name starts in its folder on $PATH: " << folder;
    ASSERT_EQ(unusable.size(), 1u);
    EXPECT_EQ(unusable[0], std::make_pair(apps + "/bare.desktop", std::uint16_t{0x0045}));
}

namespace {

// A watch on a virtual X display (Vorkel's own X connection; Qt itself is
// offscreen), over two folders the test writes.
class HotkeyWatch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Vorkel's X connection is opened once per process and must meet
        // this display: the suite needs a process of its own (ctest gives
        // every case one).
        fresh_process = !qApp;
        if (!fresh_process)
            return;
        static test_env::x_session display(false);
        display_ok = display.ok();
        ensure_qt_application(true);
    }
    void SetUp() override {
        if (!fresh_process)
            GTEST_SKIP() << "run this suite in a process of its own";
        ASSERT_TRUE(display_ok) << "Xvfb did not start";
        root = test_env::make_temp_dir("watch");
        data = root + "/data";
        config = root + "/config";
        saved_data = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        saved_config = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        std::filesystem::create_directories(data);
        std::filesystem::create_directories(config + "/autostart");
        platform::set_hotkey_handler([this](int id) {
            if (watch)
                watch->hotkey_pressed(id);
        });
    }
    void TearDown() override {
        if (!fresh_process)
            return;
        delete watch;
        platform::set_hotkey_handler(nullptr);
        setenv("XDG_DATA_HOME", saved_data.c_str(), 1);
        setenv("XDG_CONFIG_HOME", saved_config.c_str(), 1);
    }
    static bool pump_until(const std::function<bool()> &pred, std::chrono::milliseconds deadline = 10s) {
        return test_env::wait_until(
            [&] {
                QApplication::processEvents();
                return pred();
            },
            deadline);
    }
    static void xdotool(const std::string &args) { test_env::run_capture("xdotool " + args); }
    // Presses keys until marker appears (a key press may meet the window
    // between a rescan's release and grab).
    bool press_starts(const std::string &keys, const std::string &marker) {
        ::unlink(marker.c_str());
        xdotool("key " + keys);
        return pump_until([&] { return test_env::file_exists(marker); });
    }

    Thotkey_watch *watch = nullptr;
    std::string root, data, config, saved_data, saved_config;
    static bool fresh_process, display_ok;
};
bool HotkeyWatch::fresh_process = false;
bool HotkeyWatch::display_ok = false;

} // namespace

TEST_F(HotkeyWatch, KeysStartTheirProgramsFollowTheFoldersAndAreReleased) {
    // The applications folder does not exist yet: it is seen being made.
    watch = new Thotkey_watch(hotkey_entry_folders());
    EXPECT_TRUE(watch->grabs().empty());

    const std::string marker = root + "/started";
    const std::string program = marker_script(root + "/My 100% \"x\" $HOME \xc3\xa9t\xc3\xa9/run it", marker);
    ASSERT_EQ(create_hotkey_link(program, programs_link_name(program), "", 0x0645), 0);
    ASSERT_TRUE(pump_until([&] { return watch->grabs().size() == 1; }))
        << "the new folder and entry were not seen";
    EXPECT_NE(watch->grabs().begin()->second.id, 111);
    EXPECT_GE(watch->grabs().begin()->second.id, 1000);

    ASSERT_TRUE(press_starts("ctrl+alt+e", marker)) << "the hotkey did not start the program";
    EXPECT_EQ(test_env::read_file(marker), std::filesystem::path(program).parent_path().string() + "\n")
        << "started in the program's folder";
    xdotool("key Num_Lock");
    EXPECT_TRUE(press_starts("ctrl+alt+e", marker)) << "must work with NumLock on";
    xdotool("key Num_Lock");
    xdotool("key Caps_Lock");
    EXPECT_TRUE(press_starts("ctrl+alt+e", marker)) << "must work with CapsLock on";
    xdotool("key Caps_Lock");

    // An autostart entry with the same word clashes: one line, no grab.
    const std::string twin = config + "/autostart/twin.desktop";
    testing::internal::CaptureStderr();
    test_env::write_file(twin, entry_text("0x0645", "/bin/true"));
    ASSERT_TRUE(pump_until([&] {
        return watch->grabs().size() == 1 && watch->grabs().count(twin) == 0 && std::filesystem::exists(twin);
    }));
    watch->rescan();
    watch->rescan();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Ctrl+Alt+E"), std::string::npos) << err;
    EXPECT_NE(err.find(twin), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line, not one per reading: " << err;

    // Editing the word in place changes the key.
    ASSERT_EQ(create_hotkey_link(program, programs_link_name(program), "", 0x0446), 0); // Alt+F
    ASSERT_TRUE(pump_until([&] {
        auto g = watch->grabs().find(programs_link_name(program));
        return g != watch->grabs().end() && g->second.entry.word == 0x0446;
    }));
    EXPECT_TRUE(press_starts("alt+f", marker));
    // The old key is free now, so the twin takes it.
    EXPECT_TRUE(pump_until([&] { return watch->grabs().count(twin) == 1; }));

    // Deleting the entry releases its key.
    ::unlink(programs_link_name(program).c_str());
    ASSERT_TRUE(pump_until([&] { return watch->grabs().count(programs_link_name(program)) == 0; }));
    EXPECT_TRUE(platform::register_hotkey(7, platform::MOD_ALT, 'F')) << "the key was not released";
    platform::unregister_hotkey(7);

    // While paused (the Hotkeys dialog is open) no key is held.
    watch->pause(true);
    EXPECT_TRUE(watch->grabs().empty());
    watch->pause(false);
    EXPECT_EQ(watch->grabs().size(), 1u);
}

TEST_F(HotkeyWatch, KeysHeldElsewhereAreReportedAndTheOthersStillWork) {
    auto elsewhere = std::make_unique<other_client_grab>("g");
    ASSERT_TRUE(elsewhere->ok());
    ASSERT_TRUE(
        platform::register_hotkey(111, platform::MOD_CONTROL | platform::MOD_SHIFT, platform::VK_BACK));
    const std::string apps = data + "/applications";
    std::filesystem::create_directories(apps);
    const std::string marker = root + "/good";
    marker_script(root + "/good.sh", marker);
    test_env::write_file(apps + "/held.desktop", entry_text("0x0647", "/bin/true"));   // Ctrl+Alt+G
    test_env::write_file(apps + "/rescue.desktop", entry_text("0x0308", "/bin/true")); // Ctrl+Shift+Backspace
    test_env::write_file(apps + "/good.desktop", entry_text("0x0648", root + "/good.sh")); // Ctrl+Alt+H

    testing::internal::CaptureStderr();
    watch = new Thotkey_watch(hotkey_entry_folders());
    std::string err = testing::internal::GetCapturedStderr();
    QStringList reports;
    QObject::connect(watch, &Thotkey_watch::keys_not_taken, [&](const QString &r) { reports << r; });
    EXPECT_EQ(watch->grabs().size(), 1u);
    EXPECT_EQ(watch->grabs().count(apps + "/good.desktop"), 1u);
    EXPECT_NE(err.find("Ctrl+Alt+G of " + apps + "/held.desktop"), std::string::npos) << err;
    EXPECT_NE(err.find("Ctrl+Shift+Backspace of " + apps + "/rescue.desktop"), std::string::npos) << err;
    EXPECT_TRUE(press_starts("ctrl+alt+h", marker));
    // The user is told too, once, after the keys were asked for again.
    ASSERT_TRUE(pump_until([&] { return !reports.isEmpty(); })) << "the keys not taken were never told";
    platform::unregister_hotkey(111);
    for (const std::string &line :
         {"Ctrl+Alt+G of " + apps + "/held.desktop: another program",
          "Ctrl+Shift+Backspace of " + apps + "/rescue.desktop: it is Vorkel's rescue"})
        EXPECT_TRUE(reports[0].contains(QString::fromStdString(line))) << reports[0].toStdString();

    // Once the other client lets go, the key is taken after all, without
    // a second message.
    testing::internal::CaptureStderr();
    elsewhere.reset();
    const bool taken = pump_until([&] { return watch->grabs().count(apps + "/held.desktop") == 1; });
    err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(taken) << "a key released by its holder was never taken";
    EXPECT_EQ(err.find("held.desktop"), std::string::npos) << err;
    EXPECT_EQ(reports.size(), 1);
}
