// The grids' menus from the keyboard, on the real program in a PID
// namespace of its own: Shift+F10 on the Tasks grid and the Menu key on the
// Shortcuts grid open the grid's menu by the selected row, however far the
// mouse pointer is, and a command chosen there acts on that row.
#include "catalogue/catalogue_file.h"
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QRect>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

// Where a window is on the screen, as xdotool tells it.
QRect area_of(unsigned long window) {
    std::istringstream in(xdotool("getwindowgeometry --shell " + std::to_string(window)));
    int x = 0, y = 0, width = 0, height = 0;
    for (std::string line; std::getline(in, line);)
        for (auto [key, value] :
             {std::pair{"X=%d", &x}, {"Y=%d", &y}, {"WIDTH=%d", &width}, {"HEIGHT=%d", &height}})
            std::sscanf(line.c_str(), key, value);
    return {x, y, width, height};
}

} // namespace

TEST(GridMenuKeys, MenuKeysOpenEachGridsMenuByItsRowAndTheCommandActsOnIt) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    vorkel_app app;
    ASSERT_FALSE(app.exe().empty());
    // One catalogued program, its "Show" box clear; a sleeper whose name
    // sorts first on the Tasks page.
    const std::string program = app.folder() + "/vkl-menu-program";
    std::filesystem::create_directories(app.data_dir());
    create_catalogue(app.data_dir() + "/vorkel.dat");
    write_catalogue(app.data_dir() + "/vorkel.dat", LINK_MAP{{program, LINK_PROPERTIES_STRUCT{0, 0, 0}}});
    const std::string sleeper = app.folder() + "/aaa_menu_probe";
    std::filesystem::copy_file("/bin/sleep", sleeper);
    auto p = app.start_in_own_pid_namespace({"'" + sleeper + "' 600"});
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s));
    app.start().wait(15s); // a second start shows the window
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));
    const auto window = app.main_window();
    ASSERT_TRUE(window);
    const std::string id = std::to_string(window->id);
    xdotool("windowactivate --sync " + id);

    struct CASE {
        const char *page_tab; // where to click the page's tab; none for "Tasks", shown first
        const char *key;
        std::function<bool()> done; // the menu's first command acted on the first row
    };
    const CASE cases[] = {
        {nullptr, "shift+F10", [] { return test_env::run_capture("pgrep -x aaa_menu_probe").empty(); }},
        {"25 12", "Menu",
         [&] {
             LINK_MAP catalogue;
             APP_LIST never;
             read_catalogue(app.data_dir() + "/vorkel.dat", catalogue, never);
             return catalogue.count(program) && catalogue[program].show_in_menu == 1;
         }},
    };
    for (const CASE &c : cases) {
        SCOPED_TRACE(c.key);
        // The page, a click into its grid below the rows, its first row by
        // keyboard; the pointer then goes to the far corner of the screen.
        if (c.page_tab)
            xdotool("mousemove --window " + id + " " + c.page_tab + " click 1");
        xdotool("mousemove --window " + id + " 80 250 click 1");
        xdotool("mousemove 1020 764");
        xdotool(std::string("key ctrl+Home ") + c.key);
        std::optional<test_env::x_window> menu;
        ASSERT_TRUE(wait_until([&] { return (menu = app.popup_menu()).has_value(); }, 10s)) << "no menu";
        const QPoint at = area_of(menu->id).topLeft();
        EXPECT_TRUE(area_of(window->id).contains(at)) << "the menu opened at " << at.x() << "," << at.y();
        xdotool("key Down Return");              // the first command
        if (std::string(c.key) == "shift+F10") { // "End process" asks first
            ASSERT_TRUE(wait_until([] { return xdotool("search --name '^Task warning$'") != ""; }, 10s));
            xdotool("key Return");
        }
        EXPECT_TRUE(wait_until(c.done, 10s)) << "the command did not act on the selected row";
    }
    EXPECT_TRUE(p.running());
}
