// Requests from outside to end the program: the signals a logout, a
// service manager or a terminal sends (SIGTERM, SIGHUP, SIGINT).
//
// on_end_request(handler): from then on such a signal no longer ends the
// process at once; handler runs instead, on the GUI thread from its event
// loop (never inside the signal handler), after each such signal (signals
// that arrive together may run it once). The signals' dispositions are
// process-wide; programs Vorkel starts get the default ones back when
// they execute. A later call replaces the handler.
//
// Threads: call on the GUI thread once a QCoreApplication exists.
#pragma once

#include <functional>

namespace platform {

void on_end_request(std::function<void()> handler);

} // namespace platform
