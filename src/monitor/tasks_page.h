// The "Tasks" page of the main window: the grid pgrid filled from
// process_table (monitor/process_table.h).
//
// Threads: GUI thread only.
#pragma once

#include <Qt>

class TTM;
class TGrid;

// The page refresh behind TTM::task_timerTimer: when the window is shown
// with "Tasks" active, syncs and samples process_table under
// "task_time_mutex" and writes one row per process, sorted by name, into
// form->pgrid (an empty table gives one empty row). Only cells whose text
// changed are written and the row count changes only when the number of
// processes does, so the grid keeps its scroll position, column widths
// and current row number. A failure ends the refresh quietly.
void tasks_page_refresh(TTM *form);

// TTM::pgridGetAlignment: columns above 1 right-aligned, header included.
Qt::Alignment tasks_page_alignment(int col, int row);

// TTM::pgridMouseDown, on the right button: the cell under the pointer
// (col, row as in TGrid::cell; row 0 or col < 0 when the press hit no data
// cell) becomes the grid's current cell before the popup menu opens.
void tasks_page_mouse_down(TGrid *grid, int col, int row);
