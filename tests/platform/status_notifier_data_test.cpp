// What the tray item hands to its host: pixmap bytes and menu labels.
#include "platform/linux/status_notifier_data.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

TEST(StatusNotifierData, PixmapIsArgbInNetworkOrderScaledByWholeSteps) {
    // 2 x 2: opaque, clear, half-transparent, opaque.
    const std::uint32_t picture[4] = {0xff102030, 0x00405060, 0x80708090, 0xffa0b0c0};
    using BYTES = std::vector<std::uint8_t>;
    EXPECT_EQ(status_notifier_pixmap(picture, 2, 1), (BYTES{0xff, 0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60,
                                                            0x80, 0x70, 0x80, 0x90, 0xff, 0xa0, 0xb0, 0xc0}));
    // Twice: 4 x 4, each picture pixel a 2 x 2 block.
    const BYTES twice = status_notifier_pixmap(picture, 2, 2);
    ASSERT_EQ(twice.size(), 4u * 4u * 4u);
    const struct {
        int x, y;
        std::uint32_t expected;
    } pixels[] = {{0, 0, 0xff102030}, {1, 1, 0xff102030}, {2, 0, 0x00405060}, {3, 1, 0x00405060},
                  {1, 2, 0x80708090}, {0, 3, 0x80708090}, {2, 2, 0xffa0b0c0}, {3, 3, 0xffa0b0c0}};
    for (const auto &p : pixels) {
        const std::size_t at = static_cast<std::size_t>((p.y * 4 + p.x) * 4);
        const std::uint32_t got = std::uint32_t{twice[at]} << 24 | std::uint32_t{twice[at + 1]} << 16 |
                                  std::uint32_t{twice[at + 2]} << 8 | twice[at + 3];
        EXPECT_EQ(got, p.expected) << "pixel " << p.x << "," << p.y;
    }
    EXPECT_TRUE(status_notifier_pixmap(picture, 2, 0).empty());
    EXPECT_TRUE(status_notifier_pixmap(nullptr, 2, 1).empty());
}

TEST(StatusNotifierData, MenuLabelsCarryTheMnemonicInTheProtocolsMark) {
    const struct {
        const char *toolkit, *host;
    } cases[] = {
        {"Exit", "Exit"},
        {"&Exit", "_Exit"},
        {"Fish && chips", "Fish & chips"},
        {"my_tool", "my__tool"},
        {"&_a", "___a"},
        {"trailing&", "trailing"},
        {"R&&D_1 &Go", "R&D__1 _Go"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(dbus_menu_label(c.toolkit), c.host) << c.toolkit;
}
