// TTM's Tasks page commands: each forwards to the monitor function that
// does the work, with the process the user chose.
#include "shell/main_form_process_commands.h"

#include "catalogue/launcher.h"
#include "monitor/process_commands.h"
#include "monitor/tasks_grid.h"
#include "shell/main_form.h"

namespace {

// The process the commands act on: the row under the pointer when the
// popup menu opened (a right click makes it the current row first), or the
// current row when Del was pressed. Captured then, because the grid goes
// on refreshing under the open menu and under the commands' questions.
CHOSEN_PROCESS chosen;

} // namespace

void connect_process_commands(TTM *form) {
    prepare_priority_menu(form->N18);
    QObject::connect(form->PopupMenu3, &QMenu::aboutToShow, form,
                     [form] { chosen = form->pgrid->current_process(); });
    // Del ends the current row's process without the menu. The menu's
    // item only shows the key: a press reaches this action of the grid,
    // which captures the row before the command runs.
    auto *del = new QAction(form->pgrid);
    del->setShortcut(form->N16->shortcut());
    del->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    form->pgrid->addAction(del);
    QObject::connect(del, &QAction::triggered, form, [form] {
        chosen = form->pgrid->current_process();
        form->N16Click();
    });
    QObject::connect(form->N16, &QAction::triggered, form, &TTM::N16Click);
    QObject::connect(form->s1, &QAction::triggered, form, &TTM::s1Click);
    QObject::connect(form->N18, &QMenu::aboutToShow, form, &TTM::N18Click);
    QObject::connect(form->N18, &QMenu::triggered, form, &TTM::N19Click);
    QObject::connect(form->N29, &QAction::triggered, form, &TTM::N29Click);
}

void TTM::N16Click() {
    end_process_command(chosen, this, [this] { N3Click(); });
}
void TTM::s1Click() {
    debug_process_command(chosen, this, [](const std::string &line) { return launch_program(line, ""); });
}
void TTM::N18Click() { priority_menu_opening(chosen, N18); }
void TTM::N19Click(QAction *item) { priority_item_chosen(chosen, N18, item, this); }
void TTM::N29Click() { watch_process_command(chosen, this); }
