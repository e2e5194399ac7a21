// The tray launcher menu of the running program: marked programs listed
// above the own items with their desktop icons, a click starting one in
// its folder, and an icon chosen in the "Change icon" dialog shown at the
// next opening until "Icons" in the settings deletes the icon store.
#include "catalogue/catalogue_file.h"
#include "catalogue/link_map.h"
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

// Pixels of a window within 24 of the colour in each channel (-1 when the
// window cannot be read).
int pixels_near(unsigned long window, int r, int g, int b) {
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return -1;
    int count = -1;
    XWindowAttributes a{};
    if (XGetWindowAttributes(d, window, &a)) {
        if (XImage *img = XGetImage(d, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap)) {
            count = 0;
            for (int y = 0; y < a.height; ++y)
                for (int x = 0; x < a.width; ++x) {
                    unsigned long p = XGetPixel(img, x, y);
                    if (std::abs(int((p >> 16) & 0xff) - r) <= 24 &&
                        std::abs(int((p >> 8) & 0xff) - g) <= 24 && std::abs(int(p & 0xff) - b) <= 24)
                        ++count;
                }
            XDestroyImage(img);
        }
    }
    XCloseDisplay(d);
    return count;
}

std::string real_path(const std::string &path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

std::string solid_png(const std::string &path, const std::string &colour) {
    int code = 0;
    test_env::run_capture("convert -size 16x16 'xc:" + colour + "' '" + path + "'", &code);
    EXPECT_EQ(code, 0);
    return path;
}

class TrayLauncherMenu : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok());
        progs = app.folder() + "/my progs";
        std::filesystem::create_directories(progs);
        alpha = script("alpha");
        beta = script("beta");
        // beta has a desktop entry whose icon is plain magenta.
        std::string apps = std::string(std::getenv("XDG_DATA_HOME")) + "/applications";
        std::filesystem::create_directories(apps);
        test_env::write_file(apps + "/beta-tray-test.desktop",
                             "[Desktop Entry]\nType=Application\nName=Beta\nExec=\"" + beta +
                                 "\"\nIcon=" + solid_png(app.folder() + "/magenta.png", "#ff00ff") + "\n");
        std::filesystem::create_directories(app.data_dir());
        LINK_MAP catalogue;
        catalogue[alpha] = LINK_PROPERTIES_STRUCT{1, 0, 0};
        catalogue[beta] = LINK_PROPERTIES_STRUCT{1, 0, 0};
        catalogue[progs + "/hidden"] = LINK_PROPERTIES_STRUCT{0, 0, 0};
        create_catalogue(app.data_dir() + "/vorkel.dat");
        write_catalogue(app.data_dir() + "/vorkel.dat", catalogue);
        p = app.start();
        ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    }

    std::string script(const std::string &name) {
        std::string path = progs + "/" + name;
        test_env::write_file(path, "#!/bin/sh\npwd -P > \"$0.tmp\" && mv \"$0.tmp\" \"$0.ran\"\n");
        chmod(path.c_str(), 0700);
        return path;
    }

    // Right-clicks the tray icon; the popup menu's window once it shows.
    std::optional<test_env::x_window> open_menu() {
        auto icon = app.tray_icon();
        if (!icon)
            return std::nullopt;
        xdotool("mousemove --window " + std::to_string(icon->id) + " 8 8 click 3");
        std::optional<test_env::x_window> menu;
        wait_until(
            [&] {
                for (auto &w : test_env::windows_of_class(app.class_name()))
                    if (w.viewable && !w.in_tray && w.name != "Vorkel" && w.height > 100 && w.width > 40) {
                        menu = w;
                        return true;
                    }
                return false;
            },
            10s);
        return menu;
    }
    bool menu_closed() {
        return wait_until(
            [&] {
                for (auto &w : test_env::windows_of_class(app.class_name()))
                    if (w.viewable && !w.in_tray && w.name != "Vorkel" && w.height > 100)
                        return false;
                return true;
            },
            5s);
    }

    test_env::x_session x;
    vorkel_app app;
    test_env::child_process p;
    std::string progs, alpha, beta;
};

} // namespace

TEST_F(TrayLauncherMenu, ListsMarkedProgramsStartsThemAndShowsTheChosenIcon) {
    auto menu = open_menu();
    ASSERT_TRUE(menu) << "the tray menu did not open";
    EXPECT_TRUE(wait_until([&] { return pixels_near(menu->id, 255, 0, 255) >= 200; }, 5s))
        << "beta's desktop icon is not in the menu";

    // The first item is beta (descending order, above the own items).
    xdotool("key Down Return");
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(beta + ".ran"); }, 10s));
    EXPECT_EQ(test_env::read_file(beta + ".ran"), real_path(progs) + "\n") << "started in its folder";
    EXPECT_FALSE(test_env::file_exists(alpha + ".ran"));
    ASSERT_TRUE(menu_closed());

    menu = open_menu();
    ASSERT_TRUE(menu);
    xdotool("key Down Down Return");
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(alpha + ".ran"); }, 10s))
        << "second item is alpha";
    ASSERT_TRUE(menu_closed());

    // "Change icon" on beta's row (the second row), then a green picture
    // chosen through the file dialog, then "Set".
    const std::string green = solid_png(app.folder() + "/green.png", "#00c800");
    auto icon = app.tray_icon();
    ASSERT_TRUE(icon);
    xdotool("mousemove --window " + std::to_string(icon->id) + " 8 8 click --repeat 2 --delay 80 1");
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));
    auto main = app.main_window();
    ASSERT_TRUE(main);
    // The "Shortcuts" tab, then a right click on the second row.
    xdotool("mousemove --window " + std::to_string(main->id) + " 43 13 click 1");
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 5s));
    xdotool("mousemove --window " + std::to_string(main->id) + " 60 70 click 3");
    ASSERT_TRUE(wait_until(
        [&] {
            for (auto &w : test_env::windows_of_class(app.class_name()))
                if (w.viewable && !w.in_tray && w.name != "Vorkel" && w.height > 100 && w.width > 40)
                    return true;
            return false;
        },
        10s))
        << "the grid's menu did not open";
    xdotool("key Down Down Down Down Return"); // "Change icon"
    std::optional<test_env::x_window> dialog;
    ASSERT_TRUE(wait_until(
        [&] {
            for (auto &w : test_env::windows_of_class(app.class_name()))
                if (w.viewable && w.name == "Change icon") {
                    dialog = w;
                    return true;
                }
            return false;
        },
        10s))
        << "no Change icon dialog";
    EXPECT_TRUE(wait_until([&] { return pixels_near(dialog->id, 255, 0, 255) >= 200; }, 5s))
        << "the dialog shows the program's own icon";

    // "..." (the next in the tab order), the file typed into the file
    // dialog, then "Set" (two tab stops on, past the icon grid).
    auto file_dialog_open = [&] {
        for (auto &w : test_env::windows_of_class(app.class_name()))
            if (w.viewable && w.name != "Change icon" && w.name != "Vorkel" && !w.in_tray && w.height > 200)
                return true;
        return false;
    };
    xdotool("key Tab space");
    ASSERT_TRUE(wait_until(file_dialog_open, 10s)) << "no file dialog";
    xdotool("sleep 0.5 type --delay 20 '" + green + "'");
    // The first Return may only take the completer's suggestion.
    for (int i = 0; i < 3 && file_dialog_open(); ++i) {
        xdotool("sleep 0.3 key Return");
        wait_until([&] { return !file_dialog_open(); }, 2s);
    }
    ASSERT_FALSE(file_dialog_open());
    EXPECT_TRUE(wait_until([&] { return pixels_near(dialog->id, 0, 200, 0) >= 200; }, 10s))
        << "the chosen file's icon is not in the grid";
    xdotool("key Tab Tab space");
    const std::string store = app.data_dir() + "/links.dat";
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(store); }, 10s)) << "Set stored nothing";
    EXPECT_EQ(test_env::read_file(store).size(), 1028u);
    EXPECT_EQ(test_env::read_file(store).substr(0, beta.size() + 1), beta + std::string(1, '\0'));

    menu = open_menu();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(wait_until([&] { return pixels_near(menu->id, 0, 200, 0) >= 200; }, 5s))
        << "the chosen icon is not in the menu";
    EXPECT_LT(pixels_near(menu->id, 255, 0, 255), 50);
    xdotool("key Escape");
    ASSERT_TRUE(menu_closed());

    // "Icons" in the settings ("Restore default icons?") deletes the store:
    // the desktop's icon is back.
    menu = open_menu();
    ASSERT_TRUE(menu);
    xdotool("key Down Down Down Down Return"); // "Settings"
    std::optional<test_env::x_window> settings;
    ASSERT_TRUE(wait_until(
        [&] {
            for (auto &w : test_env::windows_of_class(app.class_name()))
                if (w.viewable && w.name == "Settings") {
                    settings = w;
                    return true;
                }
            return false;
        },
        10s))
        << "no settings dialog";
    // The "Others" page, its "Icons" button, OK in the question.
    xdotool("mousemove --window " + std::to_string(settings->id) + " 195 10 click 1");
    xdotool("sleep 0.3 mousemove --window " + std::to_string(settings->id) + " 63 68 click 1");
    auto question_shown = [&] {
        for (auto &w : test_env::windows_of_class(app.class_name()))
            if (w.viewable && w.name == "Restore defaults warning")
                return true;
        return false;
    };
    ASSERT_TRUE(wait_until(question_shown, 10s)) << "no question";
    xdotool("key Return");
    ASSERT_TRUE(wait_until([&] { return !test_env::file_exists(store); }, 10s))
        << "the store was not deleted";
    ASSERT_TRUE(wait_until([&] { return !question_shown(); }, 10s));
    xdotool("key Escape");
    ASSERT_TRUE(wait_until(
        [&] {
            for (auto &w : test_env::windows_of_class(app.class_name()))
                if (w.viewable && w.name == "Settings")
                    return false;
            return true;
        },
        10s));
    menu = open_menu();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(wait_until([&] { return pixels_near(menu->id, 255, 0, 255) >= 200; }, 5s));
    EXPECT_LT(pixels_near(menu->id, 0, 200, 0), 50);
    xdotool("key Escape");
    EXPECT_TRUE(p.running());
}
