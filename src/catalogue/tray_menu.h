// The tray launcher menu: rebuilt at each opening from the catalogue (the
// programs marked "Show", above the six own items), and the click on one
// of its programs.
//
// Threads: GUI thread only.
#pragma once

#include <QIcon>

#include <string>
#include <vector>

class QAction;
class QMenu;

// The widgets the rebuild works on, all owned by the main window.
struct TRAY_MENU_WIDGETS {
    QMenu *menu = nullptr; // PopupMenu1: N4, N1, N25, N2, N14, N3 at its end
    QAction *N4 = nullptr, *N1 = nullptr, *N25 = nullptr, *N2 = nullptr, *N14 = nullptr, *N3 = nullptr;
    QAction *N27 = nullptr, *N28 = nullptr;          // separator and "Settings" of the grid's menu
    std::vector<QIcon> *pimages = nullptr;           // the menu's images, rebuilt here
    const std::vector<QIcon> *defaultlist = nullptr; // the own items' four images
    const QIcon *script = nullptr;                   // the script picture (Image1)
};

// Rebuilds the menu before it shows: removes the previous programs, lists
// the programs marked "Show" with their pictures (the script picture, the
// image stored in store_path, the desktop's icon, or none, in that order)
// and tags, fills menu_path_list, and shows or hides the own items and
// N27/N28 by the options. A long caption is cut in its middle ("…"), so
// the menu stays narrow; each program's tooltip is its whole path.
void tray_menu_popup(const TRAY_MENU_WIDGETS &widgets, const std::string &store_path);

// Looks up the desktop icons of the programs marked "Show" once, so that
// the icon theme's lookups (a few hundred file checks per name on a cold
// cache) are not paid at the first opening of the menu. Runs from the
// event loop shortly after start; the menu is rebuilt in full at each
// opening regardless.
void prepare_tray_menu_icons();

// A program of the menu was clicked: starts the program whose path has the
// item's tag in menu_path_list, in its folder. A program whose file is gone
// starts nothing and changes nothing.
void launcher_item_click(QAction *item);
