// The "Shortcuts" page: the catalogue shown as the main window's grid, one
// row per program with the "Show" (column 1) and "StartUp" (column 2)
// boxes, and the commands of its popup menu.
//
// A row's path cell is the only link between the row and its catalogue
// entry. The cell shows the path decoded for display, while the row keeps
// the path's exact bytes beside it, so that paths that are not valid text
// still find, launch and delete the right entry.
//
// The main window's handlers (gridCheckBoxClick, N5Click ...) forward to
// the functions here, handing over the grid, discovery's timer and the
// window that owns the dialogs.
//
// Threads: GUI thread only.
#pragma once

#include <QString>

#include <string>

#include "catalogue/link_map.h"

class QTimer;
class QWidget;
class TGrid;

// Builds the grid from link_map in key order (header and one empty row
// when the catalogue is empty) and starts, in the same order, every
// program whose startup mode is 1 ("Launch with vorkel"). Start failures
// are not reported: this runs before the window is shown.
void fill_shortcut_grid(TGrid *grid);

// The alignment of the grid's cells: the two box columns centred.
Qt::Alignment shortcuts_alignment(int col, int row);

// A box of a row changed (by the user, or by toggle_shortcut_box): records
// "Show" (column 1) in the catalogue, or asks for and acts on "StartUp"
// (column 2), and saves the catalogue. A row whose program is not
// catalogued records nothing.
void shortcut_box_clicked(TGrid *grid, int col, int row, bool checked);

// The menu's "Show in shortcuts menu" (col 1) and "StartUp" (col 2):
// toggles the box of the current row as a click would.
void toggle_shortcut_box(TGrid *grid, int col);

// "Add new shortcut": asks for a program file (dialog owned by owner) and
// catalogues it with a row of its own; a program catalogued already only
// gets its row selected. Discovery's timer is off meanwhile.
void add_shortcut(TGrid *grid, QTimer *update_list_timer, QWidget *owner);

// "Delete" and "Delete and never add again": removes the current row's
// program from the catalogue and its row from the grid; never_add_again
// also puts its path on the never-add list. Discovery's timer is off
// meanwhile.
void delete_shortcut(TGrid *grid, QTimer *update_list_timer, bool never_add_again);

// "Launch": starts the current row's program; a failure is reported in a
// message box. An empty row does nothing.
void launch_shortcut(TGrid *grid);

// Draws the boxes of the grid's check-box columns in the middle of their
// cells (the columns' alignment), clickable there.
void centre_check_boxes(TGrid *grid);

// Shows a program just catalogued: reuses row 1 while its path cell is
// empty, otherwise appends a row; both boxes unticked. path is the path
// as found (discovery passes it untrimmed).
void add_program_row(TGrid *grid, const std::string &path);

// A discovery pass over the desktop that adds a row per program found.
// grid_busy is neither taken nor checked (the callers decide).
int scan_windows_into_grid(TGrid *grid);

// The text a path shows in the grid (the bytes read as the locale's
// text, which on this system is UTF-8).
QString path_display_text(const std::string &path);

// The path of a data row as exact bytes; empty for an empty row.
std::string row_path(const TGrid *grid, int row);

// Writes path into the row's path cell, keeping its bytes.
void set_row_path(TGrid *grid, int row, const std::string &path);

// The first data row showing path, 0 when none does.
int row_of_path(const TGrid *grid, const std::string &path);

// The catalogue entry a row's path stands for: the entry of that exact
// path, else the entry of its trimmed form (discovery shows a path with
// its surrounding blanks but catalogues it without them). End when the
// row's program is not catalogued.
LINK_MAP::iterator find_row_entry(const std::string &path);

// The "Add new shortcut" file dialog (od). Offers the programs of the
// folder: files with the executable bit as well as the listed extensions,
// and all files. Returns the chosen file, or empty when cancelled.
std::string choose_program_file(QWidget *owner);

// The "StartUp" box of a catalogued row was ticked: asks the start-up mode
// and acts on it (an autostart entry for "Add in windows startup"); a
// refusal clears the box again. Returns false when the entry vanished
// while the question was open (then nothing is to be saved).
bool startup_box_ticked(TGrid *grid, int row, const std::string &path);

// The "StartUp" box of a catalogued row was cleared: removes the autostart
// entry of a -1 program and sets startup to 0.
void startup_box_cleared(LINK_MAP::iterator entry, const std::string &path);
