// Writes the seed corpora of the fuzz targets into <folder>/<target>/:
// small valid inputs built with the same encoders and prepared bytes the
// tests use, so each target starts from inputs that reach deep into its
// reader. Usage: make_fuzz_seeds <folder>
#include "catalogue/catalogue_file_format.h"
#include "catalogue/desktop_entry.h"
#include "catalogue/hotkey_keys.h"
#include "catalogue/icon_store_format.h"
#include "catalogue/icon_test_files.h"
#include "catalogue/link_map.h"
#include "logging/global_stat_file.h"
#include "monitor/perf_test_blocks.h"
#include "shell/column_ini.h"
#include "shell/settings_record.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::filesystem::path root;

void seed(const std::string &target, const std::string &name, const std::string &bytes) {
    const auto dir = root / target;
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::string of(const std::vector<std::uint8_t> &b) { return std::string(b.begin(), b.end()); }

void catalogue_seeds() {
    LINK_MAP map;
    map["/usr/bin/xterm"] = {1, 0, 0};
    map["/opt/tool/run me"] = {0, -1, 7};
    APP_LIST never{"/usr/bin/yes"};
    seed("fuzz_catalogue_file", "two_links",
         join_catalogue(encode_link_records(map), encode_never_add(never), ""));
    seed("fuzz_catalogue_file", "empty", join_catalogue("", "", ""));
}

void icon_seeds() {
    ICON_IMAGE image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7);
    const std::string path = "/usr/bin/xterm";
    std::string store = store_with_icon("", "/usr/bin/yes", image);
    store = store_with_icon(store, path, image);
    seed("fuzz_icon_store", "two_records", std::string(1, static_cast<char>(path.size())) + path + store);
    seed("fuzz_icon_store", "torn", std::string(1, 3) + "/a" + "\0" + store.substr(0, 1500));

    using namespace icon_test;
    seed("fuzz_icon_files", "bitmap_ico", ico_file({{bitmap_image(0xff3060u)}}));
    seed("fuzz_icon_files", "two_image_ico",
         ico_file({{bitmap_image(0x102030u)}, {bitmap_image(0x405060u, 32)}}));
    seed("fuzz_icon_files", "program",
         pe_with_icons({{1, bitmap_image(0x112233u)}, {2, bitmap_image(0x445566u)}},
                       {{{16, 32, 1}, {32, 32, 2}}}));
}

void statistics_seeds() {
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER header{5, 1.3e17, 1.31e17};
    for (std::uint32_t id : {1u, 2u}) {
        PROCESS_INFO_STRUCT_LONG &r = map[id];
        r.id = id;
        r.cpu_sum = 0.25 * id;
        r.ram_sum = 4096.0 * id;
        std::strcpy(r.name, id == 1 ? "bash" : "sleep");
        r.last_seen = header.last_time;
        r.samples = 5;
    }
    seed("fuzz_global_stat", "two_records", format_global_stat(map, header));
    seed("fuzz_global_stat", "empty", empty_global_stat());
}

void settings_seeds() {
    SETTINGS_STRUCT s{};
    set_default_settings(s);
    const auto bytes = settings_to_bytes(s);
    seed("fuzz_settings_file", "defaults", std::string(bytes.begin(), bytes.end()));
    std::array<int, column_count> widths{};
    for (int i = 0; i < column_count; ++i)
        widths[static_cast<std::size_t>(i)] = 40 + i;
    seed("fuzz_column_ini", "widths", ini_with_widths("[Other]\nkeep=1\n", widths));
    seed("fuzz_column_ini", "crlf", "[SETTINGS]\r\nx1=300\r\nx3=99\r\n[Last]\r\nz=2\r\n");
}

void process_seeds() {
    using perf_test::PROC_ROW;
    const std::vector<PROC_ROW> rows{{"init", 1, 100, 4096, 0, 10, 1},
                                     {"bash", 4, 5000, 8192, 4096, 20, 2},
                                     {"_Total", 0, 5100, 12288, 4096, 30, 3}};
    seed("fuzz_perf_block", "processes", of(perf_test::process_block(rows)));
    seed("fuzz_perf_block", "with_starts",
         of(perf_test::process_block(rows, perf_test::base_time, {1, 2, 3})));
    seed("fuzz_perf_block", "with_parents",
         of(perf_test::process_block(rows, perf_test::base_time, {1, 2, 3}, {0, 1, 0})));
    seed("fuzz_perf_block", "processors", of(perf_test::processor_block({10, 20, 30}, perf_test::base_time)));

    // /proc texts, the first byte choosing the parser.
    seed("fuzz_proc_texts", "stat",
         std::string(1, 0) +
             "1234 (a (b) c) S 1 1234 1234 0 -1 4194560 500 0 0 0 12 3 0 0 20 0 2 0 8000 10000000 600 "
             "18446744073709551615 1 1 0 0 0 0 0 4096 0 0 0 0 17 1 0 0 0 0 0\n");
    seed("fuzz_proc_texts", "status",
         std::string(1, 1) +
             "Name:\tx\nState:\tS (sleeping)\nThreads:\t3\nVmRSS:\t   2048 kB\nRssAnon:\t  1024 kB\n"
             "RssFile: 9 kB\nVmSwap:\t 12 kB\n");
    seed("fuzz_proc_texts", "statm", std::string(1, 2) + "2500 600 300 10 0 400 0\n");
    seed("fuzz_proc_texts", "swap",
         std::string(1, 3) + "MemTotal: 1 kB\nSwapTotal:   2048 kB\nSwapFree:   1024 kB\n");
    seed("fuzz_proc_texts", "proc_stat",
         std::string(1, 4) +
             "cpu  100 0 50 9000 10 0 5 0 0 0\ncpu0 50 0 25 4500 5 0 2 0 0 0\ncpu1 50 0 25 4500 5 0 3 0 0 0\n"
             "intr 1 2 3\nctxt 99\n");
    seed("fuzz_proc_texts", "meminfo",
         std::string(1, 5) +
             "MemTotal:       24683752 kB\nMemFree: 1 kB\nMemAvailable:   24343752 kB\nSwapTotal: 2048 kB\n"
             "SwapFree: 1024 kB\n");
    seed("fuzz_proc_texts", "name",
         std::string(1, 6) + "libxml-libxml-p\n/usr/bin/perl (deleted)\n/usr/bin/perl" +
             std::string(1, '\0') + "/usr/share/libxml-libxml-perl-test" + std::string(1, '\0'));
    seed("fuzz_proc_texts", "worker", std::string(1, 13) + "kworker/1:2-events\n\n");
    seed("fuzz_proc_texts", "status_uid",
         std::string(1, '\xFE') + "Name:\tx\nUid:\t1000\t1000\t1000\t1000\n");
    seed("fuzz_proc_texts", "cmdline", std::string(1, '\xFF') + std::string("sleep\0a b\0\xC3\xA4\t\0", 14));
}

void command_seeds() {
    seed("fuzz_command_line", "quoted", "\"/opt/my tools/run\" -x \"a b\" c\\\"d");
    seed("fuzz_command_line", "plain", "xterm -e top");

    DESKTOP_ENTRY_STRUCT entry;
    entry.name = "Run me";
    entry.comment = "A ; comment";
    entry.exec = {"/opt/my tools/run", "--file=%f", "a\"b", "back\\slash"};
    entry.hotkey = make_hotkey_word('E', true, false, true);
    if (const auto text = build_desktop_entry(entry))
        seed("fuzz_desktop_entry", "hotkey_entry", *text);
    seed("fuzz_desktop_entry", "foreign",
         "[Desktop Entry]\nType=Application\nName=X\nExec=xterm -e 'top' %U\nPath=/tmp\nHidden=true\n"
         "X-Vorkel-Hotkey=12\n[Other]\nExec=no\n");
    seed("fuzz_exec_line", "quoted", build_exec_line(entry.exec));
    seed("fuzz_exec_line", "field_codes", "\"/usr/bin/a b\" %f %% \\$HOME");
    seed("fuzz_hotkey_word", "hex", hotkey_word_text(0x0645));
    seed("fuzz_hotkey_word", "decimal", " 1605 ");
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
        return 2;
    }
    root = argv[1];
    catalogue_seeds();
    icon_seeds();
    statistics_seeds();
    settings_seeds();
    process_seeds();
    command_seeds();
    return 0;
}
