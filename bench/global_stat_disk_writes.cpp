// What the statistics collector writes to disk: it runs, as the program
// runs it, over a prepared process list of 100 and then 1000 programs
// with distinct names, for some whole minutes each, and prints the bytes
// this process wrote meanwhile (write_bytes of /proc/self/io: the pages
// sent towards the disk, counted when they are dirtied) scaled to an
// hour. The reset at the start and the last write at the stop are left
// out: they come once per collecting period, not per hour.
//
// Usage: global_stat_disk_writes [minutes per size, default 3] [folder]
// The folder (default: ./global-stat-disk-writes) must be on a disk:
// tmpfs counts no write_bytes.
#include "common/flags.h"
#include "logging/global_stat.h"
#include "platform/linux/perflib_block.h"
#include "platform/linux/perflib_source.h"
#include "platform/process_list.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/vfs.h>
#include <time.h>

namespace {

constexpr unsigned first_pid = 1000;

// n processes named program-0000 ..., one snapshot per query, timed now.
class PREPARED_SOURCE final : public platform::PERF_DATA_SOURCE {
public:
    explicit PREPARED_SOURCE(unsigned n) : n_(n) {}
    std::string_view counter_titles() override { return platform::linux_counter_titles(); }
    long query_performance_data(const char *, std::uint8_t *buffer, std::uint32_t *size) override {
        using namespace platform;
        static const PERF_COUNTER_SPEC counters[] = {
            {title_processor_time, perf_layout::type_100nsec_timer, 8},
            {title_id_process, perf_layout::type_rawcount, 4},
            {title_working_set, perf_layout::type_large_rawcount, 8},
            {title_page_file_bytes, perf_layout::type_large_rawcount, 8},
            {title_handle_count, perf_layout::type_rawcount, 4},
            {title_thread_count, perf_layout::type_rawcount, 4}};
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        const std::uint64_t now = static_cast<std::uint64_t>(ts.tv_sec) * 10000000ull + ts.tv_nsec / 100;
        PERF_BLOCK_WRITER w(block_);
        w.begin_block(now, now, 10000000ull);
        w.begin_object(title_process, counters);
        char name[32];
        for (unsigned i = 0; i <= n_; ++i) { // the last one plays "_Total"
            const std::uint64_t v[] = {now / 100 * (i % 7), first_pid + i, 4096ull << (i % 12),
                                       4096ull << (i % 7),  10 + i % 40,   1 + i % 9};
            std::snprintf(name, sizeof name, "program-%04u", i);
            w.add_instance(name, v);
        }
        w.end_object();
        w.finish();
        if (!buffer || block_.size() > *size) {
            *size = static_cast<std::uint32_t>(block_.size());
            return perf_error_more_data;
        }
        std::copy(block_.begin(), block_.end(), buffer);
        *size = static_cast<std::uint32_t>(block_.size());
        return perf_error_success;
    }

private:
    unsigned n_;
    std::vector<std::uint8_t> block_;
};

std::uint64_t write_bytes() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "write_bytes:")
            return value;
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 3.0;
    const std::string folder = std::filesystem::absolute(argc > 2 ? argv[2] : "global-stat-disk-writes");
    std::filesystem::create_directories(folder);
    struct statfs fs {};
    if (statfs(folder.c_str(), &fs) == 0 && fs.f_type == 0x01021994) // TMPFS_MAGIC
        std::fprintf(stderr, "%s is on tmpfs, which counts no write_bytes: give a folder on a disk\n",
                     folder.c_str());
    std::printf("collecting %.1f minutes per size into %s\n", minutes, folder.c_str());
    for (const unsigned programs : {100u, 1000u}) {
        PREPARED_SOURCE source(programs);
        platform::set_perf_data_source(&source);
        platform::set_process_enumerator([programs](std::uint32_t *ids, std::size_t cap, std::size_t &n) {
            n = std::min<std::size_t>(cap, programs);
            for (std::size_t i = 0; i < n; ++i)
                ids[i] = first_pid + static_cast<std::uint32_t>(i);
            return true;
        });
        const std::string path = folder + "/vorkel-" + std::to_string(programs) + ".glb";
        if (start_global_logging(path) != GLOBAL_STAT_START::collecting) {
            std::fprintf(stderr, "collecting did not start\n");
            return 1;
        }
        const std::uint64_t before = write_bytes();
        // The writes due at the whole minutes, the last one with a moment to spare.
        const auto span = std::chrono::duration<double, std::ratio<60>>(minutes) + std::chrono::seconds(2);
        std::this_thread::sleep_for(span);
        const double written = static_cast<double>(write_bytes() - before);
        stop_global_logging();
        const double hours = std::chrono::duration<double, std::ratio<3600>>(span).count();
        const double file = 24.0 + 344.0 * programs;
        const double file_pages = std::ceil(file / 4096) * 4096;
        std::printf("%5u programs: %.2f MB written per hour, %.2f whole files a minute (file %.0f KB, "
                    "%.0f KB in pages); one write per cycle would be %.0f MB per hour\n",
                    programs, written / hours / 1e6, written / file_pages / (hours * 60), file / 1024,
                    file_pages / 1024, file_pages * 3600 / 1e6);
        std::fflush(stdout);
        platform::set_process_enumerator({});
        platform::set_perf_data_source(nullptr);
    }
    return 0;
}
