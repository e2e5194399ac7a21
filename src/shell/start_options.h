// What Vorkel decides from its arguments and environment before anything
// else starts: "--version" and "--help" answer and end the program without
// touching the display, the lock or the data folder; in a Wayland session
// Qt is asked for its X11 (xcb) platform, since the tray, the hotkeys and
// discovery are X11 services (XWayland serves them); without an X display
// the program says so in one line and ends with 2.
//
// Pure: the caller passes the environment in and acts on the answer.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct START_ENVIRONMENT {
    std::string qt_qpa_platform; // $QT_QPA_PLATFORM, empty when unset
    std::string wayland_display; // $WAYLAND_DISPLAY
    std::string display;         // $DISPLAY
};

struct START_DECISION {
    bool exit_now = false;
    int exit_code = 0;
    std::string out_text; // for standard output when exit_now
    std::string err_text; // for standard error when exit_now
    // Arguments for the application object: the program's own, with
    // "-platform xcb" added when Vorkel chose the platform itself.
    std::vector<std::string> qt_arguments;
};

inline constexpr int exit_no_display = 2;

// args are the program's arguments, args[0] its name. display_available
// is asked only when the X11 platform will be used.
START_DECISION decide_start(const std::vector<std::string> &args, const START_ENVIRONMENT &env,
                            const std::function<bool()> &display_available);

// "vorkel <version>".
std::string version_text();
std::string help_text();
