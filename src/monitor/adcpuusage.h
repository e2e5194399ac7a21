// Adcpuusage: the load of each processor, read from the processor
// performance object (NT family, Linux) or the 9x kernel statistic.
//
// Threads: no lock of its own. The program's one unit (cpu_usage_unit) is
// used only by cpu_sampler_thread while it holds "get_cpu_and_other".
// Errors are thrown as CPU_USAGE_ERROR with fixed messages.
#pragma once

#include "platform/perf_data.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

class CPU_USAGE_ERROR : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where a unit reads from. A null source means the process-wide current
// one, looked up at each use (so a test can swap it).
struct CPU_USAGE_SOURCES {
    platform::PERF_DATA_SOURCE *perf = nullptr;
    platform::KERNEL_STAT_SOURCE *kernel_stat = nullptr;
    bool (*query_family)(platform::PLATFORM_FAMILY &) = &platform::query_platform_family;
};

class Adcpuusage {
public:
    // Unit start: asks the platform family once. Throws "Can't get the
    // Windows version" when the platform cannot say.
    Adcpuusage();
    explicit Adcpuusage(const CPU_USAGE_SOURCES &sources);
    ~Adcpuusage(); // ReleaseCPUData
    Adcpuusage(const Adcpuusage &) = delete;
    Adcpuusage &operator=(const Adcpuusage &) = delete;

    // Takes one reading of every processor instance.
    void CollectCPUData();
    // Number of processor instances ("_Total" included on NT); collects
    // first when nothing was collected yet. 1 on 9x.
    int GetCPUCount();
    // Load of instance index between the last two readings, 0 (idle) to 1
    // (busy); 0 when both readings carry the same time. Throws "CPU index
    // out of bounds" for an index outside 0 .. GetCPUCount() - 1.
    double GetCPUUsage(int index);
    // Stops the 9x statistic if it runs; nothing on NT.
    void ReleaseCPUData();

    bool is_nt_family() const { return is_nt_family_; }

private:
    platform::PERF_DATA_SOURCE &perf() const;
    platform::KERNEL_STAT_SOURCE &kernel_stat() const;
    void collect_nt();
    void collect_9x();

    CPU_USAGE_SOURCES sources_;
    bool is_nt_family_ = true;
    int cpu_count_ = -1;
    std::vector<std::uint8_t> perf_buffer_;
    std::vector<std::int64_t> cpu_times_, cpu_times_before_, scratch_;
    std::uint64_t time_now_ = 0, time_before_ = 0;
    bool stat_started_ = false;
    std::uint32_t cpu_usage_value_ = 0;
};

// The program's one unit, started on first use (may throw as the
// constructor does).
Adcpuusage &cpu_usage_unit();
