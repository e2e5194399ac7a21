// The settings dialog against a real main window, under the offscreen
// platform unless the runner provides a display.
#include "catalogue/link_map.h"
#include "common/options.h"
#include "platform/message_box.h"
#include "shell/data_paths.h"
#include "shell/main_form.h"
#include "shell/settings.h"
#include "shell/settings_apply.h"
#include "shell/settings_form.h"
#include "support/test_env.h"
#include "toolkit/grid.h"
#include "toolkit/slider.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct ASKED {
    std::string text, caption;
    unsigned flags;
};

SETTINGS_STRUCT custom_settings() {
    SETTINGS_STRUCT s{};
    s.cpu_interval = 300;
    s.tasks_interval = 1850;
    s.apps_interval = 19000;
    s.tray_color = 5;
    s.cpu_color = 6;
    s.stay_on_top = 1;
    s.full_path = 1;
    s.hide_own_items = 1;
    s.dockable = 1;
    return s;
}

std::string bytes_of(const SETTINGS_STRUCT &s) {
    auto b = settings_to_bytes(s);
    return std::string(b.begin(), b.end());
}

QColor preview_colour(QFrame *panel) {
    QImage img = panel->grab().toImage();
    return img.pixelColor(img.width() / 2, img.height() / 2);
}

class SettingsDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // One application object per test program, shared with the other
        // suites of this program and kept to its end.
        if (!QApplication::instance()) {
            if (!getenv("DISPLAY"))
                setenv("QT_QPA_PLATFORM", "offscreen", 1);
            static int argc = 1;
            static char name[] = "test_shell";
            static char *argv[] = {name, nullptr};
            new QApplication(argc, argv);
            QApplication::setQuitOnLastWindowClosed(false);
        }
        main_window = new TTM;
        // Discovery would refill the catalogue behind the tests' backs.
        main_window->update_list_timer->stop();
    }
    static void TearDownTestSuite() {
        delete main_window;
        main_window = nullptr;
    }

    void SetUp() override {
        remove_file(settings_file_path());
        remove_file(icons_file_path());
        remove_file(catalogue_file_path());
        SETTINGS_STRUCT s{};
        set_default_settings(s);
        apply_settings(s);
        platform::set_message_box_handler([this](const std::string &text, const std::string &caption,
                                                 unsigned flags) {
            asked.push_back({text, caption, flags});
            return answer;
        });
    }
    void TearDown() override {
        platform::set_message_box_handler(nullptr);
        if (settings_form)
            delete settings_form;
    }

    static void remove_file(const std::string &path) { ::unlink(path.c_str()); }

    // Opens the dialog the way the program does and runs body while it is
    // open (modally); closes it afterwards if body did not.
    static void with_dialog(const std::function<void(Tsettings_form &)> &body) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            if (settings_form)
                body(*settings_form);
            else
                ADD_FAILURE() << "no settings_form while the dialog is open";
            if (settings_form)
                settings_form->close();
        });
        show_settings();
        EXPECT_TRUE(ran);
        EXPECT_EQ(settings_form, nullptr);
    }

    static void expect_defaults_in_force() {
        EXPECT_EQ(main_window->cpu_timer->interval(), 100);
        EXPECT_EQ(cpu_timer_interval.load(), 100);
        EXPECT_EQ(main_window->task_timer->interval(), 1000);
        EXPECT_EQ(main_window->update_list_timer->interval(), 10000);
        EXPECT_EQ(opt_tray_color.load(), 170);
        EXPECT_EQ(opt_cpu_color.load(), 100);
        EXPECT_FALSE(opt_full_path.load());
        EXPECT_TRUE(opt_own_items.load());
        EXPECT_FALSE(opt_dockable.load());
        EXPECT_FALSE(main_window->stay_on_top());
    }

    static void fill_catalogue() {
        link_map_access(link_op::insert, "/usr/bin/one", {1, 0, 0});
        link_map_access(link_op::insert, "/usr/bin/two", {0, 1, 0});
        never_add_access(never_add_op::append, "/usr/bin/banned");
        menu_path_list.push_back("/usr/bin/one");
        TGrid *g = main_window->grid;
        g->set_row_count(3);
        g->set_cell(0, 1, "/usr/bin/one");
        g->set_checked(1, 1, true);
        g->set_cell(0, 2, "/usr/bin/two");
        g->set_checked(2, 2, true);
    }

    static TTM *main_window;
    std::vector<ASKED> asked;
    int answer = platform::IDOK;
};

TTM *SettingsDialog::main_window = nullptr;

} // namespace

TEST_F(SettingsDialog, OpensWithDefaultsAndSetDisabled) {
    with_dialog([](Tsettings_form &f) {
        EXPECT_EQ(f.windowTitle(), "Settings");
        EXPECT_EQ(f.PageControl1->currentWidget(), f.TabSheet1);
        EXPECT_EQ(f.RxSlider1->value(), 1000);
        EXPECT_EQ(f.RxSlider2->value(), 10000);
        EXPECT_EQ(f.RxSlider3->value(), 1000);
        EXPECT_EQ(f.RxSlider4->value(), 170);
        EXPECT_EQ(f.RxSlider5->value(), 100);
        EXPECT_EQ(preview_colour(f.Panel2), QColor(170, 170, 170));
        EXPECT_EQ(preview_colour(f.Panel3), QColor(100, 100, 100));
        for (QCheckBox *box : {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4})
            EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
        EXPECT_FALSE(f.Button1->isEnabled());
        EXPECT_TRUE(f.isModal());
        EXPECT_GE(f.width(), 352);
        EXPECT_GE(f.height(), 278);
    });
}

TEST_F(SettingsDialog, NoTextIsClippedOnAnyPage) {
    with_dialog([](Tsettings_form &f) {
        for (int page = 0; page < f.PageControl1->count(); ++page) {
            f.PageControl1->setCurrentIndex(page);
            f.layout()->activate();
            QApplication::processEvents();
            for (QWidget *w : f.PageControl1->widget(page)->findChildren<QWidget *>()) {
                QString text;
                if (auto *label = qobject_cast<QLabel *>(w))
                    text = label->text();
                else if (auto *button = qobject_cast<QAbstractButton *>(w))
                    text = button->text();
                else
                    continue;
                EXPECT_GE(w->width(), w->minimumSizeHint().width()) << text.toStdString();
                EXPECT_GE(w->height(), w->minimumSizeHint().height()) << text.toStdString();
            }
        }
        for (QPushButton *b : {f.Button1, f.Button2})
            EXPECT_GE(b->width(), b->minimumSizeHint().width());
    });
}

TEST_F(SettingsDialog, StoredCpuIntervalBelowRangeShowsClampedAndSetStoresIt) {
    SETTINGS_STRUCT s{};
    set_default_settings(s);
    s.cpu_interval = 30;
    write_settings(s);
    with_dialog([](Tsettings_form &f) {
        EXPECT_EQ(f.RxSlider1->value(), 500);
        EXPECT_FALSE(f.Button1->isEnabled());
        // Touch something unrelated and put it back, then store.
        f.CheckBox1->click();
        f.CheckBox1->click();
        ASSERT_TRUE(f.Button1->isEnabled());
        f.Button1->click();
    });
    SETTINGS_STRUCT r{};
    read_settings(r);
    EXPECT_EQ(r.cpu_interval, 50);
    EXPECT_EQ(main_window->cpu_timer->interval(), 50);
}

TEST_F(SettingsDialog, StoredIntervalsOfAnySizeAreClamped) {
    SETTINGS_STRUCT s{};
    set_default_settings(s);
    s.cpu_interval = 0x7fffffff; // ten times this does not fit 32 bits
    s.tasks_interval = -5;
    s.apps_interval = 0;
    write_settings(s);
    with_dialog([](Tsettings_form &f) {
        EXPECT_EQ(f.RxSlider1->value(), 9500);
        EXPECT_EQ(f.RxSlider3->value(), 50);
        EXPECT_EQ(f.RxSlider2->value(), 1000);
    });
}

TEST_F(SettingsDialog, SetStoresAndAppliesShownValuesAndStaysOpen) {
    with_dialog([](Tsettings_form &f) {
        f.RxSlider1->set_value(9500);
        f.RxSlider2->set_value(19000);
        f.RxSlider3->set_value(1850);
        f.RxSlider4->set_value(5);
        f.RxSlider5->set_value(6);
        f.CheckBox1->click();
        f.CheckBox2->click();
        f.CheckBox3->click();
        f.CheckBox4->click();
        ASSERT_TRUE(f.Button1->isEnabled());
        f.Button1->click();
        EXPECT_FALSE(f.Button1->isEnabled());
        EXPECT_EQ(settings_form, &f);
        EXPECT_TRUE(f.isVisible());
    });
    SETTINGS_STRUCT expected = custom_settings();
    expected.cpu_interval = 950;
    EXPECT_EQ(test_env::read_file(settings_file_path()), bytes_of(expected));
    EXPECT_EQ(main_window->cpu_timer->interval(), 950);
    EXPECT_EQ(main_window->task_timer->interval(), 1850);
    EXPECT_EQ(main_window->update_list_timer->interval(), 19000);
    EXPECT_EQ(opt_tray_color.load(), 5);
    EXPECT_EQ(opt_cpu_color.load(), 6);
    EXPECT_TRUE(opt_full_path.load());
    EXPECT_FALSE(opt_own_items.load());
    EXPECT_TRUE(opt_dockable.load());
    EXPECT_TRUE(main_window->stay_on_top());
}

TEST_F(SettingsDialog, GreyPreviewFollowsSliderAtOnceTrayOnlyAfterSet) {
    with_dialog([](Tsettings_form &f) {
        for (int i = 0; i < 20; ++i)
            f.RxSlider4->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(f.RxSlider4->value(), 190);
        EXPECT_EQ(preview_colour(f.Panel2), QColor(190, 190, 190));
        f.RxSlider5->set_value(0);
        EXPECT_EQ(preview_colour(f.Panel3), QColor(0, 0, 0));
        EXPECT_EQ(opt_tray_color.load(), 170);
        EXPECT_EQ(opt_cpu_color.load(), 100);
        EXPECT_TRUE(f.Button1->isEnabled());
        f.Button1->click();
        EXPECT_EQ(opt_tray_color.load(), 190);
        EXPECT_EQ(opt_cpu_color.load(), 0);
    });
}

TEST_F(SettingsDialog, CloseAndEscDropUnstoredEdits) {
    with_dialog([](Tsettings_form &f) {
        f.RxSlider4->set_value(3);
        f.CheckBox2->click();
        f.Button2->click();
    });
    with_dialog([](Tsettings_form &f) {
        f.RxSlider2->set_value(1000);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&f, &esc);
        EXPECT_EQ(settings_form, nullptr);
    });
    EXPECT_FALSE(test_env::file_exists(settings_file_path()));
    expect_defaults_in_force();
    // The next opening starts from the stored settings again.
    with_dialog([](Tsettings_form &f) {
        EXPECT_EQ(f.RxSlider4->value(), 170);
        EXPECT_EQ(f.RxSlider2->value(), 10000);
        EXPECT_FALSE(f.CheckBox2->isChecked());
    });
}

TEST_F(SettingsDialog, SecondOpeningWhileOpenKeepsTheOneDialog) {
    with_dialog([](Tsettings_form &f) {
        f.RxSlider4->set_value(9);
        // A faulty second call would block in a modal loop of its own; this
        // ends such a loop so the failure is reported instead of hanging.
        QTimer::singleShot(2000, [&f] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<Tsettings_form *>(w) && w != &f && w->isVisible())
                    w->close();
        });
        show_settings();
        EXPECT_EQ(settings_form, &f);
        int dialogs = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<Tsettings_form *>(w))
                ++dialogs;
        EXPECT_EQ(dialogs, 1);
        // The user's edit is still there.
        EXPECT_EQ(f.RxSlider4->value(), 9);
        EXPECT_TRUE(f.Button1->isEnabled());
    });
}

TEST_F(SettingsDialog, RestoreSettingsThenCloseLeavesDefaultsAndNoFile) {
    write_settings(custom_settings());
    apply_settings(custom_settings());
    with_dialog([this](Tsettings_form &f) {
        EXPECT_EQ(f.RxSlider1->value(), 3000);
        f.Button5->click();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, "Restore default settings?");
        EXPECT_EQ(asked[0].caption, "Restore defaults warning");
        EXPECT_EQ(asked[0].flags, 0x31u);
        EXPECT_FALSE(test_env::file_exists(settings_file_path()));
        expect_defaults_in_force();
        // The controls still show what was there before.
        EXPECT_EQ(f.RxSlider1->value(), 3000);
        EXPECT_EQ(f.RxSlider4->value(), 5);
        EXPECT_TRUE(f.CheckBox2->isChecked());
        EXPECT_FALSE(f.Button1->isEnabled());
        f.Button2->click();
    });
    EXPECT_FALSE(test_env::file_exists(settings_file_path()));
    expect_defaults_in_force();
}

TEST_F(SettingsDialog, CancelInEachQuestionChangesNothing) {
    write_settings(custom_settings());
    apply_settings(custom_settings());
    test_env::write_file(icons_file_path(), "icons");
    test_env::write_file(catalogue_file_path(), "catalogue");
    fill_catalogue();
    answer = platform::IDCANCEL;
    with_dialog([](Tsettings_form &f) {
        f.RxSlider4->set_value(77);
        f.Button3->click();
        f.Button4->click();
        f.Button5->click();
        EXPECT_EQ(f.RxSlider4->value(), 77);
        EXPECT_TRUE(f.Button1->isEnabled());
    });
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].text, "Restore default icons?");
    EXPECT_EQ(asked[1].text, "Delete saved shortcuts?");
    EXPECT_EQ(asked[2].text, "Restore default settings?");
    for (const ASKED &a : asked) {
        EXPECT_EQ(a.caption, "Restore defaults warning");
        EXPECT_EQ(a.flags, platform::MB_OKCANCEL | platform::MB_ICONWARNING);
    }
    EXPECT_EQ(test_env::read_file(icons_file_path()), "icons");
    EXPECT_EQ(test_env::read_file(catalogue_file_path()), "catalogue");
    EXPECT_EQ(test_env::read_file(settings_file_path()), bytes_of(custom_settings()));
    EXPECT_EQ(link_map.size(), 2u);
    EXPECT_EQ(never_add_list.size(), 1u);
    EXPECT_EQ(menu_path_list.size(), 1u);
    EXPECT_EQ(main_window->grid->row_count(), 3);
    EXPECT_EQ(main_window->grid->cell(0, 2), "/usr/bin/two");
    EXPECT_EQ(opt_tray_color.load(), 5);
    EXPECT_EQ(main_window->cpu_timer->interval(), 300);
    EXPECT_TRUE(main_window->stay_on_top());
    clear_catalogue();
}

TEST_F(SettingsDialog, RestoreIconsDeletesOnlyTheIconStore) {
    test_env::write_file(icons_file_path(), "icons");
    test_env::write_file(catalogue_file_path(), "catalogue");
    with_dialog([](Tsettings_form &f) { f.Button3->click(); });
    EXPECT_FALSE(test_env::file_exists(icons_file_path()));
    EXPECT_TRUE(test_env::file_exists(catalogue_file_path()));
    // Without a store there is nothing to delete, and nothing goes wrong.
    with_dialog([](Tsettings_form &f) { f.Button3->click(); });
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_FALSE(test_env::file_exists(icons_file_path()));
}

TEST_F(SettingsDialog, DeleteShortcutsEmptiesCatalogueGridAndFile) {
    test_env::write_file(icons_file_path(), "icons");
    test_env::write_file(catalogue_file_path(), "catalogue");
    write_settings(custom_settings());
    fill_catalogue();
    with_dialog([](Tsettings_form &f) { f.Button4->click(); });
    EXPECT_TRUE(link_map.empty());
    EXPECT_TRUE(never_add_list.empty());
    EXPECT_TRUE(menu_path_list.empty());
    EXPECT_FALSE(grid_busy.load());
    TGrid *g = main_window->grid;
    EXPECT_EQ(g->row_count(), 2);
    for (int col = 0; col < g->col_count(); ++col) {
        EXPECT_EQ(g->cell(col, 1), "") << col;
        EXPECT_FALSE(g->checked(col, 1)) << col;
    }
    EXPECT_FALSE(test_env::file_exists(catalogue_file_path()));
    EXPECT_TRUE(test_env::file_exists(icons_file_path()));
    EXPECT_EQ(test_env::read_file(settings_file_path()), bytes_of(custom_settings()));
}
