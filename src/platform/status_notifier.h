// The program's icon as a StatusNotifierItem: the kind of tray icon that
// panels without an XEmbed tray show (and some with one). The item lives
// on the session bus; a notifier watcher (org.kde.StatusNotifierWatcher)
// hands it to the panels that host such items. The item offers the meter
// picture, the hint, activation and the tray menu, the menu through the
// desktop's menu protocol (com.canonical.dbusmenu).
//
// While it runs, the item registers itself with every watcher that
// appears and has a host, and reports whether it is registered: the
// caller shows the XEmbed icon only while it is not.
//
// Threads: status_notifier_set_picture on any thread; everything else,
// and every handler, on the GUI thread. The host's questions about the
// picture are answered on a thread of the item's own, so a new picture
// never wakes the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// One entry of the tray menu as the host shows it. label uses the
// toolkit's mnemonic mark ('&', "&&" for a plain ampersand); icon_png is
// a PNG file's bytes or empty.
struct TRAY_MENU_ENTRY {
    int id = 0; // above 0, unique in the menu
    std::string label;
    bool separator = false;
    bool enabled = true;
    bool visible = true;
    std::vector<std::uint8_t> icon_png;
    std::vector<TRAY_MENU_ENTRY> children; // a submenu when not empty
    bool operator==(const TRAY_MENU_ENTRY &) const = default;
};

struct STATUS_NOTIFIER_HANDLERS {
    // The item became registered with a watcher that has a host (true), or
    // is no longer (false: the watcher went away, refused it, or none has
    // answered).
    std::function<void(bool)> registered;
    // A host's requests, at a point on the screen (device pixels): the
    // primary action (a left click), the secondary one (a middle click),
    // and its own menu (hosts that do not show the exported one).
    std::function<void(int x, int y)> activate, secondary_activate, context_menu;
    // The menu's entries; rebuild true when the host is about to open it.
    std::function<std::vector<TRAY_MENU_ENTRY>(bool rebuild)> menu_entries;
    // The entry id was chosen.
    std::function<void(int id)> menu_clicked;
};

// Starts the item: app_name is its id, title its title and hint. False
// (and nothing runs) without a session bus. Idempotent while running.
bool status_notifier_start(const std::string &app_name, const std::string &title,
                           STATUS_NOTIFIER_HANDLERS handlers);

// Withdraws the item from the bus and stops watching; no handler is
// called afterwards.
void status_notifier_stop();

// True while a watcher holds the item.
bool status_notifier_registered();

// The item's picture: side x side pixels, top row first, 0xAARRGGBB.
// Copied; hosts are told only when it differs from the last one.
void status_notifier_set_picture(const std::uint32_t *argb, int side);

// The hint's text.
void status_notifier_set_tool_tip(const std::string &text);

} // namespace platform
