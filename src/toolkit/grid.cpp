#include "toolkit/grid.h"

#include "platform/registry.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

TGrid::TGrid(const QStringList &headers, int design_row_height, QWidget *parent)
    : QTableWidget(parent), check_cols_(static_cast<size_t>(headers.size()), false) {
    setColumnCount(static_cast<int>(headers.size()));
    setHorizontalHeaderLabels(headers);
    setRowCount(1);
    verticalHeader()->hide();
    int needed = QFontMetrics(font()).height() + 4;
    verticalHeader()->setDefaultSectionSize(std::max(design_row_height, needed));
    verticalHeader()->setMinimumSectionSize(std::max(design_row_height, needed));
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(0);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setTabKeyNavigation(false);
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *it) {
        // Check boxes toggled with the mouse arrive here; ours set from code
        // are flagged and ignored.
        if (programmatic_ || !it)
            return;
        int col = it->column();
        if (col < 0 || col >= static_cast<int>(check_cols_.size()) || !check_cols_[static_cast<size_t>(col)])
            return;
        emit check_box_click(col, it->row() + 1, it->checkState() == Qt::Checked);
    });
}

void TGrid::set_row_count(int rows) {
    setRowCount(std::max(1, rows - 1));
}

QTableWidgetItem *TGrid::item_at(int col, int row, bool create) {
    if (row < 1 || col < 0 || col >= columnCount() || row > rowCount())
        return nullptr;
    QTableWidgetItem *it = item(row - 1, col);
    if (!it && create) {
        it = new QTableWidgetItem();
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (is_check_column(col)) {
            it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
            it->setCheckState(Qt::Unchecked);
        }
        it->setTextAlignment(alignment_for(col, row));
        bool was = programmatic_;
        programmatic_ = true;
        setItem(row - 1, col, it);
        programmatic_ = was;
    }
    return it;
}

QString TGrid::cell(int col, int row) const {
    if (row == 0) {
        auto *h = horizontalHeaderItem(col);
        return h ? h->text() : QString();
    }
    if (row < 1 || row > rowCount() || col < 0 || col >= columnCount())
        return {};
    auto *it = item(row - 1, col);
    return it ? it->text() : QString();
}

void TGrid::set_cell(int col, int row, const QString &text) {
    if (row == 0) {
        if (auto *h = horizontalHeaderItem(col))
            h->setText(text);
        return;
    }
    auto *existing = (row >= 1 && row <= rowCount() && col >= 0 && col < columnCount())
                         ? item(row - 1, col)
                         : nullptr;
    if (existing && existing->text() == text)
        return;
    if (!existing && text.isEmpty() && !is_check_column(col))
        return;
    if (auto *it = item_at(col, row, true)) {
        bool was = programmatic_;
        programmatic_ = true;
        it->setText(text);
        programmatic_ = was;
    }
}

QVariant TGrid::cell_data(int col, int row, int role) const {
    if (row < 1 || row > rowCount() || col < 0 || col >= columnCount())
        return {};
    auto *it = item(row - 1, col);
    return it ? it->data(role) : QVariant();
}

void TGrid::set_cell_data(int col, int row, int role, const QVariant &value) {
    if (auto *it = item_at(col, row, true))
        it->setData(role, value);
}

void TGrid::clear_row(int row) {
    if (row < 1 || row > rowCount())
        return;
    for (int col = 0; col < columnCount(); ++col)
        delete takeItem(row - 1, col);
}

void TGrid::remove_row(int row) {
    if (row < 1 || row > rowCount())
        return;
    if (rowCount() > 1)
        removeRow(row - 1);
    else
        clear_row(row);
}

void TGrid::clear_rows() {
    clearContents();
    set_row_count(2);
    for (int col = 0; col < columnCount(); ++col)
        if (is_check_column(col))
            set_checked(col, 1, false);
}

bool TGrid::checked(int col, int row) const {
    if (row < 1 || row > rowCount())
        return false;
    auto *it = item(row - 1, col);
    return it && it->checkState() == Qt::Checked;
}

void TGrid::set_checked(int col, int row, bool on) {
    auto *it = item_at(col, row, true);
    if (!it)
        return;
    bool was = programmatic_;
    programmatic_ = true;
    it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    programmatic_ = was;
}

void TGrid::set_check_column(int col, bool on) {
    if (col >= 0 && col < static_cast<int>(check_cols_.size()))
        check_cols_[static_cast<size_t>(col)] = on;
}

bool TGrid::is_check_column(int col) const {
    return col >= 0 && col < static_cast<int>(check_cols_.size()) && check_cols_[static_cast<size_t>(col)];
}

int TGrid::current_row() const {
    int r = currentRow();
    return r < 0 ? 0 : r + 1;
}

void TGrid::set_current_row(int row) {
    if (row < 1 || row > rowCount())
        return;
    int col = currentColumn() < 0 ? 0 : currentColumn();
    setCurrentCell(row - 1, col, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Current);
}

void TGrid::set_current_cell(int col, int row) {
    if (row < 1 || row > rowCount() || col < 0 || col >= columnCount())
        return;
    if (current_row() != row || current_col() != col)
        setCurrentCell(row - 1, col);
}

int TGrid::col_width(int col) const { return columnWidth(col); }

void TGrid::set_col_width(int col, int width) {
    if (col >= 0 && col < columnCount())
        setColumnWidth(col, std::max(0, width));
}

int TGrid::cell_width_needed(int col, int row) const {
    const QModelIndex index = model()->index(row - 1, col);
    if (!index.isValid())
        return 0;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    // The delegate's own measure, plus the grid line beside the cell.
    return itemDelegateForIndex(index)->sizeHint(option, index).width() + (showGrid() ? 1 : 0);
}

int TGrid::header_width_needed(int col) const { return horizontalHeader()->sectionSizeHint(col); }

void TGrid::set_column_hidden(int col, bool hidden) { setColumnHidden(col, hidden); }

void TGrid::set_alignment_provider(alignment_fn fn) {
    align_ = std::move(fn);
    for (int c = 0; c < columnCount(); ++c)
        if (auto *h = horizontalHeaderItem(c))
            h->setTextAlignment(alignment_for(c, 0));
}

Qt::Alignment TGrid::alignment_for(int col, int row) const {
    Qt::Alignment a = align_ ? align_(col, row) : Qt::Alignment(Qt::AlignLeft);
    return a | Qt::AlignVCenter;
}

void TGrid::save_col_sizes(const QString &key, const QString &section) const {
    auto store = platform::open_user_key(key);
    store->beginGroup(section);
    for (int c = 0; c < columnCount(); ++c)
        store->setValue(QStringLiteral("Col%1").arg(c), columnWidth(c));
    store->endGroup();
    store->sync();
}

void TGrid::load_col_sizes(const QString &key, const QString &section) {
    auto store = platform::open_user_key(key);
    store->beginGroup(section);
    for (int c = 0; c < columnCount(); ++c) {
        bool ok = false;
        int w = store->value(QStringLiteral("Col%1").arg(c)).toInt(&ok);
        if (ok && w >= 0 && w <= 32767)
            setColumnWidth(c, w);
    }
    store->endGroup();
}

void TGrid::toggle_by_user(int col, int row) {
    auto *it = item_at(col, row, true);
    if (!it)
        return;
    bool on = it->checkState() != Qt::Checked;
    bool was = programmatic_;
    programmatic_ = true;
    it->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    programmatic_ = was;
    emit check_box_click(col, row, on);
}

void TGrid::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton) {
        QModelIndex idx = indexAt(event->position().toPoint());
        const int col = idx.isValid() ? idx.column() : -1;
        const int row = idx.isValid() ? idx.row() + 1 : 0;
        set_current_cell(col, row);
        emit mouse_down_right(col, row);
        if (popup_)
            popup_->popup(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void TGrid::keyPressEvent(QKeyEvent *event) {
    // Space toggles a check-box cell from the keyboard, as a click does.
    if (event->key() == Qt::Key_Space && is_check_column(currentColumn()) && currentRow() >= 0) {
        toggle_by_user(currentColumn(), currentRow() + 1);
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}
