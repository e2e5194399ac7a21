// The commands of the Tasks grid's popup menu on the process of the
// grid's current row: "End process", "Debug" and "Set priority".
//
// The row's column-0 text is the process id, its column-1 text the name.
// Id 0 (the Idle row), an empty id and a text that does not start with a
// digit name no process: the commands then do nothing. Before acting on a
// process a command checks that the id still names the process of the
// last snapshot (its start time in process_table), so a reused id is never
// hit.
//
// Threads: GUI thread only. process_table is read through
// copy_process_info (which takes "task_time_mutex").
#pragma once

#include <functional>
#include <string>

class QAction;
class QMenu;
class QWidget;
class TGrid;

// How long a process asked to end may take before it is killed.
constexpr int end_process_grace_ms = 3000;

// "End process": asks "Terminate process <name>?" ("Task warning", owned by
// owner); on OK asks the process to end (SIGTERM) and kills it (SIGKILL)
// if it is still there after end_process_grace_ms, without waiting on the
// GUI thread. Not allowed: "Access denied." ("Termination error"). Other
// failures (the process has gone) are silent. On Vorkel's own id it runs
// exit_command instead, so the exit sequence saves everything.
void end_process_command(TGrid *grid, QWidget *owner, const std::function<void()> &exit_command);

// "Set priority" opening: checks the item of the class the process's nice
// value reads as (priority_classes.h) and unchecks the others. An empty or
// "0" id, or a process that cannot be read, leaves the marks as they are.
// menu holds the six class items in table order.
void priority_menu_opening(TGrid *grid, QMenu *menu);

// One of the six class items chosen: asks "Change process priority?"; on OK
// checks item alone and sets the class's nice value on every thread of the
// process. Failures are silent.
void priority_item_chosen(TGrid *grid, QMenu *menu, QAction *item, QWidget *owner);

// "Debug": the registered debugger command line (registered_debugger)
// with the process id, started by launch (catalogue's launch_program, no
// working folder, never a shell).
void debug_process_command(TGrid *grid, const std::function<int(const std::string &)> &launch);

// The registered debugger: the "Debugger" value of section "Debug" in
// Vorkel's own settings store (key "Software\Orvane\Vorkel", the file
// ~/.config/Orvane/Vorkel.conf); without one, the "Debugger" value under
// "SOFTWARE\Microsoft\Windows NT\CurrentVersion\AeDebug"; when there is
// neither and gdb and a terminal emulator (x-terminal-emulator, else
// xterm) are installed, that terminal running "gdb -p ". Empty when there
// is no debugger at all.
std::string registered_debugger();

// Makes the six items checkable (once, when the menu is built).
void prepare_priority_menu(QMenu *menu);
