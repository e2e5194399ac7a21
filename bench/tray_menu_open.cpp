// Right click to shown tray menu with 50 marked programs, each with a
// desktop entry and a theme icon: the menu's rebuild (catalogue walk, icon
// store read, desktop icon table, theme lookups), its popup and its first
// paint, as the main window does it on "aboutToShow".
//
// The first opening (a fresh process: desktop entries read, theme icons
// loaded) is timed once, after the icon look-up the program makes at its
// start (or, with --cold, without it); later openings by Google Benchmark.
// Runs on the X display in $DISPLAY (e.g. under xvfb-run), else offscreen.
#include "catalogue/link_map.h"
#include "catalogue/tray_menu.h"
#include "catalogue/tray_menu_images.h"
#include "common/options.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QMenu>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace {

constexpr int programs = 50;

std::string scratch;

void write(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Scratch data home with the programs' entries and hicolor icons, and the
// catalogue marking them all.
void prepare_desktop() {
    char tmpl[] = "/tmp/vorkel-bench-XXXXXX";
    scratch = mkdtemp(tmpl);
    const std::string data = scratch + "/share";
    const std::string apps = data + "/applications";
    const std::string icons = data + "/icons/hicolor/16x16/apps";
    std::filesystem::create_directories(apps);
    std::filesystem::create_directories(icons);
    std::filesystem::create_directories(scratch + "/bin");
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("HOME", scratch.c_str(), 1);
    for (int i = 0; i < programs; ++i) {
        std::string name = "bench-program-" + std::to_string(i);
        std::string path = scratch + "/bin/" + name;
        write(path, "#!/bin/sh\n");
        chmod(path.c_str(), 0700);
        write(apps + "/" + name + ".desktop", "[Desktop Entry]\nType=Application\nName=" + name +
                                                  "\nExec=" + path + " %U\nIcon=" + name + "\n");
        link_map[path] = LINK_PROPERTIES_STRUCT{1, 0, 0};
    }
}

// PNG icons need the application object (image writers).
void write_icons() {
    const std::string icons = scratch + "/share/icons/hicolor/16x16/apps";
    for (int i = 0; i < programs; ++i) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(QColor::fromHsv(i * 7 % 360, 200, 220));
        image.save(QString::fromStdString(icons + "/bench-program-" + std::to_string(i) + ".png"));
    }
}

struct TRAY {
    QMenu menu;
    QAction *N4, *N1, *N25, *N2, *N14, *N3;
    QMenu grid_menu;
    QAction *N27, *N28;
    std::vector<QIcon> pimages, defaultlist = own_item_images();
    QIcon script = script_image();
    bool painted = false;
    qint64 rebuild_ns = 0;
    TRAY() {
        N4 = menu.addSeparator();
        N1 = menu.addAction(defaultlist[2], QStringLiteral("Show list"));
        N25 = menu.addAction(defaultlist[3], QStringLiteral("Settings"));
        N2 = menu.addSeparator();
        N14 = menu.addAction(defaultlist[1], QStringLiteral("Shutdown"));
        N3 = menu.addAction(defaultlist[0], QStringLiteral("Exit"));
        N27 = grid_menu.addSeparator();
        N28 = grid_menu.addAction(QStringLiteral("Settings"));
        QObject::connect(&menu, &QMenu::aboutToShow, [this] {
            QElapsedTimer r;
            r.start();
            tray_menu_popup({&menu, N4, N1, N25, N2, N14, N3, N27, N28, &pimages, &defaultlist, &script},
                            scratch + "/links.dat");
            rebuild_ns = r.nsecsElapsed();
        });
    }
    // Right click to painted menu, in ns.
    qint64 open_once() {
        QElapsedTimer t;
        t.start();
        painted = false;
        menu.popup(QPoint(100, 100));
        while (!painted)
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        qint64 ns = t.nsecsElapsed();
        menu.hide();
        QApplication::processEvents();
        return ns;
    }
};

class paint_watch : public QObject {
public:
    explicit paint_watch(TRAY *t) : tray(t) {}
    bool eventFilter(QObject *, QEvent *e) override {
        if (e->type() == QEvent::Paint)
            tray->painted = true;
        return false;
    }
    TRAY *tray;
};

TRAY *tray = nullptr;

void BM_open_tray_menu(benchmark::State &state) {
    for (auto _ : state) {
        qint64 ns = tray->open_once();
        state.SetIterationTime(static_cast<double>(ns) / 1e9);
    }
    state.counters["items"] = static_cast<double>(tray->menu.actions().size());
}
BENCHMARK(BM_open_tray_menu)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace

int main(int argc, char **argv) {
    prepare_desktop();
    if (!std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    write_icons();
    opt_own_items = true;
    opt_full_path = false;
    TRAY t;
    tray = &t;
    paint_watch watch(&t);
    t.menu.installEventFilter(&watch);

    // As at the program's start: the marked programs' icons are looked up
    // from the event loop before the first right click (unless the first
    // argument is --cold).
    const bool cold = argc > 1 && std::string(argv[1]) == "--cold";
    if (!cold) {
        QElapsedTimer warm;
        warm.start();
        prepare_tray_menu_icons();
        QApplication::processEvents();
        std::printf("icon look-up at start: %.2f ms\n", warm.nsecsElapsed() / 1e6);
    }
    qint64 first = t.open_once();
    std::printf("first opening (%s, %d programs): %.2f ms on %s, of which the rebuild %.2f ms\n",
                cold ? "cold icon caches" : "after the look-up at start", programs, first / 1e6,
                qPrintable(QApplication::platformName()), t.rebuild_ns / 1e6);
    if (cold) {
        --argc;
        ++argv;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch);
    return 0;
}
