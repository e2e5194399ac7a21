// The tray icon's picture laid out in its window, on prepared pixels.
#include "platform/linux/tray_picture.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace platform;

namespace {

// A 4 x 4 picture: a transparent ring around an opaque 2 x 2 centre
// (red, green / blue, white).
std::vector<std::uint32_t> ringed() {
    std::vector<std::uint32_t> p(16, 0x00abcdef); // transparent, colour ignored
    p[5] = 0xffff0000;
    p[6] = 0xff00ff00;
    p[9] = 0xff0000ff;
    p[10] = 0xffffffff;
    return p;
}

} // namespace

TEST(TrayPicture, WholeScaleCentredInTheWindowTheTrayGives) {
    const TRAY_PLACEMENT same = place_tray_picture(16, 16, 16);
    EXPECT_EQ(same.scale, 1);
    EXPECT_EQ(same.left, 0);
    const TRAY_PLACEMENT wider = place_tray_picture(16, 24, 24); // 1.5x: no blurred half steps
    EXPECT_EQ(wider.scale, 1);
    EXPECT_EQ(wider.left, 4);
    EXPECT_EQ(wider.top, 4);
    const TRAY_PLACEMENT twice = place_tray_picture(16, 40, 32);
    EXPECT_EQ(twice.scale, 2);
    EXPECT_EQ(twice.left, 4);
    EXPECT_EQ(twice.top, 0);
    const TRAY_PLACEMENT small = place_tray_picture(16, 10, 12); // never below 1: cut, centred
    EXPECT_EQ(small.scale, 1);
    EXPECT_EQ(small.left, -3);
    EXPECT_EQ(small.top, -2);
}

TEST(TrayPicture, PixelsFollowTheVisualsMasksAndPremultiplyAlpha) {
    const PIXEL_FORMAT rgb; // 0xRRGGBB
    EXPECT_EQ(to_pixel(0xff123456, rgb), 0x123456u);
    const PIXEL_FORMAT bgr{0xff, 0xff00, 0xff0000, false};
    EXPECT_EQ(to_pixel(0xff123456, bgr), 0x563412u);
    const PIXEL_FORMAT rgb565{0xf800, 0x07e0, 0x001f, false};
    EXPECT_EQ(to_pixel(0xffffffff, rgb565), 0xffffu);
    EXPECT_EQ(to_pixel(0xff000000, rgb565), 0u);
    EXPECT_EQ(to_pixel(0xff808080, rgb565), (16u << 11) | (32u << 5) | 16u);
    const PIXEL_FORMAT argb{0xff0000, 0xff00, 0xff, true};
    EXPECT_EQ(to_pixel(0xff123456, argb), 0xff123456u);
    EXPECT_EQ(to_pixel(0x00123456, argb), 0u) << "premultiplied: nothing of a clear pixel's colour";
}

TEST(TrayPicture, RenderScalesPlacesAndClearsTransparentPixels) {
    const auto picture = ringed();
    std::vector<std::uint32_t> out;
    const TRAY_PLACEMENT at = place_tray_picture(4, 10, 8); // scale 2, left 1, top 0
    render_tray_picture(picture.data(), 4, at, PIXEL_FORMAT{}, 10, 8, out);
    ASSERT_EQ(out.size(), 80u);
    const auto px = [&](int x, int y) { return out[static_cast<std::size_t>(y * 10 + x)]; };
    EXPECT_EQ(px(0, 3), 0u) << "left of the picture";
    EXPECT_EQ(px(1, 1), 0u) << "transparent ring";
    EXPECT_EQ(px(3, 2), 0xff0000u);
    EXPECT_EQ(px(4, 3), 0xff0000u);
    EXPECT_EQ(px(5, 2), 0x00ff00u);
    EXPECT_EQ(px(6, 3), 0x00ff00u);
    EXPECT_EQ(px(3, 4), 0x0000ffu);
    EXPECT_EQ(px(6, 5), 0xffffffu);
    EXPECT_EQ(px(7, 5), 0u);
    EXPECT_EQ(px(9, 7), 0u);
    // A window smaller than the picture: cut, nothing written outside.
    render_tray_picture(picture.data(), 4, place_tray_picture(4, 2, 2), PIXEL_FORMAT{}, 2, 2, out);
    EXPECT_EQ(out, (std::vector<std::uint32_t>{0xff0000, 0x00ff00, 0x0000ff, 0xffffff}));
    render_tray_picture(nullptr, 4, at, PIXEL_FORMAT{}, 3, 3, out);
    EXPECT_EQ(out, std::vector<std::uint32_t>(9, 0));
}

TEST(TrayPicture, OpaqueRectsMergeRowsAndSkipTheTransparentParts) {
    // Each rectangle as {x, y, width, height}.
    const auto as_tuples = [](const std::vector<TRAY_RECT> &rects) {
        std::vector<std::array<int, 4>> out;
        for (const TRAY_RECT &r : rects)
            out.push_back({r.x, r.y, r.width, r.height});
        return out;
    };
    using RECTS = std::vector<std::array<int, 4>>;
    auto picture = ringed();
    EXPECT_EQ(as_tuples(opaque_rects(picture.data(), 4, place_tray_picture(4, 10, 8), 10, 8)), (RECTS{{3, 2, 4, 4}}))
        << "two identical rows make one rectangle";

    // A hole in the lower row splits it; rows differ, so no merge.
    picture[9] = 0;
    EXPECT_EQ(as_tuples(opaque_rects(picture.data(), 4, place_tray_picture(4, 4, 4), 4, 4)),
              (RECTS{{1, 1, 2, 1}, {2, 2, 1, 1}}));

    // Fully opaque picture: one rectangle, clipped to a smaller window.
    std::vector<std::uint32_t> full(16, 0xff000000);
    EXPECT_EQ(as_tuples(opaque_rects(full.data(), 4, place_tray_picture(4, 3, 3), 3, 3)), (RECTS{{0, 0, 3, 3}}));
    EXPECT_TRUE(opaque_rects(std::vector<std::uint32_t>(16, 0).data(), 4, TRAY_PLACEMENT{}, 4, 4).empty());
}
