// Cost of reading the hotkey words of a folder of 2000 desktop entries:
// the pass Vorkel makes at start and whenever its applications or
// autostart folder changes. Two folders: one where every entry carries a
// word (each is parsed in full), one of ordinary entries without a word
// (each is read and passed over).
//
// Wall-clock time of one pass over the folder; the files stay in the page
// cache between passes, as they do on a desktop.
#include "catalogue/desktop_entry.h"
#include "catalogue/hotkey_keys.h"
#include "catalogue/hotkey_watch.h"
#include "common/file_io.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

std::string make_folder(bool with_words) {
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() /
                          ("vorkel-bench-" + std::to_string(::getpid()) + (with_words ? "-words" : "-plain")))
                             .string();
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (int i = 0; i < 2000; ++i) {
        DESKTOP_ENTRY_STRUCT e;
        e.name = "Program " + std::to_string(i);
        e.comment = "A program of the benchmark's folder, number " + std::to_string(i);
        e.exec = {"/bin/true", "--number", std::to_string(i), "%U"};
        e.hotkey = with_words ? make_hotkey_word('A' + i % 26, true, i % 2, true) : 0;
        write_file_atomically(folder + "/program-" + std::to_string(i) + ".desktop",
                              build_desktop_entry(e).value_or(""));
    }
    return folder;
}

void scan(benchmark::State &state, bool with_words) {
    const std::string folder = make_folder(with_words);
    std::size_t found = 0;
    for (auto _ : state)
        found = scan_hotkey_entries({folder}).size();
    state.counters["entries"] = 2000;
    state.counters["with_word"] = static_cast<double>(found);
    std::filesystem::remove_all(folder);
}

void scan_entries_with_words(benchmark::State &state) { scan(state, true); }
void scan_entries_without_words(benchmark::State &state) { scan(state, false); }

} // namespace

BENCHMARK(scan_entries_with_words)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(scan_entries_without_words)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
