#include "monitor/one_process_thread.h"

#include "common/refresher_count.h"
#include "monitor/one_process_form.h"
#include "monitor/process_table.h"
#include "monitor/task_columns.h"
#include "platform/process_control.h"

#include <QLocale>
#include <QMetaObject>

#include <cmath>

std::string one_process_cpu_text(double share, std::string_view decimal_point) {
    if (!(share > 0.0)) // also not a number
        share = 0.0;
    if (share > 1.0)
        share = 1.0;
    const long tenths = std::lround(share * 1000.0);
    return std::to_string(tenths / 10) + std::string(decimal_point) + std::to_string(tenths % 10);
}

ONE_PROCESS_ROW one_process_row(const PROCESS_INFO_STRUCT &record, std::string_view decimal_point) {
    // The Tasks page's texts of the designed seven columns, but for CPU,
    // which here is the share of one processor.
    const TASK_RECORD task{record, 0, nullptr};
    const TASK_TEXT_CONTEXT context{decimal_point, 0};
    ONE_PROCESS_ROW row;
    for (std::size_t i = 0; i < row.size(); ++i)
        task_columns()[i].text(task, context, row[i]);
    row[task_cpu_column] = one_process_cpu_text(record.cpu_share, decimal_point);
    return row;
}

void one_process_thread(Tone_process_form *form) {
    const std::string decimal_point = QLocale().decimalPoint().toStdString();
    PROCESS_MAP own; // the private entry, figures kept when a record is missing
    PROCESS_INFO_STRUCT &entry = own[form->watched_pid];
    entry.pid = form->watched_pid;
    bool holds_role = false;
    ONE_PROCESS_ROW shown; // the texts last handed to the window
    while (form->refresh_running) {
        // The table is made current first, so an ended process is noticed
        // in the cycle after it ends.
        if (!holds_role && refresher_count(0) == 0) {
            refresher_count(+1);
            holds_role = true;
        }
        if (holds_role && !tasks_page_refreshing())
            refresh_process_table();
        // Whether the process still runs, read from the table (which the
        // Tasks grid mirrors) in one consistent look under the lock.
        PROCESS_INFO_STRUCT record;
        const bool found = copy_process_info(form->watched_pid, record);
        // A zombie has ended, though the system lists its id until its
        // parent reaps it. It has no memory left: only a record without
        // memory (a zombie, a kernel thread, the Idle pseudo-process, a
        // record not sampled yet) costs a look at the process itself.
        const bool zombie = found && record.working_set == 0 && form->watched_pid != 0 &&
                            !platform::same_process_running(form->watched_pid, form->watched_start_time);
        const bool same = found && !zombie &&
                          (form->watched_start_time == 0 || record.start_time == 0 ||
                           record.start_time == form->watched_start_time);
        if (!same) {
            form->refresh_running = false;
            QMetaObject::invokeMethod(
                form, [form] { form->close(); }, Qt::QueuedConnection);
            break;
        }
        entry = record;
        const ONE_PROCESS_ROW row = one_process_row(entry, decimal_point);
        // Unchanged texts are not handed over: the window's thread is not
        // woken for nothing.
        if (row != shown) {
            shown = row;
            QMetaObject::invokeMethod(
                form, [form, row] { form->show_row(row); }, Qt::QueuedConnection);
        }
        if (form->wait_cycle())
            break;
    }
    if (holds_role)
        refresher_count(-1);
    form->refresh_finished = true;
}
