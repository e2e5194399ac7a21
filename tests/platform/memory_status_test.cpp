#include "platform/linux/proc_meminfo.h"
#include "platform/memory_status.h"

#include <gtest/gtest.h>

using platform::MEMORY_STATUS;

TEST(MemoryStatus, ParsesMeminfoInBytes) {
    const char text[] = "MemTotal:       24683752 kB\nMemFree: 1 kB\nMemAvailable:   24343752 kB\n"
                        "SwapTotal: 0 kB\nSwapFree: 0 kB\nCommitLimit:    12341876 kB\n"
                        "Committed_AS:      62604 kB\n";
    MEMORY_STATUS m;
    ASSERT_TRUE(platform::parse_meminfo(text, m));
    EXPECT_EQ(m.total_physical, 24683752ULL * 1024);
    EXPECT_EQ(m.available_physical, 24343752ULL * 1024);
    // Without swap, virtual memory is the physical memory.
    EXPECT_EQ(m.total_virtual, 24683752ULL * 1024);
    EXPECT_EQ(m.available_virtual, 24343752ULL * 1024);
}

TEST(MemoryStatus, VirtualIsMemoryPlusSwapWhateverTheCommitCharge) {
    // A desktop under the kernel's default overcommit: Committed_AS far
    // above CommitLimit. Virtual memory still reads total and available.
    const char text[] = "MemTotal:        8000000 kB\nMemFree:  1000000 kB\nMemAvailable:    3000000 kB\n"
                        "SwapTotal:       2000000 kB\nSwapFree:        1500000 kB\n"
                        "CommitLimit:     6000000 kB\nCommitted_AS:   14000000 kB\n";
    MEMORY_STATUS m;
    ASSERT_TRUE(platform::parse_meminfo(text, m));
    EXPECT_EQ(m.total_virtual, (8000000ULL + 2000000) * 1024);
    EXPECT_EQ(m.available_virtual, (3000000ULL + 1500000) * 1024);
}

TEST(MemoryStatus, MissingFields) {
    MEMORY_STATUS m;
    // A kernel without swap support has no Swap lines: virtual = physical.
    ASSERT_TRUE(platform::parse_meminfo("MemTotal: 100 kB\nMemAvailable: 50 kB\n", m));
    EXPECT_EQ(m.total_virtual, 100u * 1024);
    EXPECT_EQ(m.available_virtual, 50u * 1024);
    // A key that only ends another key's name does not count.
    EXPECT_FALSE(platform::parse_meminfo("MemTotal: 100 kB\nXMemAvailable: 5 kB\nSwapTotal: 1 kB\n"
                                         "SwapFree: 1 kB\n",
                                         m));
    EXPECT_EQ(m.total_physical, 0u);
    EXPECT_FALSE(platform::parse_meminfo("MemTotal: 100 kB\nMemAvailable:", m));
}

TEST(MemoryStatus, RealSystem) {
    MEMORY_STATUS m;
    ASSERT_TRUE(platform::read_memory_status(m));
    EXPECT_GT(m.total_physical, 16ULL << 20);
    EXPECT_LE(m.available_physical, m.total_physical);
    EXPECT_LE(m.available_virtual, m.total_virtual);
}
