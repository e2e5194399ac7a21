#include "platform/session_power.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace platform {

namespace {

// systemd-logind on the system bus. CanPowerOff answers "yes", "no",
// "challenge" (allowed after authentication) or "na"; only a plain "yes"
// counts, as a held privilege does.
class logind_power : public session_power {
public:
    bool may_power_off() override {
        QDBusInterface mgr(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
        if (!mgr.isValid())
            return false;
        QDBusReply<QString> answer = mgr.call(QStringLiteral("CanPowerOff"));
        return answer.isValid() && answer.value() == QLatin1String("yes");
    }

    bool power_off() override {
        QDBusInterface mgr(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
        if (!mgr.isValid())
            return false;
        QDBusMessage reply = mgr.call(QStringLiteral("PowerOff"), false);
        return reply.type() != QDBusMessage::ErrorMessage;
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
