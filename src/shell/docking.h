// Snapping of the main window to the edges of the desktop work area.
// Pure arithmetic in screen pixels.
#pragma once

struct WINDOW_POS {
    int x, y, cx, cy; // left, top, width, height of the window's frame
};

struct WORK_AREA {
    int left, top, right, bottom; // right and bottom exclusive
};

constexpr int snap_distance = 10;

// The position the window takes: it snaps to any work-area edge it comes
// within snap_distance of, and a window wider than the area keeps its left
// edge on the area's left edge. Width and height never change.
WINDOW_POS dock_window_pos(WINDOW_POS pos, const WORK_AREA &area);
