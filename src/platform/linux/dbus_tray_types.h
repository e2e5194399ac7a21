// The D-Bus records of the StatusNotifierItem and the exported menu, with
// their marshalling. register_dbus_tray_types() makes them known to QtDBus
// once, before the first message that carries one.
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace platform {

// (iiay): an icon pixmap, ARGB32 in network byte order.
struct SNI_PIXMAP {
    int width = 0, height = 0;
    QByteArray bytes;
};
using SNI_PIXMAP_LIST = QList<SNI_PIXMAP>;

// (sa(iiay)ss): the item's hint.
struct SNI_TOOL_TIP {
    QString icon_name;
    SNI_PIXMAP_LIST icon;
    QString title, text;
};

// (ia{sv}av): one menu entry with its properties and, recursively, its
// children (each a variant holding a MENU_LAYOUT).
struct MENU_LAYOUT {
    int id = 0;
    QVariantMap properties;
    QList<MENU_LAYOUT> children;
};

// (ia{sv}): the properties of one entry.
struct MENU_PROPERTIES {
    int id = 0;
    QVariantMap properties;
};
using MENU_PROPERTIES_LIST = QList<MENU_PROPERTIES>;

// (isvu): one event of an event group.
struct MENU_EVENT {
    int id = 0;
    QString event;
    QDBusVariant data;
    uint timestamp = 0;
};
using MENU_EVENT_LIST = QList<MENU_EVENT>;

QDBusArgument &operator<<(QDBusArgument &arg, const SNI_PIXMAP &p);
const QDBusArgument &operator>>(const QDBusArgument &arg, SNI_PIXMAP &p);
QDBusArgument &operator<<(QDBusArgument &arg, const SNI_TOOL_TIP &t);
const QDBusArgument &operator>>(const QDBusArgument &arg, SNI_TOOL_TIP &t);
QDBusArgument &operator<<(QDBusArgument &arg, const MENU_LAYOUT &m);
const QDBusArgument &operator>>(const QDBusArgument &arg, MENU_LAYOUT &m);
QDBusArgument &operator<<(QDBusArgument &arg, const MENU_PROPERTIES &m);
const QDBusArgument &operator>>(const QDBusArgument &arg, MENU_PROPERTIES &m);
QDBusArgument &operator<<(QDBusArgument &arg, const MENU_EVENT &e);
const QDBusArgument &operator>>(const QDBusArgument &arg, MENU_EVENT &e);

void register_dbus_tray_types();

// When message is a call of org.freedesktop.DBus.Properties, answers it
// from properties (the read-only ones of the object's interface) and
// returns true.
bool answer_properties_call(const QDBusMessage &message, const QDBusConnection &connection,
                            const QString &interface, const std::function<QVariantMap()> &properties);

} // namespace platform

Q_DECLARE_METATYPE(platform::SNI_PIXMAP)
Q_DECLARE_METATYPE(platform::SNI_TOOL_TIP)
Q_DECLARE_METATYPE(platform::MENU_LAYOUT)
Q_DECLARE_METATYPE(platform::MENU_PROPERTIES)
Q_DECLARE_METATYPE(platform::MENU_EVENT)
