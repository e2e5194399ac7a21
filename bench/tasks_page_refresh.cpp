// Cost of one Tasks page refresh (TTM::task_timerTimer end to end: sync,
// snapshot walk, texts, sort and grid writes) for 300 and 1000 processes,
// on the offscreen platform with a prepared process list and snapshots.
//
// Snapshots alternate between two sets of processor times one second
// apart, so every busy process's CPU text changes at every refresh, as on
// a loaded machine; a fifth of the processes also change their memory.
#include "common/flags.h"
#include "monitor/process_table.h"
#include "monitor/tasks_page_rows.h"
#include "platform/linux/perflib_block.h"
#include "platform/perf_data.h"
#include "platform/process_list.h"
#include "shell/main_form.h"
#include "toolkit/grid.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

const std::string titles = std::string(
    "6\0% Processor Time\0" "180\0Working Set\0" "184\0Page File Bytes\0" "230\0Process\0"
    "680\0Thread Count\0" "784\0ID Process\0" "952\0Handle Count\0",
    sizeof("6\0% Processor Time\0" "180\0Working Set\0" "184\0Page File Bytes\0" "230\0Process\0"
           "680\0Thread Count\0" "784\0ID Process\0" "952\0Handle Count\0"));

const platform::PERF_COUNTER_SPEC counters[] = {
    {platform::title_processor_time, platform::perf_layout::type_100nsec_timer, 8},
    {platform::title_id_process, platform::perf_layout::type_rawcount, 4},
    {platform::title_working_set, platform::perf_layout::type_large_rawcount, 8},
    {platform::title_page_file_bytes, platform::perf_layout::type_large_rawcount, 8},
    {platform::title_handle_count, platform::perf_layout::type_rawcount, 4},
    {platform::title_thread_count, platform::perf_layout::type_rawcount, 4},
};

const char *const names[] = {"bash", "Xorg", "firefox", "kworker/0:1", "systemd", "sshd", "Code",
                             "pulseaudio", "gnome-shell", "python3", "chrome", "dbus-daemon"};

class FAKE_MACHINE : public platform::PERF_DATA_SOURCE {
public:
    explicit FAKE_MACHINE(std::uint32_t processes) {
        for (std::uint32_t i = 0; i < processes; ++i)
            ids.push_back(i == 0 ? 0 : 100 + 7 * i);
        for (int phase = 0; phase < 2; ++phase) {
            platform::PERF_BLOCK_WRITER w(blocks[phase]);
            w.begin_block(time, 0, 1);
            w.begin_object(platform::title_process, counters);
            for (std::uint32_t i = 0; i < processes; ++i) {
                const bool busy = i % 3 == 0;
                const std::uint64_t cpu = 1000000ull * i + (phase && busy ? 10000ull * (i % 97 + 1) : 0);
                const std::uint64_t ws = (4096ull << (i % 12)) + (phase && i % 5 == 0 ? 65536 : 0);
                const std::uint64_t v[6] = {cpu, ids[i], ws, ws / 2, 10 + i % 50, 1 + i % 9};
                w.add_instance(i == 0 ? std::string("Idle") : names[i % 12] + std::to_string(i % 4), v);
            }
            const std::uint64_t total[6] = {};
            w.add_instance("_Total", total);
            w.end_object();
            w.finish();
        }
        platform::set_perf_data_source(this);
        platform::set_process_enumerator([this](std::uint32_t *out, std::size_t cap, std::size_t &n) {
            n = std::min(cap, ids.size());
            std::copy_n(ids.begin(), n, out);
            return true;
        });
    }
    ~FAKE_MACHINE() override {
        platform::set_perf_data_source(nullptr);
        platform::set_process_enumerator({});
    }
    std::string_view counter_titles() override { return titles; }
    long query_performance_data(const char *, std::uint8_t *buffer, std::uint32_t *size) override {
        std::vector<std::uint8_t> &b = blocks[served++ % 2];
        if (b.size() > *size) {
            *size = static_cast<std::uint32_t>(b.size());
            --served;
            return platform::perf_error_more_data;
        }
        // Each snapshot a second after the one before.
        time += 10000000;
        const platform::SYSTEM_TIME st = platform::file_time_to_system_time(time);
        std::memcpy(b.data() + platform::perf_layout::block_system_time, &st, sizeof st);
        std::memcpy(buffer, b.data(), b.size());
        *size = static_cast<std::uint32_t>(b.size());
        return platform::perf_error_success;
    }

private:
    std::vector<std::uint32_t> ids;
    std::vector<std::uint8_t> blocks[2];
    std::uint64_t time = 133000000000000000ull;
    unsigned served = 0;
};

TTM *shown_form() {
    static TTM *form = [] {
        auto *f = new TTM;
        f->N1Click();
        f->pages->setCurrentWidget(f->sheet2);
        f->task_timer->stop(); // ticks come from the benchmark only
        return f;
    }();
    return form;
}

void page_refresh(benchmark::State &state) {
    TTM *form = shown_form();
    FAKE_MACHINE machine(static_cast<std::uint32_t>(state.range(0)));
    empty_process_table();
    form->task_timerTimer();
    form->task_timerTimer();
    for (auto _ : state) {
        form->task_timerTimer();
        QApplication::processEvents(); // the repaints the writes caused
    }
    state.counters["rows"] = form->pgrid->row_count() - 1;
}
BENCHMARK(page_refresh)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The portable part alone: texts and sort of a sampled table.
void rows_only(benchmark::State &state) {
    PROCESS_MAP table;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        PROCESS_INFO_STRUCT &r = table[static_cast<std::uint32_t>(100 + 7 * i)];
        r.pid = static_cast<std::uint32_t>(100 + 7 * i);
        std::snprintf(r.name, sizeof r.name, "%s%d", names[i % 12], static_cast<int>(i % 4));
        r.cpu_share = (i % 3 == 0) ? 0.001 * static_cast<double>(i % 97 + 1) : 0.0;
        r.working_set = 4096ull << (i % 12);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(task_rows(table, "."));
}
BENCHMARK(rows_only)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The main window saves its placement and column sizes when it goes; they
// go to a scratch home, never the user's.
std::string use_scratch_home() {
    char root[] = "/tmp/tasks_page_bench.XXXXXX";
    if (!mkdtemp(root))
        std::abort();
    const std::string base = root;
    for (const char *sub : {"/config", "/data", "/runtime"})
        mkdir((base + sub).c_str(), 0700);
    setenv("HOME", root, 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/runtime").c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    return base;
}

} // namespace

int main(int argc, char **argv) {
    const std::string scratch = use_scratch_home();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete shown_form();
    std::filesystem::remove_all(scratch);
    return 0;
}
