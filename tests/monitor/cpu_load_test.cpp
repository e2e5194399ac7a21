#include "monitor/cpu_load.h"
#include "monitor/status_texts.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(CpuLoad, SmoothingOverThreeValuesStartsFromZeros) {
    cpu_history[5] = 9.0;
    reset_cpu_history();
    for (double v : cpu_history)
        EXPECT_EQ(v, 0.0);
    EXPECT_DOUBLE_EQ(average_load(0.9), 0.3);
    EXPECT_DOUBLE_EQ(average_load(0.3), 0.4);
    EXPECT_DOUBLE_EQ(average_load(0.6), 0.6);
    EXPECT_DOUBLE_EQ(average_load(0.0), 0.3); // the oldest (0.9) dropped
    reset_cpu_history();
}

TEST(CpuLoad, CombiningInstances) {
    EXPECT_DOUBLE_EQ(combined_load(0.2 + 0.6 + 0.4, 3), 0.4);
    EXPECT_DOUBLE_EQ(combined_load(1.0, 1), 1.0); // no division for one
    EXPECT_EQ(combined_load(-0.01, 2), 0.0);
    EXPECT_EQ(combined_load(2.1, 2), 0.0);
    EXPECT_EQ(combined_load(NAN, 2), 0.0);
    EXPECT_EQ(combined_load(0.5, 0), 0.0); // no instances: nothing can be busy
}

TEST(StatusTexts, FormatsAndRounding) {
    platform::MEMORY_STATUS m;
    m.total_physical = 8ULL << 30;
    m.available_physical = (3ULL << 30) + 1023; // the odd bytes drop
    m.total_virtual = 6ULL << 40;               // beyond 32 bits of KB
    m.available_virtual = 0;
    STATUS_TEXTS t = status_bar_texts(37.6, m);
    EXPECT_EQ(t.cpu, "CPU usage 38%");
    EXPECT_EQ(t.physical, "PHM 8388608/3145728");
    EXPECT_EQ(t.virtual_memory, "VM 6442450944/0");
    EXPECT_EQ(status_bar_texts(0.2, m).cpu, "CPU usage 0%");
    EXPECT_EQ(status_bar_texts(100.0, m).cpu, "CPU usage 100%");
    EXPECT_EQ(status_bar_texts(NAN, m).cpu, "CPU usage 0%");
    m.total_virtual = m.available_virtual = ~0ULL; // the largest figures fit whole
    EXPECT_EQ(status_bar_texts(50.0, m).virtual_memory, "VM 18014398509481983/18014398509481983");
}
