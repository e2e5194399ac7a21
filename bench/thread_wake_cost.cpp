// What one wake of an otherwise idle thread costs the processor: the
// thread sleeps 100 ms (the CPU sampler's and the status bar's period)
// and does nothing else. Its own processor time per wake (kernel entry,
// timer, scheduling in and out) is the floor under every piece of work
// Vorkel does ten times a second.
#include <benchmark/benchmark.h>

#include <ctime>

namespace {

double thread_cpu_us() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

void sleep_and_wake(benchmark::State &state) {
    const timespec period{0, 100'000'000};
    double cpu = 0;
    for (auto _ : state) {
        const double before = thread_cpu_us();
        nanosleep(&period, nullptr);
        cpu += thread_cpu_us() - before;
    }
    state.counters["cpu_us_per_wake"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(sleep_and_wake)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
