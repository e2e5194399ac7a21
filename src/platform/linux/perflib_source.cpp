#include "platform/linux/perflib_source.h"

#include "platform/linux/perflib_block.h"
#include "platform/linux/proc_files.h"
#include "platform/linux/proc_parse.h"

#include <atomic>
#include <charconv>
#include <cstring>
#include <ctime>
#include <iterator>

#include <fcntl.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace platform {

using namespace perf_layout;

namespace {

// Index/title pairs as the English table has them; the first pair is the
// table's highest index, as on Windows.
constexpr char titles[] = "1\0"
                          "1847\0"
                          "2\0"
                          "System\0"
                          "4\0"
                          "Memory\0"
                          "6\0"
                          "% Processor Time\0"
                          "142\0"
                          "% User Time\0"
                          "144\0"
                          "% Privileged Time\0"
                          "180\0"
                          "Working Set\0"
                          "184\0"
                          "Page File Bytes\0"
                          "230\0"
                          "Process\0"
                          "238\0"
                          "Processor\0"
                          "680\0"
                          "Thread Count\0"
                          "684\0"
                          "Elapsed Time\0"
                          "784\0"
                          "ID Process\0"
                          "952\0"
                          "Handle Count\0"
                          "1410\0"
                          "Creating Process ID\0"
                          "1746\0"
                          "% Idle Time\0"; // plus the literal's own NUL: the extra one

constexpr PERF_COUNTER_SPEC process_counters[] = {
    {title_processor_time, type_100nsec_timer, 8}, {title_id_process, type_rawcount, 4},
    {title_working_set, type_large_rawcount, 8},   {title_page_file_bytes, type_large_rawcount, 8},
    {title_handle_count, type_rawcount, 4},        {title_thread_count, type_rawcount, 4},
    {title_elapsed_time, type_elapsed_time, 8},    {title_creating_process_id, type_rawcount, 4},
};
constexpr std::size_t process_counter_count = std::size(process_counters);

constexpr PERF_COUNTER_SPEC processor_counters[] = {
    {title_processor_time, type_100nsec_timer_inv, 8},
};

constexpr std::size_t max_cpus = 1024;

std::uint64_t clock_ns(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ULL + static_cast<std::uint64_t>(ts.tv_nsec);
}

struct SNAPSHOT_TIMES {
    std::uint64_t snapshot_time; // 100-ns, CLOCK_MONOTONIC
    std::uint64_t perf_time;     // ns, CLOCK_MONOTONIC
};

SNAPSHOT_TIMES now() {
    // The time base of every share and load: a clock that never steps
    // with clock changes, and that stands still while the machine is
    // suspended, as the processor counters in /proc do (CLOCK_MONOTONIC).
    // The calendar clock would give one cycle of bogus figures after a
    // clock change or a resume.
    const std::uint64_t mono = clock_ns(CLOCK_MONOTONIC);
    return {mono / 100, mono};
}

bool read_cpu_idle(std::uint64_t &total, std::uint64_t *per_cpu, std::size_t &count) {
    // Read ten times a second by the sampler; one reader per thread, so
    // no caller ever shares a descriptor.
    // The whole text: a machine with over a hundred processors has more
    // than 8 KB of cpu lines. The buffer is kept, so it grows only once.
    thread_local PROC_FILE_READER proc_stat("/proc/stat");
    thread_local std::vector<char> text(16384);
    const long n = proc_stat.read_all(text);
    if (n < 0)
        return false;
    return parse_proc_stat_idle(std::string_view(text.data(), static_cast<std::size_t>(n)), total, per_cpu,
                                max_cpus, count);
}

} // namespace

std::string_view linux_counter_titles() { return {titles, sizeof titles}; }

std::string_view LINUX_PERF_SOURCE::counter_titles() { return linux_counter_titles(); }

void LINUX_PERF_SOURCE::build_process_block(std::vector<std::uint8_t> &out) {
    const SNAPSHOT_TIMES t = now();
    std::uint64_t idle = 0;
    std::size_t cpus = 0;
    std::uint64_t per_cpu[max_cpus];
    read_cpu_idle(idle, per_cpu, cpus);

    PERF_BLOCK_WRITER w(out);
    w.begin_block(t.snapshot_time, t.perf_time, 1000000000ULL);
    // The Process object's time base for its "Elapsed Time" counter is the
    // clock its start times count on.
    w.begin_object(title_process, process_counters, proc_boot_time_100ns(), 10000000ULL);
    // Idle and _Total have no start time and no parent: 0.
    std::uint64_t values[process_counter_count] = {proc_ticks_to_100ns(idle), 0, 0, 0, 0, cpus, 0, 0};
    w.add_instance("Idle", values);
    std::uint64_t total[process_counter_count] = {values[0], 0, 0, 0, 0, cpus, 0, 0};

    // While no swap is in use, statm gives the memory figures exactly and
    // far cheaper than status, which the kernel formats line by line.
    // sysinfo answers the question (SwapTotal above SwapFree) without the
    // formatting of /proc/meminfo, which the snapshot needs nothing else of.
    struct sysinfo memory {};
    const bool swap_used = sysinfo(&memory) != 0 || memory.totalswap > memory.freeswap;
    const bool listed = processes_.sample_all(swap_used, [&](const PROC_PROCESS_SAMPLE &p) {
        values[0] = proc_ticks_to_100ns(p.stat.utime + p.stat.stime);
        values[1] = p.pid;
        values[2] = p.memory.vm_rss_kb * 1024;
        values[3] = (p.memory.rss_anon_kb + p.memory.vm_swap_kb) * 1024;
        values[4] = p.open_fds;
        values[5] = p.stat.num_threads;
        values[6] = proc_ticks_to_100ns(p.stat.start_time);
        values[7] = p.stat.ppid;
        w.add_instance(details_.details_of(p).name, values);
        for (int k = 0; k < 6; ++k) // no sum of ids, start times or parents
            total[k] += k == 1 ? 0 : values[k];
    });
    if (listed)
        details_.forget_unseen();
    w.add_instance("_Total", total);
    w.end_object();
    w.finish();
}

void LINUX_PERF_SOURCE::build_processor_block(std::vector<std::uint8_t> &out) {
    const SNAPSHOT_TIMES t = now();
    std::uint64_t idle = 0;
    std::size_t cpus = 0;
    std::uint64_t per_cpu[max_cpus];
    const bool ok = read_cpu_idle(idle, per_cpu, cpus);

    PERF_BLOCK_WRITER w(out);
    w.begin_block(t.snapshot_time, t.perf_time, 1000000000ULL);
    w.begin_object(title_processor, processor_counters);
    if (ok) {
        char name[24];
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < cpus; ++i) {
            const std::uint64_t v = proc_ticks_to_100ns(per_cpu[i]);
            sum += v;
            // Ten times a second: to_chars, without printf's machinery.
            const char *end = std::to_chars(name, name + sizeof name, i).ptr;
            w.add_instance(std::string_view(name, static_cast<std::size_t>(end - name)), {&v, 1});
        }
        // From the per-CPU lines rather than the summary line, which the
        // kernel rounds on its own: every instance then reads alike.
        const std::uint64_t mean = cpus ? sum / cpus : 0;
        w.add_instance("_Total", {&mean, 1});
    }
    w.end_object();
    w.finish();
}

long LINUX_PERF_SOURCE::query_performance_data(const char *value_name, std::uint8_t *buffer,
                                               std::uint32_t *size) {
    if (!value_name || !size)
        return perf_error_file_not_found;
    std::lock_guard<std::mutex> hold(guard_);
    if (std::strcmp(value_name, "230") == 0)
        build_process_block(block_);
    else if (std::strcmp(value_name, "238") == 0)
        build_processor_block(block_);
    else
        return perf_error_file_not_found;
    if (!buffer || block_.size() > *size) {
        *size = static_cast<std::uint32_t>(block_.size());
        return perf_error_more_data;
    }
    std::memcpy(buffer, block_.data(), block_.size());
    *size = static_cast<std::uint32_t>(block_.size());
    return perf_error_success;
}

namespace {

// Linux has no 9x kernel statistic: every open fails.
class NO_KERNEL_STAT final : public KERNEL_STAT_SOURCE {
public:
    bool start_statistic(std::uint32_t &) override { return false; }
    bool open_statistic_data() override { return false; }
    bool read_cpu_usage(std::uint32_t &) override { return false; }
    void close_statistic_data() override {}
    void stop_statistic() override {}
};

std::atomic<PERF_DATA_SOURCE *> current_perf_source{nullptr};

LINUX_PERF_SOURCE &system_perf_source() {
    static LINUX_PERF_SOURCE source;
    return source;
}

std::mutex details_reader_guard;
PROCESS_DETAILS_READER details_reader;

} // namespace

std::shared_ptr<const PROCESS_DETAILS> LINUX_PERF_SOURCE::details_of(std::uint32_t pid,
                                                                     std::uint64_t start_time) {
    std::lock_guard<std::mutex> hold(guard_);
    // The cache keeps start times in clock ticks, as /proc gives them.
    return details_.find(pid, start_time / proc_ticks_to_100ns(1));
}

PERF_DATA_SOURCE &perf_data_source() {
    if (PERF_DATA_SOURCE *s = current_perf_source.load())
        return *s;
    return system_perf_source();
}

std::shared_ptr<const PROCESS_DETAILS> process_details(std::uint32_t pid, std::uint64_t start_time) {
    {
        std::lock_guard<std::mutex> hold(details_reader_guard);
        if (details_reader)
            return std::make_shared<const PROCESS_DETAILS>(details_reader(pid, start_time));
    }
    return system_perf_source().details_of(pid, start_time);
}

void set_process_details_reader(PROCESS_DETAILS_READER reader) {
    std::lock_guard<std::mutex> hold(details_reader_guard);
    details_reader = std::move(reader);
}

void set_perf_data_source(PERF_DATA_SOURCE *source) { current_perf_source.store(source); }

KERNEL_STAT_SOURCE &kernel_stat_source() {
    static NO_KERNEL_STAT system_source;
    return system_source;
}

bool query_platform_family(PLATFORM_FAMILY &family) {
    family = PLATFORM_FAMILY::nt;
    return true;
}

} // namespace platform
