#include <gtest/gtest.h>

#include <array>
#include <random>

#include "pattern/depthdown.h"
#include "pattern/mydither.h"
#include "pattern_helpers.h"
#include "pattern/logpalette.h"
#include "support/blockguard.h"

using testimg::blackWhite;
using Rows = std::vector<std::string>;

namespace {

dib ditherWith(const dib& src, const LPAL& yarns) { return pattern::DepthDownTo(src, yarns, 64, 1); }

// Floyd-Steinberg written from the geometry on a full error matrix (not the
// two-row bookkeeping): serpentine, top row left to right, sixteenths,
// errors leaving the picture dropped, brute-force nearest entry.
std::vector<int> referenceDither(const dib& src, const LPAL& gridPal) {
    const int w = dibwidth(src), h = dibheight(src);
    std::vector<std::array<int, 3>> acc(std::size_t(w * h), {0, 0, 0});
    std::vector<int> out(std::size_t(w * h));
    auto add = [&](int x, int y, int weight, const int* e) {
        if (x < 0 || x >= w || y >= h) return;
        for (int c = 0; c < 3; ++c) acc[std::size_t(y * w + x)][std::size_t(c)] += weight * e[c];
    };
    for (int y = 0; y < h; ++y) {
        const int d = y % 2 == 0 ? 1 : -1;
        for (int k = 0; k < w; ++k) {
            const int x = d == 1 ? k : w - 1 - k;
            const uint32_t px = getpixel(src, x, y);
            const int ch[3] = {getr(px), getg(px), getb(px)};
            int v[3];
            for (int c = 0; c < 3; ++c) v[c] = std::clamp((acc[std::size_t(y * w + x)][std::size_t(c)] + 8) / 16 + ch[c], 0, 255);
            const int idx = pattern::nearestIndexBrute(gridPal, uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2]));
            out[std::size_t(y * w + x)] = idx;
            const PALETTEENTRY& e = gridPal.rgb0[idx];
            const int err[3] = {v[0] - e.peRed, v[1] - e.peGreen, v[2] - e.peBlue};
            add(x + d, y, 7, err);
            add(x - d, y + 1, 3, err);
            add(x, y + 1, 5, err);
            add(x + d, y + 1, 1, err);
        }
    }
    return out;
}

void expectMatchesReference(const dib& src, const LPAL& yarns) {
    dib grid = ditherWith(src, yarns);
    ASSERT_TRUE(grid.poi);
    const std::vector<int> want = referenceDither(src, grid.pal);
    for (int y = 0; y < dibheight(src); ++y)
        for (int x = 0; x < dibwidth(src); ++x)
            ASSERT_EQ(int(getpixel(grid, x, y)), want[std::size_t(y * dibwidth(src) + x)])
                << x << "," << y << " of " << dibwidth(src) << "x" << dibheight(src);
    freedib(grid);
}

}  // namespace

TEST(Dithering, GreyLevelsGiveTheseStitchPatterns) {
    BlockGuard guard;
    const LPAL yarns = testimg::defaultYarns();
    struct Case {
        int w, h;
        uint8_t level;
        Rows rows;
    } cases[] = {
        {4, 2, 128, {"WBWB", "BWBW"}},
        {4, 4, 64, {"BBBB", "WBWB", "BBBB", "BBWB"}},
        {6, 3, 200, {"WWWWWW", "WWBWBW", "WWWWWW"}},
    };
    for (const Case& c : cases) {
        dib src = testimg::grey24(c.w, c.h, c.level);
        dib grid = ditherWith(src, yarns);
        EXPECT_EQ(blackWhite(grid), c.rows) << "grey " << int(c.level);
        freedib(grid);
        freedib(src);
    }
}

TEST(Dithering, OneStitchWideAndOneRowHigh) {
    BlockGuard guard;
    const LPAL yarns = testimg::defaultYarns();
    // One column: only the 5/16 share travels, straight down.
    dib column = testimg::grey24(1, 6, 128);
    dib grid = ditherWith(column, yarns);
    EXPECT_EQ(blackWhite(grid), (Rows{"W", "B", "W", "B", "W", "B"}));
    freedib(grid);
    expectMatchesReference(column, yarns);
    // One row: only the 7/16 share, along the row. At grey 64 the carried
    // error settles below 128 (64 * 16 / 9), so no stitch turns white.
    dib row = testimg::grey24(7, 1, 128);
    grid = ditherWith(row, yarns);
    EXPECT_EQ(blackWhite(grid), (Rows{"WBWBWBW"}));
    freedib(grid);
    expectMatchesReference(row, yarns);
    dib dark = testimg::grey24(9, 1, 64);
    grid = ditherWith(dark, yarns);
    EXPECT_EQ(blackWhite(grid), (Rows{"BBBBBBBBB"}));
    freedib(grid);
    freedib(dark);
    freedib(row);
    freedib(column);
}

TEST(Dithering, PictureOfYarnColoursStaysExact) {
    BlockGuard guard;
    std::mt19937 rng(11);
    LPAL yarns{};
    yarns.num = 64;
    for (int i = 0; i < 64; ++i) yarns.rgb0[i] = PALETTEENTRY{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    std::vector<uint32_t> pick(23 * 17);
    for (auto& p : pick) {
        const PALETTEENTRY& e = yarns.rgb0[rng() % 64];
        p = packrgb(e.peRed, e.peGreen, e.peBlue);
    }
    dib src = testimg::make24(23, 17, [&](int x, int y) { return pick[std::size_t(y * 23 + x)]; });
    for (int rolmod : {0, 1}) {
        dib grid = pattern::DepthDownTo(src, yarns, 64, rolmod);
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x) ASSERT_EQ(testimg::gridColour(grid, x, y), getpixel(src, x, y));
        freedib(grid);
    }
    freedib(src);
}

TEST(Dithering, MatchesTheGeometricReference) {
    BlockGuard guard;
    std::mt19937 rng(5);
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 2}, {1, 9}, {9, 1}, {17, 13}, {40, 3}, {5, 31}};
    for (const auto& size : sizes) {
        const int w = size.first, h = size.second;  // not bound: Clang 14 cannot capture bindings
        // Smooth ramps plus noise, and palettes from few to many yarns, with
        // extremes so that clamping is exercised.
        dib src = testimg::make24(w, h, [&](int x, int y) {
            auto ch = [&](int base) { return uint8_t(std::clamp(base + int(rng() % 61) - 30, 0, 255)); };
            return packrgb(ch(x * 255 / std::max(1, w - 1)), ch(y * 255 / std::max(1, h - 1)), ch(128));
        });
        LPAL few{};
        few.num = 64;
        few.rgb0[1] = PALETTEENTRY{128, 128, 128, 0};  // only black and a mid grey: big errors
        LPAL many{};
        many.num = 64;
        for (auto& e : many.rgb0) e = PALETTEENTRY{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
        expectMatchesReference(src, testimg::defaultYarns());
        expectMatchesReference(src, few);
        expectMatchesReference(src, many);
        freedib(src);
    }
}

TEST(Dithering, LeavesMismatchedImagesAlone) {
    BlockGuard guard;
    dib src = testimg::grey24(4, 4, 200);
    dib wrong{};
    newdib(&wrong, 5, 4, 8, nullptr, 0);
    DitherToPalette(src, wrong);
    for (uint32_t i = 0; i < wrong.pmi->bmiHeader.biSizeImage; ++i) ASSERT_EQ(wrong.poi[i], 0);
    DitherToPalette(wrong, src);  // an 8-bit source is never read as 24-bit
    DitherToPalette(src, dib{});
    freedib(wrong);
    freedib(src);
}
