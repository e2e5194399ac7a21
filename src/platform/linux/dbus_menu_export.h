// The tray menu exported over the desktop's menu protocol
// (com.canonical.dbusmenu), for hosts of StatusNotifierItems: the host
// reads the entries, asks before it opens the menu (the entries are then
// rebuilt, as the tray menu is at each opening) and reports the entry
// chosen.
//
// Lives on the GUI thread: its handlers run there.
#pragma once

#include "platform/status_notifier.h"

#include <QDBusVirtualObject>

#include <functional>
#include <vector>

namespace platform {

struct MENU_LAYOUT;

class dbus_menu_export : public QDBusVirtualObject {
public:
    using ENTRIES = std::function<std::vector<TRAY_MENU_ENTRY>(bool rebuild)>;
    using CLICKED = std::function<void(int id)>;

    dbus_menu_export(QString path, ENTRIES entries, CLICKED clicked);

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

private:
    // Takes the entries anew; a changed menu gets a new revision, which the
    // host is told of. True when the menu changed.
    bool refresh(bool rebuild, const QDBusConnection &connection);
    const TRAY_MENU_ENTRY *find(int id) const;
    MENU_LAYOUT layout_of(const TRAY_MENU_ENTRY *entry, int depth, const QStringList &names) const;
    QVariantMap properties_of(const TRAY_MENU_ENTRY *entry, const QStringList &names) const;
    bool menu_call(const QDBusMessage &message, const QDBusConnection &connection);
    void chosen(int id, const QString &event);

    QString path_;
    ENTRIES entries_;
    CLICKED clicked_;
    TRAY_MENU_ENTRY root_; // id 0; its children are the menu
    bool have_entries_ = false;
    uint revision_ = 1;
};

} // namespace platform
