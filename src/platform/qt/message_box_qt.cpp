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
        return (flags & 0xF) == MB_YESNO ? IDNO : IDCANCEL; // no GUI: act as if declined
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
    const bool yes_no = (flags & 0xF) == MB_YESNO;
    const QMessageBox::StandardButton first = yes_no ? QMessageBox::Yes : QMessageBox::Ok;
    const QMessageBox::StandardButton second = yes_no ? QMessageBox::No : QMessageBox::Cancel;
    if (yes_no || (flags & 0xF) == MB_OKCANCEL) {
        box.setStandardButtons(first | second);
        box.setDefaultButton((flags & MB_DEFBUTTON2) ? second : first);
        box.setEscapeButton(second);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    // Only a click on OK or Yes (or Enter on it) counts: the box also ends
    // when the program quits while it is open.
    const bool chosen = box.clickedButton() && box.clickedButton() == box.button(first);
    if (yes_no)
        return chosen ? IDYES : IDNO;
    return chosen ? IDOK : IDCANCEL;
}

} // namespace platform
