// The "Tasks" page of the main window: the filter box with its count of
// processes above the grid pgrid, which shows process_table
// (monitor/process_table.h) through its model.
//
// Threads: GUI thread only.
#pragma once

class QLabel;
class QLineEdit;
class QSettings;
class QTabWidget;
class QWidget;
class TTasks_grid;

// Lays the page out: the filter box (filter) and the count ("12 of 330
// processes", count) in a row above the grid. Typing in the box narrows
// the rows; Ctrl+F, anywhere in the window while the page is shown,
// focuses it; Ctrl+T on the page switches the tree.
void build_tasks_page(QTabWidget *pages, QWidget *sheet, TTasks_grid *grid, QLineEdit *filter, QLabel *count);

// Esc in the window: when the filter box has the focus and holds text, it
// is emptied and true returned (the window stays); otherwise false.
bool tasks_filter_escape(QLineEdit *filter);

// The page refresh behind TTM::task_timerTimer: when the window is shown
// with the page sheet current in pages, syncs and samples process_table
// under "task_time_mutex" and hands a copy of its records to the grid's
// model, after the lock is released. A failure ends the refresh quietly.
// The first call also keeps the workers' view of the current page
// (set_tasks_page_current) following pages from then on.
void tasks_page_refresh(QTabWidget *pages, QWidget *sheet, TTasks_grid *grid);

// The grid's state kept with the window's (store opened at the window's
// section): the sort, the columns shown, the tree, and the widths of the
// columns that vorkel.ini does not hold. Values that are missing or not
// understood leave the designed state.
void load_tasks_state(TTasks_grid *grid, QSettings &store);
void save_tasks_state(const TTasks_grid *grid, QSettings &store);
