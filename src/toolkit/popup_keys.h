// Opening a view's popup menu from the keyboard, as a right click on its
// current cell would: the Menu key and Shift+F10.
//
// The Menu key reaches a widget as a context-menu request of keyboard
// origin (the platform turns the key into one); Shift+F10 arrives as a
// plain key press. A view handles both and opens its menu at the point
// given here, so the menu stands by the row it acts on, wherever the mouse
// pointer is.
//
// Threads: GUI thread only.
#pragma once

#include <QPoint>

class QAbstractItemView;
class QKeyEvent;

// Shift+F10 (other modifiers than Shift make it another key).
bool is_popup_key(const QKeyEvent *event);

// Global coordinates for a menu opened from the keyboard: the bottom left
// corner of the current cell, scrolled into view first; of the row's first
// shown cell when the current column is hidden; the view's top left corner
// when no cell is current.
QPoint popup_point_at_current(QAbstractItemView *view);
