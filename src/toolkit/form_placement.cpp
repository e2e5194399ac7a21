#include "toolkit/form_placement.h"

#include "platform/registry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

bool TFormPlacement::restore(QWidget *w) const {
    auto store = platform::open_user_key(key_);
    store->beginGroup(section_);
    bool ok_x = false, ok_y = false, ok_w = false, ok_h = false;
    int x = store->value(QStringLiteral("Left")).toInt(&ok_x);
    int y = store->value(QStringLiteral("Top")).toInt(&ok_y);
    int width = store->value(QStringLiteral("Width")).toInt(&ok_w);
    int height = store->value(QStringLiteral("Height")).toInt(&ok_h);
    store->endGroup();
    if (!(ok_x && ok_y && ok_w && ok_h) || width <= 0 || height <= 0)
        return false;
    QRect r(x, y, width, height);
    r.setSize(r.size().expandedTo(w->minimumSize()));
    bool visible = false;
    for (QScreen *s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(r))
            visible = true;
    if (!visible) {
        if (QScreen *s = QGuiApplication::primaryScreen()) {
            QRect area = s->availableGeometry();
            r.moveTo(area.topLeft());
        }
    }
    w->resize(r.size());
    w->move(r.topLeft());
    return true;
}

void TFormPlacement::save(const QWidget *w) const {
    auto store = platform::open_user_key(key_);
    store->beginGroup(section_);
    QRect r = w->geometry();
    QPoint frame_pos = w->pos();
    store->setValue(QStringLiteral("Left"), frame_pos.x());
    store->setValue(QStringLiteral("Top"), frame_pos.y());
    store->setValue(QStringLiteral("Width"), r.width());
    store->setValue(QStringLiteral("Height"), r.height());
    store->endGroup();
    store->sync();
}
