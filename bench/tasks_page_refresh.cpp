// Cost of one Tasks page refresh (TTM::task_timerTimer end to end), on the
// offscreen platform:
//
// page_refresh: the real thing on this machine's /proc: the process list,
// the snapshot built from /proc and walked, texts, sort and grid writes.
// Idle processes of the benchmark's own (sleep) are started first until
// the machine has at least 300 or 1000 processes; the "rows" counter says
// how many there were.
//
// page_refresh_fake_source: the same refresh over a prepared process list
// and snapshot (no /proc at all), for 300 and 1000 processes. Each
// snapshot comes a second after the one before; a third of the processes
// gain processor time in every one, so their CPU texts change at every
// refresh as on a loaded machine, and a fifth change their memory. The
// second argument: 0 the designed view; 1 the tree with a filter that
// every process matches (the most a filter can cost: every row still
// shown); 2 the tree with a filter naming one program (a twelfth of the
// rows); 3 the tree alone; 4 the filter of 1 alone; 5 sorted by CPU,
// highest first, with "User" and "Command line" shown. Owners and command
// lines come from a prepared reader.
#include "common/flags.h"
#include "monitor/perf_walk.h"
#include "monitor/process_table.h"
#include "monitor/task_order.h"
#include "monitor/tasks_grid.h"
#include "platform/linux/perflib_block.h"
#include "platform/linux/proc_files.h"
#include "platform/perf_data.h"
#include "platform/process_details.h"
#include "platform/process_list.h"
#include "shell/main_form.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <csignal>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

#define TITLES                                                                                               \
    "6\0% Processor Time\0"                                                                                  \
    "180\0Working Set\0"                                                                                     \
    "184\0Page File Bytes\0"                                                                                 \
    "230\0Process\0"                                                                                         \
    "680\0Thread Count\0"                                                                                    \
    "784\0ID Process\0"                                                                                      \
    "952\0Handle Count\0"                                                                                    \
    "1410\0Creating Process ID\0"
const std::string titles = std::string(TITLES, sizeof(TITLES));
#undef TITLES

const platform::PERF_COUNTER_SPEC counters[] = {
    {platform::title_processor_time, platform::perf_layout::type_100nsec_timer, 8},
    {platform::title_id_process, platform::perf_layout::type_rawcount, 4},
    {platform::title_working_set, platform::perf_layout::type_large_rawcount, 8},
    {platform::title_page_file_bytes, platform::perf_layout::type_large_rawcount, 8},
    {platform::title_handle_count, platform::perf_layout::type_rawcount, 4},
    {platform::title_thread_count, platform::perf_layout::type_rawcount, 4},
    {platform::title_creating_process_id, platform::perf_layout::type_rawcount, 4},
};

const char *const names[] = {"bash", "Xorg", "firefox", "kworker/0:1", "systemd", "sshd", "Code",
                             "pulseaudio", "gnome-shell", "python3", "chrome", "dbus-daemon"};

class FAKE_MACHINE : public platform::PERF_DATA_SOURCE {
public:
    explicit FAKE_MACHINE(std::uint32_t processes) {
        for (std::uint32_t i = 0; i < processes; ++i)
            ids.push_back(i == 0 ? 0 : 100 + 7 * i);
        platform::PERF_BLOCK_WRITER w(block);
        w.begin_block(time, 0, 1);
        w.begin_object(platform::title_process, counters);
        for (std::uint32_t i = 0; i < processes; ++i) {
            const std::uint64_t ws = 4096ull << (i % 12);
            // A tree ten wide: process i is the parent of 10i to 10i + 9.
            const std::uint64_t v[7] = {1000000ull * i,          ids[i], ws, ws / 2, 10 + i % 50, 1 + i % 9,
                                        i < 10 ? 0 : ids[i / 10]};
            w.add_instance(i == 0 ? std::string("Idle") : names[i % 12] + std::to_string(i % 4), v);
        }
        const std::uint64_t total[7] = {};
        w.add_instance("_Total", total);
        w.end_object();
        w.finish();
        // Where each instance's processor time and working set sit.
        PERF_OBJECT_VIEW object;
        PERF_INSTANCE_VIEW instance;
        perf_first_object(block, object);
        std::uint32_t cpu_offset = 0, ws_offset = 0;
        perf_for_each_counter(block, object, [&](const PERF_COUNTER_VIEW &c) {
            if (c.title_index == platform::title_processor_time)
                cpu_offset = c.offset;
            if (c.title_index == platform::title_working_set)
                ws_offset = c.offset;
        });
        for (std::uint32_t i = 0; i < processes; ++i) {
            if (!(i == 0 ? perf_first_instance(block, object, instance)
                         : perf_next_instance(block, instance)))
                std::abort();
            if (i % 3 == 0)
                busy.push_back({instance.counter_block + cpu_offset, 10000ull * (i % 97 + 1)});
            if (i % 5 == 0)
                changing.push_back(instance.counter_block + ws_offset);
        }
        platform::set_perf_data_source(this);
        platform::set_process_enumerator([this](std::uint32_t *out, std::size_t cap, std::size_t &n) {
            n = std::min(cap, ids.size());
            std::copy_n(ids.begin(), n, out);
            return true;
        });
        platform::set_process_details_reader([](std::uint32_t pid, std::uint64_t) {
            const std::uint32_t i = (pid - 100) / 7;
            const std::string name = names[i % 12] + std::to_string(i % 4);
            return platform::PROCESS_DETAILS{name, pid % 3 ? "user" : "root",
                                             "/usr/bin/" + name + " --option=" + std::to_string(pid)};
        });
    }
    ~FAKE_MACHINE() override {
        platform::set_perf_data_source(nullptr);
        platform::set_process_enumerator({});
        platform::set_process_details_reader({});
    }
    std::string_view counter_titles() override { return titles; }
    long query_performance_data(const char *, std::uint8_t *buffer, std::uint32_t *size) override {
        if (block.size() > *size) {
            *size = static_cast<std::uint32_t>(block.size());
            return platform::perf_error_more_data;
        }
        // A second later: the busy processes' counters only grow, the
        // memory of the changing ones goes up and down by 64 KB.
        time += 10000000;
        const platform::SYSTEM_TIME st = platform::file_time_to_system_time(time);
        std::memcpy(block.data() + platform::perf_layout::block_system_time, &st, sizeof st);
        for (const auto &[at, step] : busy)
            add64(at, step);
        odd = !odd;
        for (const std::size_t at : changing)
            add64(at, odd ? 65536 : -65536ull);
        std::memcpy(buffer, block.data(), block.size());
        *size = static_cast<std::uint32_t>(block.size());
        return platform::perf_error_success;
    }

private:
    void add64(std::size_t at, std::uint64_t step) {
        std::uint64_t v;
        std::memcpy(&v, block.data() + at, 8);
        v += step;
        std::memcpy(block.data() + at, &v, 8);
    }

    std::vector<std::uint32_t> ids;
    std::vector<std::uint8_t> block;
    std::vector<std::pair<std::size_t, std::uint64_t>> busy; // offset, growth per snapshot
    std::vector<std::size_t> changing;
    bool odd = false;
    std::uint64_t time = 133000000000000000ull;
};

// Idle processes of the benchmark's own, started until the machine lists
// at least target processes; killed and reaped when it goes.
class IDLE_PROCESSES {
public:
    explicit IDLE_PROCESSES(std::size_t target) {
        std::vector<std::uint32_t> pids;
        platform::list_proc_pids(pids);
        char sleep_path[] = "/bin/sleep", long_time[] = "100000";
        char *argv[] = {sleep_path, long_time, nullptr};
        for (std::size_t n = pids.size() + 1; n < target; ++n) { // + 1: id 0, the idle process
            pid_t child = -1;
            if (posix_spawn(&child, sleep_path, nullptr, nullptr, argv, environ) != 0)
                break;
            children.push_back(child);
        }
    }
    ~IDLE_PROCESSES() {
        for (const pid_t child : children)
            if (child > 0)
                kill(child, SIGKILL);
        for (const pid_t child : children)
            if (child > 0)
                waitpid(child, nullptr, 0);
    }

private:
    std::vector<pid_t> children;
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
    IDLE_PROCESSES idle(static_cast<std::size_t>(state.range(0)));
    empty_process_table();
    form->task_timerTimer();
    form->task_timerTimer();
    for (auto _ : state) {
        form->task_timerTimer();
        QApplication::processEvents(); // the repaints the writes caused
    }
    state.counters["rows"] = form->pgrid->tasks()->shown_count();
}
BENCHMARK(page_refresh)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void page_refresh_fake_source(benchmark::State &state) {
    TTM *form = shown_form();
    FAKE_MACHINE machine(static_cast<std::uint32_t>(state.range(0)));
    const char *const filters[] = {"", "/usr/bin/", "firefox", "", "/usr/bin/", ""};
    const bool plus = state.range(1) == 5;
    form->pgrid->set_tree(state.range(1) > 0 && state.range(1) < 4);
    form->pfilter->setText(QString::fromLatin1(filters[state.range(1)]));
    form->pgrid->set_sort({plus ? task_cpu_column : task_name_column, plus});
    for (const int c : {7, 8}) // "User", "Command line"
        form->pgrid->set_column_shown(c, plus);
    empty_process_table();
    form->task_timerTimer();
    form->task_timerTimer();
    for (auto _ : state) {
        form->task_timerTimer();
        QApplication::processEvents();
    }
    state.counters["rows"] = form->pgrid->tasks()->shown_count();
    form->pfilter->clear();
    form->pgrid->set_tree(false);
    form->pgrid->set_sort({task_name_column, false});
    for (const int c : {7, 8})
        form->pgrid->set_column_shown(c, false);
}
BENCHMARK(page_refresh_fake_source)
    ->ArgsProduct({{300, 1000}, {0, 1, 2, 3, 4, 5}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The portable part alone: the order of a sampled table by name.
void order_only(benchmark::State &state) {
    std::vector<TASK_RECORD> records(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < records.size(); ++i) {
        PROCESS_INFO_STRUCT &r = records[i].info;
        r.pid = static_cast<std::uint32_t>(100 + 7 * i);
        std::snprintf(r.name, sizeof r.name, "%s%d", names[i % 12], static_cast<int>(i % 4));
        records[i].cpu_per_mille = (i % 3 == 0) ? static_cast<std::int64_t>(i % 97 + 1) : 0;
    }
    std::vector<TASK_LINE> lines;
    for (auto _ : state)
        order_tasks(
            records, {}, false, [](std::size_t) { return true; }, lines);
}
BENCHMARK(order_only)->Arg(300)->Arg(1000)->Unit(benchmark::kMicrosecond);

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
