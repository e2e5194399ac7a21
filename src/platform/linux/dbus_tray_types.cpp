#include "platform/linux/dbus_tray_types.h"

#include <QDBusMetaType>

#include <mutex>

namespace platform {

QDBusArgument &operator<<(QDBusArgument &arg, const SNI_PIXMAP &p) {
    arg.beginStructure();
    arg << p.width << p.height << p.bytes;
    arg.endStructure();
    return arg;
}

const QDBusArgument &operator>>(const QDBusArgument &arg, SNI_PIXMAP &p) {
    arg.beginStructure();
    arg >> p.width >> p.height >> p.bytes;
    arg.endStructure();
    return arg;
}

QDBusArgument &operator<<(QDBusArgument &arg, const SNI_TOOL_TIP &t) {
    arg.beginStructure();
    arg << t.icon_name << t.icon << t.title << t.text;
    arg.endStructure();
    return arg;
}

const QDBusArgument &operator>>(const QDBusArgument &arg, SNI_TOOL_TIP &t) {
    arg.beginStructure();
    arg >> t.icon_name >> t.icon >> t.title >> t.text;
    arg.endStructure();
    return arg;
}

QDBusArgument &operator<<(QDBusArgument &arg, const MENU_LAYOUT &m) {
    arg.beginStructure();
    arg << m.id << m.properties;
    arg.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const MENU_LAYOUT &child : m.children)
        arg << QDBusVariant(QVariant::fromValue(child));
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument &operator>>(const QDBusArgument &arg, MENU_LAYOUT &m) {
    arg.beginStructure();
    arg >> m.id >> m.properties;
    m.children.clear();
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant v;
        arg >> v;
        // A child arrives as a variant holding the demarshalled structure.
        const QVariant inner = v.variant();
        MENU_LAYOUT child;
        if (inner.canConvert<QDBusArgument>())
            inner.value<QDBusArgument>() >> child;
        else
            child = inner.value<MENU_LAYOUT>();
        m.children.push_back(child);
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument &operator<<(QDBusArgument &arg, const MENU_PROPERTIES &m) {
    arg.beginStructure();
    arg << m.id << m.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument &operator>>(const QDBusArgument &arg, MENU_PROPERTIES &m) {
    arg.beginStructure();
    arg >> m.id >> m.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument &operator<<(QDBusArgument &arg, const MENU_EVENT &e) {
    arg.beginStructure();
    arg << e.id << e.event << e.data << e.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument &operator>>(const QDBusArgument &arg, MENU_EVENT &e) {
    arg.beginStructure();
    arg >> e.id >> e.event >> e.data >> e.timestamp;
    arg.endStructure();
    return arg;
}

bool answer_properties_call(const QDBusMessage &message, const QDBusConnection &connection,
                            const QString &interface, const std::function<QVariantMap()> &properties) {
    if (message.interface() != QLatin1String("org.freedesktop.DBus.Properties"))
        return false;
    const QList<QVariant> args = message.arguments();
    // Other interfaces have no properties here.
    const QVariantMap all = args.value(0).toString() == interface ? properties() : QVariantMap();
    const QString name = args.value(1).toString();
    if (message.member() == QLatin1String("GetAll"))
        connection.send(message.createReply(QVariant(all)));
    else if (message.member() == QLatin1String("Get") && all.contains(name))
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(all.value(name)))));
    else
        connection.send(
            message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("read-only or unknown")));
    return true;
}

void register_dbus_tray_types() {
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<SNI_PIXMAP>();
        qDBusRegisterMetaType<SNI_PIXMAP_LIST>();
        qDBusRegisterMetaType<SNI_TOOL_TIP>();
        qDBusRegisterMetaType<MENU_LAYOUT>();
        qDBusRegisterMetaType<MENU_PROPERTIES>();
        qDBusRegisterMetaType<MENU_PROPERTIES_LIST>();
        qDBusRegisterMetaType<MENU_EVENT>();
        qDBusRegisterMetaType<MENU_EVENT_LIST>();
    });
}

} // namespace platform
