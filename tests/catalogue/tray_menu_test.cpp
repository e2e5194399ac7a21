#include "catalogue/changeicon_form.h"
#include "catalogue/icon_sources.h"
#include "catalogue/icon_store.h"
#include "catalogue/link_map.h"
#include "catalogue/shortcuts_page.h"
#include "catalogue/tray_menu.h"
#include "catalogue/tray_menu_images.h"
#include "common/options.h"
#include "platform/file_icons.h"
#include "support/qt_app.h"
#include "support/test_env.h"
#include "toolkit/grid.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocumentFragment>
#include <QTimer>

#include <cstdlib>
#include <memory>

#include <sys/stat.h>

namespace {

// The tray menu's widgets as the main window makes them, without the window.
struct MENU_FIXTURE {
    QMenu menu;
    QMenu grid_menu;
    QAction *N4, *N1, *N25, *N2, *N14, *N3, *N27, *N28;
    std::vector<QIcon> pimages, defaultlist = own_item_images();
    QIcon script = script_image();
    MENU_FIXTURE() {
        N4 = menu.addSeparator();
        N1 = menu.addAction(QStringLiteral("Show list"));
        N25 = menu.addAction(QStringLiteral("Settings"));
        N2 = menu.addSeparator();
        N14 = menu.addAction(QStringLiteral("Shutdown"));
        N3 = menu.addAction(QStringLiteral("Exit"));
        N27 = grid_menu.addSeparator();
        N28 = grid_menu.addAction(QStringLiteral("Settings"));
    }
    TRAY_MENU_WIDGETS widgets() {
        return {&menu, N4, N1, N25, N2, N14, N3, N27, N28, &pimages, &defaultlist, &script};
    }
    QStringList visible_texts() const {
        QStringList out;
        for (QAction *a : menu.actions())
            if (a->isVisible())
                out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }
    QAction *item(const QString &text) const {
        for (QAction *a : menu.actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }
};

QRgb icon_centre(const QIcon &icon) { return icon.pixmap(16, 16).toImage().pixel(8, 8) | 0xff000000u; }

ICON_IMAGE solid(QColor c) { return icon_from_image(QImage(), c); }

class TrayMenu : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_qt_application(true); }
    void SetUp() override {
        dir = test_env::make_temp_dir("menu");
        store = dir + "/links.dat";
        clear_catalogue();
        opt_full_path = false;
        opt_own_items = true;
    }
    void TearDown() override {
        clear_catalogue();
        opt_full_path = false;
        opt_own_items = true;
    }
    std::string program(const std::string &name, const std::string &body = "#!/bin/sh\n") {
        std::string path = dir + "/" + name;
        test_env::write_file(path, body);
        chmod(path.c_str(), 0700);
        return path;
    }
    void mark(const std::string &path, int show = 1) { link_map[path] = LINK_PROPERTIES_STRUCT{show, 0, 0}; }

    std::string dir, store;
};

} // namespace

TEST_F(TrayMenu, ListsMarkedProgramsAboveOwnItemsAndRebuildsEachOpening) {
    MENU_FIXTURE f;
    EXPECT_TRUE(f.N27->isVisible()) << "before the first opening the grid menu offers Settings";
    tray_menu_popup(f.widgets(), store);
    EXPECT_EQ(f.visible_texts(), QStringList({"-", "Show list", "Settings", "-", "Shutdown", "Exit"}));
    EXPECT_FALSE(f.N27->isVisible());
    EXPECT_FALSE(f.N28->isVisible());
    EXPECT_EQ(f.pimages.size(), 4u);

    std::string a = program("a"), b = program("b"), c = program("c");
    mark(a);
    mark(b);
    mark(c, 2);
    tray_menu_popup(f.widgets(), store);
    EXPECT_EQ(f.visible_texts(),
              QStringList({"b", "a", "-", "Show list", "Settings", "-", "Shutdown", "Exit"}));
    EXPECT_EQ(menu_path_list, APP_LIST({a, b}));
    EXPECT_EQ(f.item("b")->data().toInt(), 1);

    // Fewer items next time: the old ones are gone and the tags follow.
    link_map.erase(a);
    tray_menu_popup(f.widgets(), store);
    EXPECT_EQ(f.menu.actions().size(), 7);
    EXPECT_EQ(menu_path_list, APP_LIST({b}));
    EXPECT_EQ(f.item("b")->data().toInt(), 0);
}

TEST_F(TrayMenu, OptionsForCaptionsAndOwnItems) {
    MENU_FIXTURE f;
    opt_own_items = false;
    tray_menu_popup(f.widgets(), store);
    EXPECT_TRUE(f.visible_texts().isEmpty()) << "hidden own items and nothing marked";
    EXPECT_TRUE(f.N27->isVisible());
    EXPECT_TRUE(f.N28->isVisible());

    // A long caption keeps its beginning and end around "…"; '&' is no
    // shortcut marker; the tooltip is the whole path.
    const std::string p = program("tool & co"), wide = program(std::string(240, 'w') + " & end");
    mark(p);
    mark(wide);
    opt_own_items = true;
    opt_full_path = true;
    tray_menu_popup(f.widgets(), store);
    QStringList texts = f.visible_texts();
    ASSERT_EQ(texts.size(), 8);
    for (const auto &[path, caption] : {std::pair{wide, texts[0]}, {p, texts[1]}}) {
        const QStringList ends = QString(caption).replace("&&", "&").split(QChar(0x2026));
        EXPECT_TRUE(QString::fromStdString(path).startsWith(ends.front()) &&
                    QString::fromStdString(path).endsWith(ends.back()))
            << caption.toStdString();
        EXPECT_EQ(QTextDocumentFragment::fromHtml(f.item(caption)->toolTip()).toPlainText().toStdString(),
                  path);
    }
    EXPECT_LT(texts[0].size(), 100) << "cut in the middle";
    EXPECT_TRUE(texts[1].endsWith("tool && co"));
    EXPECT_TRUE(f.menu.toolTipsVisible());
    EXPECT_EQ(texts[6], "Shut down");
    EXPECT_FALSE(f.N28->isVisible());
}

TEST_F(TrayMenu, PicturesFollowTheRules) {
    std::string plain = program("plain");
    std::string stored = program("stored");
    std::string script = program("run.sh");
    std::string upper = program("RUN.BAT");
    std::string gone = dir + "/gone";
    for (const std::string &p : {plain, stored, script, upper, gone})
        mark(p);
    ASSERT_TRUE(write_icon(store, stored, solid(QColor(255, 0, 0))));
    ASSERT_TRUE(write_icon(store, script, solid(QColor(0, 255, 0))));
    ASSERT_TRUE(write_icon(store, upper, solid(QColor(0, 0, 255))));

    MENU_FIXTURE f;
    tray_menu_popup(f.widgets(), store);
    EXPECT_EQ(icon_centre(f.item("stored")->icon()), qRgb(255, 0, 0)) << "stored image beats the shell icon";
    EXPECT_EQ(f.item("run.sh")->icon().cacheKey(), f.script.cacheKey())
        << "script picture beats a stored one";
    EXPECT_EQ(icon_centre(f.item("RUN.BAT")->icon()), qRgb(0, 0, 255)) << "upper case is no script";
    EXPECT_TRUE(f.item("gone")->icon().isNull()) << "a missing file has no icon";
    EXPECT_EQ(f.item("plain")->icon().isNull(), shell_icon(plain).isNull());

    // After the store is deleted the shell's icon is back at the next opening.
    ASSERT_EQ(std::remove(store.c_str()), 0);
    tray_menu_popup(f.widgets(), store);
    EXPECT_NE(icon_centre(f.item("stored")->icon()), qRgb(255, 0, 0));
    EXPECT_EQ(f.item("stored")->icon().isNull(), shell_icon(stored).isNull());
}

TEST_F(TrayMenu, ClickStartsTheProgramInItsFolderAndAMissingOneStartsNothing) {
    std::string sub = dir + "/with blank";
    mkdir(sub.c_str(), 0700);
    std::string report = dir + "/report";
    std::string p = sub + "/prog";
    test_env::write_file(p, "#!/bin/sh\npwd -P > '" + report + ".tmp' && mv '" + report + ".tmp' '" + report +
                                "'\n");
    chmod(p.c_str(), 0700);
    std::string gone = dir + "/gone";
    mark(p);
    mark(gone);
    MENU_FIXTURE f;
    tray_menu_popup(f.widgets(), store);

    const LINK_MAP before = link_map;
    f.item("gone")->trigger();
    EXPECT_EQ(link_map.size(), before.size());
    EXPECT_EQ(menu_path_list.size(), 2u);

    f.item("prog")->trigger();
    ASSERT_TRUE(test_env::wait_until([&] { return test_env::file_exists(report); }));
    char real[4096];
    ASSERT_TRUE(realpath(sub.c_str(), real));
    EXPECT_EQ(test_env::read_file(report), std::string(real) + "\n");
}

TEST_F(TrayMenu, ChangeIconDialogStoresTheChosenIconForTheRowsExactPath) {
    // An icon file of three colours to choose from.
    auto png = [](QRgb c) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(c);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes.toStdString();
    };
    std::vector<std::string> images = {png(qRgb(255, 0, 0)), png(qRgb(0, 255, 0)), png(qRgb(0, 0, 255))};
    std::string ico("\0\0\1\0\3\0", 6);
    std::size_t offset = 6 + 16 * 3;
    for (const std::string &i : images) {
        ico += std::string("\x10\x10\0\0\1\0\x20\0", 8);
        for (std::uint32_t v : {static_cast<std::uint32_t>(i.size()), static_cast<std::uint32_t>(offset)})
            for (int k = 0; k < 4; ++k)
                ico.push_back(static_cast<char>((v >> (8 * k)) & 0xff));
        offset += i.size();
    }
    for (const std::string &i : images)
        ico += i;
    std::string ico_path = dir + "/three.ico";
    test_env::write_file(ico_path, ico);

    // A path that is not valid text: the dialog must get its exact bytes.
    std::string odd = dir + "/caf\xe9";
    test_env::write_file(odd, "#!/bin/sh\n");
    TGrid grid({QStringLiteral("Path"), QStringLiteral("Show"), QStringLiteral("StartUp")}, 16);
    grid.set_row_count(2);
    set_row_path(&grid, 1, odd);
    grid.set_current_row(1);

    bool saw_dialog = false;
    QTimer::singleShot(0, [&] {
        ASSERT_NE(changeicon_form, nullptr);
        saw_dialog = true;
        EXPECT_EQ(changeicon_form->windowTitle(), "Change icon");
        EXPECT_EQ(changeicon_form->icon_target, odd);
        changeicon_form->load_icons_from_file(ico_path);
        EXPECT_EQ(changeicon_form->icons.size(), 3u);
        changeicon_form->igrid->setCurrentCell(0, 1);
        changeicon_form->Button1Click();
    });
    change_icon_command(&grid, store, nullptr);
    ASSERT_TRUE(saw_dialog);
    EXPECT_EQ(changeicon_form, nullptr);
    ICON_IMAGE got{};
    ASSERT_TRUE(read_icon(store, odd, got));
    EXPECT_EQ(image_from_icon(got).pixel(8, 8) | 0xff000000u, qRgb(0, 255, 0));
    EXPECT_EQ(test_env::read_file(store).size(), 1028u);

    // Enter in the file box shows that file's icons; "Set" on a cell
    // without one stores nothing; Escape closes without touching the
    // store; an empty row opens nothing.
    const std::string before = test_env::read_file(store);
    QTimer::singleShot(0, [&] {
        ASSERT_NE(changeicon_form, nullptr);
        changeicon_form->igrid->setCurrentCell(0, 5);
        changeicon_form->ComboEdit1->setText(QString::fromStdString(ico_path));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(changeicon_form->ComboEdit1, &enter);
        ASSERT_NE(changeicon_form, nullptr) << "Enter closed the dialog";
        EXPECT_EQ(changeicon_form->icons.size(), 3u);
        changeicon_form->Button1Click();
        ASSERT_NE(changeicon_form, nullptr);
        EXPECT_FALSE(changeicon_form->Button1->isEnabled());
        changeicon_form->igrid->setCurrentCell(0, 2);
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(changeicon_form, &esc);
    });
    change_icon_command(&grid, store, nullptr);
    EXPECT_TRUE(test_env::read_file(store) == before) << "the store changed";

    set_row_path(&grid, 1, "");
    change_icon_command(&grid, store, nullptr); // would block if it opened the dialog
    EXPECT_EQ(changeicon_form, nullptr);
}
