#include "platform/session_power.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace platform {

namespace {

// systemd-logind on the system bus. CanPowerOff answers "yes", "no",
// "challenge" (allowed after authentication) or "na"; only a plain "yes"
// counts, as a held privilege does.
//
// The calls are made on the window's thread, so they go straight to the
// known interface (no introspection first, which is a call of its own) and
// give up after a short while: a stalled logind must not freeze the window
// for the bus's default 25 seconds.
class logind_power : public session_power {
public:
    bool may_power_off() override {
        const QDBusMessage reply = call(QStringLiteral("CanPowerOff"), {});
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1 &&
               reply.arguments().constFirst().toString() == QLatin1String("yes");
    }

    bool power_off() override {
        // false: no interactive authentication.
        const QDBusMessage reply = call(QStringLiteral("PowerOff"), {QVariant(false)});
        return reply.type() == QDBusMessage::ReplyMessage;
    }

private:
    static constexpr int call_timeout_ms = 2000;

    static QDBusMessage call(const QString &method, const QList<QVariant> &arguments) {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return {};
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), method);
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, call_timeout_ms);
    }
};

std::unique_ptr<session_power> &slot() {
    static std::unique_ptr<session_power> current;
    return current;
}

} // namespace

session_power &current_session_power() {
    auto &s = slot();
    if (!s)
        s = std::make_unique<logind_power>();
    return *s;
}

void install_session_power(std::unique_ptr<session_power> p) { slot() = std::move(p); }

} // namespace platform
