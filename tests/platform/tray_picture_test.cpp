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

TEST(TrayPicture, ShrinksWholeByAreaMeans) {
    // 4 x 4 to 2 x 2: each new pixel is the mean of one 2 x 2 block.
    const std::vector<std::uint32_t> quads = {
        0xff000000, 0xff000000, 0xffff0000, 0xff0000ff, //
        0xff000000, 0xff000000, 0xffff0000, 0xff0000ff, //
        0xff646464, 0xffc8c8c8, 0x00000000, 0x00000000, //
        0xffc8c8c8, 0xff646464, 0x00000000, 0xff00ff00,
    };
    std::vector<std::uint32_t> out;
    shrink_tray_picture(quads.data(), 4, 2, out);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], 0xff000000u);
    EXPECT_EQ(out[1], 0xff800080u) << "red and blue halves";
    EXPECT_EQ(out[2], 0xff969696u) << "grey 100 and 200";
    EXPECT_EQ(out[3], 0x4000ff00u)
        << "a quarter covered: alpha a quarter, colour not darkened by the clear part";

    // 16 to 10, as a tray 10 pixels high gets it: a one-pixel frame at the
    // picture's edge stays in the edge pixels, partly, and the middle is
    // untouched by it.
    std::vector<std::uint32_t> framed(256, 0xffffffff);
    for (int i = 0; i < 16; ++i)
        framed[static_cast<std::size_t>(i)] = framed[static_cast<std::size_t>(15 * 16 + i)] =
            framed[static_cast<std::size_t>(i * 16)] = framed[static_cast<std::size_t>(i * 16 + 15)] =
                0xff000000;
    shrink_tray_picture(framed.data(), 16, 10, out);
    ASSERT_EQ(out.size(), 100u);
    const auto grey = [&](int x, int y) {
        return static_cast<int>(out[static_cast<std::size_t>(y * 10 + x)] & 0xff);
    };
    for (int i = 0; i < 10; ++i) {
        EXPECT_LT(grey(0, i), 128) << "left edge, row " << i;
        EXPECT_LT(grey(9, i), 128) << "right edge, row " << i;
        EXPECT_LT(grey(i, 0), 128) << "top edge, column " << i;
        EXPECT_LT(grey(i, 9), 128) << "bottom edge, column " << i;
    }
    for (int y = 1; y < 9; ++y)
        for (int x = 1; x < 9; ++x)
            ASSERT_EQ(out[static_cast<std::size_t>(y * 10 + x)], 0xffffffffu) << x << "," << y;

    // Not a shrink: nothing to draw.
    shrink_tray_picture(framed.data(), 16, 16, out);
    EXPECT_EQ(out, std::vector<std::uint32_t>(256, 0));
}

TEST(TrayPicture, RequestedSideFollowsTheSideTheTrayFixes) {
    // A horizontal tray fixes the height, a vertical one the width.
    EXPECT_EQ(tray_side_to_request(16, 16, 24, 0), 24);
    EXPECT_EQ(tray_side_to_request(16, 1, 24, 0), 24) << "a sliver grows to the tray's height";
    EXPECT_EQ(tray_side_to_request(16, 30, 20, 1), 30);
    // No published orientation: the dimension that did not follow the
    // request is the tray's.
    EXPECT_EQ(tray_side_to_request(16, 16, 24, -1), 24);
    EXPECT_EQ(tray_side_to_request(16, 24, 16, -1), 24);
    EXPECT_EQ(tray_side_to_request(22, 30, 40, -1), 22) << "neither followed: keep asking";
    // Square: keep the request (a tray that pads its sockets must not make
    // the icon grow step by step).
    EXPECT_EQ(tray_side_to_request(16, 22, 22, -1), 16);
    EXPECT_EQ(tray_side_to_request(16, 22, 22, 0), 16);
    // Bounded.
    EXPECT_EQ(tray_side_to_request(16, 16, 2, -1), min_tray_side);
    EXPECT_EQ(tray_side_to_request(16, 16, 4000, 0), max_tray_side);
}
