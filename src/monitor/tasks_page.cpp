#include "monitor/tasks_page.h"

#include "common/flags.h"
#include "common/sfx_mutex.h"
#include "monitor/perf_reader.h"
#include "monitor/process_table.h"
#include "monitor/tasks_grid.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QSettings>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

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

// Sync and snapshot under "task_time_mutex", and a copy of the records.
// False when the refresh has to end without touching the grid.
bool take_table(PROCESS_MAP &copy) {
    SFXLock hold(task_time_mutex());
    try {
        // When the list cannot be read the table keeps its processes;
        // when the snapshot fails they keep their last figures.
        sync_process_table();
        sample_processes(process_table, process_table_clock);
        copy = process_table; // reuses the copy's nodes
        return true;
    } catch (...) {
        return false;
    }
}

const char *const sort_key = "TasksSort";
const char *const descending_key = "TasksSortDescending";
const char *const columns_key = "TasksColumns";
const char *const tree_key = "TasksTree";
const QString width_key_prefix = QStringLiteral("TasksWidth_");

} // namespace

void build_tasks_page(QTabWidget *pages, QWidget *sheet, TTasks_grid *grid, QLineEdit *filter,
                      QLabel *count) {
    filter->setPlaceholderText(QStringLiteral("Filter"));
    filter->setClearButtonEnabled(true);
    filter->setAccessibleName(QStringLiteral("Filter processes"));
    count->setAccessibleName(QStringLiteral("Processes shown"));
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(2, 2, 2, 2);
    bar->addWidget(filter, 1);
    bar->addWidget(count);
    auto *column = new QVBoxLayout(sheet);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(bar);
    column->addWidget(grid, 1);
    QWidget::setTabOrder(filter, grid);

    TTasks_model *model = grid->tasks();
    QObject::connect(filter, &QLineEdit::textChanged, grid, [grid, model](const QString &text) {
        model->set_filter(text);
        if (grid->currentIndex().isValid())
            grid->scrollTo(grid->currentIndex());
    });
    QObject::connect(model, &TTasks_model::counts_changed, count, [count](int shown, int all) {
        count->setText(QStringLiteral("%1 of %2 processes").arg(shown).arg(all));
    });
    auto *find = new QShortcut(QKeySequence::Find, sheet->window());
    QObject::connect(find, &QShortcut::activated, filter, [pages, sheet, filter] {
        if (pages->currentWidget() != sheet)
            return;
        filter->setFocus(Qt::ShortcutFocusReason);
        filter->selectAll();
    });
    grid->tree_action()->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    sheet->addAction(grid->tree_action());
}

bool tasks_filter_escape(QLineEdit *filter) {
    if (filter->window()->focusWidget() != filter || filter->text().isEmpty())
        return false;
    filter->clear();
    return true;
}

void tasks_page_refresh(QTabWidget *pages, QWidget *sheet, TTasks_grid *grid) {
    track_active_page(pages, sheet);
    const bool active = pages->currentWidget() == sheet;
    set_tasks_page_current(active);
    if (!list_visible || !active)
        return;
    static PROCESS_MAP copy; // GUI thread only; kept so its nodes are reused
    if (!take_table(copy))
        return;
    // The model is told after the lock is released: the copy is a
    // finished snapshot, and workers need not wait for the widgets.
    grid->tasks()->set_records(copy, QLocale().decimalPoint());
}

void load_tasks_state(TTasks_grid *grid, QSettings &store) {
    const auto all = task_columns();
    if (store.contains(QLatin1String(columns_key))) {
        const QStringList shown = store.value(QLatin1String(columns_key)).toString().split(QLatin1Char(','));
        for (std::size_t c = 0; c < all.size(); ++c)
            grid->set_column_shown(static_cast<int>(c), shown.contains(QLatin1String(all[c].key)));
    }
    for (std::size_t c = 0; c < all.size(); ++c) {
        if (all[c].ini_key)
            continue;
        bool ok = false;
        const int w = store.value(width_key_prefix + QLatin1String(all[c].key)).toInt(&ok);
        if (ok && w >= 0 && w <= 32767)
            grid->set_column_width(static_cast<int>(c), w);
    }
    const int column = task_column_of_key(store.value(QLatin1String(sort_key)).toString().toStdString());
    if (column >= 0)
        grid->set_sort({column, store.value(QLatin1String(descending_key)).toBool()});
    grid->set_tree(store.value(QLatin1String(tree_key)).toBool());
}

void save_tasks_state(const TTasks_grid *grid, QSettings &store) {
    const TTasks_model *model = grid->tasks();
    const auto all = task_columns();
    QStringList shown;
    for (std::size_t c = 0; c < all.size(); ++c) {
        if (model->column_shown(static_cast<int>(c)))
            shown << QLatin1String(all[c].key);
        if (!all[c].ini_key)
            store.setValue(width_key_prefix + QLatin1String(all[c].key),
                           grid->column_width(static_cast<int>(c)));
    }
    store.setValue(QLatin1String(columns_key), shown.join(QLatin1Char(',')));
    store.setValue(QLatin1String(sort_key),
                   QLatin1String(all[static_cast<std::size_t>(model->sort().column)].key));
    store.setValue(QLatin1String(descending_key), model->sort().descending);
    store.setValue(QLatin1String(tree_key), model->tree());
}
