#include "monitor/process_commands.h"

#include "monitor/debugger_command.h"
#include "monitor/priority_classes.h"
#include "platform/launcher.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "platform/registry.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <cerrno>

void end_process_command(const CHOSEN_PROCESS &p, QWidget *owner, const std::function<void()> &exit_command) {
    if (p.pid == 0)
        return;
    if (platform::message_box(owner, "Terminate process " + p.name + "?", "Task warning",
                              platform::MB_OKCANCEL | platform::MB_ICONWARNING) != platform::IDOK)
        return;
    if (p.pid == platform::own_process_id()) {
        if (exit_command)
            exit_command();
        return;
    }
    const int error = platform::signal_process(p.pid, p.start_time, platform::END_SIGNAL::terminate);
    if (error == EPERM) {
        platform::message_box(owner, "Access denied.", "Termination error",
                              platform::MB_OK | platform::MB_ICONERROR);
        return;
    }
    if (error != 0)
        return;
    // A process that does not end when asked is killed after the grace
    // period; the GUI thread goes on meanwhile. The start time read now
    // makes sure the kill reaches no process that took over the id.
    const std::uint64_t start = p.start_time ? p.start_time : platform::process_start_time(p.pid);
    const std::uint32_t pid = p.pid;
    QTimer::singleShot(end_process_grace_ms, Qt::PreciseTimer, owner, [pid, start] {
        if (start != 0 && platform::same_process_running(pid, start))
            platform::signal_process(pid, start, platform::END_SIGNAL::kill);
    });
}

void prepare_priority_menu(QMenu *menu) {
    for (QAction *a : menu->actions())
        a->setCheckable(true);
}

void priority_menu_opening(const CHOSEN_PROCESS &p, QMenu *menu) {
    if (p.pid == 0)
        return;
    if (p.start_time != 0 && !platform::same_process_running(p.pid, p.start_time))
        return;
    int nice = 0;
    if (platform::get_process_nice(p.pid, nice) != 0)
        return;
    const int index = class_menu_index(class_of_nice(nice));
    const QList<QAction *> items = menu->actions();
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == index);
}

void priority_item_chosen(const CHOSEN_PROCESS &p, QMenu *menu, QAction *item, QWidget *owner) {
    const QList<QAction *> items = menu->actions();
    // Qt toggles a checkable item before it reports the click: the marks
    // are put back until the answer is known.
    const int index = static_cast<int>(items.indexOf(item));
    if (index < 0 || index >= static_cast<int>(priority_class_table.size()))
        return;
    item->setChecked(!item->isChecked());
    if (platform::message_box(owner, "Change process priority?", "Task warning",
                              platform::MB_OKCANCEL | platform::MB_ICONWARNING) != platform::IDOK)
        return;
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == index);
    if (p.pid == 0)
        return;
    platform::set_process_nice(p.pid, p.start_time,
                               priority_class_table[static_cast<std::size_t>(index)].nice);
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

void debug_process_command(const CHOSEN_PROCESS &p, const std::function<int(const std::string &)> &launch) {
    if (p.pid == 0)
        return;
    const std::string registered = registered_debugger();
    if (registered.empty())
        return;
    // The id as a clean decimal number.
    launch(build_debugger_command(registered, std::to_string(p.pid)));
}
