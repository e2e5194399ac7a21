// Cost of one process snapshot per process on this machine, against the
// bare reads of the very same /proc files opened afresh each time, and
// against ps(1). The snapshot keeps its descriptors open between calls,
// so it comes out below the afresh reads.
//
// Wall-clock times (ps does its work in a child process); the
// "per_process" counter is the time of one iteration divided by the
// number of processes it covered.
#include "common/sfx_mutex.h"
#include "monitor/perf_reader.h"
#include "monitor/process_table.h"
#include "platform/linux/perflib_source.h"
#include "platform/linux/proc_files.h"
#include "platform/linux/proc_parse.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void per_process(benchmark::State &state, double processes) {
    state.counters["processes"] = processes;
    state.counters["per_process"] = benchmark::Counter(
        processes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// sample_processes: block built from /proc and walked into a table that
// holds every process.
void snapshot(benchmark::State &state) {
    std::vector<std::uint32_t> pids;
    platform::list_proc_pids(pids);
    PROCESS_MAP table;
    table[0].pid = 0;
    for (auto p : pids)
        table[p].pid = p;
    SAMPLE_CLOCK clock;
    sample_processes(table, clock); // settles the buffer size
    for (auto _ : state)
        benchmark::DoNotOptimize(sample_processes(table, clock));
    per_process(state, static_cast<double>(table.size()));
}
BENCHMARK(snapshot)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The layer alone: the block without the walk.
void build_block(benchmark::State &state) {
    platform::LINUX_PERF_SOURCE source;
    std::vector<std::uint8_t> block;
    std::vector<std::uint32_t> pids;
    platform::list_proc_pids(pids);
    for (auto _ : state) {
        source.build_process_block(block);
        benchmark::DoNotOptimize(block.data());
    }
    per_process(state, static_cast<double>(pids.size()));
}
BENCHMARK(build_block)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same files the snapshot reads, each opened and read afresh:
// /proc/stat and /proc/meminfo, the /proc listing, and per process stat,
// statm (status while swap is in use) and the size of the fd folder, the
// last two not for kernel threads, exactly as the snapshot; nothing
// parsed but what tells those apart, nothing built.
void bare_proc_reads(benchmark::State &state) {
    std::vector<std::uint32_t> pids;
    char text[8192], stat_text[1024], memory_text[4096];
    std::size_t count = 0;
    for (auto _ : state) {
        int fd = open("/proc/stat", O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(read(fd, text, sizeof text));
        close(fd);
        fd = open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
        const ssize_t meminfo_bytes = read(fd, text, sizeof text - 1);
        close(fd);
        text[meminfo_bytes > 0 ? meminfo_bytes : 0] = '\0';
        const char *memory_file = platform::parse_swap_used_kb(text) > 0 ? "status" : "statm";
        platform::list_proc_pids(pids);
        for (auto pid : pids) {
            const int dir = platform::open_proc_pid(pid);
            if (dir < 0)
                continue;
            fd = openat(dir, "stat", O_RDONLY | O_CLOEXEC);
            const ssize_t n = read(fd, stat_text, sizeof stat_text - 1);
            close(fd);
            platform::PROC_PID_STAT stat;
            if (n > 0 &&
                platform::parse_pid_stat(std::string_view(stat_text, static_cast<std::size_t>(n)), stat) &&
                !stat.kernel_thread()) {
                fd = openat(dir, memory_file, O_RDONLY | O_CLOEXEC);
                benchmark::DoNotOptimize(read(fd, memory_text, sizeof memory_text));
                close(fd);
                struct stat st {};
                benchmark::DoNotOptimize(fstatat(dir, "fd", &st, 0));
            }
            close(dir);
        }
        count = pids.size();
    }
    per_process(state, static_cast<double>(count));
}
BENCHMARK(bare_proc_reads)->Unit(benchmark::kMicrosecond)->UseRealTime();

// ps -e -o pid,comm,rss,nlwp, output read to the end.
void ps_command(benchmark::State &state) {
    std::size_t lines = 0;
    char buf[65536];
    for (auto _ : state) {
        FILE *p = popen("ps -e -o pid,comm,rss,nlwp", "r");
        lines = 0;
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            for (std::size_t i = 0; i < n; ++i)
                lines += buf[i] == '\n';
        pclose(p);
    }
    per_process(state, static_cast<double>(lines > 0 ? lines - 1 : 0));
}
BENCHMARK(ps_command)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The watch window's refresher: one refresh of the shared process table
// (list, snapshot, walk) every 900 ms, as the window's thread runs it. The
// time is the refreshing thread's processor time per refresh; after 900 ms
// of sleep the caches no longer hold what the last refresh touched, so
// this is the refresh as the running program pays it, not as a tight loop
// does. The parts: the listing that syncs the table's keys, and the
// snapshot.
std::uint64_t thread_cpu_ns() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ULL + static_cast<std::uint64_t>(ts.tv_nsec);
}

void refresh_every_900ms(benchmark::State &state) {
    refresh_process_table(); // the table and the descriptors settle
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    double sync_ns = 0, sample_ns = 0;
    for (auto _ : state) {
        const std::uint64_t t0 = thread_cpu_ns();
        {
            SFXLock hold(task_time_mutex());
            const std::uint64_t s0 = thread_cpu_ns();
            sync_process_table();
            const std::uint64_t s1 = thread_cpu_ns();
            sample_processes(process_table, process_table_clock);
            const std::uint64_t s2 = thread_cpu_ns();
            sync_ns += static_cast<double>(s1 - s0);
            sample_ns += static_cast<double>(s2 - s1);
        }
        state.SetIterationTime(static_cast<double>(thread_cpu_ns() - t0) / 1e9);
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["sync_us"] = sync_ns / n / 1e3;
    state.counters["snapshot_us"] = sample_ns / n / 1e3;
    per_process(state, static_cast<double>(process_table.size()));
}
BENCHMARK(refresh_every_900ms)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(20);

// The floor under any refresh of every process from /proc, paid as the
// refresher pays it (thread processor time, 900 ms of sleep between
// rounds): one listing of /proc, and through descriptors held open from
// the start the stat read, the statm read and the fd count of each
// process (stat alone for a kernel thread). Nothing parsed, no table.
void bare_reads_every_900ms(benchmark::State &state) {
    struct HELD {
        int stat_fd = -1, memory_fd = -1, fd_dir = -1;
    };
    std::vector<std::uint32_t> pids;
    platform::list_proc_pids(pids);
    std::vector<HELD> held;
    for (const std::uint32_t pid : pids) {
        const int dir = platform::open_proc_pid(pid);
        if (dir < 0)
            continue;
        HELD h;
        h.stat_fd = openat(dir, "stat", O_RDONLY | O_CLOEXEC);
        char text[1024];
        platform::PROC_PID_STAT stat;
        const long n = h.stat_fd < 0 ? -1 : platform::pread_whole(h.stat_fd, text, sizeof text);
        if (n > 0 && platform::parse_pid_stat(std::string_view(text, static_cast<std::size_t>(n)), stat) &&
            !stat.kernel_thread()) {
            h.memory_fd = openat(dir, "statm", O_RDONLY | O_CLOEXEC);
            h.fd_dir = openat(dir, "fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
        }
        close(dir);
        if (h.stat_fd >= 0)
            held.push_back(h);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    char stat_text[1024], memory_text[4096];
    for (auto _ : state) {
        const std::uint64_t t0 = thread_cpu_ns();
        platform::list_proc_pids(pids);
        for (const HELD &h : held) {
            benchmark::DoNotOptimize(platform::pread_whole(h.stat_fd, stat_text, sizeof stat_text));
            if (h.memory_fd >= 0)
                benchmark::DoNotOptimize(platform::pread_whole(h.memory_fd, memory_text, sizeof memory_text));
            if (h.fd_dir >= 0)
                benchmark::DoNotOptimize(platform::count_open_fds_of_fd_dir(h.fd_dir));
        }
        state.SetIterationTime(static_cast<double>(thread_cpu_ns() - t0) / 1e9);
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
    }
    for (const HELD &h : held)
        for (const int fd : {h.stat_fd, h.memory_fd, h.fd_dir})
            if (fd >= 0)
                close(fd);
    per_process(state, static_cast<double>(held.size()));
}
BENCHMARK(bare_reads_every_900ms)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(20);

} // namespace

BENCHMARK_MAIN();
