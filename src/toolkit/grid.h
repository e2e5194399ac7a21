// TGrid: a string grid with one fixed header row, on top of QTableWidget.
//
// Rows are counted as the program's grids count them: row 0 is the fixed
// header row and data rows are 1 .. row_count()-1. A grid always has at
// least one data row (an empty grid shows one empty row).
//
// Columns may be check-box columns: each data cell of such a column shows
// a check box. A click by the user toggles it and raises check_box_click
// (column, row, new state); set_checked() from code raises nothing.
//
// A right click makes the cell under the pointer current before the popup
// menu opens (set_current_cell); a click beside the rows leaves the current
// cell as it was.
//
// Text updates write only cells whose text changed, so a periodic refresh
// neither flickers nor loses the scroll position, the selection or the
// column widths.
//
// Threads: GUI thread only.
#pragma once

#include <QStringList>
#include <QTableWidget>

#include <functional>
#include <vector>

class QMenu;

class TGrid : public QTableWidget {
    Q_OBJECT
public:
    // design_row_height: the row height at 96 dpi; rows are made taller
    // when the font needs it, so no text is clipped.
    TGrid(const QStringList &headers, int design_row_height, QWidget *parent = nullptr);

    int col_count() const { return columnCount(); }
    int row_count() const { return rowCount() + 1; }
    // Sets the number of rows including the header row (at least 2).
    void set_row_count(int rows);

    QString cell(int col, int row) const;
    void set_cell(int col, int row, const QString &text);

    // A value kept beside a data cell's text under role (Qt::UserRole and
    // up); null when the cell is empty or has none. set_cell_data makes
    // the cell when needed.
    QVariant cell_data(int col, int row, int role) const;
    void set_cell_data(int col, int row, int role, const QVariant &value);

    // Empties every cell of a data row: texts, values and boxes.
    void clear_row(int row);
    // Removes a data row; the last data row is emptied instead, as a grid
    // keeps one.
    void remove_row(int row);
    // Back to the header and one empty data row (unticked boxes in the
    // check-box columns). Raises no event.
    void clear_rows();

    bool checked(int col, int row) const;
    void set_checked(int col, int row, bool on); // raises no event
    void set_check_column(int col, bool on);
    bool is_check_column(int col) const;

    // The current data row (1-based), 0 when there is none.
    int current_row() const;
    void set_current_row(int row);
    int current_col() const { return currentColumn(); }
    // Makes a data cell current; nothing happens for a cell outside the
    // data rows and columns, or for the cell that is current already.
    void set_current_cell(int col, int row);

    int col_width(int col) const;
    void set_col_width(int col, int width);
    // The width a column needs to show a data cell's text whole, and its
    // header text whole, in the grid's font and style.
    int cell_width_needed(int col, int row) const;
    int header_width_needed(int col) const;
    void set_column_hidden(int col, bool hidden);

    // Decides each cell's alignment (row 0: the header). Applied when a
    // cell is written and to the header at once.
    using alignment_fn = std::function<Qt::Alignment(int col, int row)>;
    void set_alignment_provider(alignment_fn fn);

    void set_popup_menu(QMenu *menu) { popup_ = menu; }

    // Saves or restores the column widths in the registry key and section
    // given (values "Col0", "Col1", ...). Missing values leave a width.
    void save_col_sizes(const QString &key, const QString &section) const;
    void load_col_sizes(const QString &key, const QString &section);

signals:
    void check_box_click(int col, int row, bool checked);
    // Raised on the right button before the popup opens (the cell under the
    // pointer is current by then). Row and col as in cell().
    void mouse_down_right(int col, int row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTableWidgetItem *item_at(int col, int row, bool create);
    Qt::Alignment alignment_for(int col, int row) const;
    void toggle_by_user(int col, int row);

    std::vector<bool> check_cols_;
    alignment_fn align_;
    QMenu *popup_ = nullptr;
    bool programmatic_ = false;
};
