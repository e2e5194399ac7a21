// The tray menu's "Shutdown": after one question, ends the session and
// turns the machine off. Without the right to power off, nothing is asked
// and nothing happens. The program's own exit sequence is not run first.
//
// GUI thread.
#pragma once

class TTM;

void N14Click(TTM *form);
