// The commands of the Tasks grid's popup menu on the process of the
// grid's current row: "End process", "Debug" and "Set priority".
//
// The process comes as the record of the row (id, start time, name).
// Id 0 (the Idle row, or no row) names no process: the commands then do
// nothing. Before acting on a process a command checks that the id still
// names the process of that record (its start time), so a reused id is
// never hit.
//
// Threads: GUI thread only.
#pragma once

#include "monitor/process_info.h"

#include <functional>
#include <string>

class QAction;
class QMenu;
class QWidget;

// How long a process asked to end may take before it is killed.
constexpr int end_process_grace_ms = 3000;

// "End process": asks "Terminate process <name>?" ("Task warning", owned by
// owner); on OK asks the process to end (SIGTERM) and kills it (SIGKILL)
// if it is still there after end_process_grace_ms, without waiting on the
// GUI thread. Not allowed: "Access denied." ("Termination error"). Other
// failures (the process has gone) are silent. On Vorkel's own id it runs
// exit_command instead, so the exit sequence saves everything.
void end_process_command(const CHOSEN_PROCESS &process, QWidget *owner,
                         const std::function<void()> &exit_command);

// "Set priority" opening: checks the item of the class the process's nice
// value reads as (priority_classes.h) and unchecks the others. Id 0, or a
// process that cannot be read, leaves the marks as they are.
// menu holds the six class items in table order.
void priority_menu_opening(const CHOSEN_PROCESS &process, QMenu *menu);

// One of the six class items chosen: asks "Change process priority?"; on OK
// checks item alone and sets the class's nice value on every thread of the
// process. Failures are silent.
void priority_item_chosen(const CHOSEN_PROCESS &process, QMenu *menu, QAction *item, QWidget *owner);

// "Debug": the registered debugger command line (registered_debugger)
// with the process id, started by launch (catalogue's launch_program, no
// working folder, never a shell).
void debug_process_command(const CHOSEN_PROCESS &process,
                           const std::function<int(const std::string &)> &launch);

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
