// The StatusNotifierItem over QtDBus.
//
// Three parts: the item object (/StatusNotifierItem), which answers the
// host's questions on a thread of its own from the picture kept under
// `picture_guard`; the exported menu (/MenuBar, dbus_menu_export.h) on the
// GUI thread; and the registrar on the GUI thread, which follows the
// watcher's name on the bus and registers the item with each watcher that
// has a host.
//
// A new picture is kept by the thread that sets it, which also sends the
// NewIcon signal; the host then reads the pixmaps from the item's thread,
// which makes them from the kept picture once per picture. Without a host
// nothing is made: the meter's picture changes most cycles. The GUI thread
// is not involved.
#include "platform/status_notifier.h"

#include "platform/linux/dbus_menu_export.h"
#include "platform/linux/dbus_tray_types.h"
#include "platform/linux/status_notifier_data.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>

#include <unistd.h>

namespace platform {

namespace {

const QString item_path = QStringLiteral("/StatusNotifierItem");
const QString menu_path = QStringLiteral("/MenuBar");
const QString item_interface = QStringLiteral("org.kde.StatusNotifierItem");
const QString watcher_service = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcher_path = QStringLiteral("/StatusNotifierWatcher");
const QString watcher_interface = QStringLiteral("org.kde.StatusNotifierWatcher");
// Replies that take longer count as no answer: the XEmbed icon shows.
constexpr int call_timeout_ms = 2000;
// Hosts pick the pixmap nearest the size they draw; whole multiples of
// the picture keep the meter's pixels sharp there.
constexpr int pixmap_scales[] = {1, 2, 3};

// What the item shows, shared by the threads under picture_guard.
struct ITEM_STATE {
    std::vector<std::uint32_t> picture;
    int side = 0;
    SNI_PIXMAP_LIST pixmaps; // of picture, made when first asked for
    bool pixmaps_current = false;
    QString id, title, tool_tip;
    bool announce = false; // registered: hosts are told of changes
};
std::mutex picture_guard;
ITEM_STATE state;

QDBusConnection bus() { return QDBusConnection::sessionBus(); }

void send_item_signal(const QString &name) {
    bus().send(QDBusMessage::createSignal(item_path, item_interface, name));
}

// The pixmaps of state.picture, made anew only after it changed. Caller
// holds picture_guard.
const SNI_PIXMAP_LIST &current_pixmaps_locked() {
    if (!state.pixmaps_current) {
        state.pixmaps.clear();
        if (state.side > 0)
            for (int scale : pixmap_scales) {
                const std::vector<std::uint8_t> bytes =
                    status_notifier_pixmap(state.picture.data(), state.side, scale);
                state.pixmaps.push_back({state.side * scale, state.side * scale,
                                         QByteArray(reinterpret_cast<const char *>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()))});
            }
        state.pixmaps_current = true;
    }
    return state.pixmaps;
}

// The item's properties as the host reads them.
QVariantMap item_properties() {
    std::lock_guard<std::mutex> hold(picture_guard);
    SNI_TOOL_TIP tip;
    tip.title = state.tool_tip;
    return {{QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
            {QStringLiteral("Id"), state.id},
            {QStringLiteral("Title"), state.title},
            {QStringLiteral("Status"), QStringLiteral("Active")},
            {QStringLiteral("WindowId"), 0},
            {QStringLiteral("IconName"), QString()},
            {QStringLiteral("IconPixmap"), QVariant::fromValue(current_pixmaps_locked())},
            {QStringLiteral("OverlayIconName"), QString()},
            {QStringLiteral("OverlayIconPixmap"), QVariant::fromValue(SNI_PIXMAP_LIST())},
            {QStringLiteral("AttentionIconName"), QString()},
            {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(SNI_PIXMAP_LIST())},
            {QStringLiteral("AttentionMovieName"), QString()},
            {QStringLiteral("ToolTip"), QVariant::fromValue(tip)},
            {QStringLiteral("ItemIsMenu"), false},
            {QStringLiteral("Menu"), QVariant::fromValue(QDBusObjectPath(menu_path))}};
}

class registrar;

// The item object; lives on its own thread.
class item_object : public QDBusVirtualObject {
public:
    explicit item_object(registrar *owner) : owner_(owner) {}
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &) const override;

private:
    registrar *owner_; // GUI thread; outlives this object
};

// Follows the watcher and registers the item; GUI thread.
class registrar : public QObject {
    Q_OBJECT
public:
    explicit registrar(STATUS_NOTIFIER_HANDLERS handlers) : handlers_(std::move(handlers)) {}
    ~registrar() override;

    bool start();
    bool registered() const { return registered_; }
    const STATUS_NOTIFIER_HANDLERS &handlers() const { return handlers_; }

public slots:
    // Asks the watcher, if any, whether a host runs, then registers.
    void check();

private:
    void set_registered(bool on);
    void register_item(unsigned generation);

    STATUS_NOTIFIER_HANDLERS handlers_;
    QString service_;
    QThread item_thread_;
    std::unique_ptr<item_object> item_;
    std::unique_ptr<dbus_menu_export> menu_;
    QDBusServiceWatcher *watcher_ = nullptr;
    unsigned generation_ = 0; // replies of an older check are dropped
    bool registered_ = false;
    bool answered_ = false;
};

std::unique_ptr<registrar> running;

bool item_object::handleMessage(const QDBusMessage &message, const QDBusConnection &connection) {
    if (answer_properties_call(message, connection, item_interface, item_properties))
        return true;
    const QString interface = message.interface();
    const QList<QVariant> args = message.arguments();
    if (!interface.isEmpty() && interface != item_interface)
        return false;
    const QString member = message.member();
    using HANDLER = std::function<void(int, int)> STATUS_NOTIFIER_HANDLERS::*;
    HANDLER handler = nullptr;
    if (member == QLatin1String("Activate"))
        handler = &STATUS_NOTIFIER_HANDLERS::activate;
    else if (member == QLatin1String("SecondaryActivate"))
        handler = &STATUS_NOTIFIER_HANDLERS::secondary_activate;
    else if (member == QLatin1String("ContextMenu"))
        handler = &STATUS_NOTIFIER_HANDLERS::context_menu;
    else if (member != QLatin1String("Scroll") && member != QLatin1String("ProvideXdgActivationToken"))
        return false;
    connection.send(message.createReply());
    if (handler) {
        const int x = args.value(0).toInt(), y = args.value(1).toInt();
        registrar *owner = owner_;
        // On the GUI thread; dropped when the registrar is gone.
        QMetaObject::invokeMethod(
            owner,
            [owner, handler, x, y] {
                if (const auto &h = owner->handlers().*handler)
                    h(x, y);
            },
            Qt::QueuedConnection);
    }
    return true;
}

QString item_object::introspect(const QString &) const {
    return QStringLiteral(R"xml(<interface name="org.kde.StatusNotifierItem">
<property name="Category" type="s" access="read"/>
<property name="Id" type="s" access="read"/>
<property name="Title" type="s" access="read"/>
<property name="Status" type="s" access="read"/>
<property name="WindowId" type="i" access="read"/>
<property name="IconName" type="s" access="read"/>
<property name="IconPixmap" type="a(iiay)" access="read"/>
<property name="OverlayIconName" type="s" access="read"/>
<property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
<property name="AttentionIconName" type="s" access="read"/>
<property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
<property name="AttentionMovieName" type="s" access="read"/>
<property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
<property name="ItemIsMenu" type="b" access="read"/>
<property name="Menu" type="o" access="read"/>
<method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
<method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
<method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
<method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
<signal name="NewTitle"/>
<signal name="NewIcon"/>
<signal name="NewAttentionIcon"/>
<signal name="NewOverlayIcon"/>
<signal name="NewToolTip"/>
<signal name="NewStatus"><arg name="status" type="s"/></signal>
</interface>
)xml");
}

bool registrar::start() {
    QDBusConnection b = bus();
    if (!b.isConnected())
        return false;
    register_dbus_tray_types();
    // One name per process, as watchers and hosts expect of items.
    service_ = QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(getpid());
    if (!b.registerService(service_))
        service_ = b.baseService();
    item_ = std::make_unique<item_object>(this);
    item_->moveToThread(&item_thread_);
    item_thread_.setObjectName(QStringLiteral("tray item"));
    item_thread_.start();
    menu_ = std::make_unique<dbus_menu_export>(menu_path, handlers_.menu_entries, handlers_.menu_clicked);
    b.registerVirtualObject(item_path, item_.get());
    b.registerVirtualObject(menu_path, menu_.get());
    watcher_ = new QDBusServiceWatcher(watcher_service, b, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { check(); });
    b.connect(watcher_service, watcher_path, watcher_interface,
              QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
    b.connect(watcher_service, watcher_path, watcher_interface,
              QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(check()));
    check();
    return true;
}

registrar::~registrar() {
    QDBusConnection b = bus();
    {
        std::lock_guard<std::mutex> hold(picture_guard);
        state.announce = false;
    }
    b.disconnect(watcher_service, watcher_path, watcher_interface,
                 QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
    b.disconnect(watcher_service, watcher_path, watcher_interface,
                 QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(check()));
    b.unregisterObject(item_path);
    b.unregisterObject(menu_path);
    if (service_ != b.baseService())
        b.unregisterService(service_);
    item_thread_.quit();
    item_thread_.wait();
}

void registrar::check() {
    const unsigned generation = ++generation_;
    QDBusMessage ask = QDBusMessage::createMethodCall(watcher_service, watcher_path,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    ask << watcher_interface << QStringLiteral("IsStatusNotifierHostRegistered");
    auto *call = new QDBusPendingCallWatcher(bus().asyncCall(ask, call_timeout_ms), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, generation] {
        call->deleteLater();
        if (generation != generation_)
            return;
        const QDBusPendingReply<QDBusVariant> reply = *call;
        // No watcher, or one without a host: nothing would show the item.
        if (reply.isError() || !reply.value().variant().toBool())
            set_registered(false);
        else
            register_item(generation);
    });
}

void registrar::register_item(unsigned generation) {
    QDBusMessage call = QDBusMessage::createMethodCall(watcher_service, watcher_path, watcher_interface,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << service_;
    auto *pending = new QDBusPendingCallWatcher(bus().asyncCall(call, call_timeout_ms), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, generation] {
        pending->deleteLater();
        if (generation == generation_)
            set_registered(!pending->isError());
    });
}

void registrar::set_registered(bool on) {
    {
        std::lock_guard<std::mutex> hold(picture_guard);
        state.announce = on;
    }
    if (on == registered_ && answered_)
        return;
    registered_ = on;
    answered_ = true;
    if (handlers_.registered)
        handlers_.registered(on);
}

} // namespace

bool status_notifier_start(const std::string &app_name, const std::string &title,
                           STATUS_NOTIFIER_HANDLERS handlers) {
    if (running)
        return true;
    if (!QCoreApplication::instance())
        return false;
    {
        std::lock_guard<std::mutex> hold(picture_guard);
        state.id = QString::fromStdString(app_name);
        state.title = QString::fromStdString(title);
        if (state.tool_tip.isEmpty())
            state.tool_tip = state.title;
    }
    auto r = std::make_unique<registrar>(std::move(handlers));
    if (!r->start())
        return false;
    running = std::move(r);
    return true;
}

void status_notifier_stop() { running.reset(); }

bool status_notifier_registered() { return running && running->registered(); }

void status_notifier_set_picture(const std::uint32_t *argb, int side) {
    if (!argb || side <= 0 || side > 256)
        return;
    bool announce = false;
    {
        std::lock_guard<std::mutex> hold(picture_guard);
        if (side == state.side && std::equal(argb, argb + side * side, state.picture.begin()))
            return;
        state.picture.assign(argb, argb + side * side);
        state.side = side;
        state.pixmaps_current = false;
        announce = state.announce;
    }
    if (announce)
        send_item_signal(QStringLiteral("NewIcon"));
}

void status_notifier_set_tool_tip(const std::string &text) {
    bool announce = false;
    {
        std::lock_guard<std::mutex> hold(picture_guard);
        const QString t = QString::fromStdString(text);
        if (t == state.tool_tip)
            return;
        state.tool_tip = t;
        announce = state.announce;
    }
    if (announce)
        send_item_signal(QStringLiteral("NewToolTip"));
}

} // namespace platform

#include "status_notifier_dbus.moc"
