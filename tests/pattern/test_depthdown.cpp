#include <gtest/gtest.h>

#include <random>

#include "pattern/depthdown.h"
#include "pattern_helpers.h"
#include "raster/memblock.h"
#include "support/blockguard.h"

using pattern::DepthDownTo;

namespace {

LPAL rainbowYarns() {
    LPAL p{};
    p.ver = kPaletteVersion;
    p.num = 64;
    for (int i = 0; i < 64; ++i) p.rgb0[i] = PALETTEENTRY{uint8_t(i * 4), uint8_t(255 - i * 3), uint8_t((i * 37) & 255), 0};
    return p;
}

}  // namespace

TEST(DepthDownTo, LaysOutTheGridPaletteInBothTables) {
    BlockGuard guard;
    const LPAL yarns = rainbowYarns();
    dib src = testimg::grey24(3, 2, 9);
    for (int rolmod : {0, 1}) {
        dib grid = DepthDownTo(src, yarns, 64, rolmod);
        ASSERT_TRUE(grid.poi);
        EXPECT_EQ(dibbitcount(grid), 8);
        EXPECT_EQ(dibwidth(grid), 3);
        EXPECT_EQ(dibheight(grid), 2);
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY& want = (i >= 10 && i < 74) ? yarns.rgb0[i - 10] : yarns.rgb0[0];
            const PALETTEENTRY& e = grid.pal.rgb0[i];
            const RGBQUAD& q = grid.pmi->bmiColors[i];
            ASSERT_EQ(packrgb(e.peRed, e.peGreen, e.peBlue), packrgb(want.peRed, want.peGreen, want.peBlue)) << i;
            ASSERT_EQ(packrgb(q.rgbRed, q.rgbGreen, q.rgbBlue), packrgb(want.peRed, want.peGreen, want.peBlue)) << i;
            ASSERT_EQ(e.peFlags, 0);
            ASSERT_EQ(q.rgbReserved, 0);
        }
        freedib(grid);
    }
    freedib(src);
}

TEST(DepthDownTo, NearestColourIndices) {
    BlockGuard guard;
    const LPAL yarns = rainbowYarns();
    const PALETTEENTRY y5 = yarns.rgb0[5];
    dib src = testimg::make24(4, 3, [&](int x, int y) {
        return x == 1 && y == 2 ? packrgb(y5.peRed, y5.peGreen, y5.peBlue) : packrgb(0, 255, 0);
    });
    dib grid = DepthDownTo(src, yarns, 64, 0);
    EXPECT_EQ(getpixel(grid, 1, 2), 15u);  // yarn 5
    freedib(grid);

    // Default yarns: only black and white come out; white is 11.
    dib mixed = testimg::make24(16, 1, [](int x, int) { return packrgb(uint8_t(x * 17), uint8_t(x * 17), uint8_t(x * 17)); });
    grid = DepthDownTo(mixed, testimg::defaultYarns(), 64, 0);
    EXPECT_EQ(getpixel(grid, 15, 0), 11u);
    for (int x = 0; x < 16; ++x) {
        uint32_t c = testimg::gridColour(grid, x, 0);
        EXPECT_TRUE(c == 0 || c == 0xFFFFFF) << x;
        EXPECT_EQ(c, x * 17 >= 128 ? 0xFFFFFFu : 0u) << x;
    }
    freedib(grid);
    freedib(mixed);
    freedib(src);
}

TEST(DepthDownTo, DuplicateYarnsAndOrientation) {
    BlockGuard guard;
    LPAL yarns = rainbowYarns();
    yarns.rgb0[40] = yarns.rgb0[20];
    const PALETTEENTRY y20 = yarns.rgb0[20];
    // One pixel wide, storage rows map one to one: only the top row has yarn 20.
    dib src = testimg::make24(1, 5, [&](int, int y) {
        return y == 0 ? packrgb(y20.peRed, y20.peGreen, y20.peBlue) : packrgb(0, 255, 0);
    });
    dib grid = DepthDownTo(src, yarns, 64, 0);
    ASSERT_EQ(dibwidth(grid), 1);
    uint32_t top = getpixel(grid, 0, 0);
    EXPECT_TRUE(top == 30 || top == 50) << top;
    EXPECT_EQ(testimg::gridColour(grid, 0, 0), packrgb(y20.peRed, y20.peGreen, y20.peBlue));
    EXPECT_EQ(grid.poi[4 * grid.bytew], top);  // top picture row = last storage row
    freedib(grid);
    freedib(src);
}

TEST(DepthDownTo, ProgressOfBothMethods) {
    BlockGuard guard;
    dib src = testimg::grey24(2, 3, 100);
    testimg::ProgressLog nearest, dither;
    dib a = DepthDownTo(src, testimg::defaultYarns(), 64, 0, nearest.callback());
    dib b = DepthDownTo(src, testimg::defaultYarns(), 64, 1, dither.callback());
    EXPECT_EQ(nearest.values, (std::vector<int>{0, 0, 50, 100, 0}));
    EXPECT_EQ(dither.values, nearest.values);  // the bar moves while dithering too
    freedib(a);
    freedib(b);
    dib row = testimg::grey24(5, 1, 100);
    testimg::ProgressLog one;
    a = DepthDownTo(row, testimg::defaultYarns(), 64, 7, one.callback());  // any rolmod but 1 is nearest
    EXPECT_EQ(one.values, (std::vector<int>{0, 100, 0}));
    freedib(a);
    freedib(row);
    freedib(src);
}

TEST(DepthDownTo, RefusesWhatItCannotRead) {
    BlockGuard guard;
    dib eight{};
    newdib(&eight, 4, 4, 8, nullptr, 0);
    EXPECT_EQ(DepthDownTo(eight, testimg::defaultYarns(), 64, 0).poi, nullptr);
    EXPECT_EQ(DepthDownTo(dib{}, testimg::defaultYarns(), 64, 1).poi, nullptr);
    freedib(eight);

    dib src = testimg::grey24(4, 4, 1);
    memblock::failAfter(1);
    dib grid = DepthDownTo(src, testimg::defaultYarns(), 64, 1);
    memblock::failAfter(-1);
    EXPECT_EQ(grid.poi, nullptr);
    // More yarn colours than the layout has room for: clamped to 246.
    LPAL many = rainbowYarns();
    many.rgb0[245] = PALETTEENTRY{1, 2, 3, 0};
    grid = DepthDownTo(src, many, 1000, 0);
    EXPECT_EQ(grid.pal.rgb0[255].peBlue, 3);
    freedib(grid);
    freedib(src);
}
