#include "logging/process_log.h"
#include "logging/process_log_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

PROCESS_INFO_STRUCT record(std::uint32_t pid, const char *name, double cpu, std::uint64_t ws,
                           std::uint64_t paged, std::uint32_t handles, std::uint32_t threads) {
    PROCESS_INFO_STRUCT r;
    r.pid = pid;
    std::strncpy(r.name, name, sizeof r.name - 1);
    r.cpu_share = cpu;
    r.working_set = ws;
    r.page_file_bytes = paged;
    r.handle_count = handles;
    r.thread_count = threads;
    r.start_time = 123456;
    return r;
}

const LOG_LOCAL_TIME example_time{2003, 3, 5, 14, 7, 9};

TEST(ProcessLogLine, ExampleLineByteExact) {
    const auto r = record(1412, "worker", 0.025, 2184 * 1024 + 1023, 640 * 1024, 31, 2);
    EXPECT_EQ(process_log_line(example_time, r, ":", "."),
              "05.03.2003 14:07:09 1412 worker CPU 2.5 RAM 2184 Paged 640 Handles 31 Threads 2");
    // A German user: comma decimals; another time separator is used as given.
    EXPECT_EQ(process_log_line(example_time, r, ".", ","),
              "05.03.2003 14.07.09 1412 worker CPU 2,5 RAM 2184 Paged 640 Handles 31 Threads 2");
    // Midnight and a single-digit everything pad to two digits; the year to four.
    EXPECT_EQ(process_log_line({987, 1, 2, 0, 0, 5}, record(7, "a", 0.0, 0, 0, 0, 0), ":", ".").substr(0, 19),
              "02.01.0987 00:00:05");
}

TEST(ProcessLogLine, EmptyNameGivesTwoBlanksAndCpuIsClampedAndRounded) {
    EXPECT_EQ(process_log_line(example_time, record(99, "", 0.0, 0, 0, 0, 0), ":", "."),
              "05.03.2003 14:07:09 99  CPU 0.0 RAM 0 Paged 0 Handles 0 Threads 0");

    EXPECT_DOUBLE_EQ(clamp_cpu_share(2.7), 1.0);
    EXPECT_DOUBLE_EQ(clamp_cpu_share(-0.3), 0.0);
    EXPECT_DOUBLE_EQ(clamp_cpu_share(std::nan("")), 0.0);
    EXPECT_DOUBLE_EQ(clamp_cpu_share(std::numeric_limits<double>::infinity()), 1.0);
    EXPECT_DOUBLE_EQ(clamp_cpu_share(0.42), 0.42);

    auto cpu_of = [](double share) {
        const auto line =
            process_log_line(example_time, record(1, "x", clamp_cpu_share(share), 0, 0, 0, 0), ":", ".");
        const auto at = line.find(" CPU ") + 5;
        return line.substr(at, line.find(' ', at) - at);
    };
    EXPECT_EQ(cpu_of(5.0), "100.0");
    EXPECT_EQ(cpu_of(-1.0), "0.0");
    EXPECT_EQ(cpu_of(std::nan("")), "0.0");
    EXPECT_EQ(cpu_of(0.12345), "12.3");
    EXPECT_EQ(cpu_of(0.1236), "12.4");
    EXPECT_EQ(cpu_of(0.0004), "0.0");
}

TEST(ProcessLogLine, TerminatorIsZeroThenCarriageReturn) {
    ASSERT_EQ(process_log_terminator.size(), 2u);
    EXPECT_EQ(process_log_terminator[0], '\0');
    EXPECT_EQ(process_log_terminator[1], '\r');
    // Memory above 4 GiB is not cut to 32 bits.
    const auto line =
        process_log_line(example_time, record(1, "big", 0, 6ull << 30, 5ull << 30, 0, 0), ":", ".");
    EXPECT_NE(line.find(" RAM 6291456 Paged 5242880 "), std::string::npos);
}

TEST(ProcessLogLine, TimeSeparatorOfFormat) {
    EXPECT_EQ(time_separator_of_format("HH:mm:ss"), ":");
    EXPECT_EQ(time_separator_of_format("h:mm AP"), ":");
    EXPECT_EQ(time_separator_of_format("HH.mm"), ".");
    EXPECT_EQ(time_separator_of_format("H'h'mm"), "h");
    EXPECT_EQ(time_separator_of_format("mm"), ":");
    EXPECT_EQ(time_separator_of_format(""), ":");
}

} // namespace

namespace {

TEST(LoggedProcess, FollowsItsOwnProcessNeverAStranger) {
    LOGGED_PROCESS followed;
    PROCESS_INFO_STRUCT entry;
    entry.pid = 500;
    entry.start_time = 7000;
    entry.cpu_share = 3.0;
    entry.thread_count = 4;
    follow_logged_process(followed, entry, true);
    EXPECT_EQ(entry.cpu_share, 1.0) << "limited before it is logged and kept";
    EXPECT_EQ(followed.last.thread_count, 4u);

    entry.thread_count = 5; // same process, new figures
    follow_logged_process(followed, entry, true);
    EXPECT_EQ(followed.last.thread_count, 5u);

    // The process ended and a later one got the id.
    entry.start_time = 9000;
    entry.thread_count = 60;
    entry.cpu_share = 0.5;
    std::strcpy(entry.name, "stranger");
    follow_logged_process(followed, entry, true);
    EXPECT_TRUE(followed.gone);
    EXPECT_EQ(entry.thread_count, 5u);
    EXPECT_STREQ(entry.name, "");
    EXPECT_EQ(entry.cpu_share, 0.0) << "a process that is gone uses no processor";
    // ... for good, even if a record later carries an unknown start time.
    entry.start_time = 0;
    entry.thread_count = 61;
    follow_logged_process(followed, entry, true);
    EXPECT_EQ(entry.thread_count, 5u);

    // Unknown start times never count as another process.
    LOGGED_PROCESS unknown;
    PROCESS_INFO_STRUCT e;
    e.thread_count = 1;
    follow_logged_process(unknown, e, true);
    e.thread_count = 2;
    follow_logged_process(unknown, e, true);
    EXPECT_FALSE(unknown.gone);
    EXPECT_EQ(unknown.last.thread_count, 2u);

    // The process ends: its last figures, CPU 0.0, for good.
    e.cpu_share = 0.75;
    follow_logged_process(unknown, e, true);
    e.thread_count = 9;
    follow_logged_process(unknown, e, false);
    EXPECT_EQ(e.cpu_share, 0.0);
    EXPECT_EQ(e.thread_count, 2u);
    follow_logged_process(unknown, e, true);
    EXPECT_EQ(e.cpu_share, 0.0);
}

} // namespace
