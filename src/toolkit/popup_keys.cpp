#include "toolkit/popup_keys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

#include <algorithm>

bool is_popup_key(const QKeyEvent *event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    return event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier;
}

QPoint popup_point_at_current(QAbstractItemView *view) {
    QWidget *port = view->viewport();
    const QModelIndex current = view->currentIndex();
    if (!current.isValid())
        return port->mapToGlobal(QPoint(0, 0));
    view->scrollTo(current);
    QRect cell = view->visualRect(current);
    for (int col = 0; cell.isEmpty() && col < view->model()->columnCount(current.parent()); ++col)
        cell = view->visualRect(current.siblingAtColumn(col));
    if (cell.isEmpty())
        return port->mapToGlobal(QPoint(0, 0));
    // Inside the viewport, so the menu never opens over the header or
    // beyond the view's edge when the cell is wider than what shows.
    const QPoint corner(std::clamp(cell.left(), 0, std::max(0, port->width() - 1)),
                        std::clamp(cell.bottom(), 0, std::max(0, port->height() - 1)));
    return port->mapToGlobal(corner);
}
