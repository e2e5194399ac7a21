#include "shell/docking.h"

WINDOW_POS dock_window_pos(WINDOW_POS p, const WORK_AREA &a) {
    if (a.left + snap_distance >= p.x)
        p.x = a.left;
    if (p.x + p.cx >= a.right - snap_distance)
        p.x = a.right - p.cx;
    if (a.top + snap_distance >= p.y)
        p.y = a.top;
    if (p.y + p.cy >= a.bottom - snap_distance)
        p.y = a.bottom - p.cy;
    if (p.x < a.left)
        p.x = a.left;
    return p;
}
