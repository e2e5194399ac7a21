// The login manager calls against a stand-in for systemd-logind on a
// private bus (a dbus-daemon this test starts), never the machine's own.
#include "platform/session_power.h"
#include "support/qt_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

// org.freedesktop.login1.Manager with the two methods Vorkel calls. Lives
// on a thread of its own, so it answers while the test's thread waits.
class fake_login1 : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    std::atomic<bool> stalled{false};
    std::atomic<int> power_offs{0};
    std::atomic<bool> interactive{true};

public slots:
    QString CanPowerOff() {
        // A stalled logind: no answer until released (at most 40 s).
        for (int i = 0; i < 4000 && stalled; ++i)
            std::this_thread::sleep_for(10ms);
        return QStringLiteral("yes");
    }
    void PowerOff(bool allow_interactive) {
        interactive = allow_interactive;
        ++power_offs;
    }
};

// What every other test has: nothing is ever switched off.
struct refusing_power : platform::session_power {
    bool may_power_off() override { return false; }
    bool power_off() override { return false; }
};

class SessionPower : public ::testing::Test {
protected:
    void SetUp() override {
        if (QCoreApplication::instance())
            GTEST_SKIP() << "needs a process of its own (the system bus is chosen once)";
        const std::string folder = test_env::make_temp_dir("bus");
        const std::string address = "unix:path=" + folder + "/system_bus_socket";
        daemon = test_env::child_process({"dbus-daemon", "--session", "--nofork", "--address=" + address});
        ASSERT_TRUE(test_env::wait_until([&] {
            return test_env::file_exists(folder + "/system_bus_socket");
        })) << "dbus-daemon did not start";
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        ensure_qt_application(true);

        thread.start();
        service.moveToThread(&thread);
        QDBusConnection bus =
            QDBusConnection::connectToBus(QString::fromStdString(address), QStringLiteral("logind"));
        ASSERT_TRUE(bus.isConnected());
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &service,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.login1")));
    }
    void TearDown() override {
        platform::install_session_power(std::make_unique<refusing_power>());
        service.stalled = false;
        QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
        thread.quit();
        thread.wait();
    }
    test_env::child_process daemon;
    fake_login1 service;
    QThread thread;
};

} // namespace

TEST_F(SessionPower, AsksLogindDirectlyAndGivesUpSoonWhenItStalls) {
    // Only against the stand-in: the bus Vorkel uses must be this test's.
    QDBusConnectionInterface *system = QDBusConnection::systemBus().interface();
    ASSERT_NE(system, nullptr);
    ASSERT_EQ(system->serviceOwner(QStringLiteral("org.freedesktop.login1")).value(),
              QDBusConnection(QStringLiteral("logind")).baseService());
    platform::install_session_power(nullptr); // the real implementation
    auto &power = platform::current_session_power();
    EXPECT_TRUE(power.may_power_off());
    EXPECT_TRUE(power.power_off());
    EXPECT_TRUE(test_env::wait_until([&] { return service.power_offs == 1; }));
    EXPECT_FALSE(service.interactive) << "no interactive authentication";

    // A logind that does not answer must not hold the window's thread for
    // the bus's default 25 s: no answer is a "no".
    service.stalled = true;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(power.may_power_off());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 6s);
}

#include "session_power_test.moc"
