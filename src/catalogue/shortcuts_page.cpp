// The Shortcuts page's events: alignment, right click, the two boxes and
// their menu commands, and "Launch".
#include "catalogue/shortcuts_page.h"

#include "catalogue/discovery.h"
#include "catalogue/launcher.h"
#include "platform/message_box.h"
#include "shell/main_form.h"
#include "toolkit/grid.h"

#include <cstring>

#include <sys/stat.h>

void connect_shortcuts_page(TTM *form) {
    TGrid *grid = form->grid;
    grid->set_alignment_provider([form](int col, int row) { return form->gridGetAlignment(col, row); });
    centre_check_boxes(grid);
    QObject::connect(grid, &TGrid::mouse_down_right, form, &TTM::gridMouseDown);
    QObject::connect(grid, &TGrid::check_box_click, form, &TTM::gridCheckBoxClick);
    QObject::connect(form->N5, &QAction::triggered, form, &TTM::N5Click);
    QObject::connect(form->N6, &QAction::triggered, form, &TTM::N6Click);
    QObject::connect(form->N8, &QAction::triggered, form, &TTM::N8Click);
    QObject::connect(form->N9, &QAction::triggered, form, &TTM::N9Click);
    QObject::connect(form->N10, &QAction::triggered, form, &TTM::N10Click);
    QObject::connect(form->N12, &QAction::triggered, form, &TTM::N12Click);
}

int scan_windows_into_grid(TTM *form) {
    TGrid *grid = form->grid;
    return scan_windows([grid](const std::string &path) { add_program_row(grid, path); });
}

Qt::Alignment TTM::gridGetAlignment(int col, int) const {
    return col == 1 || col == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
}

void TTM::gridMouseDown(int col, int row) {
    // The grid has made the clicked cell current already; a click beside
    // the rows leaves the current row as it was.
    if (row >= 1 && row < grid->row_count() && col >= 0 && col < grid->col_count() &&
        (grid->current_row() != row || grid->current_col() != col))
        grid->setCurrentCell(row - 1, col);
}

void TTM::gridCheckBoxClick(int col, int row, bool checked) {
    const std::string path = row_path(grid, row);
    auto entry = find_row_entry(path);
    if (entry == link_map_access(link_op::end))
        return; // an unbound box: nothing to record
    if (col == 1) {
        entry->second.show_in_menu = checked ? 1 : 0;
    } else if (col == 2) {
        if (checked) {
            if (!startup_box_ticked(grid, row, path))
                return;
        } else {
            startup_box_cleared(entry, path);
        }
    } else {
        return;
    }
    link_map_access(link_op::save);
}

namespace {

void toggle_box(TTM *form, int col) {
    int row = form->grid->current_row();
    if (row < 1)
        return;
    bool on = !form->grid->checked(col, row);
    form->grid->set_checked(col, row, on);
    form->gridCheckBoxClick(col, row, form->grid->checked(col, row));
}

} // namespace

void TTM::N5Click() { toggle_box(this, 1); }

void TTM::N6Click() { toggle_box(this, 2); }

void TTM::N12Click() {
    const std::string path = row_path(grid, grid->current_row());
    if (path.empty())
        return; // an empty row names no program
    struct stat st {};
    int error = ::stat(path.c_str(), &st) == 0 ? launch_catalogued_program(path) : errno;
    if (error == 0)
        return;
    platform::message_box("Cannot start \"" + path_display_text(path).toStdString() + "\":\n" +
                              std::strerror(error),
                          "Launch error", platform::MB_OK | platform::MB_ICONERROR);
}
