// Turns a settings record into run-time state: the three timer intervals,
// the main window's stay-on-top style and the option globals
// (common/options.h). An interval of 0 leaves its timer as it is; so does
// a negative one, which a timer cannot take (it would spin).
//
// GUI thread; needs the main window (TM) for the timers and the style.
#pragma once

#include "shell/settings.h"

void apply_settings(SETTINGS_STRUCT s);
