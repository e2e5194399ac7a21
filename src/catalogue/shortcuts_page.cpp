// The Shortcuts page's events: alignment, the two boxes and their menu
// commands, and "Launch".
#include "catalogue/shortcuts_page.h"

#include "catalogue/discovery.h"
#include "catalogue/launcher.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "toolkit/grid.h"

#include <cstring>

int scan_windows_into_grid(TGrid *grid) {
    return scan_windows([grid](const std::string &path) { add_program_row(grid, path); });
}

Qt::Alignment shortcuts_alignment(int col, int) {
    return col == 1 || col == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
}

void shortcut_box_clicked(TGrid *grid, int col, int row, bool checked) {
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

void toggle_shortcut_box(TGrid *grid, int col) {
    int row = grid->current_row();
    if (row < 1)
        return;
    grid->set_checked(col, row, !grid->checked(col, row));
    shortcut_box_clicked(grid, col, row, grid->checked(col, row));
}

void launch_shortcut(TGrid *grid) {
    const std::string path = row_path(grid, grid->current_row());
    if (path.empty())
        return; // an empty row names no program
    int error = platform::path_error(path);
    if (error == 0)
        error = launch_catalogued_program(path);
    if (error == 0)
        return;
    platform::message_box("Cannot start \"" + path_display_text(path).toStdString() + "\":\n" +
                              std::strerror(error),
                          "Launch error", platform::MB_OK | platform::MB_ICONERROR);
}
