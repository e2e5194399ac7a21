#include "shell/settings_apply.h"

#include "common/options.h"

void apply_settings(const SETTINGS_STRUCT &s, const SETTINGS_TARGETS &targets) {
    if (targets.update_list_timer && s.apps_interval > 0)
        targets.update_list_timer->setInterval(s.apps_interval);
    if (targets.task_timer && s.tasks_interval > 0)
        targets.task_timer->setInterval(s.tasks_interval);
    if (s.cpu_interval > 0) {
        if (targets.cpu_timer)
            targets.cpu_timer->setInterval(s.cpu_interval);
        cpu_timer_interval = s.cpu_interval;
    }
    opt_tray_color = s.tray_color;
    opt_cpu_color = s.cpu_color;
    opt_full_path = s.full_path != 0;
    if (targets.set_stay_on_top)
        targets.set_stay_on_top(s.stay_on_top != 0);
    opt_own_items = s.hide_own_items == 0;
    opt_dockable = s.dockable != 0;
}
