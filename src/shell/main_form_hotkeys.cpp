// The "Hotkeys" command of the Shortcuts grid's popup menu.
#include "catalogue/hotkey_form.h"
#include "shell/main_form.h"

void TTM::N13Click() { give_row_hotkey(grid); }
