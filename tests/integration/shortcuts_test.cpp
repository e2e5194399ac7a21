// The Shortcuts page against a real X display: programs that open windows
// are catalogued by discovery and shown as rows, "Launch" starts a real
// program in its folder, and the catalogue carries over to the next start
// of the real program.
#include "support/qt_app.h"
#include "catalogue/catalogue_file.h"
#include "catalogue/link_map.h"
#include "catalogue/shortcuts_page.h"
#include "integration/vorkel_app.h"
#include "shell/main_form.h"
#include "support/test_env.h"
#include "toolkit/grid.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <climits>
#include <filesystem>
#include <memory>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

extern char **environ;

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

std::string link_target(const std::string &link) {
    char buf[PATH_MAX];
    ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// The program a child runs, once it has replaced the forked copy of this
// test (empty until then).
std::string executable_of(pid_t pid) {
    std::string exe = link_target("/proc/" + std::to_string(pid) + "/exe");
    return exe == link_target("/proc/self/exe") ? std::string() : exe;
}

LINK_MAP catalogue_in(const std::string &file) {
    LINK_MAP map;
    APP_LIST list;
    read_catalogue(file, map, list);
    return map;
}

// A script that writes the folder it runs in to marker.
std::string write_cwd_script(const std::string &folder, const std::string &name, const std::string &marker) {
    std::filesystem::create_directories(folder);
    std::string path = folder + "/" + name;
    test_env::write_file(path, "#!/bin/sh\npwd > \"$0.cwd.tmp\" && mv \"$0.cwd.tmp\" '" + marker + "'\n");
    ::chmod(path.c_str(), 0700);
    return path;
}

// A main window in this process whose discovery looks at a virtual X
// display (Vorkel's own X connection; the window itself is offscreen).
class ShortcutsOnDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Vorkel's X connection is opened once per process: it must meet
        // this suite's display, so the suite needs a process of its own
        // (ctest gives every case one).
        fresh_process = !qApp;
        if (!fresh_process)
            return;
        // The display outlives the suite: the connection stays open to the end.
        static test_env::x_session display;
        display_ok = display.ok();
        ensure_qt_application(true);
        form = new TTM;
        form->update_list_timer->stop(); // the tests tick it by hand
    }
    static void TearDownTestSuite() {
        delete form;
        form = nullptr;
    }
    void SetUp() override {
        if (!fresh_process)
            GTEST_SKIP() << "run this suite in a process of its own";
        ASSERT_TRUE(display_ok) << "Xvfb did not start";
        folder = test_env::make_temp_dir("desk");
        file = folder + "/vorkel.dat";
        clear_catalogue();
        set_catalogue_save_path(file);
        create_catalogue(file);
        fill_shortcut_grid(form->grid);
    }
    void TearDown() override {
        clear_catalogue();
        set_catalogue_save_path("");
    }
    static TGrid *grid() { return form->grid; }

    std::string folder, file;
    static TTM *form;
    static bool fresh_process, display_ok;
};
TTM *ShortcutsOnDesktop::form = nullptr;
bool ShortcutsOnDesktop::fresh_process = false;
bool ShortcutsOnDesktop::display_ok = false;

} // namespace

TEST_F(ShortcutsOnDesktop, WindowOfANewProgramBecomesARowAndARecord) {
    test_env::child_process logo({"xlogo"});
    std::string exe;
    ASSERT_TRUE(wait_until([&] { return !(exe = executable_of(logo.pid())).empty(); }));

    // The timer's pass finds it once its window is up.
    ASSERT_TRUE(wait_until([&] {
        form->update_list_timerTimer();
        return row_of_path(grid(), exe) != 0;
    }, 20s)) << exe << " never appeared in the grid";
    EXPECT_EQ(row_of_path(grid(), exe), 1) << "the empty first row is reused";
    EXPECT_FALSE(grid()->checked(1, 1));
    EXPECT_FALSE(grid()->checked(2, 1));
    ASSERT_EQ(catalogue_in(file).count(exe), 1u);

    // F5: a client without _NET_WM_PID (xmessage) is found at once.
    test_env::child_process message({"xmessage", "shortcuts test"});
    std::string message_exe;
    ASSERT_TRUE(wait_until([&] { return !(message_exe = executable_of(message.pid())).empty(); }));
    ASSERT_TRUE(wait_until([&] {
        form->FormKeyDown(Qt::Key_F5, Qt::NoModifier);
        return row_of_path(grid(), message_exe) != 0;
    }, 20s));
    EXPECT_FALSE(grid_busy.load());

    // Later passes add nothing more for the same windows.
    const int rows = grid()->row_count();
    form->update_list_timerTimer();
    EXPECT_EQ(grid()->row_count(), rows);
}

TEST_F(ShortcutsOnDesktop, LaunchStartsTheProgramInItsOwnFolder) {
    // Blanks, a double quote and non-ASCII bytes in the folder's name.
    const std::string dir = folder + "/launch dir \"q\" \xc3\xa9t\xc3\xa9";
    const std::string marker = folder + "/cwd";
    const std::string script = write_cwd_script(dir, "run me", marker);
    link_map_access(link_op::insert, script, {});
    add_program_row(grid(), script);
    grid()->set_current_row(row_of_path(grid(), script));

    form->N12Click();
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(marker); })) << "the program did not run";
    EXPECT_EQ(test_env::read_file(marker), dir + "\n");
}

// The real program: what it catalogues is there after a restart, and
// "Launch with vorkel" programs start each time it starts.
TEST(ShortcutsAcrossRestarts, CatalogueAndStartupLaunchSurviveARestart) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    vorkel_app app;
    const std::string dat = app.data_dir() + "/vorkel.dat";
    const std::string marker = app.folder() + "/started";
    const std::string script = write_cwd_script(app.folder() + "/my scripts", "at start", marker);
    std::filesystem::create_directories(app.data_dir());
    ::chmod(app.data_dir().c_str(), 0700);
    LINK_MAP prepared;
    prepared.emplace(script, LINK_PROPERTIES_STRUCT{1, 1, 0});
    write_catalogue(dat, prepared);

    std::string logo_exe;
    {
        auto vorkel = app.start();
        ASSERT_TRUE(wait_until([&] { return test_env::file_exists(marker); }, 20s))
            << "the Launch-with-vorkel program did not start";
        EXPECT_EQ(test_env::read_file(marker), app.folder() + "/my scripts\n");

        test_env::child_process logo({"xlogo"});
        ASSERT_TRUE(wait_until([&] { return !(logo_exe = executable_of(logo.pid())).empty(); }));
        // The discovery timer ticks every 10 s.
        EXPECT_TRUE(wait_until([&] { return catalogue_in(dat).count(logo_exe) == 1; }, 30s))
            << logo_exe << " was not catalogued";
        ASSERT_TRUE(vorkel.running());
    } // both ended

    ::unlink(marker.c_str());
    auto again = app.start();
    EXPECT_TRUE(wait_until([&] { return test_env::file_exists(marker); }, 20s))
        << "not launched at the second start";
    LINK_MAP now = catalogue_in(dat);
    EXPECT_EQ(now.count(logo_exe), 1u);
    ASSERT_EQ(now.count(script), 1u);
    EXPECT_EQ(now.at(script).show_in_menu, 1);
    EXPECT_EQ(now.at(script).startup, 1);
}

// What Vorkel sets in its own environment (QT_XCB_NO_MITSHM...) must not
// reach the programs it starts: they get exactly what Vorkel was given.
TEST(ShortcutsAcrossRestarts, StartedProgramsGetTheEnvironmentVorkelReceived) {
    test_env::x_session x;
    ASSERT_TRUE(x.ok());
    unsetenv("QT_XCB_NO_MITSHM");
    vorkel_app app;
    const std::string marker = app.folder() + "/environ";
    std::filesystem::create_directories(app.folder() + "/bin");
    const std::string script = app.folder() + "/bin/dump";
    test_env::write_file(script, "#!/bin/sh\ncp /proc/$$/environ '" + marker + ".tmp' && mv '" + marker +
                                     ".tmp' '" + marker + "'\n");
    ::chmod(script.c_str(), 0700);
    std::filesystem::create_directories(app.data_dir());
    ::chmod(app.data_dir().c_str(), 0700);
    LINK_MAP prepared;
    prepared.emplace(script, LINK_PROPERTIES_STRUCT{0, 1, 0});
    write_catalogue(app.data_dir() + "/vorkel.dat", prepared);

    auto vorkel = app.start(); // with this test's environment, nothing added
    ASSERT_TRUE(wait_until([&] { return test_env::file_exists(marker); }, 20s))
        << "the program did not start";
    std::set<std::string> given, got;
    for (char **e = environ; *e; ++e)
        given.insert(*e);
    const std::string bytes = test_env::read_file(marker);
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\0', at), bytes.size());
        got.insert(bytes.substr(at, end - at));
        at = end + 1;
    }
    for (const auto &entry : got)
        EXPECT_EQ(given.count(entry), 1u) << "added by Vorkel: " << entry;
    for (const auto &entry : given)
        EXPECT_EQ(got.count(entry), 1u) << "lost on the way: " << entry;
}
