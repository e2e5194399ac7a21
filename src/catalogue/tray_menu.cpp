#include "catalogue/tray_menu.h"

#include "catalogue/icon_sources.h"
#include "catalogue/icon_store.h"
#include "catalogue/launcher.h"
#include "catalogue/link_map.h"
#include "catalogue/shortcuts_page.h"
#include "catalogue/tray_menu_model.h"
#include "common/file_io.h"
#include "common/options.h"
#include "platform/file_icons.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int own_item_count = 6;

// A caption is at most this many average characters wide, and at most a
// third of the screen; a longer one is cut in its middle, where a path
// says least about the program.
constexpr int max_caption_chars = 60;

// A path shown as a caption: '&' would otherwise mark a shortcut letter.
QString caption_text(const QMenu *menu, const std::string &caption) {
    const QFontMetrics metrics(menu->font());
    int width = metrics.averageCharWidth() * max_caption_chars;
    if (const QScreen *screen = menu->screen())
        width = std::min(width, screen->availableGeometry().width() / 3);
    QString text = metrics.elidedText(path_display_text(caption), Qt::ElideMiddle, width);
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

// The whole path as a tooltip, shown as it is (no line breaks, no markup).
QString path_tooltip(const std::string &path) {
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(path_display_text(path).toHtmlEscaped());
}

// A stored 16 x 16 image, with a copy of doubled pixels for 2x screens
// (sharp rather than blurred).
QIcon stored_picture(const ICON_IMAGE &stored) {
    QImage image = image_from_icon(stored);
    QIcon icon(QPixmap::fromImage(image));
    icon.addPixmap(QPixmap::fromImage(
        image.scaled(2 * icon_side, 2 * icon_side, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    return icon;
}

} // namespace

void tray_menu_popup(const TRAY_MENU_WIDGETS &w, const std::string &store_path) {
    // The programs of the previous opening stand before the own items.
    while (w.menu->actions().size() > own_item_count) {
        QAction *old = w.menu->actions().first();
        w.menu->removeAction(old);
        delete old;
    }
    w.pimages->assign(w.defaultlist->begin(), w.defaultlist->end());

    TRAY_MENU_MODEL model = tray_menu_model(link_map, opt_full_path, opt_own_items);
    menu_path_list.assign(model.paths.begin(), model.paths.end());
    if (!model.items.empty())
        platform::refresh_program_icons();
    // The store is read once per opening; a missing one holds nothing.
    std::string store = model.items.empty() ? std::string() : read_icon_store(store_path);

    for (const TRAY_MENU_ITEM &entry : model.items) {
        auto *item = new QAction(caption_text(w.menu, entry.caption), w.menu);
        item->setToolTip(path_tooltip(entry.path));
        item->setData(entry.tag);
        std::optional<ICON_IMAGE> stored =
            is_script_name(entry.path) ? std::nullopt : find_icon_image(store, entry.path);
        QIcon shell;
        if (!is_script_name(entry.path) && !stored)
            shell = shell_icon(entry.path);
        MENU_IMAGE rule = choose_menu_image(entry.path, stored.has_value(), !shell.isNull());
        if (rule == MENU_IMAGE::script)
            w.pimages->push_back(*w.script);
        else if (rule == MENU_IMAGE::stored)
            w.pimages->push_back(stored_picture(*stored));
        else if (rule == MENU_IMAGE::shell)
            w.pimages->push_back(shell);
        if (rule != MENU_IMAGE::none)
            item->setIcon(w.pimages->back());
        QObject::connect(item, &QAction::triggered, item, [item] { launcher_item_click(item); });
        w.menu->insertAction(w.N4, item);
    }

    w.menu->setToolTipsVisible(true);
    for (QAction *own : {w.N4, w.N1, w.N25, w.N2, w.N14, w.N3})
        own->setVisible(model.own_items_visible);
    w.N27->setVisible(model.grid_settings_visible);
    w.N28->setVisible(model.grid_settings_visible);
    if (model.rename_own_items) {
        w.N3->setText(QStringLiteral("Exit"));
        w.N14->setText(QStringLiteral("Shut down"));
        w.N1->setText(QStringLiteral("Show list"));
    }
}

void prepare_tray_menu_icons() {
    QTimer::singleShot(0, [] {
        platform::refresh_program_icons();
        for (const auto &[path, properties] : link_map)
            if (properties.show_in_menu == 1 && !is_script_name(path))
                shell_icon(path);
    });
}

void launcher_item_click(QAction *item) {
    if (!item)
        return;
    std::optional<std::string> path = menu_path_for_tag(menu_path_list, item->data().toInt());
    if (!path || !path_exists(*path))
        return;
    launch_catalogued_program(*path);
}
