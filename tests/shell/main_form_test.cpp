// The main window built in-process on the offscreen platform: its make-up,
// the settings and column widths it starts with, showing, hiding and the
// exit sequence.
#include "common/flags.h"
#include "common/options.h"
#include "monitor/tasks_grid.h"
#include "platform/registry.h"
#include "shell/column_ini.h"
#include "shell/data_paths.h"
#include "shell/instance.h"
#include "shell/main_form.h"
#include "shell/settings.h"
#include "support/qt_app.h"
#include "support/test_env.h"
#include "toolkit/grid.h"
#include "toolkit/status_panel.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFileInfo>

#include <cstdlib>
#include <map>

namespace {

QStringList action_texts(QMenu *menu) {
    QStringList out;
    for (QAction *a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

// Paint events per watched widget.
struct PAINT_COUNTER : QObject {
    std::map<QObject *, int> count;
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            ++count[watched];
        return false;
    }
};

class MainForm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensure_qt_application();
    }
    void SetUp() override {
        exit_requested = false;
        list_visible = false;
        create_data_directory();
        ::unlink(settings_file_path().c_str());
        ::unlink(columns_file_path().c_str());
    }
    void TearDown() override { form.reset(); }
    void build() { form = std::make_unique<TTM>(); }

    std::unique_ptr<TTM> form;
};

} // namespace

TEST_F(MainForm, IsBuiltHiddenWithItsPagesMenusAndTimers) {
    build();
    EXPECT_EQ(TM, form.get());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(list_visible);
    EXPECT_EQ(form->windowTitle(), "Vorkel");
    ASSERT_EQ(form->pages->count(), 3);
    EXPECT_EQ(form->pages->tabText(0), "Shortcuts");
    EXPECT_EQ(form->pages->tabText(1), "Tasks");
    EXPECT_EQ(form->pages->tabText(2), "Logging");
    EXPECT_EQ(form->pages->currentWidget(), form->sheet2) << "Tasks is the first page shown";

    EXPECT_EQ(form->grid->cell(0, 0), "Path");
    EXPECT_EQ(form->grid->cell(2, 0), "StartUp");
    EXPECT_EQ(form->pgrid->model()->headerData(6, Qt::Horizontal).toString(), "Threads");
    EXPECT_TRUE(form->pgrid->isColumnHidden(0)) << "the PID column is hidden";
    EXPECT_EQ(form->grid->row_count(), 2) << "an empty catalogue shows one empty row";

    EXPECT_EQ(action_texts(form->PopupMenu1),
              QStringList({"-", "Show list", "Settings", "-", "Shutdown", "Exit"}));
    EXPECT_EQ(form->PopupMenu1->defaultAction(), form->N1);
    EXPECT_EQ(action_texts(form->PopupMenu2),
              QStringList({"Show in shortcuts menu", "StartUp", "Hotkeys", "Change icon", "-", "Add new shortcut",
                           "Delete", "Delete and never add again", "-", "Launch", "-", "Settings"}));
    EXPECT_TRUE(form->N27->isVisible() && form->N28->isVisible())
        << "the grid menu offers Settings until the tray menu first opens";
    form->PopupMenu1Popup();
    EXPECT_FALSE(form->N27->isVisible() || form->N28->isVisible()) << "the tray menu shows its own Settings";
    EXPECT_EQ(action_texts(form->PopupMenu1),
              QStringList({"-", "Show list", "Settings", "-", "Shutdown", "Exit"}));
    EXPECT_EQ(action_texts(form->N18),
              QStringList({"Realtime", "High", "Above normal", "Normal", "Below normal", "Low"}));
    EXPECT_FALSE(form->N11->isVisible());
    EXPECT_FALSE(form->N11->isEnabled());
    EXPECT_EQ(form->N16->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(form->tray->toolTip(), "Vorkel");
    EXPECT_EQ(form->Button3->text(), " Show stat");

    EXPECT_EQ(form->update_list_timer->interval(), 10000);
    EXPECT_EQ(form->cpu_timer->interval(), 100);
    EXPECT_EQ(form->task_timer->interval(), 1000);
    EXPECT_TRUE(form->update_list_timer->isActive());
    EXPECT_FALSE(form->cpu_timer->isActive()) << "hidden: no status bar to write";
    EXPECT_FALSE(form->task_timer->isActive()) << "hidden: no Tasks page to refresh";
    EXPECT_TRUE(sampler_running);
}

TEST_F(MainForm, StoredSettingsAndColumnWidthsApplyAtStart) {
    SETTINGS_STRUCT s{};
    set_default_settings(s);
    s.cpu_interval = 0; // keeps the layout's 100 ms
    s.tasks_interval = 700;
    s.apps_interval = -5; // a timer cannot take it: left as it was
    s.tray_color = 12;
    s.dockable = 1;
    s.hide_own_items = 1;
    write_settings(s);
    test_env::write_file(columns_file_path(), "[SETTINGS]\nx1=300\n");
    build();
    EXPECT_EQ(form->cpu_timer->interval(), 100);
    EXPECT_EQ(form->task_timer->interval(), 700);
    EXPECT_EQ(form->update_list_timer->interval(), 10000);
    EXPECT_EQ(opt_tray_color.load(), 12);
    EXPECT_TRUE(opt_dockable);
    EXPECT_FALSE(opt_own_items);
    EXPECT_EQ(form->grid->col_width(0), 300);
    EXPECT_EQ(form->grid->col_width(1), 10);
    for (int c = 1; c < 6; ++c)
        EXPECT_EQ(form->pgrid->column_width(c), 10) << "pgrid column " << c;
}

TEST_F(MainForm, ShowListThenEscHidesAndStatusBarFillsOnlyWhileShown) {
    build();
    form->cpu_timerTimer();
    EXPECT_TRUE(form->sb_panel[0]->text().isEmpty()) << "hidden: the status bar is not written";
    form->N1Click();
    EXPECT_TRUE(list_visible);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->cpu_timer->isActive() && form->task_timer->isActive()) << "shown on the Tasks page";
    form->cpu_timer->stop(); // no tick of its own writes the texts before the one below
    QApplication::processEvents();
    // Each panel whose text changes is painted before the tick returns.
    PAINT_COUNTER painted;
    for (auto *panel : form->sb_panel)
        panel->installEventFilter(&painted);
    form->cpu_timerTimer();
    for (auto *panel : form->sb_panel)
        EXPECT_EQ(painted.count[panel], 1) << panel->text().toStdString();
    EXPECT_TRUE(form->sb_panel[0]->text().startsWith("CPU usage ")) << form->sb_panel[0]->text().toStdString();
    EXPECT_TRUE(form->sb_panel[0]->text().endsWith("%"));
    EXPECT_TRUE(form->sb_panel[1]->text().startsWith("PHM "));
    EXPECT_TRUE(form->sb_panel[2]->text().startsWith("VM "));

    form->pages->setCurrentWidget(form->log);
    form->FormKeyDown(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(list_visible);
    EXPECT_FALSE(form->cpu_timer->isActive() || form->task_timer->isActive()) << "hidden: the timers rest";
    EXPECT_TRUE(form->update_list_timer->isActive()) << "discovery goes on in the tray";
    form->N1Click();
    EXPECT_EQ(form->pages->currentWidget(), form->log) << "shown again on the same page";
    EXPECT_TRUE(form->cpu_timer->isActive());
    EXPECT_FALSE(form->task_timer->isActive()) << "the Logging page refreshes no process list";
}

TEST_F(MainForm, LoggingPageButtonsFollowTheLogger) {
    build();
    logging_active = true;
    form->pages->setCurrentWidget(form->log);
    EXPECT_FALSE(form->Button1->isEnabled());
    EXPECT_TRUE(form->Button2->isEnabled());
    EXPECT_FALSE(form->log_processes->isEnabled());
    logging_active = false;
    form->pages->setCurrentWidget(form->sheet1);
    form->pages->setCurrentWidget(form->log);
    EXPECT_TRUE(form->Button1->isEnabled());
    EXPECT_FALSE(form->Button2->isEnabled());
    EXPECT_FALSE(form->task_timer->isActive()) << "leaving Tasks for Shortcuts stopped its timer";
}

TEST_F(MainForm, ExitStopsWorkersAndWritesTheRealPidColumnWidth) {
    build();
    form->pgrid->set_column_width(0, 44);
    form->N3Click();
    EXPECT_TRUE(exit_requested);
    EXPECT_TRUE(sampler_finished);
    EXPECT_FALSE(sampler_running);
    EXPECT_FALSE(form->update_list_timer->isActive());
    EXPECT_FALSE(form->cpu_timer->isActive());
    EXPECT_FALSE(form->task_timer->isActive());
    EXPECT_FALSE(list_visible);
    std::string ini = test_env::read_file(columns_file_path());
    EXPECT_NE(ini.find("x4=44\n"), std::string::npos) << ini;
    EXPECT_EQ(widths_from_ini(ini)[0], form->grid->col_width(0));
}

// The session manager's order to end reaches the program as the toolkit's
// request to quit: the exit runs, from the event loop.
TEST_F(MainForm, QuitRequestRunsTheExit) {
    build();
    form->pgrid->set_column_width(0, 44);
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit);
    EXPECT_FALSE(exit_requested);
    QCoreApplication::processEvents();
    EXPECT_TRUE(exit_requested);
    EXPECT_FALSE(sampler_running);
    EXPECT_NE(test_env::read_file(columns_file_path()).find("x4=44\n"), std::string::npos);
}

TEST_F(MainForm, NothingShowsTheWindowOnceExitHasBegun) {
    register_messages();
    build();
    form->N3Click();
    ASSERT_FALSE(form->isVisible());
    form->main_window_proc(get_activate_msg()); // a second copy starting
    EXPECT_FALSE(form->isVisible()) << "the activate message showed the window during exit";
    form->Dispatch_hotkey(111); // the rescue hotkey
    EXPECT_FALSE(form->isVisible()) << "the rescue hotkey showed the window during exit";
    form->N1Click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(list_visible);
}

// A window never shown has no placement: storing its never-used (0,0)
// would put the next first show in the corner instead of the centre.
TEST_F(MainForm, PlacementIsStoredOnlyForAWindowThatWasShown) {
    build();
    const QString key =
        QStringLiteral("Software\\") + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    platform::open_user_key(key)->remove(QStringLiteral("TTM"));
    QWidget probe;
    form->N3Click(); // Exit without ever opening the window
    form.reset();
    EXPECT_FALSE(TFormPlacement(key, QStringLiteral("TTM")).restore(&probe)) << "a placement was stored";

    exit_requested = false;
    build();
    form->N1Click();
    ASSERT_TRUE(form->isVisible());
    form->N3Click();
    form.reset();
    EXPECT_TRUE(TFormPlacement(key, QStringLiteral("TTM")).restore(&probe));
}

// At its first show the window is wide enough for the whole status bar;
// the designed size stays the smallest it can be made.
TEST_F(MainForm, DefaultWidthShowsAllThreeStatusPanels) {
    build();
    form->N1Click();
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(form->minimumSize(), QSize(232, 304));
    for (TStatusPanel *panel : form->sb_panel) {
        EXPECT_GE(panel->width(), panel->sizeHint().width());
        const QPoint right = panel->mapTo(form.get(), QPoint(panel->width(), 0));
        EXPECT_LE(right.x(), form->width()) << panel->text().toStdString() << " is cut off";
    }
    // What a screen reader reads is what the panels show.
    form->cpu_timerTimer();
    const char *start[3] = {"CPU usage ", "PHM ", "VM "};
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(form->sb_panel[i]);
        ASSERT_NE(face, nullptr);
        EXPECT_TRUE(face->text(QAccessible::Name).startsWith(QLatin1String(start[i])))
            << face->text(QAccessible::Name).toStdString();
        EXPECT_EQ(face->text(QAccessible::Name), form->sb_panel[i]->text());
    }
}
