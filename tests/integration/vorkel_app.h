// Runs the real Vorkel executable for integration tests: a private copy
// of the binary in its own folder (so its data folder, which sits beside
// the executable, is private too), started on the test's X display.
#pragma once

#include "support/test_env.h"

#include <climits>
#include <optional>
#include <string>
#include <vector>

class vorkel_app {
public:
    // Copies the binary as <new folder>/<exe_name>.
    explicit vorkel_app(const std::string &exe_name = "vorkel");

    const std::string &folder() const { return folder_; }
    const std::string &exe() const { return exe_; }
    const std::string &class_name() const { return class_name_; }
    std::string data_dir() const;

    // Starts a copy; returns its handle. Output goes to <folder>/run-N.log.
    // extra_env as for test_env::child_process.
    test_env::child_process start(const std::vector<std::string> &extra_env = {});

    // Starts a copy in a PID namespace of its own (unshare), so that what it
    // does to "every process" (the rescue hotkey, the Tasks page's
    // commands) reaches only the processes of that namespace, never the
    // machine's. companions are shell command lines started in the
    // namespace beside it; a shell is the namespace's first process and
    // reaps them. The handle is unshare's; ending it ends the namespace.
    // extra_env as for test_env::child_process.
    test_env::child_process start_in_own_pid_namespace(const std::vector<std::string> &companions = {},
                                                       const std::vector<std::string> &extra_env = {});

    // The main window and the tray icon of this executable's copies.
    std::optional<test_env::x_window> main_window() const;
    std::optional<test_env::x_window> tray_icon() const;
    bool main_window_shown() const;
    bool tray_icon_shown() const;

    // A shown popup menu of the program (a shown window other than the main
    // window and the tray icon).
    std::optional<test_env::x_window> popup_menu() const;
    // Right-clicks the tray icon; true once the tray menu is open.
    bool open_tray_menu() const;

private:
    std::string folder_;
    std::string exe_;
    std::string class_name_;
    int runs_ = 0;
};

// The pixels of a window (as the X server holds them) whose red, green
// and blue are all within 12 of grey: how many (-1 when the window cannot
// be read) and their bounding box. bottom_rows > 0 looks only at that many
// rows at the bottom of the window.
struct GREY_PIXELS {
    int count = -1;
    int width = 0, height = 0; // of the window
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
};
GREY_PIXELS grey_pixels(unsigned long window, int grey, int bottom_rows = 0);
int pixels_near_grey(unsigned long window, int grey);

// The top of the first row, from y = 40 down, whose pixel in column x is
// drawn in a selection's blue: where a grid's selected row starts. -1 when
// there is none or the window cannot be read.
int first_selected_row_top(unsigned long window, int x);

// The text of the CLIPBOARD selection on $DISPLAY as UTF-8; empty when
// nobody owns it or the owner does not answer within 3 s.
std::string clipboard_text();

// Runs xdotool with args on $DISPLAY; its output.
std::string xdotool(const std::string &args);
