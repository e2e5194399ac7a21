// The Shortcuts grid's rows: building them from the catalogue and binding
// each row to its program's exact path bytes.
#include "catalogue/shortcuts_page.h"

#include "catalogue/discovery.h"
#include "catalogue/launcher.h"
#include "toolkit/grid.h"

#include <QByteArray>

namespace {

constexpr int path_bytes_role = Qt::UserRole;

} // namespace

QString path_display_text(const std::string &path) {
    return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

std::string row_path(const TGrid *grid, int row) {
    if (row < 1 || row >= grid->row_count())
        return {};
    const QString text = grid->cell(0, row);
    if (text.isEmpty())
        return {};
    // The stored bytes count only while the cell still shows them; a cell
    // rewritten by other code speaks for itself.
    QByteArray bytes = grid->cell_data(0, row, path_bytes_role).toByteArray();
    if (!bytes.isNull() && path_display_text(bytes.toStdString()) == text)
        return bytes.toStdString();
    return text.toLocal8Bit().toStdString();
}

void set_row_path(TGrid *grid, int row, const std::string &path) {
    grid->set_cell(0, row, path_display_text(path));
    grid->set_cell_data(0, row, path_bytes_role,
                        QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

int row_of_path(const TGrid *grid, const std::string &path) {
    for (int r = 1; r < grid->row_count(); ++r)
        if (row_path(grid, r) == path)
            return r;
    return 0;
}

LINK_MAP::iterator find_row_entry(const std::string &path) {
    const auto end = link_map_access(link_op::end);
    if (path.empty())
        return end;
    auto it = link_map_access(link_op::find, path);
    if (it == end)
        it = link_map_access(link_op::find, catalogue_key(path));
    return it;
}

void add_program_row(TGrid *grid, const std::string &path) {
    int row = 1;
    if (!row_path(grid, 1).empty()) {
        grid->set_row_count(grid->row_count() + 1);
        row = grid->row_count() - 1;
    }
    set_row_path(grid, row, path);
    grid->set_checked(1, row, false);
    grid->set_checked(2, row, false);
}

void fill_shortcut_grid(TGrid *grid) {
    grid->clear_rows();
    int row = 1;
    for (auto it = link_map.begin(); it != link_map.end(); ++it) {
        set_row_path(grid, row, it->first);
        grid->set_checked(1, row, it->second.show_in_menu != 0);
        grid->set_checked(2, row, it->second.startup != 0);
        if (it->second.startup == 1)
            launch_catalogued_program(it->first);
        if (std::next(it) != link_map.end()) {
            grid->set_row_count(grid->row_count() + 1);
            row = grid->row_count() - 1;
        }
    }
}
