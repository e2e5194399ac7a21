// Program hotkeys on a virtual display: the "Hotkeys" command of a main
// window in this process writes a program's entry, and the real program
// takes the keys of such entries, starts their programs (also with
// NumLock on), releases the key of a deleted entry and reports a key it
// cannot take on standard error.
#include "catalogue/catalogue_file.h"
#include "catalogue/desktop_entry.h"
#include "catalogue/hotkey_form.h"
#include "catalogue/hotkey_links.h"
#include "catalogue/shortcuts_page.h"
#include "catalogue/startup_links.h"
#include "integration/vorkel_app.h"
#include "platform/hotkeys.h"
#include "shell/main_form.h"
#include "support/other_client_grab.h"
#include "support/qt_app.h"
#include "support/test_env.h"
#include "toolkit/grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

// A script that writes the folder it runs in to marker (atomically).
std::string marker_script(const std::string &path, const std::string &marker) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    test_env::write_file(path, "#!/bin/sh\npwd > '" + marker + ".tmp' && mv '" + marker + ".tmp' '" + marker +
                                   "'\n");
    ::chmod(path.c_str(), 0700);
    return path;
}

// Presses keys on the display and waits for marker to appear. (The window
// manager holds some combinations itself, Ctrl+Alt+H and Ctrl+Alt+D among
// them: the tests use others.)
bool press_starts(const std::string &keys, const std::string &marker,
                  std::chrono::milliseconds deadline = 10s) {
    ::unlink(marker.c_str());
    xdotool("key " + keys);
    return wait_until([&] { return test_env::file_exists(marker); }, deadline);
}

// Whether a client other than the program could take the combination now
// (this process's own X connection is such a client).
bool key_free(unsigned modifiers, unsigned key) {
    if (!platform::register_hotkey(99, modifiers, key))
        return false;
    platform::unregister_hotkey(99);
    return true;
}

// Points the desktop folders of this process and the programs it starts
// at a fresh tree.
struct desktop_folders {
    std::string root = test_env::make_temp_dir("desk");
    std::string data = root + "/data", config = root + "/config";
    std::string saved_data = std::getenv("XDG_DATA_HOME"), saved_config = std::getenv("XDG_CONFIG_HOME");
    desktop_folders() {
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    ~desktop_folders() {
        setenv("XDG_DATA_HOME", saved_data.c_str(), 1);
        setenv("XDG_CONFIG_HOME", saved_config.c_str(), 1);
    }
    std::string apps() const { return data + "/applications"; }
};

} // namespace

// The main window's own "Hotkeys" command, in this process: its dialog
// (offscreen) reads the keyboard of the virtual display.
TEST(HotkeysCommand, CtrlAltEGivenToAProgramWritesItsEntryAndTheKeyStartsIt) {
    if (qApp)
        GTEST_SKIP() << "run this test in a process of its own";
    static test_env::x_session display(false);
    ASSERT_TRUE(display.ok()) << "Xvfb did not start";
    desktop_folders folders;
    ensure_qt_application(true);
    auto form = std::make_unique<TTM>();
    form->update_list_timer->stop();
    form->FormCreate();

    const std::string marker = folders.root + "/started";
    const std::string program = marker_script(folders.root + "/bin dir/my tool", marker);
    set_row_path(form->grid, 1, program);
    form->grid->set_current_row(1);

    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *f = qobject_cast<Thotkey_form *>(w);
            if (!f || !f->isVisible())
                continue;
            timer->stop();
            timer->deleteLater();
            xdotool("keydown ctrl alt");
            bool held = wait_until([&] {
                QApplication::processEvents();
                return f->CheckBox1->isChecked() && f->CheckBox3->isChecked();
            });
            QKeyEvent e(QEvent::KeyPress, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
            QApplication::sendEvent(f->Button1, &e);
            xdotool("keyup ctrl alt");
            EXPECT_TRUE(held) << "the boxes never showed Ctrl and Alt";
            f->Button1->click();
            return;
        }
    });
    timer->start(10);
    form->N13->trigger();

    const std::string link = folders.apps() + "/vorkel-my tool.desktop";
    ASSERT_TRUE(test_env::file_exists(link));
    DESKTOP_ENTRY_STRUCT e;
    ASSERT_TRUE(parse_desktop_entry(test_env::read_file(link), e));
    EXPECT_EQ(e.hotkey, 0x0645);
    EXPECT_EQ(e.exec, std::vector<std::string>{program});

    xdotool("key ctrl+alt+e");
    EXPECT_TRUE(wait_until([&] {
        QApplication::processEvents();
        return test_env::file_exists(marker);
    })) << "Ctrl+Alt+E did not start the program";
    form->FormDestroy();
}

namespace {

class ProgramHotkeys : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_FALSE(app.exe().empty());
    }
    std::string log(int run = 0) const {
        return test_env::read_file(app.folder() + "/run-" + std::to_string(run) + ".log");
    }

    test_env::x_session x;
    desktop_folders folders;
    vorkel_app app;
};

} // namespace

TEST_F(ProgramHotkeys, EntriesKeysStartTheirProgramsAndADeletedEntrysKeyIsReleased) {
    const std::string marker = folders.root + "/started";
    const std::string program =
        marker_script(folders.root + "/My 100% \"x\" $HOME \xc3\xa9t\xc3\xa9/run it", marker);
    const std::string link = programs_link_name(program);
    ASSERT_EQ(create_hotkey_link(program, link, "", 0x0645), 0);

    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    ASSERT_TRUE(wait_until([&] { return !key_free(platform::MOD_CONTROL | platform::MOD_ALT, 'E'); }))
        << "the program did not take Ctrl+Alt+E";
    ASSERT_TRUE(press_starts("ctrl+alt+e", marker)) << "Ctrl+Alt+E did not start the entry's program";
    EXPECT_EQ(test_env::read_file(marker), std::filesystem::path(program).parent_path().string() + "\n");

    xdotool("key Num_Lock");
    EXPECT_TRUE(press_starts("ctrl+alt+e", marker)) << "the key must work with NumLock on";
    xdotool("key Num_Lock");

    // An entry written while the program runs is taken too.
    const std::string other_marker = folders.root + "/other";
    const std::string other = marker_script(folders.root + "/bin/other", other_marker);
    ASSERT_EQ(create_hotkey_link(other, programs_link_name(other), "", 0x0265), 0); // Ctrl+keypad 5
    ASSERT_TRUE(wait_until([&] { return !key_free(platform::MOD_CONTROL, 0x65); }));
    // The keypad's 5 key, whichever symbol it gives in the NumLock state.
    xdotool("key Num_Lock");
    EXPECT_TRUE(press_starts("ctrl+KP_Begin", other_marker));
    xdotool("key Num_Lock");

    // Deleting the entry releases its key; the other entry keeps working.
    ::unlink(link.c_str());
    EXPECT_TRUE(wait_until([&] { return key_free(platform::MOD_CONTROL | platform::MOD_ALT, 'E'); }))
        << "the key of the deleted entry is still held";
    xdotool("key Num_Lock");
    EXPECT_TRUE(press_starts("ctrl+KP_Begin", other_marker));
    xdotool("key Num_Lock");
    EXPECT_TRUE(p.running());
}

TEST_F(ProgramHotkeys, AnEntryAskingForTheRescueKeyIsReportedAndTheRescueKeyStillWorks) {
    const std::string marker = folders.root + "/good";
    const std::string good = marker_script(folders.root + "/bin/good", marker);
    ASSERT_EQ(create_hotkey_link("/bin/true", folders.apps() + "/vorkel-rescue.desktop", "", 0x0308), 0);
    ASSERT_EQ(create_hotkey_link(good, programs_link_name(good), "", 0x064A), 0); // Ctrl+Alt+J

    // The rescue key lowers every process Vorkel can see: here only those of
    // its own PID namespace.
    auto p = app.start_in_own_pid_namespace();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    EXPECT_TRUE(wait_until([&] { return log().find("rescue.desktop") != std::string::npos; }))
        << "no line on standard error: " << log();
    EXPECT_NE(log().find("hotkey Ctrl+Shift+Backspace of " + folders.apps() + "/vorkel-rescue.desktop"),
              std::string::npos)
        << log();
    EXPECT_TRUE(press_starts("ctrl+alt+j", marker)) << "the other entry must still work";
    xdotool("key ctrl+shift+BackSpace");
    EXPECT_TRUE(wait_until([&] { return app.main_window_shown(); }))
        << "the rescue key must still show the window";
    EXPECT_TRUE(p.running());
}

TEST_F(ProgramHotkeys, AKeyHeldByAnotherClientIsReportedAndTheOthersStillWork) {
    ASSERT_TRUE(platform::register_hotkey(98, platform::MOD_CONTROL | platform::MOD_ALT, 'G'))
        << "this test's own client could not take Ctrl+Alt+G";
    const std::string marker = folders.root + "/good";
    const std::string good = marker_script(folders.root + "/bin/good", marker);
    ASSERT_EQ(create_hotkey_link("/bin/true", folders.apps() + "/vorkel-held.desktop", "", 0x0647), 0);
    ASSERT_EQ(create_hotkey_link(good, programs_link_name(good), "", 0x064A), 0); // Ctrl+Alt+J

    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    EXPECT_TRUE(wait_until([&] { return log().find("held.desktop") != std::string::npos; }))
        << "no line on standard error: " << log();
    EXPECT_NE(log().find("hotkey Ctrl+Alt+G of " + folders.apps() + "/vorkel-held.desktop"),
              std::string::npos)
        << log();
    EXPECT_TRUE(press_starts("ctrl+alt+j", marker)) << "the other entry must still work";
    EXPECT_TRUE(wait_until([&] {
        for (const auto &w : test_env::windows_of_class(app.class_name()))
            if (w.name == "Hotkey warning" && w.viewable)
                return true;
        return false;
    })) << "the user was not told";
    EXPECT_TRUE(p.running());
    platform::unregister_hotkey(98);
}

TEST_F(ProgramHotkeys, OwnRowInStartUpLeavesCtrlShiftSToOtherPrograms) {
    // Vorkel's own row in start-up, with the entry an earlier version wrote
    // for it; and an entry whose key shows when the keys have been taken.
    const std::string autostart = folders.config + "/autostart";
    std::filesystem::create_directories(autostart);
    test_env::write_file(autostart + "/vorkel.desktop",
                         "[Desktop Entry]\nType=Application\nName=vorkel\nExec=" + app.exe() +
                             "\nX-Vorkel-Created=true\nX-Vorkel-Hotkey=0x0353\n");
    std::filesystem::create_directories(app.data_dir());
    ::chmod(app.data_dir().c_str(), 0700);
    LINK_MAP catalogue;
    catalogue.emplace(app.exe(), LINK_PROPERTIES_STRUCT{0, -1, 0});
    write_catalogue(app.data_dir() + "/vorkel.dat", catalogue);
    const std::string marker = folders.root + "/good";
    const std::string good = marker_script(folders.root + "/bin/good", marker);
    ASSERT_EQ(create_hotkey_link(good, programs_link_name(good), "", 0x064A), 0); // Ctrl+Alt+J

    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    ASSERT_TRUE(wait_until([&] { return !key_free(platform::MOD_CONTROL | platform::MOD_ALT, 'J'); }));
    other_client_grab editor("s", other_client_grab::control | other_client_grab::shift);
    ASSERT_TRUE(editor.ok()) << "Vorkel took Ctrl+Shift+S";
    xdotool("key ctrl+shift+s");
    EXPECT_TRUE(wait_until([&] { return editor.presses() == 1; })) << "Ctrl+Shift+S did not reach the editor";
    DESKTOP_ENTRY_STRUCT e;
    ASSERT_TRUE(parse_desktop_entry(test_env::read_file(startup_link_name(app.exe())), e));
    EXPECT_EQ(e.hotkey, 0);
    EXPECT_FALSE(test_env::file_exists(autostart + "/vorkel.desktop"));
    EXPECT_TRUE(p.running());
}

TEST_F(ProgramHotkeys, HotkeysCommandOfTheRealProgramWritesTheEntryAndTheKeyStartsIt) {
    // Another program holds Ctrl+Alt+G: while the dialog is active that
    // combination reaches the dialog, not that program.
    other_client_grab elsewhere("g");
    ASSERT_TRUE(elsewhere.ok());
    const std::string marker = folders.root + "/started";
    const std::string program = marker_script(folders.root + "/bin/my tool", marker);
    std::filesystem::create_directories(app.data_dir());
    ::chmod(app.data_dir().c_str(), 0700);
    LINK_MAP catalogue;
    catalogue.emplace(program, LINK_PROPERTIES_STRUCT{});
    write_catalogue(app.data_dir() + "/vorkel.dat", catalogue);

    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    // A second start shows the window (the rescue key would renice the
    // machine's processes).
    auto second = app.start();
    EXPECT_EQ(second.wait(15s), 1);
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); })) << "the window did not show";
    const std::string w = std::to_string(app.main_window()->id);
    // The "Shortcuts" tab, then a right click on the grid's first row.
    xdotool("mousemove --sync --window " + w + " 30 12 click 1");
    xdotool("mousemove --sync --window " + w + " 60 58 click 3");
    xdotool("key Down Down Down Return");
    std::string dialog;
    ASSERT_TRUE(wait_until([&] {
        return !(dialog = xdotool("search --onlyvisible --name '^Hotkeys$'")).empty();
    })) << "the Hotkeys dialog did not show";
    xdotool("windowactivate --sync " + dialog.substr(0, dialog.find('\n')));
    ASSERT_TRUE(wait_until([&] { return elsewhere.keyboard_held_elsewhere(); }))
        << "the active dialog does not hold the keyboard";
    xdotool("keydown ctrl alt");
    // The boxes follow the keyboard at the dialog's next 10 ms tick, which
    // must come between the modifiers and the key; nothing outside the
    // program can see that tick, so the test gives it fifty ticks' time.
    wait_until([] { return false; }, 500ms);
    // G is captured (and refused: another program has it); E lets the
    // boxes follow again, E once more is captured.
    xdotool("key g e e");
    xdotool("keyup ctrl alt");
    xdotool("key space"); // "Set" has the focus

    const std::string link = folders.apps() + "/vorkel-my tool.desktop";
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(link); })) << "no entry written";
    DESKTOP_ENTRY_STRUCT e;
    ASSERT_TRUE(parse_desktop_entry(test_env::read_file(link), e));
    EXPECT_EQ(e.hotkey, 0x0645);
    EXPECT_EQ(e.exec, std::vector<std::string>{program});
    EXPECT_TRUE(press_starts("ctrl+alt+e", marker)) << "Ctrl+Alt+E did not start the program";
    EXPECT_EQ(elsewhere.presses(), 0);
    EXPECT_TRUE(p.running());
}
