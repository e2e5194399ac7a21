#include "monitor/process_commands.h"

#include "monitor/debugger_command.h"
#include "monitor/one_process_form.h"
#include "monitor/priority_classes.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "platform/registry.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

#include <cerrno>

namespace {

void tell_ended(QWidget *owner) {
    platform::message_box(owner, "The process has ended.", "Task warning",
                          platform::MB_OK | platform::MB_ICONINFORMATION);
}

// False, after telling the user, when the chosen process has ended since
// it was chosen (or was never seen by a snapshot: then nothing says which
// process the row meant).
bool still_running(const CHOSEN_PROCESS &p, QWidget *owner) {
    if (p.key.start_time != 0 && platform::same_process_running(p.key.pid, p.key.start_time))
        return true;
    tell_ended(owner);
    return false;
}

// Tells what a command's attempt came to: 0 says nothing.
void tell_failure(int error, QWidget *owner, const char *denied_caption) {
    if (error == ESRCH)
        tell_ended(owner);
    else if (error == EPERM || error == EACCES)
        platform::message_box(owner, "Access denied.", denied_caption,
                              platform::MB_OK | platform::MB_ICONERROR);
}

} // namespace

void end_process_command(const CHOSEN_PROCESS &p, QWidget *owner, const std::function<void()> &exit_command) {
    if (p.key.pid == 0 || !still_running(p, owner))
        return;
    if (platform::message_box(owner, "Terminate process " + p.name + "?", "Task warning",
                              platform::MB_OKCANCEL | platform::MB_ICONWARNING) != platform::IDOK)
        return;
    if (p.key.pid == platform::own_process_id()) {
        if (exit_command)
            exit_command();
        return;
    }
    const int error = platform::signal_process(p.key.pid, p.key.start_time, platform::END_SIGNAL::terminate);
    tell_failure(error, owner, "Termination error");
    if (error != 0)
        return;
    // A process that does not end when asked is killed after the grace
    // period; the GUI thread goes on meanwhile. The start time makes sure
    // the kill reaches no process that took over the id.
    const PROCESS_KEY key = p.key;
    QTimer::singleShot(end_process_grace_ms, Qt::PreciseTimer, [key] {
        if (platform::same_process_running(key.pid, key.start_time))
            platform::signal_process(key.pid, key.start_time, platform::END_SIGNAL::kill);
    });
}

void prepare_priority_menu(QMenu *menu) {
    for (QAction *a : menu->actions())
        a->setCheckable(true);
}

void priority_menu_opening(const CHOSEN_PROCESS &p, QMenu *menu) {
    int nice = 0;
    if (p.key.pid == 0 || p.key.start_time == 0 ||
        !platform::same_process_running(p.key.pid, p.key.start_time) ||
        platform::get_process_nice(p.key.pid, nice) != 0)
        return;
    const int index = class_menu_index(class_of_nice(nice));
    const QList<QAction *> items = menu->actions();
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == index);
}

void priority_item_chosen(const CHOSEN_PROCESS &p, QMenu *menu, QAction *item, QWidget *owner) {
    const QList<QAction *> items = menu->actions();
    // Qt toggles a checkable item before it reports the click: the marks
    // are put back until the change is made.
    const int index = static_cast<int>(items.indexOf(item));
    if (index < 0 || index >= static_cast<int>(priority_class_table.size()))
        return;
    item->setChecked(!item->isChecked());
    if (p.key.pid == 0 || !still_running(p, owner))
        return;
    const PRIORITY_CLASS_ENTRY &wanted = priority_class_table[static_cast<std::size_t>(index)];
    std::string question = "Change process priority of " + p.name + " to " + wanted.caption + "?";
    // A lower class than now is for good when Vorkel may not set the
    // present value again: the user is told, and No is the default.
    int now = 0;
    const bool for_good = platform::get_process_nice(p.key.pid, now) == 0 && wanted.nice > now &&
                          now < platform::lowest_settable_nice() && platform::may_renice(p.key.pid);
    if (for_good) {
        question += " Vorkel cannot raise it again: " + p.name + " will stay at " + wanted.caption +
                    " until it ends. " + raise_right_hint;
        if (platform::message_box(owner, question, "Task warning",
                                  platform::MB_YESNO | platform::MB_DEFBUTTON2 | platform::MB_ICONWARNING) !=
            platform::IDYES)
            return;
    } else if (platform::message_box(owner, question, "Task warning",
                                     platform::MB_OKCANCEL | platform::MB_ICONWARNING) != platform::IDOK) {
        return;
    }
    const int error = platform::set_process_nice(p.key.pid, p.key.start_time, wanted.nice);
    tell_failure(error, owner, "Priority error");
    if (error != 0)
        return;
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == index);
}

namespace {

// The "Debugger" value of a key's section (the whole file when section is
// empty). An unquoted value holding commas reads as a list; its items are
// joined again.
std::string debugger_value(const QString &key_path, const QString &section) {
    auto key = platform::open_user_key(key_path);
    if (!section.isEmpty())
        key->beginGroup(section);
    const QVariant value = key->value(QStringLiteral("Debugger"));
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QStringLiteral(", "))
                             : value.toString();
    return text.toLocal8Bit().toStdString();
}

} // namespace

std::string registered_debugger() {
    // Vorkel's own settings file first, then the system's registered
    // debugger, then a terminal running gdb.
    std::string text = debugger_value(QStringLiteral("Software\\Orvane\\Vorkel"), QStringLiteral("Debug"));
    if (text.empty())
        text = debugger_value(QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug"), {});
    if (!text.empty())
        return text;
    std::string terminal = platform::find_program("x-terminal-emulator");
    if (terminal.empty())
        terminal = platform::find_program("xterm");
    const std::string gdb = platform::find_program("gdb");
    if (terminal.empty() || gdb.empty())
        return {};
    return default_debugger_command(terminal, gdb);
}

void debug_process_command(const CHOSEN_PROCESS &p, QWidget *owner,
                           const std::function<int(const std::string &)> &launch) {
    if (p.key.pid == 0 || !still_running(p, owner))
        return;
    const std::string registered = registered_debugger();
    if (registered.empty())
        return;
    launch(build_debugger_command(registered, std::to_string(p.key.pid)));
}

void watch_process_command(const CHOSEN_PROCESS &p, QWidget *owner) {
    if (!p.any || (p.key.pid != 0 && !still_running(p, owner)))
        return;
    open_process_window(p.key);
}
