#include "platform/linux/x11_pump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

namespace platform::x11 {

void attach_to_event_loop() {
    static bool attached = false;
    if (attached || !QCoreApplication::instance())
        return;
    int fd = connection_fd();
    if (fd < 0)
        return;
    attached = true;
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] { dispatch_pending(); });
    if (auto *disp = QAbstractEventDispatcher::instance())
        QObject::connect(disp, &QAbstractEventDispatcher::aboutToBlock, [] { dispatch_queued(); });
}

} // namespace platform::x11
