// The single-process watch window, built in this process on a real X
// display (the test's own Xvfb with icewm), watching children the test
// starts.
#include "common/refresher_count.h"
#include "monitor/one_process_form.h"
#include "monitor/process_table.h"
#include "platform/process_control.h"
#include "support/qt_app.h"
#include "support/test_env.h"
#include "toolkit/grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>

#include <cmath>
#include <csignal>
#include <memory>

using namespace std::chrono_literals;
using test_env::child_process;
using test_env::wait_until;

namespace {

std::unique_ptr<test_env::x_session> display;

bool pump_until(const std::function<bool()> &pred, std::chrono::milliseconds deadline = 5s) {
    return wait_until(
        [&] {
            QApplication::processEvents();
            return pred();
        },
        deadline);
}

// The window's opacity as the window manager sees it (-1: none set).
long long x_opacity(const QWidget *w) {
    const std::string out =
        test_env::run_capture("xprop -id " + std::to_string(w->winId()) + " _NET_WM_WINDOW_OPACITY");
    const std::size_t eq = out.find(" = ");
    return eq == std::string::npos ? -1 : std::atoll(out.c_str() + eq + 3);
}

long long opacity_of_alpha(int alpha) { return std::llround(alpha / 255.0 * 0xffffffffu); }

void press(Tone_process_form *form, int key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(form->grid, &e);
}

class OneProcessWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!display) {
            display = std::make_unique<test_env::x_session>();
            ASSERT_TRUE(display->ok());
        }
        ensure_qt_application(false);
    }
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "another test of this run made the application offscreen";
        empty_process_table();
    }
    void TearDown() override {
        close_all_process_windows();
        QApplication::processEvents();
    }
    Tone_process_form *open(pid_t pid) {
        open_process_window({static_cast<std::uint32_t>(pid), platform::process_start_time(pid)});
        return one_process_form;
    }
};

} // namespace

TEST_F(OneProcessWindow, ShowsItsProcessWithinOneCycleFramelessOnTopAndTranslucent) {
    child_process child({"sleep", "60"});
    QElapsedTimer clock;
    clock.start();
    Tone_process_form *form = open(child.pid());
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(pump_until([&] { return form->grid->cell(1, 1) == "sleep"; }, 3s));
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(form->grid->cell(0, 1), QString::number(child.pid()));
    const QStringList headers = {"PID", "Name", "CPU", "RAM", "Paged", "Hndls", "Thrds"};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(form->grid->cell(c, 0), headers[c]);
    EXPECT_EQ(form->grid->row_count(), 2);
    EXPECT_GT(form->grid->cell(3, 1).toLongLong(), 0) << "RAM in KB";
    EXPECT_EQ(form->grid->cell(6, 1), "1");
    EXPECT_EQ(form->windowTitle(), QString::number(child.pid()));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_GE(form->width(), 305);
    EXPECT_LT(form->height(), 61) << "only the header and the data row show";

    ASSERT_TRUE(pump_until([&] { return x_opacity(form) >= 0; }));
    EXPECT_EQ(form->alpha, 170);
    EXPECT_EQ(x_opacity(form), opacity_of_alpha(170));
    const std::string state =
        test_env::run_capture("xprop -id " + std::to_string(form->winId()) + " _NET_WM_STATE");
    EXPECT_NE(state.find("_NET_WM_STATE_ABOVE"), std::string::npos) << state;
    EXPECT_EQ(refresher_count(0), 1) << "the window keeps the table current";
}

TEST_F(OneProcessWindow, CtrlKeysStepTheOpacityToTheEnds) {
    child_process child({"sleep", "60"});
    Tone_process_form *form = open(child.pid());
    press(form, Qt::Key_Equal);
    EXPECT_EQ(form->alpha, 180);
    press(form, Qt::Key_Minus);
    press(form, Qt::Key_Minus);
    EXPECT_EQ(form->alpha, 160);
    form->alpha = 250;
    press(form, Qt::Key_Equal);
    EXPECT_EQ(form->alpha, 254);
    press(form, Qt::Key_Equal);
    EXPECT_EQ(form->alpha, 254);
    EXPECT_TRUE(pump_until([&] { return x_opacity(form) == opacity_of_alpha(254); }));
    press(form, Qt::Key_Equal, Qt::NoModifier); // without Ctrl: nothing
    form->alpha = 10;
    press(form, Qt::Key_Minus);
    EXPECT_EQ(form->alpha, 0);
    press(form, Qt::Key_Minus);
    EXPECT_EQ(form->alpha, 0);
    EXPECT_TRUE(pump_until([&] { return x_opacity(form) == 0; }));
    press(form, Qt::Key_A);
    EXPECT_EQ(form->alpha, 0);
}

TEST_F(OneProcessWindow, ClosesByItselfWithinACycleWhenItsProcessEnds) {
    // Reaped at once, or a zombie that its parent (this test) has not
    // reaped yet: ended either way.
    for (const bool reaped : {true, false}) {
        child_process child({"sleep", "60"});
        Tone_process_form *form = open(child.pid());
        ASSERT_TRUE(pump_until([&] { return form->grid->cell(1, 1) == "sleep"; }));
        ::kill(child.pid(), SIGKILL);
        const std::string stat = "/proc/" + std::to_string(child.pid()) + "/stat";
        if (reaped)
            child.wait(2s);
        else
            ASSERT_TRUE(
                wait_until([&] { return test_env::read_file(stat).find(") Z ") != std::string::npos; }));
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(pump_until([] { return one_process_windows_open() == 0; }, 3s)) << "reaped " << reaped;
        EXPECT_LT(clock.elapsed(), 1600); // one 900 ms cycle and a table refresh, on a loaded machine
        EXPECT_EQ(one_process_form, nullptr);
        EXPECT_EQ(refresher_count(0), 0) << "the role was given back";
    }
}

TEST_F(OneProcessWindow, SeveralWindowsForOneProcessAreIndependentAndAllCloseAtExit) {
    child_process child({"sleep", "60"});
    Tone_process_form *first = open(child.pid());
    Tone_process_form *second = open(child.pid());
    ASSERT_NE(first, second);
    EXPECT_EQ(one_process_windows_open(), 2);
    EXPECT_TRUE(pump_until(
        [&] { return first->grid->cell(1, 1) == "sleep" && second->grid->cell(1, 1) == "sleep"; }));
    first->alpha = 100;
    press(second, Qt::Key_Equal);
    EXPECT_EQ(first->alpha, 100);
    EXPECT_EQ(second->alpha, 180);

    // Esc closes only the window that has it.
    QElapsedTimer clock;
    clock.start();
    press(first, Qt::Key_Escape, Qt::NoModifier);
    EXPECT_LT(clock.elapsed(), 300) << "closing wakes the refresher instead of waiting out its cycle";
    EXPECT_EQ(one_process_windows_open(), 1);
    const QString before = second->grid->cell(0, 1);
    EXPECT_EQ(before, QString::number(child.pid()));

    child_process other({"sleep", "60"});
    open(other.pid());
    EXPECT_EQ(one_process_windows_open(), 2);
    close_all_process_windows(); // the close-all message at exit
    EXPECT_EQ(one_process_windows_open(), 0);
    EXPECT_EQ(one_process_form, nullptr);
    EXPECT_TRUE(child.running()) << "closing a window never touches its process";
}

TEST_F(OneProcessWindow, StaysShownWhenAnotherWindowIsMinimised) {
    child_process child({"sleep", "60"});
    QWidget main_window; // stands for the main window
    main_window.resize(320, 400);
    main_window.show();
    ASSERT_TRUE(pump_until([&] { return main_window.isVisible(); }));
    Tone_process_form *form = open(child.pid());
    ASSERT_TRUE(pump_until([&] { return form->grid->cell(1, 1) == "sleep"; }));
    main_window.showMinimized();
    auto viewable = [](const QWidget *w) {
        return test_env::run_capture("xwininfo -id " + std::to_string(w->winId())).find("IsViewable") !=
               std::string::npos;
    };
    ASSERT_TRUE(pump_until([&] { return !viewable(&main_window); }));
    EXPECT_TRUE(viewable(form));
    EXPECT_EQ(one_process_windows_open(), 1);
}
