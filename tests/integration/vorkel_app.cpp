#include "integration/vorkel_app.h"

#include "platform/system_info.h"

#include <cstdlib>

vorkel_app::vorkel_app(const std::string &exe_name) {
    folder_ = test_env::make_temp_dir("app");
    exe_ = folder_ + "/" + exe_name;
    class_name_ = exe_name.substr(0, exe_name.find('.'));
    std::string cmd = std::string("cp '") + VORKEL_BINARY + "' '" + exe_ + "'";
    if (std::system(cmd.c_str()) != 0)
        exe_.clear();
}

std::string vorkel_app::data_dir() const { return folder_ + "/" + platform::user_name(); }

test_env::child_process vorkel_app::start() {
    std::string log = folder_ + "/run-" + std::to_string(runs_++) + ".log";
    return test_env::child_process({exe_}, {}, log);
}

std::optional<test_env::x_window> vorkel_app::main_window() const {
    for (auto &w : test_env::windows_of_class(class_name_))
        if (!w.in_tray && w.name == "Vorkel" && w.width > 100 && w.height > 100)
            return w;
    return std::nullopt;
}

std::optional<test_env::x_window> vorkel_app::tray_icon() const {
    for (auto &w : test_env::windows_of_class(class_name_))
        if (w.in_tray && w.viewable)
            return w;
    return std::nullopt;
}

bool vorkel_app::main_window_shown() const {
    auto w = main_window();
    return w && w->viewable;
}

bool vorkel_app::tray_icon_shown() const { return tray_icon().has_value(); }
