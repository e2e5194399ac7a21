// TTrayIcon: the program's icon in the system tray, with a hint, a popup
// menu on a right click and click notifications. It takes one of two
// kinds: a StatusNotifierItem (platform/status_notifier.h) while a
// notifier watcher with a host holds it, otherwise an XEmbed icon docked
// into the X tray (platform/tray_icon.h). It switches whenever the
// watcher comes or goes. As an item, the host's activation counts as a
// double click, and the popup menu is exported to the host, rebuilt (its
// aboutToShow emitted) whenever the host is about to open it.
//
// A left press notifies `trigger`, a second one within the desktop's
// double-click interval `double_click` instead; a right click (on release,
// when the pointer is free for the menu's grab) opens the popup menu and
// notifies `context`; a middle press notifies `middle_click`. The hint
// shows after the pointer rests on the icon for the style's tooltip delay.
//
// GUI thread only, except set_picture.
#pragma once

#include "platform/status_notifier.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <map>
#include <vector>

namespace platform {
struct TRAY_POINTER_EVENT;
}

class TTrayIcon : public QObject {
    Q_OBJECT
public:
    enum ACTIVATION { trigger, double_click, context, middle_click };

    explicit TTrayIcon(QObject *parent = nullptr);
    ~TTrayIcon() override;

    void setToolTip(const QString &text);
    QString toolTip() const { return tool_tip_; }
    void setContextMenu(QMenu *menu) { menu_ = menu; }
    QMenu *contextMenu() const { return menu_; }

    // Docks the icon (and again whenever the tray restarts); hide takes it
    // out. isVisible: shown by the program, whether or not a tray holds it.
    void show();
    void hide();
    bool isVisible() const { return shown_; }

    // True while something can show the icon: a watcher holds the item, or
    // an X tray runs.
    bool host_present() const { return host_present_; }
    // True while the icon is a registered StatusNotifierItem.
    bool is_status_notifier() const { return item_registered_; }

    // The picture (side x side, 0xAARRGGBB, top row first). Any thread.
    static void set_picture(const std::uint32_t *argb, int side);

    // For tests: a pointer event as if it came from the icon.
    void pointer_event(const platform::TRAY_POINTER_EVENT &event);

signals:
    void activated(TTrayIcon::ACTIVATION why);
    // host_present() has changed.
    void host_changed(bool present);

private:
    QPoint logical(int x, int y) const;
    void show_xembed();
    void item_registered(bool on);
    void update_host();
    void popup_at(int x, int y);
    std::vector<platform::TRAY_MENU_ENTRY> menu_entries(bool rebuild);
    std::vector<platform::TRAY_MENU_ENTRY> entries_of(QMenu *menu,
                                                      std::map<qint64, std::vector<std::uint8_t>> &previous);
    void menu_clicked(int id);

    QString tool_tip_;
    QPointer<QMenu> menu_;
    bool shown_ = false;
    bool xembed_shown_ = false;
    bool item_started_ = false;
    bool item_registered_ = false;
    bool host_present_ = false;
    bool have_left_press_ = false;
    std::uint32_t last_left_press_ = 0;
    QTimer hint_timer_;
    QPoint pointer_;
    // The exported menu's entries by id, and their icons as PNG bytes by
    // the icon's cache key (kept from one export to the next).
    std::map<int, QPointer<QAction>> menu_ids_;
    std::map<qint64, std::vector<std::uint8_t>> icon_png_;
    int next_menu_id_ = 1;
};
