// The main window's "Logging" page: the "One process log" group (process
// list, log file, "Start logging", "Stop logging") and the "Global
// logging" group ("Enable log", " Show stat"). The main window's handlers
// forward here with the widgets each action needs.
//
// Threads: GUI thread only.
#pragma once

#include "monitor/process_info.h"

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;
class TFileNameEdit;

// The page became active: the controls follow logging_active; when not
// logging and there are processes (in the Tasks page's order), the list is
// refilled with them (each item the PID, blanks up to 30 pixels and at
// least one, then the name; the process id as the item's data) with
// nothing selected.
void logging_page_activated(QPushButton *start, QPushButton *stop, QComboBox *processes,
                            const std::vector<CHOSEN_PROCESS> &every_process);

// "Start logging": checks the chosen process and the file name, asks before
// overwriting, opens the file and starts the logger. A refusal or a file
// that cannot be opened is told in a box owned by owner and leaves the
// controls idle.
void start_logging_click(QComboBox *processes, TFileNameEdit *logfile, QPushButton *start, QPushButton *stop,
                         QWidget *owner);

// "Stop logging": idle controls, then waits until the logger has ended
// (about a second at most).
void stop_logging_click(QComboBox *processes, QPushButton *start, QPushButton *stop);

// "Enable log" released: a ticked box starts collecting into
// statistics_path (unless a collector runs already); an unticked one stops
// it. When a collector still ending cannot be waited for, the box is
// unticked again; so it is when another copy collects into the same
// folder, after an error box that says so.
void gllog_mouse_up(QCheckBox *gllog, const std::string &statistics_path);
