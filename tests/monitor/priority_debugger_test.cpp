// The priority class table both ways and the debugger command line.
#include "monitor/debugger_command.h"
#include "monitor/one_process_thread.h"
#include "monitor/priority_classes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

TEST(PriorityClasses, SetAsTheFixedNiceValues) {
    EXPECT_EQ(nice_of_class(PRIORITY_CLASS::realtime), -20);
    EXPECT_EQ(nice_of_class(PRIORITY_CLASS::high), -10);
    EXPECT_EQ(nice_of_class(PRIORITY_CLASS::above_normal), -5);
    EXPECT_EQ(nice_of_class(PRIORITY_CLASS::normal), 0);
    EXPECT_EQ(nice_of_class(PRIORITY_CLASS::below_normal), 5);
    EXPECT_EQ(nice_of_class(PRIORITY_CLASS::idle), 19);
    const char *captions[] = {"Realtime", "High", "Above normal", "Normal", "Below normal", "Low"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(priority_class_table[static_cast<std::size_t>(i)].caption, captions[i]);
        EXPECT_EQ(class_menu_index(priority_class_table[static_cast<std::size_t>(i)].priority_class), i);
        // Every class reads back as itself.
        const auto c = priority_class_table[static_cast<std::size_t>(i)].priority_class;
        EXPECT_EQ(class_of_nice(nice_of_class(c)), c);
    }
}

TEST(PriorityClasses, EveryNiceValueReadsAsTheNearestClassTiesTowardNormal) {
    // Written out by hand for -20..19, so the table is checked, not restated.
    using P = PRIORITY_CLASS;
    const P R = P::realtime, H = P::high, A = P::above_normal, N = P::normal, B = P::below_normal,
            L = P::idle;
    const P expected[40] = {
        R, R, R, R, R,                // -20 .. -16
        H, H, H, H, H, H, H, H,       // -15 (tie with Realtime) .. -8
        A, A, A, A, A,                // -7 .. -3
        N, N, N, N, N,                // -2 .. 2
        B, B, B, B, B, B, B, B, B, B, // 3 .. 12 (tie with Low)
        L, L, L, L, L, L, L,          // 13 .. 19
    };
    for (int nice = -20; nice <= 19; ++nice)
        EXPECT_EQ(class_of_nice(nice), expected[nice + 20]) << "nice " << nice;
    // The rule itself, checked independently of the list above.
    for (int nice = -20; nice <= 19; ++nice) {
        const P got = class_of_nice(nice);
        const int d = std::abs(nice_of_class(got) - nice);
        for (const auto &e : priority_class_table) {
            const int de = std::abs(e.nice - nice);
            EXPECT_LE(d, de) << "nice " << nice;
            if (de == d && e.priority_class != got) {
                EXPECT_LT(std::abs(nice_of_class(got)), std::abs(e.nice)) << "nice " << nice;
            }
        }
    }
    // The cases named for the reading back.
    EXPECT_EQ(class_of_nice(-15), H);
    EXPECT_EQ(class_of_nice(-8), H);
    EXPECT_EQ(class_of_nice(-7), A);
    EXPECT_EQ(class_of_nice(-3), A);
    EXPECT_EQ(class_of_nice(-2), N);
    EXPECT_EQ(class_of_nice(2), N);
    EXPECT_EQ(class_of_nice(3), B);
    EXPECT_EQ(class_of_nice(12), B);
    EXPECT_EQ(class_of_nice(13), L);
    EXPECT_EQ(class_of_nice(-20), R);
    EXPECT_EQ(class_of_nice(19), L);
    // Out of range values are clamped.
    EXPECT_EQ(class_of_nice(-40), R);
    EXPECT_EQ(class_of_nice(40), L);
}

TEST(DebuggerCommand, CutsAfterTheFirstDashPAndAppendsTheId) {
    EXPECT_EQ(build_debugger_command("\"C:\\dbg\\drwtsn32\" -p %ld -e %ld -g", "1234"),
              "\"C:\\dbg\\drwtsn32\" -p 1234");
    // Only the first "-p " counts.
    EXPECT_EQ(build_debugger_command("dbg -p 1 -p 2", "77"), "dbg -p 77");
    // "-p" without its blank is not the marker.
    EXPECT_EQ(build_debugger_command("dbg -pid -g", "1234"), "dbg -pid -g1234");
    // Without "-p " the id goes straight after the text.
    EXPECT_EQ(build_debugger_command("dbg -g", "1234"), "dbg -g1234");
    EXPECT_EQ(build_debugger_command("", "1234"), "");
}

TEST(DebuggerCommand, LongTextsNeverCutTheId) {
    // 252 + " -p " leaves a 260-byte buffer room for "123" of the id only.
    const std::string path(252, 'x');
    EXPECT_EQ(build_debugger_command(path + " -p %ld -g", "123456"), path + " -p 123456");
    const std::string long_text(300, 'y');
    EXPECT_EQ(build_debugger_command(long_text + " -p -e", "123456"), long_text + " -p 123456");
    EXPECT_EQ(build_debugger_command(long_text, "7"), long_text + "7");
}

TEST(DebuggerCommand, DefaultRunsGdbInATerminal) {
    const std::string d = default_debugger_command("/usr/bin/x-terminal-emulator", "/usr/bin/gdb");
    EXPECT_EQ(build_debugger_command(d, "42"), "/usr/bin/x-terminal-emulator -e /usr/bin/gdb -p 42");
    EXPECT_EQ(default_debugger_command("/opt/my term/xt", "/usr/bin/gdb"),
              "\"/opt/my term/xt\" -e /usr/bin/gdb -p ");
}

TEST(OneProcessTexts, CpuIsClampedAndRounded) {
    EXPECT_EQ(one_process_cpu_text(1.5, "."), "100.0");
    EXPECT_EQ(one_process_cpu_text(1.0, "."), "100.0");
    EXPECT_EQ(one_process_cpu_text(-0.2, "."), "0.0");
    EXPECT_EQ(one_process_cpu_text(std::nan(""), "."), "0.0");
    EXPECT_EQ(one_process_cpu_text(0.1234, ","), "12,3");
    EXPECT_EQ(one_process_cpu_text(0.1235, "."), "12.4");
    EXPECT_EQ(one_process_cpu_text(0.0004, "."), "0.0");
    EXPECT_EQ(one_process_cpu_text(0.00051, "."), "0.1");
    PROCESS_INFO_STRUCT r;
    r.pid = 42;
    std::snprintf(r.name, sizeof r.name, "editor");
    r.cpu_share = 3.0;
    r.working_set = 1572864;
    r.page_file_bytes = 1023;
    r.handle_count = 7;
    r.thread_count = 3;
    EXPECT_EQ(one_process_row(r, "."), (ONE_PROCESS_ROW{"42", "editor", "100.0", "1536", "0", "7", "3"}));
}
