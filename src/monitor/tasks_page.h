// The "Tasks" page of the main window: the grid pgrid filled from
// process_table (monitor/process_table.h).
//
// Threads: GUI thread only.
#pragma once

#include "monitor/process_key.h"

#include <Qt>

class QTabWidget;
class QWidget;
class TGrid;

// The page refresh behind TTM::task_timerTimer: when the window is shown
// with the page sheet current in pages, syncs and samples process_table
// under "task_time_mutex" and writes one row per process, sorted by name,
// into grid (an empty table gives one empty row), each row keeping the
// process it shows (tasks_row_process). Only cells whose text changed are
// written and the row count changes only when the number of
// processes does, so the grid keeps its scroll position, column widths
// and current row number. A failure ends the refresh quietly.
// The first call also keeps the workers' view of the current page
// (set_tasks_page_current) following pages from then on.
void tasks_page_refresh(QTabWidget *pages, QWidget *sheet, TGrid *grid);

// The process a data row shows, as the refresh that wrote the row saw it
// (id and start time), whatever the table has learnt since; pid 0 for an
// empty row, the Idle row or a row outside the grid.
PROCESS_KEY tasks_row_process(const TGrid *grid, int row);

// TTM::pgridGetAlignment: columns above 1 right-aligned, header included.
Qt::Alignment tasks_page_alignment(int col, int row);
