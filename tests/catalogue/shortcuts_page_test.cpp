// The Shortcuts page of a real main window, built in this process on the
// offscreen platform: the grid built from a catalogue, the box handlers
// and the popup menu's commands, with their effect on the catalogue file
// and the autostart folder.
#include "support/qt_app.h"
#include "catalogue/catalogue_file.h"
#include "catalogue/discovery.h"
#include "catalogue/link_map.h"
#include "catalogue/run_period_form.h"
#include "catalogue/shortcuts_page.h"
#include "catalogue/startup_links.h"
#include "platform/message_box.h"
#include "shell/main_form.h"
#include "support/test_env.h"
#include "toolkit/grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMouseEvent>
#include <QPushButton>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include <functional>
#include <map>

#include <sys/stat.h>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

// One desktop window per program path.
class fake_desktop : public platform::window_source {
public:
    std::vector<std::string> programs;
    std::vector<platform::window_id> top_level_windows() override {
        std::vector<platform::window_id> ids;
        for (std::size_t i = 0; i < programs.size(); ++i)
            ids.push_back(i);
        return ids;
    }
    bool is_visible(platform::window_id) override { return true; }
    bool has_owner(platform::window_id) override { return false; }
    std::string class_name(platform::window_id) override { return "Tool"; }
    std::string title(platform::window_id) override { return "a tool"; }
    std::string executable_path(platform::window_id w) override { return programs[w]; }
};

// Runs act on the first visible top-level widget of type T once it shows
// (a modal dialog opened by the code under test). A dialog still open
// after the deadline is closed so the test fails instead of hanging.
template <class T> void when_shown(std::function<void(T *)> act) {
    auto *timer = new QTimer;
    auto started = std::chrono::steady_clock::now();
    QObject::connect(timer, &QTimer::timeout, [timer, act, started] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *d = qobject_cast<T *>(w);
            if (d && d->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(d);
                if (d->isVisible() && qobject_cast<QDialog *>(d)) {
                    ADD_FAILURE() << "the dialog is still open after the test's action";
                    static_cast<QDialog *>(static_cast<QWidget *>(d))->reject();
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

void press(QWidget *target, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
}

class ShortcutsPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensure_qt_application(true);
        form = new TTM;
        // The tests run discovery themselves, over a desktop they make.
        form->update_list_timer->stop();
    }
    static void TearDownTestSuite() {
        delete form;
        form = nullptr;
    }

    void SetUp() override {
        folder = test_env::make_temp_dir("short");
        file = folder + "/vorkel.dat";
        clear_catalogue();
        set_catalogue_save_path(file);
        create_catalogue(file);
        platform::set_message_box_handler([this](const std::string &text, const std::string &caption,
                                                 unsigned flags) {
            boxes.push_back({text, caption, flags});
            return platform::IDOK;
        });
        startup_choice = 0;
    }
    void TearDown() override {
        platform::set_message_box_handler(nullptr);
        clear_catalogue();
        set_catalogue_save_path("");
        form->update_list_timer->stop();
    }

    // Writes entries as the catalogue file, reads it back as start-up does
    // and builds the grid from it.
    void start_with(const std::map<std::string, LINK_PROPERTIES_STRUCT> &entries) {
        LINK_MAP map;
        for (const auto &[k, v] : entries)
            map.emplace(k, v);
        write_catalogue(file, map);
        read_catalogue(file, link_map, never_add_list);
        fill_shortcut_grid(form->grid);
    }
    // The catalogue and the never-add list as the file holds them now.
    LINK_MAP on_disk(APP_LIST *banned = nullptr) const {
        LINK_MAP map;
        APP_LIST list;
        read_catalogue(file, map, list);
        if (banned)
            *banned = list;
        return map;
    }
    ino_t file_identity() const {
        struct stat st {};
        ::stat(file.c_str(), &st);
        return st.st_ino;
    }
    static TGrid *grid() { return form->grid; }
    static std::vector<std::string> paths() {
        std::vector<std::string> all;
        for (int r = 1; r < grid()->row_count(); ++r)
            all.push_back(row_path(grid(), r));
        return all;
    }
    // A box toggled the way the mouse does it (the grid reports the change).
    static void user_toggles(int col, int row) {
        QTableWidgetItem *it = grid()->item(row - 1, col);
        ASSERT_NE(it, nullptr) << "no box in column " << col << " of row " << row;
        it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }

    struct BOX {
        std::string text, caption;
        unsigned flags;
    };
    std::vector<BOX> boxes;
    std::string folder, file;
    static TTM *form;
};
TTM *ShortcutsPage::form = nullptr;

const std::string raw_path = "/opt/raw\xff\xfe/tool";           // not valid UTF-8
const std::string accented = "/opt/\xc3\xa9t\xc3\xa9 app/run"; // UTF-8 "été app"

} // namespace

TEST_F(ShortcutsPage, GridShowsCatalogueInByteOrderWithBoxesAndAlignment) {
    start_with({{"/usr/bin/zed", {0, 0, 0}},
                {raw_path, {1, 0, 9}},
                {accented, {0, 7, 0}}, // "Launch every": ticked, no other effect
                {"/opt/My Tools/ed", {5, -1, 0}}});

    ASSERT_EQ(grid()->row_count(), 5);
    EXPECT_EQ(paths(), (std::vector<std::string>{"/opt/My Tools/ed", raw_path, accented, "/usr/bin/zed"}));
    EXPECT_EQ(grid()->cell(0, 3), QString::fromUtf8("/opt/\u00e9t\u00e9 app/run"));
    EXPECT_TRUE(grid()->cell(0, 2).startsWith(QStringLiteral("/opt/raw"))) << "shown, decoded";

    const bool show[] = {true, true, false, false}, start[] = {true, false, true, false};
    for (int r = 1; r <= 4; ++r) {
        EXPECT_EQ(grid()->checked(1, r), show[r - 1]) << "row " << r;
        EXPECT_EQ(grid()->checked(2, r), start[r - 1]) << "row " << r;
        EXPECT_TRUE(grid()->item(r - 1, 1)->textAlignment() & Qt::AlignHCenter);
        EXPECT_TRUE(grid()->item(r - 1, 2)->textAlignment() & Qt::AlignHCenter);
        EXPECT_FALSE(grid()->item(r - 1, 0)->textAlignment() & Qt::AlignHCenter);
    }

    // The undecodable path still finds its entry through its row.
    user_toggles(1, 2);
    EXPECT_EQ(on_disk().at(raw_path).show_in_menu, 0);
    EXPECT_EQ(on_disk().at(raw_path).reserved, 9);

    start_with({});
    EXPECT_EQ(grid()->row_count(), 2) << "an empty catalogue leaves one empty row";
    EXPECT_TRUE(grid()->cell(0, 1).isEmpty());
    EXPECT_FALSE(grid()->checked(1, 1));
    EXPECT_FALSE(grid()->checked(2, 1));
}

TEST_F(ShortcutsPage, ShowBoxIsSavedAtOnceAndUnboundBoxesWriteNothing) {
    start_with({{"/usr/bin/one", {0, 0, 0}}, {"/usr/bin/two", {0, 0, 3}}});
    user_toggles(1, 2);
    EXPECT_EQ(on_disk().at("/usr/bin/two").show_in_menu, 1);
    EXPECT_EQ(on_disk().at("/usr/bin/two").reserved, 3);
    EXPECT_EQ(on_disk().at("/usr/bin/one").show_in_menu, 0);

    grid()->set_current_row(2);
    form->N5Click(); // the menu's toggle of the same box
    EXPECT_FALSE(grid()->checked(1, 2));
    EXPECT_EQ(on_disk().at("/usr/bin/two").show_in_menu, 0);

    // A program found with trailing blanks is catalogued trimmed; its row
    // still reaches the entry.
    fake_desktop desktop;
    desktop.programs = {"/opt/padded  "};
    ASSERT_EQ(scan_windows(desktop, [](const std::string &p) { add_program_row(grid(), p); }), 1);
    ASSERT_EQ(row_path(grid(), 3), "/opt/padded  ");
    user_toggles(1, 3);
    EXPECT_EQ(on_disk().at("/opt/padded").show_in_menu, 1);

    // A row the catalogue does not know (it was reset behind the grid).
    clear_catalogue();
    link_map_access(link_op::save);
    ino_t before = file_identity();
    user_toggles(1, 1);
    EXPECT_EQ(file_identity(), before) << "an unbound box must not rewrite the file";
    EXPECT_TRUE(grid()->checked(1, 1)) << "the box keeps its new state";
}

TEST_F(ShortcutsPage, DeleteAndDeleteAndNeverAddAgain) {
    form->update_list_timer->start();
    start_with({{"/usr/bin/a", {1, 0, 0}}, {"/opt/x y/banned", {0, 0, 0}}, {"/usr/bin/c", {0, 0, 0}}});
    // The row the user right-clicks is the one acted on, not the selected one.
    grid()->set_current_row(2);
    QRect cell = grid()->visualItemRect(grid()->item(0, 0));
    QMouseEvent right(QEvent::MouseButtonPress, cell.center(), grid()->viewport()->mapToGlobal(cell.center()),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(grid()->viewport(), &right);
    form->PopupMenu2->hide();
    ASSERT_EQ(grid()->current_row(), 1);
    form->N10Click();
    APP_LIST banned;
    EXPECT_EQ(paths(), (std::vector<std::string>{"/usr/bin/a", "/usr/bin/c"}));
    EXPECT_EQ(on_disk(&banned).count("/opt/x y/banned"), 0u);
    EXPECT_EQ(banned, (APP_LIST{"/opt/x y/banned"}));
    EXPECT_TRUE(form->update_list_timer->isActive()) << "discovery resumes after the command";
    EXPECT_FALSE(grid_busy.load());

    // Plain "Delete" down to the last row, which stays as the empty row 1.
    for (int i = 0; i < 2; ++i) {
        grid()->set_current_row(1);
        form->N9Click();
    }
    EXPECT_EQ(grid()->row_count(), 2);
    EXPECT_TRUE(grid()->cell(0, 1).isEmpty());
    EXPECT_TRUE(on_disk(&banned).empty());
    EXPECT_EQ(banned.size(), 1u);

    // The next pass skips the banned program and brings the deleted one
    // back, into row 1.
    fake_desktop desktop;
    desktop.programs = {"/opt/x y/banned", "/usr/bin/c"};
    scan_windows(desktop, [](const std::string &p) { add_program_row(grid(), p); });
    EXPECT_EQ(paths(), (std::vector<std::string>{"/usr/bin/c"}));
    EXPECT_EQ(on_disk().size(), 1u);
}

TEST_F(ShortcutsPage, StartUpBoxAddsAndRemovesTheAutostartEntry) {
    const std::string program = "/opt/Edit Tools/ed";
    const std::string link = startup_link_name(program);
    ASSERT_FALSE(link.empty());
    start_with({{"/usr/bin/other", {0, 0, 0}}, {program, {0, 0, 0}}});

    when_shown<Trun_period_form>([](Trun_period_form *f) {
        EXPECT_TRUE(f->RadioButton1->isChecked());
        f->Button1->click();
    });
    user_toggles(2, 1 + 0); // "/opt/..." sorts first
    ASSERT_TRUE(grid()->checked(2, 1));
    EXPECT_EQ(on_disk().at(program).startup, -1);
    ASSERT_TRUE(test_env::file_exists(link));
    EXPECT_NE(test_env::read_file(link).find("Edit Tools/ed"), std::string::npos);

    user_toggles(2, 1);
    EXPECT_FALSE(test_env::file_exists(link)) << "clearing the box removes the entry";
    EXPECT_EQ(on_disk().at(program).startup, 0);

    // "Launch with vorkel" by Enter: stored, no file.
    when_shown<Trun_period_form>([](Trun_period_form *f) {
        f->RadioButton2->setChecked(true);
        press(f->Button2, Qt::Key_Return); // Enter anywhere means "Set"
    });
    grid()->set_current_row(1);
    form->N6Click();
    EXPECT_TRUE(grid()->checked(2, 1));
    EXPECT_EQ(on_disk().at(program).startup, 1);
    EXPECT_FALSE(test_env::file_exists(link));
    form->N6Click(); // cleared again; nothing to delete
    EXPECT_EQ(on_disk().at(program).startup, 0);
}

TEST_F(ShortcutsPage, RefusingTheStartUpQuestionClearsTheBoxAgain) {
    // Only the two working choices can be made.
    when_shown<Trun_period_form>([](Trun_period_form *f) {
        EXPECT_FALSE(f->RadioButton3->isEnabled());
        EXPECT_FALSE(f->edit->isEnabled());
        EXPECT_FALSE(f->Label1->isEnabled());
        EXPECT_EQ(f->minimumSize(), f->maximumSize()) << "fixed size";
        press(f->RadioButton1, Qt::Key_Escape);
    });
    EXPECT_EQ(ask_startup_mode(), startup_choice_cancelled);

    start_with({{"/usr/bin/one", {0, 0, 0}}, {"/usr/bin/two", {0, 0, 0}}});
    const std::string link = startup_link_name("/usr/bin/two");

    when_shown<Trun_period_form>([](Trun_period_form *f) { press(f->RadioButton1, Qt::Key_Escape); });
    user_toggles(2, 1);
    EXPECT_FALSE(grid()->checked(2, 1));
    EXPECT_EQ(on_disk().at("/usr/bin/one").startup, 0);

    // After an answer of "Add in windows startup", closing the window on
    // the next question must not reuse that answer for another program.
    when_shown<Trun_period_form>([](Trun_period_form *f) { f->Button1->click(); });
    user_toggles(2, 1);
    ASSERT_EQ(on_disk().at("/usr/bin/one").startup, -1);
    when_shown<Trun_period_form>([](Trun_period_form *f) { f->close(); });
    user_toggles(2, 2);
    EXPECT_FALSE(grid()->checked(2, 2));
    EXPECT_EQ(on_disk().at("/usr/bin/two").startup, 0);
    EXPECT_FALSE(test_env::file_exists(link));
    user_toggles(2, 1); // tidy: remove the first program's entry
}

TEST_F(ShortcutsPage, AddNewShortcutCataloguesTheChosenProgramOnce) {
    start_with({{"/usr/bin/a", {0, 0, 0}}});
    // An executable without an extension, in a folder with blanks.
    const std::string dir = folder + "/my tools";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    const std::string tool = dir + "/tool";
    test_env::write_file(tool, "#!/bin/sh\n");
    ::chmod(tool.c_str(), 0700);

    auto choose = [&](const std::string &path) {
        when_shown<QFileDialog>([path](QFileDialog *od) {
            EXPECT_TRUE(od->nameFilters().contains(QStringLiteral("All (*)")));
            // selectFile leaves the name box alone while it has the focus,
            // which it gets or not depending on when the dialog is
            // activated: take the focus away first.
            if (QWidget *focused = QApplication::focusWidget())
                focused->clearFocus();
            od->selectFile(QString::fromLocal8Bit(path.c_str()));
            static_cast<QDialog *>(od)->accept(); // QFileDialog hides it
        });
    };
    choose(tool);
    form->N8Click();
    EXPECT_EQ(paths(), (std::vector<std::string>{"/usr/bin/a", tool}));
    ASSERT_EQ(on_disk().count(tool), 1u) << "stored exactly as chosen, no extension added";
    EXPECT_EQ(on_disk().at(tool).show_in_menu, 0);
    EXPECT_FALSE(grid()->checked(1, 2));
    EXPECT_FALSE(grid_busy.load());

    choose(tool); // already catalogued: its row is selected, no second row
    grid()->set_current_row(1);
    form->N8Click();
    EXPECT_EQ(grid()->row_count(), 3);
    EXPECT_EQ(grid()->current_row(), 2);

    when_shown<QFileDialog>([](QFileDialog *od) { od->reject(); });
    form->N8Click();
    EXPECT_EQ(grid()->row_count(), 3);
}

TEST_F(ShortcutsPage, LaunchReportsAProgramThatCannotStart) {
    start_with({{folder + "/gone", {0, 0, 0}}});
    grid()->set_current_row(1);
    form->N12Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Launch error");
    EXPECT_NE(boxes[0].text.find(folder + "/gone"), std::string::npos);
    EXPECT_EQ(boxes[0].flags & 0xF0, platform::MB_ICONERROR);

    start_with({});
    grid()->set_current_row(1);
    form->N12Click(); // an empty row starts nothing and says nothing
    EXPECT_EQ(boxes.size(), 1u);
}
