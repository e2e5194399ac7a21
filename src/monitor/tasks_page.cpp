#include "monitor/tasks_page.h"

#include "common/flags.h"
#include "common/sfx_mutex.h"
#include "monitor/perf_reader.h"
#include "monitor/process_table.h"
#include "monitor/tasks_page_rows.h"
#include "toolkit/grid.h"

#include <QLocale>
#include <QPointer>
#include <QTabWidget>

#include <vector>

namespace {

// Where a row keeps its process, beside the PID cell's text.
constexpr int pid_role = Qt::UserRole;
constexpr int start_time_role = Qt::UserRole + 1;

void set_row_process(TGrid *grid, int row, const PROCESS_KEY &key) {
    grid->set_cell_data(0, row, pid_role, key.pid);
    grid->set_cell_data(0, row, start_time_role, static_cast<qulonglong>(key.start_time));
}

// Workers ask tasks_page_refreshing() from their own threads, where the
// page control must not be read; the active page is mirrored into a flag
// on every page change.
void track_active_page(QTabWidget *pages, QWidget *sheet) {
    static QPointer<QTabWidget> tracked;
    if (tracked == pages)
        return;
    tracked = pages;
    QObject::connect(pages, &QTabWidget::currentChanged, sheet,
                     [pages, sheet] { set_tasks_page_current(pages->currentWidget() == sheet); });
    QObject::connect(pages, &QObject::destroyed, [] { set_tasks_page_current(false); });
}

// Sync, snapshot and texts, all under "task_time_mutex". False when the
// refresh has to end without touching the grid.
bool take_rows(std::vector<TASK_ROW> &rows, std::vector<PROCESS_KEY> &keys) {
    const std::string decimal_point = QLocale().decimalPoint().toStdString();
    SFXLock hold(task_time_mutex());
    try {
        // When the list cannot be read the table keeps its processes;
        // when the snapshot fails they keep their last figures.
        sync_process_table();
        sample_processes(process_table, process_table_clock);
        rows = task_rows(process_table, decimal_point, &keys);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

void tasks_page_refresh(QTabWidget *pages, QWidget *sheet, TGrid *grid) {
    track_active_page(pages, sheet);
    const bool active = pages->currentWidget() == sheet;
    set_tasks_page_current(active);
    if (!list_visible || !active)
        return;

    std::vector<TASK_ROW> rows;
    std::vector<PROCESS_KEY> keys;
    if (!take_rows(rows, keys))
        return;
    // The grid is written after the lock is released: the rows are a
    // finished snapshot, and workers need not wait for the widget.
    const int wanted_rows = rows.empty() ? 2 : static_cast<int>(rows.size()) + 1;
    if (grid->row_count() != wanted_rows)
        grid->set_row_count(wanted_rows);
    if (rows.empty()) {
        for (int c = 0; c < grid->col_count(); ++c)
            grid->set_cell(c, 1, QString());
        set_row_process(grid, 1, {});
        return;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < task_column_count; ++c)
            grid->set_cell(c, static_cast<int>(r) + 1, QString::fromStdString(rows[r][static_cast<std::size_t>(c)]));
        set_row_process(grid, static_cast<int>(r) + 1, keys[r]);
    }
}

PROCESS_KEY tasks_row_process(const TGrid *grid, int row) {
    return {grid->cell_data(0, row, pid_role).toUInt(),
            grid->cell_data(0, row, start_time_role).toULongLong()};
}

Qt::Alignment tasks_page_alignment(int col, int /*row*/) {
    return task_column_right_aligned(col) ? Qt::AlignRight : Qt::AlignLeft;
}
