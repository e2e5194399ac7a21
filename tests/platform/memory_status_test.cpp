#include "platform/linux/proc_meminfo.h"
#include "platform/memory_status.h"

#include <gtest/gtest.h>

using platform::MEMORY_STATUS;

TEST(MemoryStatus, ParsesMeminfoInBytes) {
    const char text[] = "MemTotal:       24683752 kB\nMemFree: 1 kB\nMemAvailable:   24343752 kB\n"
                        "SwapTotal: 0 kB\nCommitLimit:    12341876 kB\nCommitted_AS:      62604 kB\n";
    MEMORY_STATUS m;
    ASSERT_TRUE(platform::parse_meminfo(text, m));
    EXPECT_EQ(m.total_physical, 24683752ULL * 1024);
    EXPECT_EQ(m.available_physical, 24343752ULL * 1024);
    EXPECT_EQ(m.total_virtual, 12341876ULL * 1024);
    EXPECT_EQ(m.available_virtual, (12341876ULL - 62604) * 1024);
}

TEST(MemoryStatus, OvercommitAndMissingFields) {
    MEMORY_STATUS m;
    ASSERT_TRUE(platform::parse_meminfo(
        "MemTotal: 100 kB\nMemAvailable: 50 kB\nCommitLimit: 10 kB\nCommitted_AS: 30 kB\n", m));
    EXPECT_EQ(m.available_virtual, 0u);
    // A key that only ends another key's name does not count.
    EXPECT_FALSE(platform::parse_meminfo("MemTotal: 100 kB\nXMemAvailable: 5 kB\nCommitLimit: 1 kB\n"
                                         "Committed_AS: 1 kB\n", m));
    EXPECT_EQ(m.total_physical, 0u);
    EXPECT_FALSE(platform::parse_meminfo("MemTotal: 100 kB\nMemAvailable: 5 kB\nCommitLimit: 1 kB\n"
                                         "Committed_AS:", m));
}

TEST(MemoryStatus, RealSystem) {
    MEMORY_STATUS m;
    ASSERT_TRUE(platform::read_memory_status(m));
    EXPECT_GT(m.total_physical, 16ULL << 20);
    EXPECT_LE(m.available_physical, m.total_physical);
    EXPECT_LE(m.available_virtual, m.total_virtual);
}
