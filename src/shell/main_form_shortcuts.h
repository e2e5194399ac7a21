// The main window's side of the "Shortcuts" page: its handlers forward to
// catalogue/shortcuts_page.h with the widgets each needs.
//
// GUI thread.
#pragma once

class TTM;

// Connects the grid's events and PopupMenu2's commands to their handlers,
// and sets the grid's alignment and box drawing.
void connect_shortcuts_page(TTM *form);
