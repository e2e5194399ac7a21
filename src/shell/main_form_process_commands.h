// The Tasks page's popup menu joined to its TTM handlers.
#pragma once

class TTM;

// Connects PopupMenu3's items, makes the priority items checkable and lets
// Del end the selected process while the grid has the focus.
void connect_process_commands(TTM *form);
