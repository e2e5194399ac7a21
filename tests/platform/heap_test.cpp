#include "platform/heap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Unused under the sanitizer, whose allocator the test cannot observe.
[[maybe_unused]] long resident_kb() {
    std::FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    std::fclose(f);
    return kb;
}

} // namespace

// 16 MB of small blocks on this (the main) thread's heap, touched and then
// freed except the last one, which pins the heap's top: what was freed lies
// in the middle, where free() keeps it resident. Releasing must give it back.
TEST(Heap, FreedPagesInTheMiddleOfTheHeapGoBackToTheSystem) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps its own heap";
#else
    constexpr std::size_t block = 8000, count = 2000;
    std::vector<char *> blocks;
    for (std::size_t i = 0; i < count; ++i) {
        blocks.push_back(static_cast<char *>(std::malloc(block)));
        ASSERT_NE(blocks.back(), nullptr);
        std::memset(blocks.back(), 0x5a, block);
    }
    for (std::size_t i = 0; i + 1 < count; ++i)
        std::free(blocks[i]);
    const long before = resident_kb();
    EXPECT_TRUE(platform::release_free_heap());
    const long after = resident_kb();
    std::free(blocks.back());
    ASSERT_GT(before, 0);
    EXPECT_LT(after, before - 8000) << "resident " << before << " KB before, " << after << " KB after";
#endif
}
