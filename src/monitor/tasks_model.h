// TTasks_model: the processes of the Tasks page as an item model, one row
// per process shown and one column per row of the column table
// (monitor/task_columns.h).
//
// Rows are records keyed by process id and start time, never texts read
// back: a refresh hands over the process table's records, and the model
// tells its views only what changed: rows of ended processes are removed,
// rows of new ones inserted, a changed order moves every persistent index
// (the selection, the current row) with its process and reports the
// places that show another process as changed, and changed texts are
// reported by runs of rows. So the selection follows the process across
// refreshes and re-sorts, and what a refresh announces to assistive
// technology stays small (never a new table).
//
// Owner and command line are asked of the process-details service
// (platform/process_details.h) only when something needs them: a column
// that shows them or sorts by them, the filter, a tooltip.
//
// Threads: GUI thread only. The model never touches process_table.
#pragma once

#include "monitor/task_columns.h"
#include "monitor/task_order.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TTasks_model : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TTasks_model(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A refresh: records of every process in ascending id order (the
    // process table's, copied under its lock). decimal_point: the user's.
    void set_records(const PROCESS_MAP &table, const QString &decimal_point);

    TASK_SORT sort() const { return sort_; }
    void set_sort(TASK_SORT sort);
    bool tree() const { return tree_; }
    void set_tree(bool on);
    // Keeps the processes whose name, id, owner or command line contains
    // text, case ignored (blanks around it do not count); empty: all.
    QString filter() const { return filter_; }
    void set_filter(const QString &text);
    // Which columns' texts are kept (the view shows those).
    bool column_shown(int column) const;
    void set_column_shown(int column, bool shown);

    // The process of a row; null outside the rows.
    const TASK_RECORD *record_at(int row) const;
    // The row of the process, -1 when it is not shown.
    int row_of(std::uint32_t pid, std::uint64_t start_time) const;
    // The text of a cell as shown (empty for a column not shown).
    const std::string &text_at(int row, int column) const;

    int shown_count() const { return static_cast<int>(rows_.size()); }
    int process_count() const { return static_cast<int>(records_.size()); }

    // Every process, unfiltered and flat, in the order of the current
    // sort: the Logging page lists these whatever the filter.
    std::vector<CHOSEN_PROCESS> every_process() const;

signals:
    // After every change of the rows shown: how many of how many.
    void counts_changed(int shown, int all);
    // Rows changed places without a layout change (a new order of the same
    // processes): whatever keeps cells by place must forget them.
    void rows_moved();

private:
    struct ROW {
        std::uint32_t record = 0; // into records_
        std::uint32_t depth = 0;
        std::uint32_t pid = 0;
        std::uint64_t start_time = 0;
        bool moved = false; // came to this place in the latest rebuild
        std::array<std::string, task_column_count> texts;
    };

    bool needs_details() const;
    void read_details(TASK_RECORD &record) const;
    const QString &haystack(std::size_t record);
    // Orders the records into rows and tells the views what changed.
    void rebuild();
    // The texts of row for the shown columns; true when one changed. Sets
    // first/last to the changed columns.
    bool update_texts(ROW &row, int &first, int &last);
    void update_context(const QString &decimal_point);

    std::vector<TASK_RECORD> records_; // every process, ascending id
    std::vector<QString> haystacks_;   // per record, case-folded, made while filtering
    std::vector<ROW> rows_;            // the rows shown, in order
    std::vector<TASK_LINE> lines_;     // scratch of rebuild
    TASK_SORT sort_;
    bool tree_ = false;
    QString filter_;                  // as given
    QString needle_;                  // case-folded, trimmed
    std::uint32_t shown_columns_ = 0; // bit per column
    std::string decimal_point_ = ".";
    TASK_TEXT_CONTEXT context_;
    std::string scratch_;
};
