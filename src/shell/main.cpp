// Vorkel's entry point: one copy per desktop session (display) and
// executable name; a second copy hands over to the running one and ends
// with code 1.
#include "platform/display.h"
#include "platform/end_requests.h"
#include "platform/heap.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/system_info.h"
#include "platform/tray_icon.h"
#include "shell/app_icon.h"
#include "shell/instance.h"
#include "shell/main_form.h"
#include "shell/start_options.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

namespace {

std::string env_text(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

} // namespace

int main(int argc, char **argv) {
    // Programs Vorkel starts get the environment as it came, without what
    // Vorkel sets for itself below.
    platform::keep_received_environment();
    // "--version", "--help" and a missing display are answered before
    // anything else starts: no lock, no data folder, no toolkit.
    const START_DECISION start =
        decide_start(std::vector<std::string>(argv, argv + argc),
                     {env_text("QT_QPA_PLATFORM"), env_text("WAYLAND_DISPLAY"), env_text("DISPLAY")},
                     platform::display_available);
    if (start.exit_now) {
        std::fputs(start.out_text.c_str(), stdout);
        std::fputs(start.err_text.c_str(), stderr);
        return start.exit_code;
    }
    // The application object may keep pointers into its arguments for the
    // whole run.
    std::vector<std::string> qt_arguments = start.qt_arguments;
    std::vector<char *> qt_argv;
    for (std::string &a : qt_arguments)
        qt_argv.push_back(a.data());
    qt_argv.push_back(nullptr);
    int qt_argc = static_cast<int>(qt_arguments.size());
    try {
        // The messages first, then the instance test, before any window.
        register_messages();
        if (!is_first_instance()) {
            // The running copy shows its window.
            platform::broadcast_message(get_activate_msg());
            return 1;
        }
        // The program lives in the tray: the main window starts hidden and
        // closing it must not end the program.
        // The window's repaints are small (status bar ten times a second,
        // the Tasks grid once a second). Through shared memory each one
        // first waits for the X server to finish the last (a round trip);
        // sent as image data they cost one write. A user's own setting wins.
        if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
            qputenv("QT_XCB_NO_MITSHM", "1");
        QApplication app(qt_argc, qt_argv.data());
        QApplication::setApplicationName(QString::fromLocal8Bit(default_title(platform::executable_path()).c_str()));
        // No application display name: Qt would append it to every window's
        // title (" — Vorkel"), and each window and box has its own caption.
        QApplication::setQuitOnLastWindowClosed(false);
        const QIcon icon = vorkel_icon();
        QApplication::setWindowIcon(icon);
        platform::tray_icon_set_window_icon(icon_argb_images(icon, {16, 32, 48}));
        try {
            // A logout or a service manager's signal ends Vorkel as "Exit"
            // would, so nothing it keeps is lost; one that comes while the
            // window is built is answered once the event loop runs.
            platform::on_end_request([] {
                if (TM)
                    TM->end_session();
            });
            TTM form;
            form.FormCreate();
            // Once a minute the pages of freed heap memory go back to the
            // system, so that weeks in the tray do not creep upward.
            QTimer heap_timer;
            heap_timer.setTimerType(Qt::VeryCoarseTimer);
            QObject::connect(&heap_timer, &QTimer::timeout, [] { platform::release_free_heap(); });
            heap_timer.start(60 * 1000);
            app.exec();
        } catch (const std::exception &e) {
            platform::message_box(e.what(), "Vorkel", platform::MB_OK | platform::MB_ICONERROR);
        }
        return 0;
    } catch (const std::exception &) {
        // Before the application object there is no box to show.
        return 0;
    }
}
