// The "Hotkeys" dialog and the command that writes a program's hotkey
// entry. The dialog runs on Qt's offscreen platform; the modifier boxes
// read the keyboard of a virtual X display (Xvfb) on which the tests hold
// keys down with xdotool.
// GIO first: Qt's "signals" keyword would break its headers.
#include <gio/gdesktopappinfo.h>

#include "catalogue/desktop_entry.h"
#include "catalogue/hotkey_form.h"
#include "catalogue/hotkey_links.h"
#include "catalogue/shortcuts_page.h"
#include "support/other_client_grab.h"
#include "support/qt_app.h"
#include "support/test_env.h"
#include "toolkit/grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

bool pump_until(const std::function<bool()> &pred, std::chrono::milliseconds deadline = 5s) {
    return test_env::wait_until(
        [&] {
            QApplication::processEvents();
            return pred();
        },
        deadline);
}

void pump_for(std::chrono::milliseconds span) {
    pump_until([] { return false; }, span);
}

void xdotool(const std::string &args) { test_env::run_capture("xdotool " + args); }

void press(QWidget *target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, bool repeat = false) {
    QKeyEvent down(QEvent::KeyPress, key, mods, QString(), repeat);
    QApplication::sendEvent(target, &down);
}

// Runs act on the Thotkey_form once the code under test shows it. A form
// still open afterwards is closed so the test fails instead of hanging.
void when_shown(std::function<void(Thotkey_form *)> act) {
    auto *timer = new QTimer;
    auto started = std::chrono::steady_clock::now();
    QObject::connect(timer, &QTimer::timeout, [timer, act, started] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *f = qobject_cast<Thotkey_form *>(w);
            if (f && f->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(f);
                if (f->isVisible()) {
                    ADD_FAILURE() << "the dialog is still open after the test's action";
                    f->reject();
                }
                return;
            }
        }
        if (std::chrono::steady_clock::now() - started > 10s) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "the dialog never showed";
        }
    });
    timer->start(10);
}

bool boxes_are(Thotkey_form *f, bool ctrl, bool shift, bool alt) {
    return f->CheckBox1->isChecked() == ctrl && f->CheckBox2->isChecked() == shift &&
           f->CheckBox3->isChecked() == alt;
}

class HotkeyForm : public ::testing::Test {
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
        hotkey_choice = 0;
        data = test_env::make_temp_dir("data");
        saved_data = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        setenv("XDG_DATA_HOME", data.c_str(), 1);
    }
    void TearDown() override {
        if (!fresh_process)
            return;
        xdotool("keyup ctrl alt shift");
        delete form;
        setenv("XDG_DATA_HOME", saved_data.c_str(), 1);
    }
    Thotkey_form *open_form() {
        form = new Thotkey_form;
        form->show();
        return form;
    }
    // The form's hotkey entry for program, or an empty record.
    DESKTOP_ENTRY_STRUCT entry_of(const std::string &program) {
        DESKTOP_ENTRY_STRUCT e;
        const std::string link = programs_link_name(program);
        if (test_env::file_exists(link)) {
            EXPECT_TRUE(parse_desktop_entry(test_env::read_file(link), e));
        }
        return e;
    }
    // Runs the Hotkeys command on a grid whose current row shows program.
    void hotkeys_command(const std::string &program, std::function<void(Thotkey_form *)> act) {
        TGrid grid({QStringLiteral("Path"), QStringLiteral("Show"), QStringLiteral("StartUp")}, 16);
        set_row_path(&grid, 1, program);
        grid.set_current_row(1);
        when_shown(std::move(act));
        give_row_hotkey(&grid);
    }

    Thotkey_form *form = nullptr;
    std::string data, saved_data;
    static bool fresh_process, display_ok;
};
bool HotkeyForm::fresh_process = false;
bool HotkeyForm::display_ok = false;

} // namespace

TEST_F(HotkeyForm, CtrlAltEThenSetGivesTheWordAndTheBoxesFreezeAtTheCapture) {
    Thotkey_form *f = open_form();
    EXPECT_EQ(f->windowTitle(), "Hotkeys");
    EXPECT_FALSE(f->CheckBox1->isEnabled());
    EXPECT_FALSE(f->Edit1->isEnabled());
    EXPECT_EQ(f->Timer1->interval(), 10);
    ASSERT_TRUE(f->Timer1->isActive());

    xdotool("keydown ctrl alt");
    ASSERT_TRUE(pump_until([&] { return boxes_are(f, true, false, true); }))
        << "the boxes follow the keyboard";
    press(f->Button1, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(f->Edit1->text(), "E");
    EXPECT_FALSE(f->Timer1->isActive());
    press(f->Button1, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier, true); // the key repeats
    EXPECT_FALSE(f->Timer1->isActive()) << "a repeat is not a second press";
    xdotool("keyup ctrl alt");
    pump_for(100ms);
    EXPECT_TRUE(boxes_are(f, true, false, true)) << "frozen as they were at the capture";

    f->Button1->click();
    EXPECT_EQ(hotkey_choice, 0x0645);
    EXPECT_FALSE(f->isVisible());
}

TEST_F(HotkeyForm, FunctionKeysAndTheMainRowsDigitsCaptureNothingTheKeypadDoes) {
    Thotkey_form *f = open_form();
    press(f->Button2, Qt::Key_F5);
    press(f->Button2, Qt::Key_5);
    press(f, Qt::Key_0, Qt::KeypadModifier); // reads as '`', no letter
    EXPECT_EQ(f->Edit1->text(), "");
    EXPECT_TRUE(f->Timer1->isActive());

    press(f->Button2, Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(f->Edit1->text(), "e");
    EXPECT_FALSE(f->Timer1->isActive());
    f->Button1->click();
    EXPECT_EQ(hotkey_choice, 0x0065);
}

TEST_F(HotkeyForm, SetWithoutAKeyGivesOnlyTheModifiers) {
    Thotkey_form *f = open_form();
    xdotool("keydown shift");
    ASSERT_TRUE(pump_until([&] { return boxes_are(f, false, true, false); }));
    f->Button1->click();
    EXPECT_EQ(hotkey_choice, 0x0100);
}

TEST_F(HotkeyForm, ACapturedKeyThenShiftEmptiesTheBoxAndTheBoxesFollowAgain) {
    Thotkey_form *f = open_form();
    press(f->Button1, Qt::Key_Q);
    ASSERT_EQ(f->Edit1->text(), "Q");
    ASSERT_FALSE(f->Timer1->isActive());
    xdotool("keydown ctrl");
    pump_for(60ms);
    EXPECT_FALSE(f->CheckBox1->isChecked()) << "frozen while a key is captured";

    press(f->Button1, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(f->Edit1->text(), "");
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_TRUE(pump_until([&] { return boxes_are(f, true, false, false); })) << "the boxes follow again";
    xdotool("keyup ctrl");
    EXPECT_TRUE(pump_until([&] { return boxes_are(f, false, false, false); }));

    // A capture key while following: captured, and pressed again it lets
    // the boxes follow while still showing.
    press(f->Button1, Qt::Key_W);
    press(f->Button1, Qt::Key_K);
    EXPECT_EQ(f->Edit1->text(), "K");
    EXPECT_TRUE(f->Timer1->isActive());
}

TEST_F(HotkeyForm, EscapeWritesTheEntryWithoutAWord) {
    const std::string program = "/opt/My Tools/ed it";
    hotkeys_command(program, [](Thotkey_form *f) {
        press(f->Button1, Qt::Key_E);
        f->Button1->click();
    });
    ASSERT_EQ(entry_of(program).hotkey, 0x0045);
    hotkeys_command(program, [](Thotkey_form *f) { press(f->Button2, Qt::Key_Escape); });
    EXPECT_EQ(hotkey_choice, 0);
    const DESKTOP_ENTRY_STRUCT e = entry_of(program);
    EXPECT_EQ(e.exec, std::vector<std::string>{program}) << "the entry is kept";
    EXPECT_EQ(e.hotkey, 0);
}

TEST_F(HotkeyForm, CancelAndTheCloseBoxWriteAndChangeNothing) {
    auto ctrl_alt_e = [](Thotkey_form *f) {
        xdotool("keydown ctrl alt");
        ASSERT_TRUE(pump_until([&] { return boxes_are(f, true, false, true); }));
        press(f->Button1, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
        xdotool("keyup ctrl alt");
        f->Button1->click();
    };
    hotkeys_command("/usr/bin/first", ctrl_alt_e);
    EXPECT_EQ(entry_of("/usr/bin/first").hotkey, 0x0645);
    const std::string first = test_env::read_file(programs_link_name("/usr/bin/first"));

    hotkeys_command("/usr/bin/second", [](Thotkey_form *f) { f->Button2->click(); });
    hotkeys_command("/usr/bin/third", [](Thotkey_form *f) { f->close(); });
    hotkeys_command("/usr/bin/first", [](Thotkey_form *f) { f->Button2->click(); });
    for (const char *program : {"/usr/bin/second", "/usr/bin/third"})
        EXPECT_FALSE(test_env::file_exists(programs_link_name(program))) << program;
    EXPECT_EQ(test_env::read_file(programs_link_name("/usr/bin/first")), first);

    // A row without a program writes nothing.
    hotkeys_command("", ctrl_alt_e);
    const std::filesystem::directory_iterator entries(data + "/applications");
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1) << "only first's entry";
}

TEST_F(HotkeyForm, TheDesktopKeepsItsOwnEntryForTheProgram) {
    // A program and the system's entry for it, in a private system folder.
    const std::string system = test_env::make_temp_dir("usr");
    const std::string program = system + "/htop";
    std::filesystem::create_directories(system + "/applications");
    test_env::write_file(program, "#!/bin/sh\n");
    ::chmod(program.c_str(), 0700);
    test_env::write_file(system + "/applications/htop.desktop",
                         "[Desktop Entry]\nType=Application\nName=Htop\nExec=" + program +
                             "\nTerminal=true\n");
    setenv("XDG_DATA_DIRS", system.c_str(), 1);
    hotkeys_command(program, [](Thotkey_form *f) {
        press(f->Button1, Qt::Key_E);
        f->Button1->click();
    });
    ASSERT_EQ(entry_of(program).hotkey, 0x0045);
    GDesktopAppInfo *info = g_desktop_app_info_new("htop.desktop");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::string(g_desktop_app_info_get_filename(info)), system + "/applications/htop.desktop");
    g_object_unref(info);
}

TEST_F(HotkeyForm, ACombinationTakenElsewhereIsToldAndNotOffered) {
    other_client_grab elsewhere("g");
    ASSERT_TRUE(elsewhere.ok());
    const std::string taken_by = programs_link_name("/bin/true");
    ASSERT_EQ(create_hotkey_link("/bin/true", taken_by, "", 0x064A), 0); // Ctrl+Alt+J
    struct CASE {
        std::string program;
        int key;
        bool ctrl_alt;
        std::string told; // empty: nothing told
        bool offered;
    } cases[] = {
        {"/bin/false", Qt::Key_G, true, "another program", false},
        {"/bin/false", Qt::Key_H, true, "", true},
        {"/bin/false", Qt::Key_J, true, taken_by, false},
        {"/bin/true", Qt::Key_J, true, "", true}, // its own key
        {"/bin/false", Qt::Key_K, false, "Ctrl or Alt", true},
    };
    for (const CASE &c : cases) {
        SCOPED_TRACE(c.program + " " + std::to_string(c.key));
        hotkeys_command(c.program, [&](Thotkey_form *f) {
            if (c.ctrl_alt) {
                xdotool("keydown ctrl alt");
                ASSERT_TRUE(pump_until([&] { return boxes_are(f, true, false, true); }));
            }
            press(f->Button1, c.key);
            xdotool("keyup ctrl alt");
            EXPECT_EQ(f->Label1->isVisibleTo(f), !c.told.empty());
            EXPECT_NE(f->Label1->text().toStdString().find(c.told), std::string::npos);
            EXPECT_EQ(f->Button1->isEnabled(), c.offered);
            f->Button2->click();
        });
    }
}
