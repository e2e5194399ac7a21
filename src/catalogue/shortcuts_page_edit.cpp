// The commands that add or remove Shortcuts rows and catalogue entries:
// "Add new shortcut", "Delete", "Delete and never add again". Each holds
// grid_busy and keeps discovery's timer off while it edits, and never
// shows a dialog or a box while it holds them.
#include "catalogue/shortcuts_page.h"

#include "platform/message_box.h"
#include "toolkit/grid.h"

#include <QTimer>

namespace {

// Discovery stays off and other grid edits wait while one runs. The timer
// comes back only if it was running: an edit during the exit sequence
// must not restart discovery.
class grid_edit {
public:
    explicit grid_edit(QTimer *timer) : timer_(timer), was_active_(timer->isActive()) {
        timer_->stop();
        take_grid_busy();
    }
    ~grid_edit() {
        release_grid_busy();
        if (was_active_)
            timer_->start();
    }
    grid_edit(const grid_edit &) = delete;
    grid_edit &operator=(const grid_edit &) = delete;

private:
    QTimer *timer_;
    bool was_active_;
};

} // namespace

void delete_shortcut(TGrid *grid, QTimer *update_list_timer, bool never_add_again) {
    const int row = grid->current_row();
    if (row < 1)
        return;
    grid_edit edit(update_list_timer);
    const std::string path = row_path(grid, row);
    if (path.empty())
        return;
    auto entry = find_row_entry(path);
    if (entry != link_map_access(link_op::end)) {
        link_map_access(link_op::erase, {}, {}, entry);
        link_map_access(link_op::save);
    }
    if (never_add_again) {
        // The path exactly as discovery meets it (untrimmed), which is what
        // it compares against the list.
        never_add_access(never_add_op::append, path);
        never_add_access(never_add_op::save);
    }
    grid->remove_row(row);
}

void add_shortcut(TGrid *grid, QTimer *update_list_timer, QWidget *owner) {
    const std::string path = choose_program_file(owner);
    if (path.empty())
        return;
    {
        grid_edit edit(update_list_timer);
        // A program catalogued already keeps its one row: a second row would
        // show boxes that go stale as soon as the other row's change.
        if (link_map_access(link_op::find, path) != link_map_access(link_op::end)) {
            if (int row = row_of_path(grid, path))
                grid->set_current_row(row);
            return;
        }
        if (link_map_access(link_op::insert, path, LINK_PROPERTIES_STRUCT{}) !=
            link_map_access(link_op::end)) {
            link_map_access(link_op::save);
            add_program_row(grid, path);
            grid->set_current_row(grid->row_count() - 1);
            return;
        }
    }
    // Shown only once grid_busy is free again: the box runs its own event
    // loop, in which the tray menu's "Exit" waits for that flag.
    platform::message_box("The path is too long to be kept in the shortcut list:\n" +
                              path_display_text(path).toStdString(),
                          "Add new shortcut", platform::MB_OK | platform::MB_ICONERROR);
}
