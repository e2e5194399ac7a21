#include "monitor/tasks_grid.h"

#include "toolkit/popup_keys.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

// Names of this many characters fit the Name column from the start.
constexpr int whole_name_characters = 24;
// Room the style takes beside a cell's text.
constexpr int cell_margin = 8;

} // namespace

TTasks_grid::TTasks_grid(int design_row_height, QWidget *parent)
    : QTableView(parent), model_(new TTasks_model(this)), widths_(task_column_count, 0) {
    setModel(model_);
    setAccessibleName(QStringLiteral("Processes"));
    // Assistive technology keeps a cell's object by its place and the cell
    // follows its process: after a new order a place would read another
    // process. Its cache is dropped then (only while something listens).
    connect(model_, &TTasks_model::rows_moved, this, [this] {
        if (!QAccessible::isActive())
            return;
        QAccessibleTableModelChangeEvent reset(this, QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&reset);
    });
    verticalHeader()->hide();
    const int needed = QFontMetrics(font()).height() + 4;
    verticalHeader()->setMinimumSectionSize(std::max(design_row_height, needed));
    verticalHeader()->setDefaultSectionSize(std::max(design_row_height, needed));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView *header = horizontalHeader();
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(0);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(task_name_column, Qt::AscendingOrder);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);

    // The design widths, widened where the desktop's font needs more room
    // for a heading; the Name column for whole names.
    const QFontMetrics heads(header->font()), cells(font());
    const auto all = task_columns();
    sizing_ = true;
    for (std::size_t c = 0; c < all.size(); ++c) {
        int w =
            std::max(all[c].design_width, heads.horizontalAdvance(QString::fromLatin1(all[c].title)) + 14);
        if (static_cast<int>(c) == task_name_column)
            w = std::max(w, cells.averageCharWidth() * whole_name_characters + cell_margin);
        widths_[c] = w;
        header->resizeSection(static_cast<int>(c), w);
        setColumnHidden(static_cast<int>(c), !model_->column_shown(static_cast<int>(c)));
    }
    sizing_ = false;
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (sizing_ || size <= 0 || column < 0 || column >= static_cast<int>(widths_.size()))
            return;
        widths_[static_cast<std::size_t>(column)] = size;
        if (column == task_name_column)
            name_width_given_ = true; // the user's drag
    });
    connect(header, &QHeaderView::sectionClicked, this, &TTasks_grid::header_clicked);
    connect(header, &QWidget::customContextMenuRequested, this, &TTasks_grid::header_menu);
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { widen_name_column(first, last); });
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &to) {
                if (from.column() <= task_name_column && to.column() >= task_name_column)
                    widen_name_column(from.row(), to.row());
            });

    tree_action_ = new QAction(QStringLiteral("Tree view"), this);
    tree_action_->setCheckable(true);
    tree_action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(tree_action_, &QAction::triggered, this, [this](bool on) {
        set_tree(on);
        emit state_changed();
    });
}

CHOSEN_PROCESS TTasks_grid::current_process() const {
    const QModelIndex at = currentIndex();
    const TASK_RECORD *record = at.isValid() ? model_->record_at(at.row()) : nullptr;
    if (!record)
        return {};
    return {process_key(record->info), std::string(task_name(record->info)), true};
}

bool TTasks_grid::set_current_process(std::uint32_t pid, std::uint64_t start_time) {
    const int row = model_->row_of(pid, start_time);
    if (row < 0)
        return false;
    setCurrentIndex(model_->index(row, std::max(0, currentIndex().column())));
    return true;
}

QSize TTasks_grid::sizeHint() const {
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < static_cast<int>(widths_.size()); ++c)
        if (!isColumnHidden(c))
            width += widths_[static_cast<std::size_t>(c)];
    return {width, QTableView::sizeHint().height()};
}

int TTasks_grid::column_width(int column) const {
    if (column < 0 || column >= static_cast<int>(widths_.size()))
        return 0;
    return widths_[static_cast<std::size_t>(column)];
}

void TTasks_grid::set_column_width(int column, int width) {
    if (column < 0 || column >= static_cast<int>(widths_.size()))
        return;
    width = std::max(0, width);
    widths_[static_cast<std::size_t>(column)] = width;
    if (column == task_name_column)
        name_width_given_ = true;
    sizing_ = true;
    horizontalHeader()->resizeSection(column, width);
    sizing_ = false;
}

void TTasks_grid::set_column_shown(int column, bool shown) {
    if (column < 0 || column >= static_cast<int>(widths_.size()) || column == task_name_column)
        return;
    model_->set_column_shown(column, shown);
    setColumnHidden(column, !shown);
    if (shown) {
        sizing_ = true;
        horizontalHeader()->resizeSection(column, widths_[static_cast<std::size_t>(column)]);
        sizing_ = false;
    }
}

void TTasks_grid::set_sort(TASK_SORT sort) {
    model_->set_sort(sort);
    const TASK_SORT now = model_->sort();
    horizontalHeader()->setSortIndicator(now.column,
                                         now.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TTasks_grid::set_tree(bool on) {
    model_->set_tree(on);
    tree_action_->setChecked(on);
    widen_name_column(0, model_->shown_count() - 1); // indented names are wider
}

void TTasks_grid::header_clicked(int column) {
    TASK_SORT sort = model_->sort();
    if (sort.column == column) {
        sort.descending = !sort.descending;
    } else {
        sort.column = column;
        sort.descending = task_columns()[static_cast<std::size_t>(column)].descending_first;
    }
    set_sort(sort); // also puts the header's arrow where the sort is
    scrollTo(currentIndex().isValid() ? currentIndex() : model_->index(0, column));
    emit state_changed();
}

void TTasks_grid::header_menu(const QPoint &at) {
    if (!header_menu_) {
        header_menu_ = new QMenu(this);
        const auto all = task_columns();
        for (std::size_t c = 0; c < all.size(); ++c) {
            if (static_cast<int>(c) == task_name_column)
                continue; // a row always shows what it is
            QAction *item = header_menu_->addAction(QString::fromLatin1(all[c].title));
            item->setCheckable(true);
            item->setData(static_cast<int>(c));
            connect(item, &QAction::triggered, this, [this, c](bool on) {
                set_column_shown(static_cast<int>(c), on);
                emit state_changed();
            });
        }
        header_menu_->addSeparator();
        header_menu_->addAction(tree_action_);
    }
    for (QAction *item : header_menu_->actions())
        if (item->data().isValid())
            item->setChecked(model_->column_shown(item->data().toInt()));
    header_menu_->popup(horizontalHeader()->viewport()->mapToGlobal(at));
}

void TTasks_grid::widen_name_column(int first_row, int last_row) {
    if (name_width_given_ || first_row < 0)
        return;
    const QFontMetrics cells(font());
    for (int r = first_row; r <= last_row; ++r)
        longest_name_ = std::max(
            longest_name_,
            cells.horizontalAdvance(model_->index(r, task_name_column).data().toString()) + cell_margin);
    // Only as far as every other column keeps its width and the last one
    // its heading: the names never push a column out of sight.
    const auto all = task_columns();
    int others = 0, last = -1;
    for (std::size_t c = 0; c < all.size(); ++c)
        if (!isColumnHidden(static_cast<int>(c)) && static_cast<int>(c) != task_name_column) {
            others += widths_[c];
            last = static_cast<int>(c);
        }
    if (last >= 0) {
        others -= widths_[static_cast<std::size_t>(last)];
        const QFontMetrics heads(horizontalHeader()->font());
        others +=
            heads.horizontalAdvance(QString::fromLatin1(all[static_cast<std::size_t>(last)].title)) + 14;
    }
    const int room = viewport()->width() - others;
    const int wanted = std::min(longest_name_, room);
    if (wanted <= widths_[static_cast<std::size_t>(task_name_column)])
        return;
    widths_[static_cast<std::size_t>(task_name_column)] = wanted;
    sizing_ = true;
    horizontalHeader()->resizeSection(task_name_column, wanted);
    sizing_ = false;
}

void TTasks_grid::dataChanged(const QModelIndex &top_left, const QModelIndex &bottom_right,
                              const QList<int> &roles) {
    if (top_left == bottom_right) {
        QTableView::dataChanged(top_left, bottom_right, roles);
        return;
    }
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent changed(this, QAccessibleTableModelChangeEvent::DataChanged);
        changed.setFirstRow(top_left.row());
        changed.setFirstColumn(top_left.column());
        changed.setLastRow(bottom_right.row());
        changed.setLastColumn(bottom_right.column());
        QAccessible::updateAccessibility(&changed);
    }
    // The rectangle of the range's rows and shown columns, as far as it is
    // on screen.
    int left = -1, right = -1;
    for (int c = top_left.column(); c <= bottom_right.column(); ++c)
        if (!isColumnHidden(c)) {
            if (left < 0)
                left = columnViewportPosition(c);
            right = columnViewportPosition(c) + columnWidth(c);
        }
    const int top = rowViewportPosition(top_left.row());
    const int bottom = rowViewportPosition(bottom_right.row()) + rowHeight(bottom_right.row());
    const QRect cells = QRect(left, top, right - left, bottom - top).intersected(viewport()->rect());
    if (left >= 0 && !cells.isEmpty())
        viewport()->update(cells);
}

void TTasks_grid::open_popup(const QModelIndex &at, const QPoint &global) {
    // Beside the rows nothing is chosen: the menu's commands then act on no
    // process, not on a row selected earlier.
    if (!at.isValid())
        selectionModel()->clear();
    else if (at != currentIndex())
        setCurrentIndex(at);
    emit mouse_down_right(at.isValid() ? at.column() : -1, at.isValid() ? at.row() : -1);
    if (popup_)
        popup_->popup(global);
}

void TTasks_grid::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton) {
        open_popup(indexAt(event->position().toPoint()), event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void TTasks_grid::contextMenuEvent(QContextMenuEvent *event) {
    // The Menu key; a right click opened the menu when its button went down.
    if (event->reason() != QContextMenuEvent::Keyboard) {
        event->ignore();
        return;
    }
    open_popup(currentIndex(), popup_point_at_current(this));
    event->accept();
}

void TTasks_grid::keyPressEvent(QKeyEvent *event) {
    if (is_popup_key(event)) {
        open_popup(currentIndex(), popup_point_at_current(this));
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        const int row = currentIndex().row();
        QStringList texts;
        for (int c = 0; row >= 0 && c < static_cast<int>(task_column_count); ++c)
            if (!isColumnHidden(c))
                texts << QString::fromStdString(model_->text_at(row, c));
        if (!texts.isEmpty())
            QApplication::clipboard()->setText(texts.join(QLatin1Char('\t')));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
