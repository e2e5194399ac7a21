// TTrayIcon: the program's icon in the system tray, with a hint, a popup
// menu on a right click and click notifications (platform/tray_icon.h
// does the docking and drawing).
//
// A left press notifies `trigger`, a second one within the desktop's
// double-click interval `double_click` instead; a right click (on release,
// when the pointer is free for the menu's grab) opens the popup menu and
// notifies `context`; a middle press notifies `middle_click`. The hint
// shows after the pointer rests on the icon for the style's tooltip delay.
//
// GUI thread only, except set_picture.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>

namespace platform {
struct TRAY_POINTER_EVENT;
}

class TTrayIcon : public QObject {
    Q_OBJECT
public:
    enum ACTIVATION { trigger, double_click, context, middle_click };

    explicit TTrayIcon(QObject *parent = nullptr);
    ~TTrayIcon() override;

    void setToolTip(const QString &text) { tool_tip_ = text; }
    QString toolTip() const { return tool_tip_; }
    void setContextMenu(QMenu *menu) { menu_ = menu; }
    QMenu *contextMenu() const { return menu_; }

    // Docks the icon (and again whenever the tray restarts); hide takes it
    // out. isVisible: shown by the program, whether or not a tray holds it.
    void show();
    void hide();
    bool isVisible() const { return shown_; }

    // The picture (side x side, 0xAARRGGBB, top row first). Any thread.
    static void set_picture(const std::uint32_t *argb, int side);

    // For tests: a pointer event as if it came from the icon.
    void pointer_event(const platform::TRAY_POINTER_EVENT &event);

signals:
    void activated(TTrayIcon::ACTIVATION why);

private:
    QPoint logical(int x, int y) const;

    QString tool_tip_;
    QPointer<QMenu> menu_;
    bool shown_ = false;
    bool have_left_press_ = false;
    std::uint32_t last_left_press_ = 0;
    QTimer hint_timer_;
    QPoint pointer_;
};
