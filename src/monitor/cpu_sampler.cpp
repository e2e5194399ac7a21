#include "monitor/cpu_sampler.h"

#include "common/flags.h"
#include "common/options.h"
#include "common/sfx_mutex.h"
#include "monitor/adcpuusage.h"
#include "monitor/cpu_load.h"
#include "monitor/perf_reader.h"
#include "monitor/tray_pictures.h"
#include "platform/system_info.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>

namespace {

std::mutex sink_guard;
std::function<void(const TRAY_ARGB &)> tray_icon_sink;
// The picture last handed to the sink (under sink_guard); a new sink is
// always given the next picture.
TRAY_BITMAP last_sent;
bool sent_any = false;

// Sum of the instance loads over n instances; an error of the unit (or a
// unit that could not start) makes the reading 0.
double read_load(Adcpuusage *unit) {
    if (!unit)
        return 0.0;
    try {
        unit->CollectCPUData();
        const int n = unit->GetCPUCount();
        double sum = 0.0;
        for (int i = 0; i < n; ++i)
            sum += unit->GetCPUUsage(i);
        return combined_load(sum, n);
    } catch (const std::exception &) {
        return 0.0;
    }
}

Adcpuusage *program_unit() {
    try {
        return &cpu_usage_unit();
    } catch (const std::exception &) {
        return nullptr; // a unit that cannot start reads as no load
    }
}

} // namespace

void set_tray_icon_sink(std::function<void(const TRAY_ARGB &)> sink) {
    std::lock_guard<std::mutex> hold(sink_guard);
    tray_icon_sink = std::move(sink);
    sent_any = false;
}

double cpu_sampler_cycle(Adcpuusage *unit) {
    SFXLock hold(get_cpu_and_other_mutex());
    const double load = average_load(read_load(unit));
    cpu_load.store(load);
    cpu_load_percent.store(load * 100);
    if (tray_image) {
        show_load_in_tray_image(load, opt_tray_color.load(), opt_cpu_color.load());
        // Most cycles draw the picture the tray already shows; handing it
        // over again would wake the X server for nothing.
        std::lock_guard<std::mutex> sink_hold(sink_guard);
        if (tray_icon_sink && tray_mask && (!sent_any || tray_image->bits != last_sent.bits)) {
            tray_icon_sink(tray_icon_argb(*tray_image, *tray_mask));
            last_sent = *tray_image;
            sent_any = true;
        }
    }
    return load;
}

void cpu_sampler_thread() {
    platform::name_this_thread("cpu_sampler");
    Adcpuusage *unit = program_unit();
    while (sampler_running.load()) {
        cpu_sampler_cycle(unit);
        // Sleep in short slices so that Exit does not wait out a long
        // interval; the interval itself is read anew every cycle. An
        // interval of one slice or less (the default) is one plain sleep,
        // without reading the clock.
        using namespace std::chrono;
        constexpr milliseconds slice(100);
        const milliseconds interval(std::max(0, cpu_timer_interval.load()));
        if (interval <= slice) {
            std::this_thread::sleep_for(interval);
            continue;
        }
        const auto until = steady_clock::now() + interval;
        while (sampler_running.load()) {
            const auto left = until - steady_clock::now();
            if (left <= steady_clock::duration::zero())
                break;
            std::this_thread::sleep_for(std::min<steady_clock::duration>(left, slice));
        }
    }
    sampler_finished.store(true);
}

STATUS_TEXTS current_status_texts() {
    platform::MEMORY_STATUS memory;
    platform::read_memory_status(memory);
    return status_bar_texts(cpu_load_percent.load(), memory);
}
