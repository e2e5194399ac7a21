// Vorkel's entry point: one copy per desktop session (display) and
// executable name; a second copy hands over to the running one and ends
// with code 1.
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/system_info.h"
#include "shell/instance.h"
#include "shell/main_form.h"

#include <QApplication>

#include <exception>

int main(int argc, char **argv) {
    // Programs Vorkel starts get the environment as it came, without what
    // Vorkel sets for itself below.
    platform::keep_received_environment();
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
        QApplication app(argc, argv);
        QApplication::setApplicationName(QString::fromLocal8Bit(default_title(platform::executable_path()).c_str()));
        // No application display name: Qt would append it to every window's
        // title (" — Vorkel"), and each window and box has its own caption.
        QApplication::setQuitOnLastWindowClosed(false);
        try {
            TTM form;
            form.FormCreate();
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
