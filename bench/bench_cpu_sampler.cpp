// One CPU sampler cycle without its sleep: the processor block from
// /proc, the load, the smoothing, the bar drawn and the icon image made
// for a sink that drops it (the drawing into the tray is not included).
#include "monitor/adcpuusage.h"
#include "monitor/cpu_load.h"
#include "monitor/cpu_sampler.h"
#include "monitor/tray_bitmap.h"
#include "monitor/tray_pictures.h"

#include <benchmark/benchmark.h>

namespace {

void sampler_cycle(benchmark::State &state) {
    create_tray_images({240, 240, 240});
    set_tray_icon_sink([](const TRAY_ARGB &picture) { benchmark::DoNotOptimize(picture.data()); });
    Adcpuusage unit;
    reset_cpu_history();
    for (auto _ : state)
        benchmark::DoNotOptimize(cpu_sampler_cycle(&unit));
    set_tray_icon_sink(nullptr);
    destroy_tray_images();
}
BENCHMARK(sampler_cycle)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The parts of the cycle.
void collect_processor_block(benchmark::State &state) {
    Adcpuusage unit;
    for (auto _ : state) {
        unit.CollectCPUData();
        benchmark::DoNotOptimize(unit.GetCPUUsage(0));
    }
}
BENCHMARK(collect_processor_block)->Unit(benchmark::kMicrosecond)->UseRealTime();

void draw_and_convert_icon(benchmark::State &state) {
    TRAY_BITMAP image, mask;
    draw_tray_frame(image, {240, 240, 240});
    draw_tray_frame(mask, {240, 240, 240});
    double load = 0;
    for (auto _ : state) {
        clear_tray_well(image, 170);
        draw_tray_bar(image, load, 100);
        TRAY_ARGB picture = tray_icon_argb(image, mask);
        benchmark::DoNotOptimize(picture.data());
        load = load >= 1 ? 0 : load + 0.01;
    }
}
BENCHMARK(draw_and_convert_icon)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
