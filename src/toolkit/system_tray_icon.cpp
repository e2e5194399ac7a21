#include "toolkit/system_tray_icon.h"

#include "platform/tray_icon.h"

#include <QApplication>
#include <QBuffer>
#include <QPixmap>
#include <QStyle>
#include <QToolTip>

namespace {

// The property that keeps an action's id in the exported menu.
const char *const menu_id_property = "tray_menu_id";

} // namespace

TTrayIcon::TTrayIcon(QObject *parent) : QObject(parent) {
    hint_timer_.setSingleShot(true);
    connect(&hint_timer_, &QTimer::timeout, this, [this] {
        if (!tool_tip_.isEmpty())
            QToolTip::showText(pointer_ + QPoint(0, 16), tool_tip_);
    });
}

TTrayIcon::~TTrayIcon() {
    // The owner is going away too: it hears nothing more.
    blockSignals(true);
    hide();
}

void TTrayIcon::show() {
    if (shown_)
        return;
    shown_ = true;
    platform::tray_icon_set_tray_handler([this](bool) { update_host(); });
    platform::STATUS_NOTIFIER_HANDLERS h;
    h.registered = [this](bool on) { item_registered(on); };
    h.activate = [this](int, int) { emit activated(double_click); };
    h.secondary_activate = [this](int, int) { emit activated(middle_click); };
    h.context_menu = [this](int x, int y) { popup_at(x, y); };
    h.menu_entries = [this](bool rebuild) { return menu_entries(rebuild); };
    h.menu_clicked = [this](int id) { menu_clicked(id); };
    const std::string name = QCoreApplication::applicationName().toStdString();
    item_started_ = platform::status_notifier_start(name.empty() ? "vorkel" : name, tool_tip_.toStdString(),
                                                    std::move(h));
    // With a session bus the first answer about a watcher decides the kind;
    // without one the icon is an XEmbed one from the start.
    if (!item_started_)
        show_xembed();
}

void TTrayIcon::hide() {
    if (!shown_)
        return;
    hint_timer_.stop();
    if (item_started_)
        platform::status_notifier_stop();
    item_started_ = false;
    item_registered_ = false;
    platform::tray_icon_set_tray_handler(nullptr);
    platform::tray_icon_hide();
    xembed_shown_ = false;
    shown_ = false;
    update_host();
}

void TTrayIcon::show_xembed() {
    if (xembed_shown_)
        return;
    xembed_shown_ =
        platform::tray_icon_show(QCoreApplication::applicationName().toStdString(),
                                 [this](const platform::TRAY_POINTER_EVENT &e) { pointer_event(e); });
    update_host();
}

void TTrayIcon::item_registered(bool on) {
    item_registered_ = on;
    if (on) {
        // One icon at a time: the item replaces the XEmbed icon.
        hint_timer_.stop();
        platform::tray_icon_hide();
        xembed_shown_ = false;
        update_host();
    } else {
        show_xembed();
        update_host();
    }
}

void TTrayIcon::update_host() {
    const bool present =
        shown_ && (item_registered_ || (xembed_shown_ && platform::tray_icon_tray_present()));
    if (present == host_present_)
        return;
    host_present_ = present;
    emit host_changed(present);
}

void TTrayIcon::setToolTip(const QString &text) {
    tool_tip_ = text;
    if (item_started_)
        platform::status_notifier_set_tool_tip(text.toStdString());
}

void TTrayIcon::set_picture(const std::uint32_t *argb, int side) {
    platform::tray_icon_set_picture(argb, side);
    platform::status_notifier_set_picture(argb, side);
}

void TTrayIcon::popup_at(int x, int y) {
    if (menu_)
        menu_->popup(logical(x, y));
    emit activated(context);
}

std::vector<platform::TRAY_MENU_ENTRY> TTrayIcon::menu_entries(bool rebuild) {
    if (!menu_)
        return {};
    if (rebuild)
        emit menu_->aboutToShow();
    menu_ids_.clear();
    // Icons no longer in the menu are dropped with the previous map.
    std::map<qint64, std::vector<std::uint8_t>> previous;
    previous.swap(icon_png_);
    return entries_of(menu_, previous);
}

std::vector<platform::TRAY_MENU_ENTRY>
TTrayIcon::entries_of(QMenu *menu, std::map<qint64, std::vector<std::uint8_t>> &previous) {
    std::vector<platform::TRAY_MENU_ENTRY> out;
    for (QAction *a : menu->actions()) {
        platform::TRAY_MENU_ENTRY e;
        QVariant id = a->property(menu_id_property);
        if (!id.isValid()) {
            id = next_menu_id_++;
            a->setProperty(menu_id_property, id);
        }
        e.id = id.toInt();
        menu_ids_[e.id] = a;
        e.separator = a->isSeparator();
        e.enabled = a->isEnabled();
        e.visible = a->isVisible();
        e.label = a->text().toStdString();
        if (!e.separator && !a->icon().isNull()) {
            const qint64 key = a->icon().cacheKey();
            auto known = icon_png_.find(key);
            if (known == icon_png_.end()) {
                std::vector<std::uint8_t> png;
                if (auto old = previous.find(key); old != previous.end()) {
                    png = std::move(old->second);
                } else {
                    QByteArray bytes;
                    QBuffer buffer(&bytes);
                    buffer.open(QIODevice::WriteOnly);
                    a->icon().pixmap(16, 16).save(&buffer, "PNG");
                    png.assign(bytes.begin(), bytes.end());
                }
                known = icon_png_.emplace(key, std::move(png)).first;
            }
            e.icon_png = known->second;
        }
        if (QMenu *sub = a->menu())
            e.children = entries_of(sub, previous);
        out.push_back(std::move(e));
    }
    return out;
}

void TTrayIcon::menu_clicked(int id) {
    auto found = menu_ids_.find(id);
    if (found == menu_ids_.end())
        return;
    // After the host's call has been answered: the command may open a
    // dialog and run an event loop of its own.
    QMetaObject::invokeMethod(
        this,
        [action = found->second] {
            if (action && action->isEnabled())
                action->trigger();
        },
        Qt::QueuedConnection);
}

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
