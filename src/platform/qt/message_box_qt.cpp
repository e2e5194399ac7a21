#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {
message_box_handler g_handler;
}

message_box_handler set_message_box_handler(message_box_handler h) {
    auto old = std::move(g_handler);
    g_handler = std::move(h);
    return old;
}

int message_box(const std::string &text, const std::string &caption, unsigned flags) {
    return message_box(nullptr, text, caption, flags);
}

int message_box(QWidget *owner, const std::string &text, const std::string &caption, unsigned flags) {
    if (g_handler)
        return g_handler(text, caption, flags);
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return IDCANCEL; // no GUI: nothing to ask, act as if declined
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromLocal8Bit(caption.c_str()));
    box.setText(QString::fromLocal8Bit(text.c_str()));
    switch (flags & 0xF0) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    if ((flags & 0xF) == MB_OKCANCEL) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    // Only a click on OK (or Enter on it) is an OK: the box also ends when
    // the program quits while it is open.
    return box.clickedButton() && box.clickedButton() == box.button(QMessageBox::Ok) ? IDOK : IDCANCEL;
}

} // namespace platform
