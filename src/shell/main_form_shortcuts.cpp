#include "shell/main_form_shortcuts.h"

#include "catalogue/shortcuts_page.h"
#include "shell/main_form.h"
#include "toolkit/grid.h"

void connect_shortcuts_page(TTM *form) {
    TGrid *grid = form->grid;
    grid->set_alignment_provider([form](int col, int row) { return form->gridGetAlignment(col, row); });
    centre_check_boxes(grid);
    // The check boxes are named by their column and the row's path.
    grid->set_caption_column(0);
    QObject::connect(grid, &TGrid::mouse_down_right, form, &TTM::gridMouseDown);
    QObject::connect(grid, &TGrid::check_box_click, form, &TTM::gridCheckBoxClick);
    QObject::connect(form->N5, &QAction::triggered, form, &TTM::N5Click);
    QObject::connect(form->N6, &QAction::triggered, form, &TTM::N6Click);
    QObject::connect(form->N8, &QAction::triggered, form, &TTM::N8Click);
    QObject::connect(form->N9, &QAction::triggered, form, &TTM::N9Click);
    QObject::connect(form->N10, &QAction::triggered, form, &TTM::N10Click);
    QObject::connect(form->N12, &QAction::triggered, form, &TTM::N12Click);
}

Qt::Alignment TTM::gridGetAlignment(int col, int row) const { return shortcuts_alignment(col, row); }

void TTM::gridMouseDown(int col, int row) { grid->set_current_cell(col, row); }

void TTM::gridCheckBoxClick(int col, int row, bool checked) { shortcut_box_clicked(grid, col, row, checked); }

void TTM::N5Click() { toggle_shortcut_box(grid, 1); }

void TTM::N6Click() { toggle_shortcut_box(grid, 2); }

void TTM::N8Click() { add_shortcut(grid, update_list_timer, this); }

void TTM::N9Click() { delete_shortcut(grid, update_list_timer, false); }

void TTM::N10Click() { delete_shortcut(grid, update_list_timer, true); }

void TTM::N12Click() { launch_shortcut(grid); }
