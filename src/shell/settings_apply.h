// Turns a settings record into run-time state: the three timer intervals,
// the main window's stay-on-top style and the option globals
// (common/options.h). An interval of 0 leaves its timer as it is; so does
// a negative one, which a timer cannot take (it would spin).
//
// GUI thread.
#pragma once

#include "shell/settings.h"

#include <QPointer>
#include <QTimer>

#include <functional>

// What the settings act on besides the option globals: the main window's
// timers and its stay-on-top style. A null (or deleted) timer or an empty
// function is left alone.
struct SETTINGS_TARGETS {
    QPointer<QTimer> update_list_timer;
    QPointer<QTimer> task_timer;
    QPointer<QTimer> cpu_timer;
    std::function<void(bool)> set_stay_on_top;
};

void apply_settings(const SETTINGS_STRUCT &s, const SETTINGS_TARGETS &targets);
