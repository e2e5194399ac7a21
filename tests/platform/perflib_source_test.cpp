// The Linux performance layer: block layout at its published offsets,
// time conversion, /proc parsers on prepared text, and the real source.
#include "monitor/perf_reader.h"
#include "monitor/perf_walk.h"
#include "platform/linux/perflib_block.h"
#include "platform/linux/perflib_source.h"
#include "platform/linux/proc_files.h"
#include "platform/linux/proc_parse.h"
#include "platform/linux/process_name.h"
#include "platform/process_control.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace platform;
using namespace std::chrono_literals;

namespace {

std::uint32_t u32(const std::vector<std::uint8_t> &b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
std::uint64_t u64(const std::vector<std::uint8_t> &b, std::size_t at) {
    std::uint64_t v;
    std::memcpy(&v, b.data() + at, 8);
    return v;
}
std::uint16_t u16(const std::vector<std::uint8_t> &b, std::size_t at) {
    std::uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

struct INSTANCE {
    std::string name;
    std::vector<std::uint64_t> values;
};

// Every instance of the first object, read through the walker.
std::vector<INSTANCE> instances(const std::vector<std::uint8_t> &block) {
    std::vector<INSTANCE> out;
    PERF_OBJECT_VIEW object;
    if (!perf_first_object(block, object))
        return out;
    std::vector<PERF_COUNTER_VIEW> counters;
    perf_for_each_counter(block, object, [&](const PERF_COUNTER_VIEW &c) { counters.push_back(c); });
    PERF_INSTANCE_VIEW inst;
    for (std::int32_t i = 0; i < object.num_instances; ++i) {
        if (!(i == 0 ? perf_first_instance(block, object, inst) : perf_next_instance(block, inst)))
            break;
        INSTANCE row;
        char name[260];
        perf_instance_name(block, inst, name, sizeof name);
        row.name = name;
        for (const auto &c : counters) {
            std::uint64_t v = 0;
            perf_counter_value(block, inst, c, v);
            row.values.push_back(v);
        }
        out.push_back(row);
    }
    return out;
}

std::vector<std::uint8_t> query(LINUX_PERF_SOURCE &src, const char *name) {
    std::vector<std::uint8_t> buf(16);
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::uint32_t size = static_cast<std::uint32_t>(buf.size());
        const long answer = src.query_performance_data(name, buf.data(), &size);
        if (answer == perf_error_success) {
            buf.resize(size);
            return buf;
        }
        if (answer != perf_error_more_data)
            break;
        EXPECT_GT(size, buf.size());
        buf.resize(size + 4096);
    }
    return {};
}

} // namespace

TEST(PerflibTime, FileTimeConversionBothWays) {
    std::uint64_t t = 0;
    ASSERT_TRUE(system_time_to_file_time({1970, 1, 4, 1, 0, 0, 0, 0}, t));
    EXPECT_EQ(t, 116444736000000000ULL);
    ASSERT_TRUE(system_time_to_file_time({2000, 2, 0, 29, 23, 59, 59, 999}, t));
    EXPECT_EQ(t, 125963423999990000ULL);
    const SYSTEM_TIME back = file_time_to_system_time(t + 9999); // below a millisecond drops
    EXPECT_EQ(back.year, 2000);
    EXPECT_EQ(back.month, 2);
    EXPECT_EQ(back.day, 29);
    EXPECT_EQ(back.day_of_week, 2); // a Tuesday
    EXPECT_EQ(back.hour, 23);
    EXPECT_EQ(back.milliseconds, 999);
    EXPECT_FALSE(system_time_to_file_time({1900, 2, 0, 29, 0, 0, 0, 0}, t));
    EXPECT_FALSE(system_time_to_file_time({2001, 2, 0, 29, 0, 0, 0, 0}, t));
    EXPECT_FALSE(system_time_to_file_time({2024, 0, 0, 1, 0, 0, 0, 0}, t));
    EXPECT_FALSE(system_time_to_file_time({2024, 4, 0, 31, 0, 0, 0, 0}, t));
    EXPECT_FALSE(system_time_to_file_time({2024, 1, 0, 1, 0, 0, 0, 1000}, t));
}

TEST(PerflibBlock, FieldsSitAtThePublishedOffsets) {
    std::vector<std::uint8_t> b;
    PERF_BLOCK_WRITER w(b);
    std::uint64_t t = 0;
    system_time_to_file_time({2024, 5, 0, 6, 7, 8, 9, 10}, t);
    w.begin_block(t + 1234, 55, 1000);
    const PERF_COUNTER_SPEC c[] = {{6, perf_layout::type_100nsec_timer, 8}, {784, perf_layout::type_rawcount, 4}};
    w.begin_object(230, c);
    const std::uint64_t v[] = {0x1122334455667788ULL, 4242};
    w.add_instance("ab", v);
    w.end_object();
    w.finish();

    EXPECT_EQ(u16(b, 0), 'P');
    EXPECT_EQ(u16(b, 6), 'F');
    EXPECT_EQ(u32(b, 20), b.size());  // TotalByteLength
    EXPECT_EQ(u32(b, 24), 88u);       // HeaderLength
    EXPECT_EQ(u32(b, 28), 1u);        // NumObjectTypes
    EXPECT_EQ(u16(b, 36), 2024);      // SystemTime: year, month, weekday, day...
    EXPECT_EQ(u16(b, 38), 5);
    EXPECT_EQ(u16(b, 40), 1);         // a Monday
    EXPECT_EQ(u16(b, 42), 6);
    EXPECT_EQ(u16(b, 50), 10);        // milliseconds
    EXPECT_EQ(u64(b, 72), t + 1234);  // PerfTime100nSec keeps full resolution
    const std::size_t obj = 88;
    EXPECT_EQ(u32(b, obj + 0), b.size() - obj);
    EXPECT_EQ(u32(b, obj + 4), 64u + 2 * 40); // DefinitionLength
    EXPECT_EQ(u32(b, obj + 8), 64u);          // HeaderLength
    EXPECT_EQ(u32(b, obj + 12), 230u);
    EXPECT_EQ(u32(b, obj + 32), 2u);          // NumCounters
    EXPECT_EQ(u32(b, obj + 40), 1u);          // NumInstances
    const std::size_t def0 = obj + 64, def1 = def0 + 40;
    EXPECT_EQ(u32(b, def0 + 0), 40u);
    EXPECT_EQ(u32(b, def0 + 4), 6u);
    EXPECT_EQ(u32(b, def0 + 32), 8u); // CounterSize
    EXPECT_EQ(u32(b, def1 + 4), 784u);
    EXPECT_EQ(u32(b, def1 + 32), 4u);
    const std::size_t inst = obj + 64 + 80;
    EXPECT_EQ(u32(b, inst + 16), 24u); // NameOffset
    EXPECT_EQ(u32(b, inst + 20), 6u);  // NameLength: "ab" and NUL in UTF-16
    EXPECT_EQ(u16(b, inst + 24), 'a');
    EXPECT_EQ(u16(b, inst + 26), 'b');
    EXPECT_EQ(u16(b, inst + 28), 0);
    const std::size_t block = inst + u32(b, inst);
    EXPECT_EQ(block % 8, 0u);
    EXPECT_EQ(u64(b, block + u32(b, def0 + 36)), 0x1122334455667788ULL);
    EXPECT_EQ(u32(b, block + u32(b, def1 + 36)), 4242u);
    EXPECT_EQ(block + u32(b, block), b.size());
}

TEST(ProcParse, PidStatWithAwkwardNamesAndTruncation) {
    const std::string line =
        "4242 (a) (b c)) S 1 2 3 0 -1 4194560 100 0 0 0 1234 567 0 0 20 0 7 0 99 1000 50 18446744073709551615\n";
    PROC_PID_STAT s;
    ASSERT_TRUE(parse_pid_stat(line, s));
    EXPECT_EQ(s.comm, "a) (b c)");
    EXPECT_EQ(s.utime, 1234u);
    EXPECT_EQ(s.stime, 567u);
    EXPECT_EQ(s.num_threads, 7u);
    EXPECT_EQ(s.flags, 4194560u);
    EXPECT_EQ(s.start_time, 99u);
    EXPECT_EQ(s.ppid, 1u);
    EXPECT_FALSE(s.kernel_thread());
    PROC_PID_STAT k;
    ASSERT_TRUE(parse_pid_stat("2 (kthreadd) S 0 0 0 0 -1 2129984 0 0 0 0 0 3 0 0 20 0 1 0 5 0 0", k));
    EXPECT_TRUE(k.kernel_thread());
    for (std::size_t n = 0; n < line.find(" 99") + 1; ++n)
        EXPECT_FALSE(parse_pid_stat(line.substr(0, n), s)) << n;
    EXPECT_FALSE(parse_pid_stat("12 ) (x S 1", s));
    EXPECT_FALSE(parse_pid_stat("1 (x) S 1 2 3 0 -1 4 100 0 0 0 99999999999999999999 5 0 0 20 0 7", s));
}

TEST(ProcParse, PidStatusMemoryLines) {
    PROC_PID_STATUS s;
    parse_pid_status("Name:\tx\nVmRSS:\t   2048 kB\nRssAnon:\t  1024 kB\nRssFile: 9 kB\nVmSwap:\t 12 kB\n", s);
    EXPECT_EQ(s.vm_rss_kb, 2048u);
    EXPECT_EQ(s.rss_anon_kb, 1024u);
    EXPECT_EQ(s.vm_swap_kb, 12u);
    parse_pid_status("Name:\tkthreadd\nThreads:\t1\nVmRSS:", s); // kernel thread, cut line
    EXPECT_EQ(s.vm_rss_kb, 0u);
    EXPECT_EQ(s.rss_anon_kb, 0u);
}

TEST(ProcParse, EffectiveUserAndCommandLineAsPsShowsThem) {
    std::uint32_t uid = 7;
    EXPECT_TRUE(parse_status_effective_uid("Name:\tx\nUid:\t1000\t0\t0\t0\nGid:\t5\n", uid));
    EXPECT_EQ(uid, 0u) << "the effective id, the second";
    for (const char *bad : {"Name:\tx\n", "Uid:\t1000\n", "Uid:\t1\t99999999999\n"})
        EXPECT_FALSE(parse_status_effective_uid(bad, uid)) << bad;
    const struct {
        std::string_view cmdline;
        std::size_t limit;
        const char *shown;
    } cases[] = {
        {{"sleep\0a b\0\xC3\xA4\0", 13}, 100, "sleep a b \xC3\xA4"}, // blanks and UTF-8 kept
        {{"x\0", 2}, 100, "x"},
        {"", 100, "[kworker/0:1]"}, // a kernel thread
        {{"\0\0", 2}, 100, "[kworker/0:1]"},
        {"tab\there\x7f\xC2\x85\xFF.", 100, "tab?here???."}, // controls, C1, not UTF-8
        {"ab\xC3\xA4"
         "cd",
         3, "ab"}, // cut before a character
        {"abcd", 3, "abc"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(command_line_text(c.cmdline, "kworker/0:1", c.limit), c.shown) << c.shown;
}

TEST(ProcParse, PidStatmAndSwapInUse) {
    PROC_PID_STATUS s;
    ASSERT_TRUE(parse_pid_statm("5000 1200 700 10 0 900 0\n", 4, s));
    EXPECT_EQ(s.vm_rss_kb, 4800u);
    EXPECT_EQ(s.rss_anon_kb, 2000u);
    EXPECT_EQ(s.vm_swap_kb, 0u);
    ASSERT_TRUE(parse_pid_statm("10 3 9 0 0 0 0", 4, s));
    EXPECT_EQ(s.rss_anon_kb, 0u) << "more shared than resident never wraps";
    EXPECT_FALSE(parse_pid_statm("", 4, s));
    EXPECT_FALSE(parse_pid_statm("12 x", 4, s));

    EXPECT_EQ(parse_swap_used_kb("MemTotal: 1 kB\nSwapTotal:   2048 kB\nSwapFree:   1024 kB\n"), 1024u);
    EXPECT_EQ(parse_swap_used_kb("SwapTotal:   0 kB\nSwapFree:   0 kB\n"), 0u);
    EXPECT_EQ(parse_swap_used_kb("SwapFree: 5 kB\n"), 0u);
}

TEST(ProcParse, StatmFiguresEqualStatusFiguresForARealProcess) {
    // The cheap path must give the very numbers the status path gives.
    char statm[256], status[8192];
    for (int attempt = 0; attempt < 20; ++attempt) {
        ASSERT_GT(read_proc_file(AT_FDCWD, "/proc/self/statm", statm, sizeof statm), 0);
        ASSERT_GT(read_proc_file(AT_FDCWD, "/proc/self/status", status, sizeof status), 0);
        PROC_PID_STATUS a, b;
        ASSERT_TRUE(parse_pid_statm(statm, static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)) / 1024, a));
        parse_pid_status(status, b);
        if (a.vm_rss_kb == b.vm_rss_kb && a.rss_anon_kb == b.rss_anon_kb)
            return; // the two reads saw the same moment
    }
    ADD_FAILURE() << "statm and status never agreed";
}

TEST(ProcParse, ProcStatIdleOfEachCpu) {
    const std::string text = "cpu  10 0 5 1000 20 0 0 0 0 0\n"
                             "cpu0 5 0 2 400 10 0 0 0 0 0\n"
                             "cpu2 5 0 3 600 10 0 0 0 0 0\n"
                             "intr 1 2 3\n";
    std::uint64_t total = 0, per[4] = {};
    std::size_t n = 0;
    ASSERT_TRUE(parse_proc_stat_idle(text, total, per, 4, n));
    EXPECT_EQ(total, 1020u);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(per[0], 410u);
    EXPECT_EQ(per[1], 610u);
    EXPECT_TRUE(parse_proc_stat_idle(text, total, per, 1, n)); // more CPUs than room
    EXPECT_EQ(n, 1u);
    EXPECT_FALSE(parse_proc_stat_idle("cpu  10 0", total, per, 4, n));
    EXPECT_FALSE(parse_proc_stat_idle("", total, per, 4, n));
}

TEST(PerflibSource, TitleTableHoldsTheStandardIndexes) {
    const std::string_view t = linux_counter_titles();
    EXPECT_EQ(t.substr(t.size() - 2), std::string_view("\0\0", 2));
    EXPECT_EQ(find_title_index(t, "Process"), "230");
    EXPECT_EQ(find_title_index(t, "Processor"), "238");
    EXPECT_EQ(find_title_index(t, "ID Process"), "784");
    EXPECT_EQ(find_title_index(t, "% Processor Time"), "6");
    EXPECT_EQ(find_title_index(t, "Working Set"), "180");
    EXPECT_EQ(find_title_index(t, "Page File Bytes"), "184");
    EXPECT_EQ(find_title_index(t, "Handle Count"), "952");
    EXPECT_EQ(find_title_index(t, "Thread Count"), "680");
}

TEST(PerflibSource, ProcessObjectFromProc) {
    LINUX_PERF_SOURCE src;
    std::uint32_t size = 100;
    std::uint8_t small[100];
    EXPECT_EQ(src.query_performance_data("230", small, &size), perf_error_more_data);
    EXPECT_GT(size, 100u);
    EXPECT_EQ(src.query_performance_data("999", small, &size), perf_error_file_not_found);

    const auto block = query(src, "230");
    ASSERT_FALSE(block.empty());
    const auto rows = instances(block);
    ASSERT_GE(rows.size(), 3u);
    // Counters in definition order: time, id, working set, page file, handles, threads.
    EXPECT_EQ(rows.front().name, "Idle");
    EXPECT_EQ(rows.front().values[1], 0u);
    EXPECT_EQ(rows.back().name, "_Total");
    bool self = false;
    std::uint64_t threads = 0;
    for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
        threads += rows[i].values[5];
        if (rows[i].values[1] == static_cast<std::uint64_t>(getpid())) {
            self = true;
            EXPECT_EQ(rows[i].name, "test_platform");
            EXPECT_GT(rows[i].values[2], 1u << 20);
            EXPECT_GE(rows[i].values[4], 3u); // stdin, stdout, stderr at least
        }
    }
    EXPECT_TRUE(self);
    EXPECT_EQ(rows.back().values[5], threads + rows.front().values[5]);
}

TEST(PerflibSource, ProcessorObjectFromProc) {
    LINUX_PERF_SOURCE src;
    const auto block = query(src, "238");
    const auto rows = instances(block);
    const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(cpus) + 1);
    std::uint64_t sum = 0;
    for (long i = 0; i < cpus; ++i) {
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].name, std::to_string(i));
        sum += rows[static_cast<std::size_t>(i)].values[0];
    }
    EXPECT_EQ(rows.back().name, "_Total");
    EXPECT_EQ(rows.back().values[0], sum / static_cast<std::uint64_t>(cpus));
    EXPECT_GT(sum, 0u);
}

TEST(ProcFileReader, EachReadIsFreshAndWhole) {
    // /proc/uptime changes between reads; a reader must give the current
    // text each time, from its start.
    PROC_FILE_READER reader("/proc/uptime");
    char a[256], b[256];
    ASSERT_GT(reader.read(a, sizeof a), 0);
    const auto start = std::chrono::steady_clock::now();
    bool changed = false;
    while (!changed && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        ASSERT_GT(reader.read(b, sizeof b), 0);
        changed = std::strcmp(a, b) != 0;
    }
    EXPECT_TRUE(changed) << "the second read returned the first text";
    EXPECT_NE(std::strchr(b, '.'), nullptr);
    char small[4];
    EXPECT_EQ(reader.read(small, sizeof small), 3) << "cut to the buffer, NUL-terminated";
    EXPECT_EQ(std::strlen(small), 3u);
    PROC_FILE_READER missing("/proc/no-such-file");
    EXPECT_EQ(missing.read(a, sizeof a), -1);
}

namespace {

// /proc/stat of a 256-processor machine: about 15 KB of cpu lines, then
// the rest. CPU i has idle 1000 + i and iowait 7.
std::string many_cpu_stat_text() {
    std::string text = "cpu  123456789 2345 3456789 99999999 777 0 88888 0 0 0\n";
    for (int i = 0; i < 256; ++i)
        text += "cpu" + std::to_string(i) + " 4823741 1234 987654 " + std::to_string(1000 + i) +
                " 7 0 34567 0 0 0\n";
    text += "intr 123456 1 2 3 4 5 6 7 8 9\nctxt 987654321\nbtime 1700000000\nprocesses 12345\n";
    return text;
}

} // namespace

TEST(ProcParse, ProcStatOfManyProcessorsIsReadWhole) {
    const std::string text = many_cpu_stat_text();
    ASSERT_GT(text.size(), 8192u);
    char name[] = "/tmp/proc_stat_text.XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);

    PROC_FILE_READER reader(name);
    std::vector<char> buffer(64); // grows as the text needs
    const long n = reader.read_all(buffer);
    unlink(name);
    ASSERT_EQ(n, static_cast<long>(text.size()));
    std::uint64_t total = 0, per[1024] = {};
    std::size_t cpus = 0;
    ASSERT_TRUE(parse_proc_stat_idle(std::string_view(buffer.data(), static_cast<std::size_t>(n)), total, per,
                                     1024, cpus));
    ASSERT_EQ(cpus, 256u);
    for (std::size_t i = 0; i < cpus; ++i)
        EXPECT_EQ(per[i], 1007u + i) << "cpu" << i;
}

TEST(ProcParse, ProcStatCutInsideTheProcessorLinesIsRefused) {
    // Cut where a fixed 8 KB read ended: the cut line's idle figure is
    // short (a busy processor) and the later processors are missing.
    const std::string text = many_cpu_stat_text();
    std::uint64_t total = 0, per[1024] = {};
    std::size_t cpus = 0;
    EXPECT_FALSE(parse_proc_stat_idle(std::string_view(text).substr(0, 8191), total, per, 1024, cpus));
    // Cut at a line's end: the processors after it would vanish.
    const std::size_t line_end = text.rfind('\n', 8191) + 1;
    EXPECT_FALSE(parse_proc_stat_idle(std::string_view(text).substr(0, line_end), total, per, 1024, cpus));
}

namespace {

std::uint64_t monotonic_100ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 10000000ULL + static_cast<std::uint64_t>(ts.tv_nsec) / 100;
}

} // namespace

TEST(PerflibSource, SnapshotTimesComeFromAClockThatNeverSteps) {
    // Calendar time steps with clock changes; the snapshots' time base
    // must not, so both objects carry the monotonic clock (SystemTime
    // holds it with millisecond resolution).
    LINUX_PERF_SOURCE src;
    for (const char *object : {"230", "238"}) {
        SCOPED_TRACE(object);
        const std::uint64_t before = monotonic_100ns();
        const auto block = query(src, object);
        const std::uint64_t after = monotonic_100ns();
        std::uint64_t t = 0;
        ASSERT_TRUE(perf_block_time(block, t));
        EXPECT_GE(t + 10000, before);
        EXPECT_LE(t, after);
        EXPECT_GE(u64(block, perf_layout::block_perf_time_100nsec), before);
        EXPECT_LE(u64(block, perf_layout::block_perf_time_100nsec), after);
    }
}

TEST(PerflibSource, ProcessStartTimesSinceBootAndParents) {
    LINUX_PERF_SOURCE src;
    EXPECT_EQ(find_title_index(linux_counter_titles(), "Elapsed Time"), "684");
    EXPECT_EQ(find_title_index(linux_counter_titles(), "Creating Process ID"), "1410");
    const auto block = query(src, "230");
    PERF_OBJECT_VIEW object;
    ASSERT_TRUE(perf_first_object(block, object));
    std::vector<std::uint32_t> titles;
    perf_for_each_counter(block, object,
                          [&](const PERF_COUNTER_VIEW &c) { titles.push_back(c.title_index); });
    ASSERT_EQ(titles.size(), 8u);
    ASSERT_EQ(titles[6], 684u);
    ASSERT_EQ(titles[7], 1410u);

    char stat[1024];
    ASSERT_GT(read_proc_file(AT_FDCWD, "/proc/self/stat", stat, sizeof stat), 0);
    PROC_PID_STAT own;
    ASSERT_TRUE(parse_pid_stat(stat, own));
    const std::uint64_t expected =
        own.start_time * (10000000ULL / static_cast<std::uint64_t>(sysconf(_SC_CLK_TCK)));
    bool self = false;
    for (const INSTANCE &row : instances(block)) {
        if (row.values[1] == static_cast<std::uint64_t>(getpid())) {
            self = true;
            EXPECT_EQ(row.values[6], expected);
            EXPECT_EQ(row.values[7], static_cast<std::uint64_t>(getppid()));
        }
        if (row.name == "Idle" || row.name == "_Total") {
            EXPECT_EQ(row.values[6], 0u) << row.name;
            EXPECT_EQ(row.values[7], 0u) << row.name;
        }
    }
    EXPECT_TRUE(self);
    // The object's time base for the counter: now on the same clock.
    std::uint64_t object_time = 0, object_freq = 0;
    ASSERT_TRUE(perf_read64(block, object.start + perf_layout::object_perf_time, object_time));
    ASSERT_TRUE(perf_read64(block, object.start + perf_layout::object_perf_freq, object_freq));
    EXPECT_EQ(object_freq, 10000000u);
    EXPECT_GT(object_time, expected);
}

TEST(ProcessName, WholeProgramNamesAndSteadyWorkerNames) {
    using namespace std::string_literals;
    struct CASE {
        const char *comm;
        bool kernel_thread;
        std::string executable, command_line, name;
    } cases[] = {
        {"kworker/1:2-events", true, "", "", "kworker/1:2"},
        {"kworker/1:2-mm_percpu_wq", true, "", "", "kworker/1:2"},
        {"kworker/0:1+events", true, "", "", "kworker/0:1"},
        {"kworker/u8:3-flush-8:0", true, "", "", "kworker/u8:3"},
        {"kworker/R-mm_percpu_wq", true, "", "", "kworker/R-mm_percpu_wq"},
        {"ksoftirqd/0", true, "", "", "ksoftirqd/0"},
        {"at-spi-bus-laun", false, "/usr/libexec/at-spi-bus-launcher", "", "at-spi-bus-launcher"},
        {"vkl_probe_of_tw", false, "/tmp/x/vkl_probe_of_twenty1 (deleted)", "", "vkl_probe_of_twenty1"},
        // Another user's process: no executable, its command line.
        {"gnome-shell-cal", false, "", "/usr/libexec/gnome-shell-calendar-server\0--x\0"s,
         "gnome-shell-calendar-server"},
        // A script: named after the script, not the interpreter.
        {"libxml-libxml-p", false, "/usr/bin/perl", "/usr/bin/perl\0/usr/share/libxml-libxml-perl-test\0"s,
         "libxml-libxml-perl-test"},
        // Nothing completes the short name: it stays.
        {"sshd: root@pts/", false, "/usr/sbin/sshd", "sshd: root@pts/0"s, "sshd: root@pts/"},
        {"bash", false, "/usr/bin/bash-static", "", "bash"},
        {"Web Content", false, "/usr/lib/firefox/firefox", "", "Web Content"},
    };
    for (const CASE &c : cases)
        EXPECT_EQ(whole_process_name(c.comm, c.kernel_thread, c.executable, c.command_line), c.name)
            << c.comm;
}

TEST(PerflibSource, ProcessNamesAreWholeAndReadOncePerProcess) {
    // A program whose name is longer than the kernel keeps.
    const std::string dir = test_env::make_temp_dir();
    const std::string program = dir + "/vkl_probe_of_twenty1";
    ASSERT_EQ(std::system(("cp /bin/sleep " + program).c_str()), 0);
    test_env::child_process child({program, "60"});
    LINUX_PERF_SOURCE src;
    auto name_of_child = [&] {
        for (const INSTANCE &row : instances(query(src, "230")))
            if (row.values[1] == static_cast<std::uint64_t>(child.pid()))
                return row.name;
        return std::string();
    };
    ASSERT_TRUE(test_env::wait_until([&] { return name_of_child() == "vkl_probe_of_twenty1"; }));
    // Once the process is a second old its name is not read again.
    std::this_thread::sleep_for(1100ms);
    ASSERT_EQ(name_of_child(), "vkl_probe_of_twenty1");
    ASSERT_EQ(std::rename(program.c_str(), (dir + "/vkl_probe_renamed_later").c_str()), 0);
    EXPECT_EQ(name_of_child(), "vkl_probe_of_twenty1");
}

// A shell that starts a script runs another program under the same short
// name: met before that, the process still shows the later command line.
TEST(PerflibSource, DetailsReadInTheFirstSecondAreReadAgain) {
    test_env::child_process child(
        {"sh", "-c", "sleep 0.6; exec sh -c 'exec >/dev/null 2>&1; sleep 20; :' vkl_later"});
    LINUX_PERF_SOURCE src;
    const auto pid = static_cast<std::uint32_t>(child.pid());
    const std::uint64_t start = process_start_time(child.pid());
    auto command_line = [&] {
        query(src, "230");
        const auto details = src.details_of(pid, start);
        return details ? details->command_line : std::string();
    };
    ASSERT_TRUE(test_env::wait_until(
        [&] {
            return command_line() ==
                   "sh -c sleep 0.6; exec sh -c 'exec >/dev/null 2>&1; sleep 20; :' vkl_later";
        },
        500ms));
    EXPECT_TRUE(test_env::wait_until([&] {
        return command_line() == "sh -c exec >/dev/null 2>&1; sleep 20; : vkl_later";
    })) << command_line();
}
