// What one wake of an otherwise idle thread costs the processor: the
// thread sleeps 100 ms (the CPU sampler's and the status bar's period)
// and does nothing else. Its own processor time per wake (kernel entry,
// timer, scheduling in and out) is the floor under every piece of work
// Vorkel does ten times a second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include <sys/resource.h>

namespace {

// This thread's processor time, user and kernel, in microseconds.
double thread_cpu_us() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    const auto us = [](const timeval &t) { return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_usec); };
    return us(u.ru_utime) + us(u.ru_stime);
}

void sleep_and_wake(benchmark::State &state) {
    const double before = thread_cpu_us();
    for (auto _ : state)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double cpu = thread_cpu_us() - before;
    state.counters["cpu_us_per_wake"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(sleep_and_wake)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
