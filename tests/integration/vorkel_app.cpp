#include "integration/vorkel_app.h"

#include "platform/system_info.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

vorkel_app::vorkel_app(const std::string &exe_name) {
    folder_ = test_env::make_temp_dir("app");
    exe_ = folder_ + "/" + exe_name;
    class_name_ = exe_name.substr(0, exe_name.find('.'));
    std::string cmd = std::string("cp '") + VORKEL_BINARY + "' '" + exe_ + "'";
    if (std::system(cmd.c_str()) != 0)
        exe_.clear();
}

std::string vorkel_app::data_dir() const { return folder_ + "/" + platform::user_name(); }

test_env::child_process vorkel_app::start(const std::vector<std::string> &extra_env) {
    std::string log = folder_ + "/run-" + std::to_string(runs_++) + ".log";
    return test_env::child_process({exe_}, extra_env, log);
}

test_env::child_process vorkel_app::start_in_own_pid_namespace(const std::vector<std::string> &companions,
                                                               const std::vector<std::string> &extra_env) {
    std::string log = folder_ + "/run-" + std::to_string(runs_++) + ".log";
    std::string script;
    for (const auto &c : companions)
        script += c + " & ";
    script += "'" + exe_ + "'";
    return test_env::child_process(
        {"unshare", "--pid", "--fork", "--mount-proc", "--kill-child", "/bin/sh", "-c", script}, extra_env,
        log);
}

std::optional<test_env::x_window> vorkel_app::main_window() const {
    for (auto &w : test_env::windows_of_class(class_name_))
        if (!w.in_tray && w.name == "Vorkel" && w.width > 100 && w.height > 100)
            return w;
    return std::nullopt;
}

std::optional<test_env::x_window> vorkel_app::tray_icon() const {
    for (auto &w : test_env::windows_of_class(class_name_))
        if (w.in_tray && w.viewable)
            return w;
    return std::nullopt;
}

bool vorkel_app::main_window_shown() const {
    auto w = main_window();
    return w && w->viewable;
}

bool vorkel_app::tray_icon_shown() const { return tray_icon().has_value(); }

bool vorkel_app::open_tray_menu() const {
    const auto icon = tray_icon();
    if (!icon)
        return false;
    xdotool("mousemove --window " + std::to_string(icon->id) + " 8 8 click 3");
    return test_env::wait_until([&] { return popup_menu().has_value(); });
}

std::optional<test_env::x_window> vorkel_app::popup_menu() const {
    for (auto &w : test_env::windows_of_class(class_name_))
        if (!w.in_tray && w.viewable && w.name != "Vorkel" && w.width > 20)
            return w;
    return std::nullopt;
}

GREY_PIXELS grey_pixels(unsigned long window, int grey, int bottom_rows) {
    GREY_PIXELS out;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return out;
    XWindowAttributes a{};
    if (XGetWindowAttributes(d, window, &a)) {
        XImage *img = XGetImage(d, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        if (img) {
            out.count = 0;
            out.width = a.width;
            out.height = a.height;
            for (int y = bottom_rows > 0 ? std::max(0, a.height - bottom_rows) : 0; y < a.height; ++y)
                for (int x = 0; x < a.width; ++x) {
                    unsigned long p = XGetPixel(img, x, y);
                    int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
                    if (std::abs(r - grey) <= 12 && std::abs(g - grey) <= 12 && std::abs(b - grey) <= 12) {
                        ++out.count;
                        out.left = std::min(out.left, x);
                        out.top = std::min(out.top, y);
                        out.right = std::max(out.right, x);
                        out.bottom = std::max(out.bottom, y);
                    }
                }
            XDestroyImage(img);
        }
    }
    XCloseDisplay(d);
    return out;
}

int pixels_near_grey(unsigned long window, int grey) { return grey_pixels(window, grey).count; }

int first_selected_row_top(unsigned long window, int x) {
    int top = -1;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return top;
    XWindowAttributes a{};
    if (XGetWindowAttributes(d, window, &a) && x < a.width) {
        if (XImage *img = XGetImage(d, window, x, 0, 1, a.height, AllPlanes, ZPixmap)) {
            for (int y = 40; y < a.height && top < 0; ++y) {
                const unsigned long p = XGetPixel(img, 0, y);
                const int r = (p >> 16) & 0xff, b = p & 0xff;
                if (b > 150 && b - r > 80)
                    top = y;
            }
            XDestroyImage(img);
        }
    }
    XCloseDisplay(d);
    return top;
}

std::string clipboard_text() {
    std::string text;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return text;
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom property = XInternAtom(d, "VORKEL_TEST_CLIPBOARD", False);
    XConvertSelection(d, XInternAtom(d, "CLIPBOARD", False), XInternAtom(d, "UTF8_STRING", False), property,
                      w, CurrentTime);
    XFlush(d);
    XEvent e{};
    const bool answered = test_env::wait_until(
        [&] { return XCheckTypedWindowEvent(d, w, SelectionNotify, &e); }, std::chrono::seconds(3));
    if (answered && e.xselection.property != 0) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(d, w, property, 0, 1 << 20, True, AnyPropertyType, &type, &format, &count,
                               &after, &data) == Success &&
            data) {
            text.assign(reinterpret_cast<char *>(data), count);
            XFree(data);
        }
    }
    XDestroyWindow(d, w);
    XCloseDisplay(d);
    return text;
}

std::string xdotool(const std::string &args) { return test_env::run_capture("xdotool " + args + " 2>/dev/null"); }
