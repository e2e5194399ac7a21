#include "monitor/adcpuusage.h"

#include "monitor/perf_walk.h"

#include <algorithm>

namespace {

constexpr std::size_t first_buffer_size = 8192;
constexpr std::size_t buffer_step = 4096;
constexpr std::size_t max_buffer_size = 16u << 20;
constexpr int max_attempts = 32;

// The smallest room one instance with its counter block can take; bounds
// the count a block can claim.
constexpr std::size_t min_instance_bytes = platform::perf_layout::instance_size + 4;

const char *const msg_version = "Can't get the Windows version";
const char *const msg_object = "Unable to locate the \"Processor\" performance object";
const char *const msg_counter = "Unable to locate the \"% of CPU usage\" performance counter";
const char *const msg_start = "Unable to start performance monitoring";
const char *const msg_read = "Unable to read performance data";
const char *const msg_index = "CPU index out of bounds";

} // namespace

Adcpuusage::Adcpuusage() : Adcpuusage(CPU_USAGE_SOURCES{}) {}

Adcpuusage::Adcpuusage(const CPU_USAGE_SOURCES &sources)
    : sources_(sources), perf_buffer_(first_buffer_size) {
    platform::PLATFORM_FAMILY family{};
    if (!sources_.query_family || !sources_.query_family(family))
        throw CPU_USAGE_ERROR(msg_version);
    is_nt_family_ = family == platform::PLATFORM_FAMILY::nt;
}

Adcpuusage::~Adcpuusage() { ReleaseCPUData(); }

platform::PERF_DATA_SOURCE &Adcpuusage::perf() const {
    return sources_.perf ? *sources_.perf : platform::perf_data_source();
}

platform::KERNEL_STAT_SOURCE &Adcpuusage::kernel_stat() const {
    return sources_.kernel_stat ? *sources_.kernel_stat : platform::kernel_stat_source();
}

void Adcpuusage::CollectCPUData() {
    if (is_nt_family_)
        collect_nt();
    else
        collect_9x();
}

void Adcpuusage::collect_nt() {
    std::uint32_t size = 0;
    long answer = platform::perf_error_more_data;
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        size = static_cast<std::uint32_t>(perf_buffer_.size());
        answer = perf().query_performance_data("238", perf_buffer_.data(), &size);
        if (answer != platform::perf_error_more_data || perf_buffer_.size() >= max_buffer_size)
            break;
        perf_buffer_.resize(std::min(max_buffer_size,
                                     std::max<std::size_t>(perf_buffer_.size() + buffer_step, size)));
    }
    // A failed query leaves no block to search.
    const PERF_BYTES block(perf_buffer_.data(),
                           answer == platform::perf_error_success
                               ? std::min<std::size_t>(size, perf_buffer_.size())
                               : 0);

    PERF_OBJECT_VIEW object;
    if (!perf_find_object(block, platform::title_processor, object))
        throw CPU_USAGE_ERROR(msg_object);

    if (cpu_count_ == -1) {
        // The count is fixed by the first block; a count the block could
        // not possibly hold is cut to what fits.
        const std::size_t room = block.size() - std::min(block.size(), object.start);
        cpu_count_ = static_cast<int>(std::min<std::int64_t>(
            std::max<std::int32_t>(object.num_instances, 0),
            static_cast<std::int64_t>(room / min_instance_bytes)));
        cpu_times_.assign(static_cast<std::size_t>(cpu_count_), 0);
        cpu_times_before_.assign(static_cast<std::size_t>(cpu_count_), 0);
        scratch_.assign(static_cast<std::size_t>(cpu_count_), 0);
    }

    PERF_COUNTER_VIEW counter;
    perf_for_each_counter(block, object, [&](const PERF_COUNTER_VIEW &c) {
        if (!counter.found && c.title_index == platform::title_processor_time)
            counter = c;
    });
    if (!counter.found)
        throw CPU_USAGE_ERROR(msg_counter);

    // Read every instance first, so a block that ends early changes
    // nothing for the instances it lacks.
    int read = 0;
    PERF_INSTANCE_VIEW instance;
    const int present = std::min(cpu_count_, std::max<std::int32_t>(object.num_instances, 0));
    for (; read < present; ++read) {
        const bool ok = read == 0 ? perf_first_instance(block, object, instance)
                                  : perf_next_instance(block, instance);
        std::uint64_t value = 0;
        if (!ok || !perf_counter_value(block, instance, counter, value))
            break;
        scratch_[static_cast<std::size_t>(read)] =
            counter.size == 8 ? static_cast<std::int64_t>(value)
                              : static_cast<std::int64_t>(static_cast<std::uint32_t>(value));
    }
    for (int i = 0; i < read; ++i) {
        cpu_times_before_[static_cast<std::size_t>(i)] = cpu_times_[static_cast<std::size_t>(i)];
        cpu_times_[static_cast<std::size_t>(i)] = scratch_[static_cast<std::size_t>(i)];
    }

    time_before_ = time_now_;
    std::uint64_t t = 0;
    // An unreadable time repeats the last one, which reads as no load.
    time_now_ = perf_block_time(block, t) ? t : time_before_;
}

void Adcpuusage::collect_9x() {
    if (!stat_started_) {
        if (!kernel_stat().start_statistic(cpu_usage_value_))
            throw CPU_USAGE_ERROR(msg_start);
        if (!kernel_stat().open_statistic_data())
            throw CPU_USAGE_ERROR(msg_read);
        stat_started_ = true;
    }
    kernel_stat().read_cpu_usage(cpu_usage_value_);
}

int Adcpuusage::GetCPUCount() {
    if (!is_nt_family_)
        return 1;
    if (cpu_count_ == -1)
        CollectCPUData();
    return cpu_count_;
}

double Adcpuusage::GetCPUUsage(int index) {
    if (!is_nt_family_) {
        if (index != 0)
            throw CPU_USAGE_ERROR(msg_index);
        if (!stat_started_)
            CollectCPUData();
        return cpu_usage_value_ / 100.0;
    }
    if (cpu_count_ == -1)
        CollectCPUData();
    if (index < 0 || index >= cpu_count_)
        throw CPU_USAGE_ERROR(msg_index);
    if (time_now_ == time_before_)
        return 0.0;
    const auto k = static_cast<std::size_t>(index);
    // Wrapping difference: a counter that jumps backwards must not overflow.
    const auto idle = static_cast<std::int64_t>(static_cast<std::uint64_t>(cpu_times_[k]) -
                                                static_cast<std::uint64_t>(cpu_times_before_[k]));
    const std::int64_t elapsed = static_cast<std::int64_t>(time_now_ - time_before_);
    return 1.0 - static_cast<double>(idle) / static_cast<double>(elapsed);
}

void Adcpuusage::ReleaseCPUData() {
    if (is_nt_family_ || !stat_started_)
        return;
    stat_started_ = false;
    kernel_stat().close_statistic_data();
    kernel_stat().stop_statistic();
}

Adcpuusage &cpu_usage_unit() {
    static Adcpuusage unit;
    return unit;
}
