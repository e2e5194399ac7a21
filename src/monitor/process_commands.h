// The commands of the Tasks grid's popup menu: "End process", "Debug",
// "Set priority" and "Show in separate window".
//
// A command acts on the process the user chose: the row under the pointer
// when the menu opened, or the selected row when Del was pressed. Its
// identity (id and start time, as the refresh that wrote the row saw it)
// and the name the row showed are captured then (the grid's record of the
// row, TTasks_grid::current_process), because
// the grid goes on refreshing under the open menu and under every question
// box, and its rows shift when a process starts or ends above the chosen
// one. A command names the captured process in its question and acts on
// exactly that process; when that process has ended (or its id now belongs
// to another) it says "The process has ended." and does nothing. Id 0
// (the Idle row, an empty row) names no process.
//
// Threads: GUI thread only.
#pragma once

#include "monitor/process_key.h"

#include <functional>
#include <string>

class QAction;
class QMenu;
class QWidget;

// How long a process asked to end may take before it is killed.
constexpr int end_process_grace_ms = 3000;

// "End process": asks "Terminate process <name>?" ("Task warning", owned
// by owner); on OK asks the process to end (SIGTERM) and kills it
// (SIGKILL) if it is still there after end_process_grace_ms, without
// waiting on the GUI thread. Not allowed: "Access denied." ("Termination
// error"). On Vorkel's own process it runs exit_command instead, so the
// exit sequence saves everything.
void end_process_command(const CHOSEN_PROCESS &chosen, QWidget *owner,
                         const std::function<void()> &exit_command);

// "Set priority" opening: checks the item of the class the process's nice
// value reads as (priority_classes.h) and unchecks the others. No process,
// or one that cannot be read, leaves the marks as they are. menu holds the
// six class items in table order.
void priority_menu_opening(const CHOSEN_PROCESS &chosen, QMenu *menu);

// One of the six class items chosen: asks "Change process priority of
// <name> to <class>?"; on OK sets the class's nice value on every thread
// of the process and checks item alone. When Vorkel could not raise the
// process's priority again afterwards (a lower class, without the right to
// raise priorities), the question says so and is a Yes/No box whose
// default is No. Not allowed (a higher class without that right, another
// user's process): "Access denied." ("Priority error"); nothing changes.
void priority_item_chosen(const CHOSEN_PROCESS &chosen, QMenu *menu, QAction *item, QWidget *owner);

// "Debug": the registered debugger command line (registered_debugger)
// with the process id, started by launch (catalogue's launch_program, no
// working folder, never a shell).
void debug_process_command(const CHOSEN_PROCESS &chosen, QWidget *owner,
                           const std::function<int(const std::string &)> &launch);

// "Show in separate window": a watch window on the process (one_process_form.h).
// Id 0 watches the Idle pseudo-process; no chosen process, nothing.
void watch_process_command(const CHOSEN_PROCESS &chosen, QWidget *owner);

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
