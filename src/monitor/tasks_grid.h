// TTasks_grid: the grid of the Tasks page, a view of its own TTasks_model.
//
// The designed look: rows 15 pixels high (taller where the font needs it),
// no grid lines, whole-row selection, user-sized columns with the last one
// stretched, the PID column hidden until the user shows it. A right click
// makes the row under the pointer current and opens the popup menu; the
// Menu key and Shift+F10 open it by the current row; Ctrl+C copies the
// current row's texts (tab between columns).
//
// The header: a click sorts by its column (again: the other way), with
// the arrow; its context menu shows and hides columns and switches the
// tree on and off (tree_action, Ctrl+T where the owner puts it). Each
// such change raises state_changed, so the owner can store it.
//
// Widths: each column keeps the width it last had while shown, also while
// it is hidden (column_width). The Name column starts wide enough for
// names of 24 characters and, until it is given a width (set_column_width
// or the user's drag), widens to the longest name listed as long as the
// columns still fit the grid.
//
// Threads: GUI thread only.
#pragma once

#include "monitor/tasks_model.h"

#include <QTableView>

#include <vector>

class QAction;
class QMenu;

class TTasks_grid : public QTableView {
    Q_OBJECT
public:
    // design_row_height: the row height at 96 dpi.
    explicit TTasks_grid(int design_row_height, QWidget *parent = nullptr);

    TTasks_model *tasks() const { return model_; }

    // The process of the current row; pid 0 when there is none.
    CHOSEN_PROCESS current_process() const;
    // Makes the process's row current; false when it is not shown.
    bool set_current_process(std::uint32_t pid, std::uint64_t start_time);

    int column_width(int column) const;
    void set_column_width(int column, int width);
    void set_column_shown(int column, bool shown);
    void set_sort(TASK_SORT sort);
    void set_tree(bool on);

    // Wide enough for every shown column at its width.
    QSize sizeHint() const override;

    void set_popup_menu(QMenu *menu) { popup_ = menu; }
    // "Tree view", checkable; the owner gives it its key.
    QAction *tree_action() const { return tree_action_; }

signals:
    // The right button went down on (column, row); row -1 beside the rows.
    void mouse_down_right(int column, int row);
    // Sort, shown columns or tree changed by the user.
    void state_changed();

protected:
    // Repaints only the rows of the range that are on screen (the base
    // class repaints the whole grid for any range of more than one cell).
    void dataChanged(const QModelIndex &top_left, const QModelIndex &bottom_right,
                     const QList<int> &roles = QList<int>()) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // at current (when valid), mouse_down_right, then the popup at global.
    void open_popup(const QModelIndex &at, const QPoint &global);
    void header_clicked(int column);
    void header_menu(const QPoint &at);
    void widen_name_column(int first_row, int last_row);

    TTasks_model *model_;
    QMenu *popup_ = nullptr;
    QMenu *header_menu_ = nullptr;
    QAction *tree_action_ = nullptr;
    std::vector<int> widths_;       // per column, kept while hidden
    bool name_width_given_ = false; // the Name column no longer widens by itself
    bool sizing_ = false;           // a width is being set from code
    int longest_name_ = 0;          // pixels, of the names listed so far
};
