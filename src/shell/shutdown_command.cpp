#include "shell/shutdown_command.h"

#include "platform/message_box.h"
#include "platform/session_power.h"

void N14Click(TTM *) {
    auto &power = platform::current_session_power();
    if (!power.may_power_off())
        return;
    if (platform::message_box("End session and turn power off?", "Shut down warning",
                              platform::MB_OKCANCEL | platform::MB_ICONWARNING) != platform::IDOK)
        return;
    power.power_off();
}
