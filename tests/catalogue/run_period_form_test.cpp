// The "Startup options" dialog: its fixed choices and how each way of
// leaving it answers ask_startup_mode.
#include "catalogue/run_period_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <chrono>
#include <functional>

namespace {

class StartupOptions : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!qApp) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char arg0[] = "test_catalogue";
            static char *argv[] = {arg0, nullptr};
            new QApplication(argc, argv); // one per process, kept to the end
            QApplication::setQuitOnLastWindowClosed(false);
        }
    }
    void SetUp() override { startup_choice = 0; }

    // ask_startup_mode with act run on the dialog while it is open; fails
    // (and closes it) when the dialog is still open afterwards.
    static int ask_and(std::function<void(Trun_period_form *)> act) {
        bool acted = false;
        auto *timer = new QTimer;
        auto started = std::chrono::steady_clock::now();
        QObject::connect(timer, &QTimer::timeout, [&, timer] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *f = qobject_cast<Trun_period_form *>(w); f && f->isVisible()) {
                    timer->stop();
                    timer->deleteLater();
                    acted = true;
                    act(f);
                    if (f->isVisible()) {
                        ADD_FAILURE() << "still open";
                        f->reject();
                    }
                    return;
                }
            if (std::chrono::steady_clock::now() - started > std::chrono::seconds(10)) {
                timer->stop();
                timer->deleteLater();
            }
        });
        timer->start(10);
        int answer = ask_startup_mode();
        EXPECT_TRUE(acted) << "the dialog never showed";
        return answer;
    }
    static void press(QWidget *w, int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &down);
    }
};

} // namespace

TEST_F(StartupOptions, OffersTwoChoicesWithThePeriodicOneDisabled) {
    int answer = ask_and([](Trun_period_form *f) {
        EXPECT_EQ(f->windowTitle(), QStringLiteral("Startup options"));
        EXPECT_EQ(f->RadioButton1->text(), QStringLiteral("Add in windows startup"));
        EXPECT_EQ(f->RadioButton2->text(), QStringLiteral("Launch with vorkel"));
        EXPECT_EQ(f->RadioButton3->text(), QStringLiteral("Launch every"));
        EXPECT_EQ(f->Label1->text(), QStringLiteral("min"));
        EXPECT_TRUE(f->RadioButton1->isChecked());
        EXPECT_FALSE(f->RadioButton3->isEnabled());
        EXPECT_FALSE(f->edit->isEnabled());
        EXPECT_FALSE(f->Label1->isEnabled());
        EXPECT_EQ(f->edit->value(), 30);
        EXPECT_EQ(f->edit->maximum(), 10000);
        EXPECT_EQ(f->minimumSize(), f->maximumSize()) << "fixed size";
        f->Button1->click();
    });
    EXPECT_EQ(answer, -1);
}

TEST_F(StartupOptions, EnterAnywhereSetsAndEscapeAnywhereCancels) {
    EXPECT_EQ(ask_and([](Trun_period_form *f) {
                  f->RadioButton2->setChecked(true);
                  press(f->Button2, Qt::Key_Enter); // even on "Cancel", Enter means "Set"
              }),
              1);
    EXPECT_EQ(ask_and([](Trun_period_form *f) { press(f->RadioButton2, Qt::Key_Return); }), -1)
        << "each opening starts from the first choice";
    EXPECT_EQ(ask_and([](Trun_period_form *f) { press(f->Button1, Qt::Key_Escape); }), startup_choice_cancelled);
    EXPECT_EQ(ask_and([](Trun_period_form *f) { press(f, Qt::Key_Escape); }), startup_choice_cancelled);
    EXPECT_EQ(ask_and([](Trun_period_form *f) { f->Button2->click(); }), startup_choice_cancelled);
}

TEST_F(StartupOptions, ClosingTheWindowIsARefusalNotThePreviousAnswer) {
    ASSERT_EQ(ask_and([](Trun_period_form *f) { f->Button1->click(); }), -1);
    EXPECT_EQ(ask_and([](Trun_period_form *f) { f->close(); }), startup_choice_cancelled);
}
