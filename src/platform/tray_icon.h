// The program's icon in the desktop's system tray.
//
// On X11 this is the system tray protocol with XEmbed: a small window of
// Vorkel's that the tray embeds. Its picture is drawn straight into that
// window by whichever thread sets it, over a connection of that thread's
// own, so the CPU meter's ten pictures a second wake neither the GUI
// thread nor the toolkit's painting.
//
// Threads: tray_icon_show / tray_icon_hide / tray_icon_docked /
// tray_icon_tray_present and the handlers on the GUI thread; tray_icon_set_picture on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class TRAY_POINTER { press, release, enter, motion, leave };

struct TRAY_POINTER_EVENT {
    TRAY_POINTER kind = TRAY_POINTER::motion;
    int button = 0;          // 1 left, 2 middle, 3 right; 0 for enter, motion, leave
    int x = 0, y = 0;        // pointer on the screen, device pixels
    std::uint32_t time = 0;  // server time, ms (for double clicks)
};

using TRAY_POINTER_HANDLER = std::function<void(const TRAY_POINTER_EVENT &)>;

// Makes the icon window (named and classed app_name) and docks it into the
// tray, now if a tray runs and again whenever a tray (re)starts. Pointer
// events on the icon go to handler. False without a display; then the
// program runs without an icon.
bool tray_icon_show(const std::string &app_name, TRAY_POINTER_HANDLER handler);

// Takes the icon out of the tray and destroys its window.
void tray_icon_hide();

// True while a tray holds the icon.
bool tray_icon_docked();

// True while the icon is shown and a tray runs (it owns the tray
// selection), whether or not it has taken the icon yet.
bool tray_icon_tray_present();

// Called (GUI thread) whenever tray_icon_tray_present() changes; an empty
// function stops that.
void tray_icon_set_tray_handler(std::function<void(bool present)> handler);

// The icon's picture: side x side pixels, top row first, 0xAARRGGBB with
// alpha 0 or 255. Copied; drawn at once when the icon is docked (scaled
// by a whole factor to the size the tray gives, centred; shrunk when the
// tray gives less than side), otherwise when it next docks.
void tray_icon_set_picture(const std::uint32_t *argb, int side);

// The program's own icon for the icon window (_NET_WM_ICON on X11), so that
// trays and desktop tools that show a client's icon show Vorkel's: any
// number of images, each its width, its height, then width x height
// pixels 0xAARRGGBB, top row first. Kept for windows made later. GUI thread.
void tray_icon_set_window_icon(const std::vector<std::uint32_t> &images);

} // namespace platform
