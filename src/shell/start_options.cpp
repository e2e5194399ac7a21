#include "shell/start_options.h"

#ifndef VORKEL_VERSION
#define VORKEL_VERSION "0"
#endif

std::string version_text() { return std::string("vorkel ") + VORKEL_VERSION + "\n"; }

std::string help_text() {
    return "Usage: vorkel [--version | --help]\n"
           "\n"
           "Vorkel lives in the system tray of an X11 desktop: a launcher for your\n"
           "programs, a task manager and a live processor meter. It takes no options\n"
           "of its own; started again, it shows the running copy's window.\n"
           "\n"
           "  --version   print the version and exit\n"
           "  --help, -h  print this text and exit\n"
           "\n"
           "Ctrl+Shift+Backspace anywhere lifts Vorkel above every other process.\n"
           "Its files live beside the program or in $XDG_DATA_HOME/vorkel/<user>.\n"
           "See vorkel(1).\n";
}

START_DECISION decide_start(const std::vector<std::string> &args, const START_ENVIRONMENT &env,
                            const std::function<bool()> &display_available) {
    START_DECISION d;
    // The first of Vorkel's own options wins; the toolkit's options (such as
    // "-platform") are left to it.
    std::string platform_argument;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--version") {
            d.exit_now = true;
            d.out_text = version_text();
            return d;
        }
        if (a == "--help" || a == "-h") {
            d.exit_now = true;
            d.out_text = help_text();
            return d;
        }
        if ((a == "-platform" || a == "--platform") && i + 1 < args.size())
            platform_argument = args[i + 1];
    }
    d.qt_arguments = args;
    if (d.qt_arguments.empty())
        d.qt_arguments.push_back("vorkel");

    // The platform the toolkit will use: the user's choice, else xcb. In a
    // Wayland session the toolkit would choose Wayland itself, where no
    // tray icon, global hotkey or window list of other programs exists.
    std::string platform = !platform_argument.empty() ? platform_argument : env.qt_qpa_platform;
    if (platform.empty()) {
        platform = "xcb";
        if (!env.wayland_display.empty()) {
            d.qt_arguments.push_back("-platform");
            d.qt_arguments.push_back("xcb");
        }
    }
    // Only the platform name counts ("xcb:option=..." names xcb too).
    const std::string platform_name = platform.substr(0, platform.find(':'));
    if (platform_name == "xcb" && !display_available()) {
        d.exit_now = true;
        d.exit_code = exit_no_display;
        d.err_text = env.display.empty()
                         ? "vorkel: needs an X11 display, and DISPLAY is not set\n"
                         : "vorkel: needs an X11 display, and " + env.display + " cannot be opened\n";
    }
    return d;
}
