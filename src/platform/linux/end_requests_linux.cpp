#include "platform/end_requests.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// The signal handler may only write to a pipe; the GUI thread reads the
// other end when its event loop sees it readable.
int g_pipe[2] = {-1, -1};
std::function<void()> g_handler;

void on_signal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request that has not been read.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void drain() {
    char bytes[64];
    bool requested = false;
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0)
        requested = true;
    if (requested && g_handler)
        g_handler();
}

} // namespace

void on_end_request(std::function<void()> handler) {
    g_handler = std::move(handler);
    if (g_pipe[0] >= 0)
        return;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        // Without the pipe the signals keep their default action.
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] { drain(); });
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

} // namespace platform
