#include "toolkit/system_tray_icon.h"

#include "platform/tray_icon.h"

#include <QApplication>
#include <QStyle>
#include <QToolTip>

TTrayIcon::TTrayIcon(QObject *parent) : QObject(parent) {
    hint_timer_.setSingleShot(true);
    connect(&hint_timer_, &QTimer::timeout, this, [this] {
        if (!tool_tip_.isEmpty())
            QToolTip::showText(pointer_ + QPoint(0, 16), tool_tip_);
    });
}

TTrayIcon::~TTrayIcon() {
    if (shown_)
        platform::tray_icon_hide();
}

void TTrayIcon::show() {
    if (shown_)
        return;
    shown_ = platform::tray_icon_show(QCoreApplication::applicationName().toStdString(),
                                      [this](const platform::TRAY_POINTER_EVENT &e) { pointer_event(e); });
}

void TTrayIcon::hide() {
    if (!shown_)
        return;
    hint_timer_.stop();
    platform::tray_icon_hide();
    shown_ = false;
}

void TTrayIcon::set_picture(const std::uint32_t *argb, int side) { platform::tray_icon_set_picture(argb, side); }

QPoint TTrayIcon::logical(int x, int y) const {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    return QPoint(qRound(x / ratio), qRound(y / ratio));
}

void TTrayIcon::pointer_event(const platform::TRAY_POINTER_EVENT &e) {
    using platform::TRAY_POINTER;
    switch (e.kind) {
    case TRAY_POINTER::enter:
    case TRAY_POINTER::motion:
        pointer_ = logical(e.x, e.y);
        hint_timer_.start(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay));
        return;
    case TRAY_POINTER::leave:
        hint_timer_.stop();
        QToolTip::hideText();
        return;
    case TRAY_POINTER::press:
        hint_timer_.stop();
        QToolTip::hideText();
        if (e.button == 1) {
            const auto interval = static_cast<std::uint32_t>(QApplication::doubleClickInterval());
            if (have_left_press_ && e.time - last_left_press_ <= interval) {
                have_left_press_ = false;
                emit activated(double_click);
            } else {
                have_left_press_ = true;
                last_left_press_ = e.time;
                emit activated(trigger);
            }
        } else if (e.button == 2) {
            emit activated(middle_click);
        }
        return;
    case TRAY_POINTER::release:
        if (e.button == 3) {
            if (menu_)
                menu_->popup(logical(e.x, e.y));
            emit activated(context);
        }
        return;
    }
}
