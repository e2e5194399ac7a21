#include "platform/linux/dbus_menu_export.h"

#include "platform/linux/dbus_tray_types.h"
#include "platform/linux/status_notifier_data.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>

namespace platform {

namespace {

const QString menu_interface = QStringLiteral("com.canonical.dbusmenu");

// The protocol's own properties.
QVariantMap menu_object_properties() {
    return {{QStringLiteral("Version"), QVariant::fromValue(3u)},
            {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
            {QStringLiteral("Status"), QStringLiteral("normal")},
            {QStringLiteral("IconThemePath"), QStringList()}};
}

const TRAY_MENU_ENTRY *find_in(const TRAY_MENU_ENTRY &at, int id) {
    if (at.id == id)
        return &at;
    for (const TRAY_MENU_ENTRY &child : at.children)
        if (const TRAY_MENU_ENTRY *found = find_in(child, id))
            return found;
    return nullptr;
}

template <typename T> T argument(const QDBusMessage &message, int i) {
    const QList<QVariant> args = message.arguments();
    return i < args.size() ? qdbus_cast<T>(args.at(i)) : T();
}

void reply(const QDBusConnection &connection, const QDBusMessage &message, const QList<QVariant> &values) {
    connection.send(message.createReply(values));
}

} // namespace

dbus_menu_export::dbus_menu_export(QString path, ENTRIES entries, CLICKED clicked)
    : path_(std::move(path)), entries_(std::move(entries)), clicked_(std::move(clicked)) {}

bool dbus_menu_export::refresh(bool rebuild, const QDBusConnection &connection) {
    std::vector<TRAY_MENU_ENTRY> now = entries_ ? entries_(rebuild) : std::vector<TRAY_MENU_ENTRY>();
    if (have_entries_ && now == root_.children)
        return false;
    root_.children = std::move(now);
    const bool had = have_entries_;
    have_entries_ = true;
    if (!had)
        return true; // nobody has seen a layout yet
    ++revision_;
    QDBusMessage signal = QDBusMessage::createSignal(path_, menu_interface, QStringLiteral("LayoutUpdated"));
    signal << QVariant::fromValue(revision_) << 0;
    connection.send(signal);
    return true;
}

const TRAY_MENU_ENTRY *dbus_menu_export::find(int id) const { return find_in(root_, id); }

QVariantMap dbus_menu_export::properties_of(const TRAY_MENU_ENTRY *entry, const QStringList &names) const {
    QVariantMap p;
    if (entry == &root_) {
        p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (entry->separator) {
        p.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else {
        p.insert(QStringLiteral("label"), QString::fromStdString(dbus_menu_label(entry->label)));
        if (!entry->icon_png.empty())
            p.insert(QStringLiteral("icon-data"),
                     QByteArray(reinterpret_cast<const char *>(entry->icon_png.data()),
                                static_cast<qsizetype>(entry->icon_png.size())));
        if (!entry->children.empty())
            p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    }
    // Defaults (enabled, visible) are sent only where they do not hold.
    if (!entry->enabled)
        p.insert(QStringLiteral("enabled"), false);
    if (!entry->visible)
        p.insert(QStringLiteral("visible"), false);
    if (!names.isEmpty())
        for (auto it = p.begin(); it != p.end();)
            it = names.contains(it.key()) ? std::next(it) : p.erase(it);
    return p;
}

MENU_LAYOUT dbus_menu_export::layout_of(const TRAY_MENU_ENTRY *entry, int depth,
                                        const QStringList &names) const {
    MENU_LAYOUT out;
    out.id = entry->id;
    out.properties = properties_of(entry, names);
    if (depth != 0)
        for (const TRAY_MENU_ENTRY &child : entry->children)
            out.children.push_back(layout_of(&child, depth < 0 ? -1 : depth - 1, names));
    return out;
}

void dbus_menu_export::chosen(int id, const QString &event) {
    const TRAY_MENU_ENTRY *entry = find(id);
    if (event == QLatin1String("clicked") && entry && entry != &root_ && !entry->separator &&
        entry->enabled && clicked_)
        clicked_(id);
}

bool dbus_menu_export::menu_call(const QDBusMessage &message, const QDBusConnection &connection) {
    const QString member = message.member();
    if (!have_entries_)
        refresh(false, connection);
    if (member == QLatin1String("GetLayout")) {
        const TRAY_MENU_ENTRY *entry = find(argument<int>(message, 0));
        if (!entry) {
            connection.send(
                message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such entry")));
            return true;
        }
        const MENU_LAYOUT layout =
            layout_of(entry, argument<int>(message, 1), argument<QStringList>(message, 2));
        reply(connection, message, {QVariant::fromValue(revision_), QVariant::fromValue(layout)});
    } else if (member == QLatin1String("GetGroupProperties")) {
        const QList<int> ids = argument<QList<int>>(message, 0);
        const QStringList names = argument<QStringList>(message, 1);
        MENU_PROPERTIES_LIST out;
        const auto add = [&](const TRAY_MENU_ENTRY *e) { out.push_back({e->id, properties_of(e, names)}); };
        if (ids.isEmpty()) {
            const std::function<void(const TRAY_MENU_ENTRY &)> all = [&](const TRAY_MENU_ENTRY &e) {
                add(&e);
                for (const TRAY_MENU_ENTRY &c : e.children)
                    all(c);
            };
            all(root_);
        }
        for (int id : ids)
            if (const TRAY_MENU_ENTRY *e = find(id))
                add(e);
        reply(connection, message, {QVariant::fromValue(out)});
    } else if (member == QLatin1String("GetProperty")) {
        const TRAY_MENU_ENTRY *e = find(argument<int>(message, 0));
        const QVariantMap p = e ? properties_of(e, {}) : QVariantMap();
        reply(connection, message,
              {QVariant::fromValue(QDBusVariant(p.value(argument<QString>(message, 1))))});
    } else if (member == QLatin1String("Event")) {
        reply(connection, message, {});
        chosen(argument<int>(message, 0), argument<QString>(message, 1));
    } else if (member == QLatin1String("EventGroup")) {
        const MENU_EVENT_LIST events = argument<MENU_EVENT_LIST>(message, 0);
        QList<int> unknown;
        for (const MENU_EVENT &e : events)
            if (!find(e.id))
                unknown.push_back(e.id);
        reply(connection, message, {QVariant::fromValue(unknown)});
        for (const MENU_EVENT &e : events)
            chosen(e.id, e.event);
    } else if (member == QLatin1String("AboutToShow")) {
        // Only the menu itself is rebuilt; it has no submenus of its own.
        const bool changed = argument<int>(message, 0) == 0 && refresh(true, connection);
        reply(connection, message, {changed});
    } else if (member == QLatin1String("AboutToShowGroup")) {
        const QList<int> ids = argument<QList<int>>(message, 0);
        QList<int> updated, unknown;
        if (ids.contains(0) && refresh(true, connection))
            updated.push_back(0);
        for (int id : ids)
            if (!find(id))
                unknown.push_back(id);
        reply(connection, message, {QVariant::fromValue(updated), QVariant::fromValue(unknown)});
    } else {
        return false;
    }
    return true;
}

bool dbus_menu_export::handleMessage(const QDBusMessage &message, const QDBusConnection &connection) {
    if (answer_properties_call(message, connection, menu_interface, menu_object_properties))
        return true;
    const QString interface = message.interface();
    if (interface.isEmpty() || interface == menu_interface)
        return menu_call(message, connection);
    return false;
}

QString dbus_menu_export::introspect(const QString &) const {
    return QStringLiteral(R"xml(<interface name="com.canonical.dbusmenu">
<property name="Version" type="u" access="read"/>
<property name="TextDirection" type="s" access="read"/>
<property name="Status" type="s" access="read"/>
<property name="IconThemePath" type="as" access="read"/>
<method name="GetLayout"><arg type="i" direction="in"/><arg type="i" direction="in"/><arg type="as" direction="in"/><arg type="u" direction="out"/><arg type="(ia{sv}av)" direction="out"/></method>
<method name="GetGroupProperties"><arg type="ai" direction="in"/><arg type="as" direction="in"/><arg type="a(ia{sv})" direction="out"/></method>
<method name="GetProperty"><arg type="i" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
<method name="Event"><arg type="i" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="in"/><arg type="u" direction="in"/></method>
<method name="EventGroup"><arg type="a(isvu)" direction="in"/><arg type="ai" direction="out"/></method>
<method name="AboutToShow"><arg type="i" direction="in"/><arg type="b" direction="out"/></method>
<method name="AboutToShowGroup"><arg type="ai" direction="in"/><arg type="ai" direction="out"/><arg type="ai" direction="out"/></method>
<signal name="ItemsPropertiesUpdated"><arg type="a(ia{sv})"/><arg type="a(ias)"/></signal>
<signal name="LayoutUpdated"><arg type="u"/><arg type="i"/></signal>
<signal name="ItemActivationRequested"><arg type="i"/><arg type="u"/></signal>
</interface>
)xml");
}

} // namespace platform
