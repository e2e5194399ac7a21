// Cost of the statistics: one collector cycle with 1000 distinct program
// names (the processes added to the records in memory, as every second),
// one write of the file (atomically, with its flush to disk, as once a
// minute), and opening the statistics window on a file of 1000 records
// until its "All" page is filled (offscreen platform).
#include "logging/global_stat.h"
#include "logging/globalstat_form.h"
#include "toolkit/grid.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string scratch;

PROCESS_MAP processes(int n) {
    PROCESS_MAP table;
    for (int i = 0; i < n; ++i) {
        PROCESS_INFO_STRUCT &p = table[static_cast<std::uint32_t>(100 + i)];
        p.pid = static_cast<std::uint32_t>(100 + i);
        std::snprintf(p.name, sizeof p.name, "program-with-a-longer-name-%04d", i);
        p.cpu_share = 0.001 * (i % 17);
        p.working_set = 4096ull << (i % 12);
        p.page_file_bytes = 4096ull << (i % 7);
        p.handle_count = static_cast<std::uint32_t>(10 + i % 40);
        p.thread_count = static_cast<std::uint32_t>(1 + i % 9);
    }
    return table;
}

void collector_cycle(benchmark::State &state) {
    const PROCESS_MAP table = processes(static_cast<int>(state.range(0)));
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER header;
    add_global_stat_cycle(map, header, table, 1.0);
    double now = 2.0;
    for (auto _ : state) {
        add_global_stat_cycle(map, header, table, now);
        now += 1.0;
    }
}
BENCHMARK(collector_cycle)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void collector_write(benchmark::State &state) {
    const std::string path = scratch + "/cycle.glb";
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER header;
    add_global_stat_cycle(map, header, processes(static_cast<int>(state.range(0))), 1.0);
    for (auto _ : state)
        if (!write_global_stat(path, map, header))
            state.SkipWithError("write failed");
}
BENCHMARK(collector_write)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void window_opening(benchmark::State &state) {
    const std::string path = scratch + "/window.glb";
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER header;
    add_global_stat_cycle(map, header, processes(static_cast<int>(state.range(0))), 1.0);
    write_global_stat(path, map, header);
    for (auto _ : state) {
        auto *form = new Tglobalstat_form(path);
        form->show();
        form->refresh_stat_page();
        while (form->fill_pending())
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        QApplication::processEvents(); // the first paint
        if (form->grid->row_count() != state.range(0) + 1)
            state.SkipWithError("rows missing");
        delete form;
    }
}
BENCHMARK(window_opening)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv) {
    char root[] = "/tmp/global_stat_bench.XXXXXX";
    if (!mkdtemp(root))
        return 1;
    scratch = root;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch);
    return 0;
}
