// The real program with a modal dialog or box open: "Exit" from the tray
// menu still ends it with 0, and every window shows exactly its own caption
// in _NET_WM_NAME (what window managers and task bars show).
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include <sys/stat.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

std::string net_wm_name(unsigned long window) {
    std::string out;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return out;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False,
                           XInternAtom(d, "UTF8_STRING", False), &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        out.assign(reinterpret_cast<char *>(data), count);
        XFree(data);
    }
    XCloseDisplay(d);
    return out;
}

// A shown window of the program whose WM_NAME is name, other than not_this.
std::optional<test_env::x_window> shown_window(const vorkel_app &app, const std::string &name,
                                               unsigned long not_this = 0) {
    for (auto &w : test_env::windows_of_class(app.class_name()))
        if (!w.in_tray && w.viewable && w.name == name && w.id != not_this)
            return w;
    return std::nullopt;
}

class ModalBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_FALSE(app.exe().empty());
        vorkel = app.start();
        ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s)) << "no tray icon";
    }
    // Right click on the tray icon, then keys; Exit is the menu's last item.
    void tray_menu(const std::string &keys) {
        auto icon = app.tray_icon();
        ASSERT_TRUE(icon);
        xdotool("mousemove --window " + std::to_string(icon->id) + " 8 8 click 3");
        ASSERT_TRUE(wait_until([&] { return app.popup_menu().has_value(); }, 10s))
            << "tray menu did not open";
        xdotool("key " + keys);
    }
    test_env::x_session x;
    vorkel_app app;
    test_env::child_process vorkel;
};

} // namespace

TEST_F(ModalBoxes, SettingsDialogShowsItsOwnCaptionAndExitEndsTheProgramFromIt) {
    tray_menu("Up Up Up Return"); // Exit, Shutdown, (separator), Settings
    std::optional<test_env::x_window> dialog;
    ASSERT_TRUE(wait_until([&] { return (dialog = shown_window(app, "Settings")).has_value(); }, 10s));
    EXPECT_EQ(net_wm_name(dialog->id), "Settings");

    tray_menu("Up Return");
    EXPECT_EQ(vorkel.wait(30s), 0) << "Exit with the settings dialog open did not end the program";
}

TEST_F(ModalBoxes, ExitWhileTheTooLongPathBoxIsOpenEndsTheProgram) {
    // A program whose path does not fit the catalogue's 260-byte field.
    std::string folder = app.folder() + "/" + std::string(120, 'a') + "/" + std::string(120, 'b');
    std::filesystem::create_directories(folder);
    const std::string program = folder + "/tool";
    test_env::write_file(program, "#!/bin/sh\n");
    ::chmod(program.c_str(), 0700);
    ASSERT_GT(program.size(), 260u);

    // A second start shows the window; then the Shortcuts page, its grid's
    // menu, and "Add new shortcut" (the menu's fifth command).
    auto second = app.start();
    ASSERT_EQ(second.wait(15s), 1);
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));
    const auto window = app.main_window();
    ASSERT_TRUE(window);
    const std::string id = std::to_string(window->id);
    xdotool("windowactivate --sync " + id);
    xdotool("mousemove --window " + id + " 25 12 click 1"); // the "Shortcuts" tab
    xdotool("mousemove --window " + id + " " + std::to_string(window->width / 2) + " " +
            std::to_string(window->height / 2) + " click 3");
    ASSERT_TRUE(wait_until([&] { return app.popup_menu().has_value(); }, 10s))
        << "the grid's menu did not open";
    xdotool("key Down Down Down Down Down Return");
    std::optional<test_env::x_window> dialog;
    ASSERT_TRUE(wait_until([&] { return (dialog = shown_window(app, "Add new shortcut")).has_value(); }, 10s))
        << "the file dialog did not open";
    EXPECT_EQ(net_wm_name(dialog->id), "Add new shortcut");
    xdotool("type --delay 2 '" + program + "'");
    xdotool("key Return");

    std::optional<test_env::x_window> box;
    ASSERT_TRUE(wait_until(
        [&] { return (box = shown_window(app, "Add new shortcut", dialog->id)).has_value(); }, 15s))
        << "the too-long-path box did not open";
    EXPECT_EQ(net_wm_name(box->id), "Add new shortcut");

    tray_menu("Up Return");
    EXPECT_EQ(vorkel.wait(30s), 0) << "Exit with the box open did not end the program";
}
