// The "StartUp" box: asking the start-up mode when it is ticked and undoing
// the mode when it is cleared.
#include "catalogue/run_period_form.h"
#include "catalogue/shortcuts_page.h"
#include "catalogue/startup_links.h"
#include "toolkit/grid.h"

bool startup_box_ticked(TGrid *grid, int row, const std::string &path) {
    const int mode = ask_startup_mode();
    // The dialog's message loop ran discovery and perhaps more: look the
    // entry up afresh rather than trusting a position taken before.
    auto entry = find_row_entry(path);
    if (entry == link_map_access(link_op::end))
        return false;
    if (mode == startup_choice_cancelled) {
        entry->second.startup = 0;
        grid->set_checked(2, row, false);
        return true;
    }
    entry->second.startup = mode;
    if (mode == -1) // failures leave no entry; the catalogue keeps -1 as asked
        create_startup_link(path, startup_link_name(path), std::string());
    return true;
}

void startup_box_cleared(LINK_MAP::iterator entry, const std::string &path) {
    if (entry->second.startup == -1)
        delete_startup_link(startup_link_name(path));
    entry->second.startup = 0;
}
