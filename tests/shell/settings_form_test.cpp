// The settings dialog against a real main window, under the offscreen
// platform unless the runner provides a display.
#include "catalogue/link_map.h"
#include "common/options.h"
#include "platform/message_box.h"
#include "shell/data_paths.h"
#include "shell/main_form.h"
#include "shell/settings_apply.h"
#include "shell/settings_form.h"
#include "support/qt_app.h"
#include "support/test_env.h"
#include "toolkit/grid.h"
#include "toolkit/slider.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <unistd.h>

namespace {

SETTINGS_STRUCT custom_settings() {
    return {300, 1850, 19000, 5, 6, {0, 0}, 1, 1, 1, 1};
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
        ensure_qt_application();
        main_window = new TTM;
        main_window->update_list_timer->stop(); // discovery would refill the catalogue
    }
    static void TearDownTestSuite() { delete main_window; }

    void SetUp() override {
        for (const std::string &p : {settings_file_path(), icons_file_path(), catalogue_file_path()})
            ::unlink(p.c_str());
        SETTINGS_STRUCT s{};
        set_default_settings(s);
        apply_settings(s, main_window->settings_targets());
        platform::set_message_box_handler([this](const std::string &text, const std::string &caption, unsigned flags) {
            EXPECT_EQ(caption, "Restore defaults warning");
            EXPECT_EQ(flags, 0x31u); // OK and Cancel, warning icon
            questions.push_back(text);
            return answer;
        });
    }
    void TearDown() override { platform::set_message_box_handler(nullptr); }

    // Opens the dialog as the program does and runs body while it is open
    // (modally); closes it afterwards if body did not.
    static void with_dialog(const std::function<void(Tsettings_form &)> &body) {
        QTimer::singleShot(0, [&] {
            ASSERT_NE(settings_form, nullptr);
            body(*settings_form);
            if (settings_form)
                settings_form->close();
        });
        show_settings(main_window->grid, main_window->settings_targets());
        EXPECT_EQ(settings_form, nullptr);
    }

    static void expect_settings_in_force(const SETTINGS_STRUCT &s) {
        EXPECT_EQ(main_window->cpu_timer->interval(), s.cpu_interval);
        EXPECT_EQ(main_window->task_timer->interval(), s.tasks_interval);
        EXPECT_EQ(main_window->update_list_timer->interval(), s.apps_interval);
        EXPECT_EQ(opt_tray_color.load(), s.tray_color);
        EXPECT_EQ(opt_cpu_color.load(), s.cpu_color);
        EXPECT_EQ(main_window->stay_on_top(), s.stay_on_top != 0);
        EXPECT_EQ(opt_full_path.load(), s.full_path != 0);
        EXPECT_EQ(opt_own_items.load(), s.hide_own_items == 0);
        EXPECT_EQ(opt_dockable.load(), s.dockable != 0);
    }
    static SETTINGS_STRUCT defaults() {
        SETTINGS_STRUCT s{};
        set_default_settings(s);
        return s;
    }

    static TTM *main_window;
    std::vector<std::string> questions;
    int answer = platform::IDOK;
};

TTM *SettingsDialog::main_window = nullptr;

} // namespace

TEST_F(SettingsDialog, OpensWithDefaultsAndNoTextClipped) {
    with_dialog([](Tsettings_form &f) {
        EXPECT_EQ(f.windowTitle(), "Settings");
        EXPECT_EQ(f.RxSlider1->value(), 1000);
        EXPECT_EQ(f.RxSlider2->value(), 10000);
        EXPECT_EQ(f.RxSlider3->value(), 1000);
        EXPECT_EQ(preview_colour(f.Panel2), QColor(170, 170, 170));
        EXPECT_EQ(preview_colour(f.Panel3), QColor(100, 100, 100));
        for (QCheckBox *box : {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4})
            EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(f.Button1->isEnabled());
        for (int page = 0; page < f.PageControl1->count(); ++page) {
            f.PageControl1->setCurrentIndex(page);
            f.layout()->activate();
            for (QWidget *w : f.findChildren<QWidget *>()) {
                if ((qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w)) && w->isVisible()) {
                    EXPECT_GE(w->width(), w->minimumSizeHint().width()) << "page " << page;
                }
            }
        }
    });
}

TEST_F(SettingsDialog, StoredCpuIntervalBelowRangeShowsClampedAndSetStoresIt) {
    SETTINGS_STRUCT s = defaults();
    s.cpu_interval = 30;
    s.tasks_interval = -5;
    write_settings(s);
    with_dialog([](Tsettings_form &f) {
        EXPECT_EQ(f.RxSlider1->value(), 500);
        EXPECT_EQ(f.RxSlider3->value(), 50);
        f.CheckBox1->click(); // touch something unrelated and put it back
        f.CheckBox1->click();
        f.Button1->click();
    });
    SETTINGS_STRUCT r{};
    read_settings(r);
    EXPECT_EQ(r.cpu_interval, 50);
    EXPECT_EQ(r.tasks_interval, 50);
}

TEST_F(SettingsDialog, PreviewFollowsAtOnceEverythingElseOnlyAfterSet) {
    with_dialog([](Tsettings_form &f) {
        for (int i = 0; i < 20; ++i)
            f.RxSlider4->triggerAction(QAbstractSlider::SliderSingleStepSub);
        EXPECT_EQ(preview_colour(f.Panel2), QColor(150, 150, 150));
        EXPECT_EQ(opt_tray_color.load(), 170);
        f.RxSlider1->set_value(9500);
        f.RxSlider2->set_value(19000);
        f.RxSlider3->set_value(1850);
        f.RxSlider4->set_value(5);
        f.RxSlider5->set_value(6);
        for (QCheckBox *box : {f.CheckBox1, f.CheckBox2, f.CheckBox3, f.CheckBox4})
            box->click();
        expect_settings_in_force(defaults());
        f.Button1->click();
        EXPECT_FALSE(f.Button1->isEnabled());
        EXPECT_TRUE(f.isVisible()); // stays open after "Set"
    });
    SETTINGS_STRUCT expected = custom_settings();
    expected.cpu_interval = 950;
    EXPECT_EQ(test_env::read_file(settings_file_path()), bytes_of(expected));
    expect_settings_in_force(expected);
}

TEST_F(SettingsDialog, EscAndCloseDropEditsAndSecondOpeningKeepsTheOne) {
    with_dialog([](Tsettings_form &f) {
        f.RxSlider4->set_value(9);
        // A faulty second call would block in a modal loop of its own; this
        // ends it so that the failure shows instead of a hang.
        QTimer::singleShot(2000, [&f] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (qobject_cast<Tsettings_form *>(w) && w != &f)
                    w->close();
        });
        show_settings(main_window->grid, main_window->settings_targets());
        EXPECT_EQ(settings_form, &f);
        EXPECT_EQ(f.RxSlider4->value(), 9); // the edit survives
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&f, &esc);
        EXPECT_EQ(settings_form, nullptr);
    });
    with_dialog([](Tsettings_form &f) {
        EXPECT_EQ(f.RxSlider4->value(), 170);
        f.CheckBox2->click();
        f.Button2->click();
    });
    EXPECT_FALSE(test_env::file_exists(settings_file_path()));
    expect_settings_in_force(defaults());
}

TEST_F(SettingsDialog, RestoreSettingsThenCloseLeavesDefaultsAndNoFile) {
    write_settings(custom_settings());
    apply_settings(custom_settings(), main_window->settings_targets());
    with_dialog([this](Tsettings_form &f) {
        f.Button5->click();
        EXPECT_EQ(questions, std::vector<std::string>{"Restore default settings?"});
        EXPECT_FALSE(test_env::file_exists(settings_file_path()));
        expect_settings_in_force(defaults());
        EXPECT_EQ(f.RxSlider4->value(), 5); // the controls keep what they showed
        EXPECT_FALSE(f.Button1->isEnabled());
        f.Button2->click();
    });
    EXPECT_FALSE(test_env::file_exists(settings_file_path()));
    expect_settings_in_force(defaults());
}

TEST_F(SettingsDialog, RestoresActOnlyOnOk) {
    write_settings(custom_settings());
    apply_settings(custom_settings(), main_window->settings_targets());
    test_env::write_file(icons_file_path(), "icons");
    test_env::write_file(catalogue_file_path(), "catalogue");
    link_map_access(link_op::insert, "/usr/bin/one", {1, 0, 0});
    never_add_access(never_add_op::append, "/usr/bin/banned");
    menu_path_list.push_back("/usr/bin/one");
    TGrid *g = main_window->grid;
    g->set_row_count(3);
    g->set_cell(0, 1, "/usr/bin/one");
    g->set_checked(1, 1, true);

    answer = platform::IDCANCEL;
    with_dialog([](Tsettings_form &f) {
        for (QPushButton *b : {f.Button3, f.Button4, f.Button5})
            b->click();
    });
    EXPECT_EQ(questions, (std::vector<std::string>{"Restore default icons?", "Delete saved shortcuts?",
                                                   "Restore default settings?"}));
    EXPECT_EQ(test_env::read_file(icons_file_path()), "icons");
    EXPECT_EQ(test_env::read_file(catalogue_file_path()), "catalogue");
    EXPECT_EQ(test_env::read_file(settings_file_path()), bytes_of(custom_settings()));
    EXPECT_EQ(link_map.size() + never_add_list.size() + menu_path_list.size(), 3u);
    EXPECT_EQ(g->row_count(), 3);
    expect_settings_in_force(custom_settings());

    answer = platform::IDOK;
    with_dialog([](Tsettings_form &f) {
        f.Button3->click();
        f.Button4->click();
    });
    EXPECT_FALSE(test_env::file_exists(icons_file_path()));
    EXPECT_FALSE(test_env::file_exists(catalogue_file_path()));
    EXPECT_TRUE(link_map.empty() && never_add_list.empty() && menu_path_list.empty());
    EXPECT_FALSE(grid_busy.load());
    EXPECT_EQ(g->row_count(), 2); // the header and one empty row
    EXPECT_EQ(g->cell(0, 1), "");
    EXPECT_FALSE(g->checked(1, 1));
    EXPECT_EQ(test_env::read_file(settings_file_path()), bytes_of(custom_settings()));
}
