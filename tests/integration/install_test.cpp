// Vorkel as users install it: the files of an install, the Debian package,
// the installed program started from a read-only prefix, and the start-up
// answers that need no display.
#include "integration/vorkel_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <set>
#include <sstream>

using namespace std::chrono_literals;
using test_env::run_capture;
using test_env::wait_until;

namespace {

// The build folder the tests were built in holds the program.
std::string build_dir() {
    std::string bin = VORKEL_BINARY;
    return bin.substr(0, bin.rfind('/'));
}

std::string quoted(const std::string &s) { return "'" + s + "'"; }

// Every file and link below root, as paths relative to it, sorted.
std::set<std::string> files_below(const std::string &root) {
    std::set<std::string> out;
    std::istringstream list(
        run_capture("cd " + quoted(root) + " && find . \\( -type f -o -type l \\) | sort"));
    for (std::string line; std::getline(list, line);)
        if (line.size() > 2)
            out.insert(line.substr(2));
    return out;
}

const std::set<std::string> installed_files = {
    "usr/bin/vorkel",
    "usr/share/applications/org.vorkel.Vorkel.desktop",
    "usr/share/doc/vorkel/changelog.gz",
    "usr/share/doc/vorkel/copyright",
    "usr/share/icons/hicolor/16x16/apps/vorkel.png",
    "usr/share/icons/hicolor/22x22/apps/vorkel.png",
    "usr/share/icons/hicolor/24x24/apps/vorkel.png",
    "usr/share/icons/hicolor/32x32/apps/vorkel.png",
    "usr/share/icons/hicolor/48x48/apps/vorkel.png",
    "usr/share/icons/hicolor/scalable/apps/vorkel.svg",
    "usr/share/man/man1/vorkel.1.gz",
    "usr/share/metainfo/org.vorkel.Vorkel.metainfo.xml",
};

std::string install_into(const std::string &destdir, const std::string &prefix) {
    int rc = -1;
    std::string out = run_capture("DESTDIR=" + quoted(destdir) + " cmake --install " + quoted(build_dir()) +
                                      " --prefix " + quoted(prefix) + " 2>&1",
                                  &rc);
    return rc == 0 ? std::string() : out.empty() ? std::string("cmake --install failed") : out;
}

} // namespace

TEST(Install, DestdirHoldsExactlyTheInstalledFilesAndTheyValidate) {
    const std::string dest = test_env::make_temp_dir("dest");
    ASSERT_EQ(install_into(dest, "/usr"), "");
    EXPECT_EQ(files_below(dest), installed_files);

    int rc = -1;
    std::string out =
        run_capture("desktop-file-validate " +
                        quoted(dest + "/usr/share/applications/org.vorkel.Vorkel.desktop") + " 2>&1",
                    &rc);
    EXPECT_EQ(rc, 0) << out;
    EXPECT_EQ(out, "") << "not even a hint (one main category)";
    const std::string metainfo = dest + "/usr/share/metainfo/org.vorkel.Vorkel.metainfo.xml";
    out = run_capture("appstreamcli validate --no-net " + quoted(metainfo) + " 2>&1", &rc);
    EXPECT_EQ(rc, 0) << out;
    // The desktop entry is named after the AppStream id, which launches it.
    const std::string meta = test_env::read_file(metainfo);
    const std::size_t id_at = meta.find("<id>") + 4;
    const std::string entry = meta.substr(id_at, meta.find("</id>") - id_at) + ".desktop";
    EXPECT_TRUE(test_env::file_exists(dest + "/usr/share/applications/" + entry)) << entry;
    EXPECT_NE(meta.find(">" + entry + "</launchable>"), std::string::npos) << entry;
    // The manual page formats without warnings and names the exit codes.
    const std::string man_page = quoted(dest + "/usr/share/man/man1/vorkel.1.gz");
    out = run_capture("MANWIDTH=80 man --warnings -l " + man_page + " 2>&1 >/dev/null", &rc);
    EXPECT_EQ(out, "");
    const std::string page = run_capture("zcat " + man_page);
    EXPECT_EQ(page.find("@PROJECT_VERSION@"), std::string::npos);
    EXPECT_NE(page.find("EXIT STATUS"), std::string::npos);
    // The rendered theme sizes are real PNGs of their size.
    for (int side : {16, 22, 24, 32, 48}) {
        const std::string size = std::to_string(side);
        out = run_capture("identify -format '%wx%h' " + quoted(dest + "/usr/share/icons/hicolor/" + size +
                                                               "x" + size + "/apps/vorkel.png"));
        EXPECT_EQ(out, size + "x" + size);
    }
}

TEST(Install, DebianPackageInstallsAndRemovesWithoutTrace) {
    const std::string out_dir = test_env::make_temp_dir("deb");
    int rc = -1;
    std::string out =
        run_capture("cd " + quoted(build_dir()) + " && cpack -G DEB -B " + quoted(out_dir) + " 2>&1", &rc);
    ASSERT_EQ(rc, 0) << out;
    const std::string deb = run_capture("ls " + quoted(out_dir) + "/vorkel_*.deb | head -n1");
    ASSERT_FALSE(deb.empty()) << out;

    // Its dependencies came from the program's libraries, plus the platform plugin.
    const std::string depends = run_capture("dpkg-deb -f " + quoted(deb) + " Depends");
    EXPECT_NE(depends.find("libqt6widgets6"), std::string::npos) << depends;
    EXPECT_NE(depends.find("libx11-6"), std::string::npos) << depends;
    EXPECT_NE(depends.find("qt6-qpa-plugins"), std::string::npos) << depends;

    std::set<std::string> listed;
    std::istringstream contents(run_capture("dpkg-deb --contents " + quoted(deb) + " | awk '{print $6}'"));
    for (std::string line; std::getline(contents, line);)
        if (!line.empty() && line.back() != '/')
            listed.insert(line.substr(2)); // "./usr/..." → "usr/..."
    EXPECT_EQ(listed, installed_files);

    // Installed and removed in a root of its own, never on this machine.
    const std::string root = test_env::make_temp_dir("root");
    ASSERT_EQ(std::system(("mkdir -p " + quoted(root) + "/var/lib/dpkg/info " + quoted(root) +
                           "/var/lib/dpkg/updates && touch " + quoted(root) + "/var/lib/dpkg/status")
                              .c_str()),
              0);
    const std::string dpkg = "dpkg --root=" + quoted(root) + " --force-script-chrootless ";
    out = run_capture(dpkg + "--force-depends -i " + quoted(deb) + " 2>&1", &rc);
    ASSERT_EQ(rc, 0) << out;
    std::set<std::string> unpacked;
    for (const std::string &f : files_below(root))
        if (f.rfind("var/lib/dpkg/", 0) != 0)
            unpacked.insert(f);
    EXPECT_EQ(unpacked, installed_files);
    out = run_capture(dpkg + "-r vorkel 2>&1", &rc);
    ASSERT_EQ(rc, 0) << out;
    EXPECT_EQ(run_capture("cd " + quoted(root) + " && find . -mindepth 1 -not -path './var*'"), "")
        << "removal left files or folders behind";
}

TEST(Install, AnswersWithoutADisplay) {
    const std::string bin = quoted(VORKEL_BINARY);
    const std::string no_display = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    int rc = -1;
    std::string out = run_capture(no_display + bin + " --version 2>&1", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(out.rfind("vorkel ", 0), 0u) << out;
    out = run_capture(no_display + bin + " --help 2>&1", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(out.find("Usage: vorkel"), std::string::npos) << out;

    // A plain start: one line on standard error, exit code 2, no core dump
    // (a crash would show as 128 + the signal).
    const std::string dir = test_env::make_temp_dir("nodisplay");
    out = run_capture("cd " + quoted(dir) + " && ulimit -c unlimited; " + no_display + bin +
                          " 2>err.txt >out.txt; echo $?",
                      &rc);
    EXPECT_EQ(out, "2");
    const std::string err = test_env::read_file(dir + "/err.txt");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("X11 display"), std::string::npos) << err;
    EXPECT_EQ(test_env::read_file(dir + "/out.txt"), "");
    EXPECT_EQ(files_below(dir), (std::set<std::string>{"err.txt", "out.txt"})) << "no core file";
}

namespace {

class InstalledOnDisplay : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(x.ok()) << "Xvfb did not start"; }
    test_env::x_session x;
};

// The _NET_WM_ICON property of a window as xprop prints it.
std::string net_wm_icon(unsigned long window) {
    return run_capture("xprop -id " + std::to_string(window) + " _NET_WM_ICON 2>&1 | head -c 300");
}

} // namespace

// Installed into a prefix of its own and into a DESTDIR tree (moved
// there, as a relocated install), the program keeps its data under
// $XDG_DATA_HOME, whoever runs it (the tests run as root, who could write
// anywhere), and nothing below the prefix changes, not even at its end.
TEST_F(InstalledOnDisplay, InstalledProgramNeverWritesIntoItsPrefix) {
    for (const bool destdir : {false, true}) {
        const std::string dest = test_env::make_temp_dir("install");
        const std::string tree = dest + "/usr";
        ASSERT_EQ(install_into(destdir ? dest : "", destdir ? "/usr" : tree), "");
        const std::string listing = "find " + quoted(tree) + " -printf '%p %s %T@\\n' | sort";
        test_env::write_file(dest + "/before.txt", run_capture(listing) + "\n");
        const std::string data_home = test_env::make_temp_dir("data-home");
        test_env::child_process app(
            {"env", "-u", "QT_QPA_PLATFORM", "XDG_DATA_HOME=" + data_home, tree + "/bin/vorkel"}, {},
            dest + "/run.log");
        const std::string user_dir = data_home + "/vorkel/" + run_capture("id -un");
        EXPECT_TRUE(wait_until([&] { return test_env::file_exists(user_dir + "/vorkel.dat"); }, 20s))
            << test_env::read_file(dest + "/run.log");
        ASSERT_EQ(::kill(app.pid(), SIGTERM), 0);
        EXPECT_EQ(app.wait(20s), 0);
        EXPECT_TRUE(test_env::file_exists(user_dir + "/vorkel.ini"));
        EXPECT_EQ(run_capture(listing + " | diff " + quoted(dest + "/before.txt") + " -"), "")
            << (destdir ? "DESTDIR tree" : "prefix");
    }
}

TEST_F(InstalledOnDisplay, DeadWaylandSocketStillRunsOnTheXDisplayWithItsIcon) {
    vorkel_app app;
    ASSERT_FALSE(app.exe().empty());
    const std::string runtime = test_env::make_temp_dir("wayland");
    test_env::child_process vorkel({"env", "-u", "QT_QPA_PLATFORM", app.exe()},
                                   {"WAYLAND_DISPLAY=" + runtime + "/wayland-9", "XDG_SESSION_TYPE=wayland"},
                                   app.folder() + "/run.log");
    ASSERT_TRUE(wait_until([&] { return app.tray_icon_shown(); }, 20s))
        << test_env::read_file(app.folder() + "/run.log");
    // The tray icon's own window carries the program's icon, 16 x 16 first.
    const std::string icon = net_wm_icon(app.tray_icon()->id);
    EXPECT_NE(icon.find("_NET_WM_ICON(CARDINAL)"), std::string::npos) << icon;
    EXPECT_NE(icon.find("16 x 16"), std::string::npos) << icon;
    // So does the main window once it is shown.
    auto second = app.start();
    EXPECT_EQ(second.wait(15s), 1);
    ASSERT_TRUE(wait_until([&] { return app.main_window_shown(); }, 10s));
    EXPECT_NE(net_wm_icon(app.main_window()->id).find("_NET_WM_ICON(CARDINAL)"), std::string::npos);
}
