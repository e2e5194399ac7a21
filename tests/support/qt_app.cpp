#include "support/qt_app.h"

#include <QApplication>

#include <cstdlib>

void ensure_qt_application(bool offscreen) {
    if (QApplication::instance())
        return;
    if (offscreen || !getenv("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vorkel-test";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
}
