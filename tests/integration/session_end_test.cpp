// The ways Vorkel's run ends besides the tray menu's "Exit": a logout or a
// service manager's signal ends it as "Exit" would, without the farewell;
// and "Exit" itself leaves nothing on the terminal, whatever the tray.
#include "integration/vorkel_app.h"
#include "shell/column_ini.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

class EndSignal : public ::testing::TestWithParam<int> {};

} // namespace

// Column widths and the window's place are saved, no farewell shows (it
// stays on screen for 1.8 s when it does), and the run ends with 0 (a
// signal's default action would end it at once, saving nothing).
TEST_P(EndSignal, SavesWhatExitSavesAndEndsWithZero) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    // A name of its own: the window's place goes to ~/.config/<name>.conf.
    vorkel_app app("vorkel-signal-" + std::to_string(GetParam()));
    auto p = app.start();
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    EXPECT_EQ(app.start().wait(15s), 1);
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));

    ASSERT_EQ(::kill(p.pid(), GetParam()), 0);
    bool farewell = false;
    EXPECT_TRUE(wait_until(
        [&] {
            for (auto &w : test_env::windows_of_class(app.class_name()))
                farewell |= w.name == "about" && w.viewable;
            return !p.running();
        },
        20s));
    EXPECT_FALSE(farewell);
    EXPECT_EQ(p.wait(1s), 0);
    const std::string ini = test_env::read_file(app.data_dir() + "/vorkel.ini");
    EXPECT_NE(ini.find("[SETTINGS]"), std::string::npos) << "vorkel.ini was not written";
    EXPECT_GT(widths_from_ini(ini)[3], 0) << "the PID column's real width: " << ini;
    const std::string conf =
        test_env::read_file(std::string(getenv("XDG_CONFIG_HOME")) + "/" + app.class_name() + ".conf");
    EXPECT_NE(conf.find("[TTM]"), std::string::npos) << "the window's place was not saved";
    EXPECT_EQ(test_env::read_file(app.folder() + "/run-0.log"), "");
}

INSTANTIATE_TEST_SUITE_P(, EndSignal, ::testing::Values(SIGTERM, SIGHUP), [](const auto &info) {
    return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGHUP");
});

// "Exit" from the tray menu of a window never shown, in a window manager's
// tray and in a bare tray without a window manager.
TEST(QuietExit, NothingOnTheTerminalInEitherTray) {
    for (const bool window_manager : {true, false}) {
        SCOPED_TRACE(window_manager ? "icewm" : "trayer");
        test_env::x_session x(window_manager);
        ASSERT_TRUE(x.ok());
        test_env::child_process tray;
        if (!window_manager)
            tray = test_env::child_process({"trayer", "--edge", "top"}, {}, "/dev/null");
        ASSERT_TRUE(wait_until([] { return test_env::tray_selection_owned(); }, 20s));
        vorkel_app app;
        auto p = app.start();
        ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
        ASSERT_TRUE(app.open_tray_menu()) << "the tray menu did not open";
        xdotool("key Up Return"); // "Exit", the last item
        EXPECT_EQ(p.wait(30s), 0);
        EXPECT_EQ(test_env::read_file(app.folder() + "/run-0.log"), "");
    }
}
