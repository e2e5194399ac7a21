// TTM's Tasks page commands: each forwards to the monitor function that
// does the work.
#include "shell/main_form_process_commands.h"

#include "catalogue/launcher.h"
#include "monitor/one_process_form.h"
#include "monitor/process_commands.h"
#include "monitor/tasks_grid.h"
#include "shell/main_form.h"

void connect_process_commands(TTM *form) {
    prepare_priority_menu(form->N18);
    // Del works on the grid without opening the menu.
    form->N16->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    form->pgrid->addAction(form->N16);
    QObject::connect(form->N16, &QAction::triggered, form, &TTM::N16Click);
    QObject::connect(form->s1, &QAction::triggered, form, &TTM::s1Click);
    QObject::connect(form->N18, &QMenu::aboutToShow, form, &TTM::N18Click);
    QObject::connect(form->N18, &QMenu::triggered, form, &TTM::N19Click);
    QObject::connect(form->N29, &QAction::triggered, form, &TTM::N29Click);
}

// Each command acts on the record of the grid's current row.
void TTM::N16Click() {
    end_process_command(pgrid->current_process(), this, [this] { N3Click(); });
}
void TTM::s1Click() {
    debug_process_command(pgrid->current_process(),
                          [](const std::string &line) { return launch_program(line, ""); });
}
void TTM::N18Click() { priority_menu_opening(pgrid->current_process(), N18); }
void TTM::N19Click(QAction *item) { priority_item_chosen(pgrid->current_process(), N18, item, this); }
void TTM::N29Click() { open_process_window(pgrid->current_process().pid); }
