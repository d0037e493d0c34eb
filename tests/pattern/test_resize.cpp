#include <gtest/gtest.h>

#include "pattern/resize.h"
#include "pattern_helpers.h"
#include "raster/memblock.h"
#include "support/blockguard.h"

using pattern::Resize;

namespace {

// Every pixel names its own storage position: red + 256 * blue = column,
// green = storage row (below 256 here).
dib positions(int w, int h) {
    return testimg::make24(w, h, [h](int x, int y) { return packrgb(uint8_t(x & 255), uint8_t(h - 1 - y), uint8_t(x >> 8)); });
}

// Source column and storage row a destination pixel was sampled from.
std::pair<int, int> sourceOf(const dib& out, int x, int storageRow) {
    uint32_t c = getpixel(out, x, dibheight(out) - 1 - storageRow);
    return {getr(c) + 256 * getb(c), getg(c)};
}

}  // namespace

TEST(Resize, StartUpGridSamplesTheseColumnsAndRows) {
    BlockGuard guard;
    dib src = positions(320, 200);
    dib out = Resize(src, 46, 38);
    ASSERT_TRUE(out.poi);
    EXPECT_EQ(dibwidth(out), 46);
    EXPECT_EQ(dibheight(out), 38);
    // sx = 320 * 1024 / 46 = 7123, sy = 200 * 1024 / 38 = 5389.
    const int cols[] = {0, 6, 13, 20, 27, 34};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(sourceOf(out, x, 0).first, cols[x]) << x;
    EXPECT_EQ(sourceOf(out, 45, 0).first, 313);
    const int rows[] = {0, 5, 10, 15, 21, 26};
    for (int y = 0; y < 6; ++y) EXPECT_EQ(sourceOf(out, 0, y).second, rows[y]) << y;
    EXPECT_EQ(sourceOf(out, 0, 37).second, 194);
    // The five top picture rows (storage 195..199) and columns 314..319 are
    // never sampled.
    for (int y = 0; y < 38; ++y)
        for (int x = 0; x < 46; ++x) {
            auto [c, r] = sourceOf(out, x, y);
            ASSERT_LE(c, 313);
            ASSERT_LE(r, 194);
        }
    freedib(out);
    freedib(src);
}

TEST(Resize, EnlargingRepeatsBottomRowAndLeftColumn) {
    BlockGuard guard;
    dib src = positions(2, 2);
    dib out = Resize(src, 3, 3);
    const int expect[] = {0, 0, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sourceOf(out, i, 0).first, expect[i]);
        EXPECT_EQ(sourceOf(out, 0, i).second, expect[i]);
    }
    freedib(out);
    freedib(src);
}

TEST(Resize, OwnSizeCopiesThePicture) {
    BlockGuard guard;
    dib src = testimg::make24(37, 11, [](int x, int y) { return packrgb(uint8_t(x * 7), uint8_t(y * 13), uint8_t(x ^ y)); });
    dib out = Resize(src, 37, 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(getpixel(out, x, y), getpixel(src, x, y));
    freedib(out);
    freedib(src);
}

TEST(Resize, EightBitSourceKeepsItsColourTable) {
    BlockGuard guard;
    dib src{};
    newdib(&src, 4, 4, 8, nullptr, 0);
    src.pmi->bmiColors[3] = RGBQUAD{1, 2, 3, 0};
    src.poi[0] = 3;
    dib out = Resize(src, 2, 2);
    ASSERT_TRUE(out.poi);
    EXPECT_EQ(dibbitcount(out), 8);
    EXPECT_EQ(out.poi[0], 3);
    EXPECT_EQ(out.pal.rgb0[3].peRed, 3);
    EXPECT_EQ(out.pal.rgb0[3].peBlue, 1);
    freedib(out);
    freedib(src);
}

TEST(Resize, ProgressAndDegenerateSizes) {
    BlockGuard guard;
    dib src = positions(10, 10);
    testimg::ProgressLog log;
    dib out = Resize(src, 4, 3, log.callback());
    EXPECT_EQ(log.values, (std::vector<int>{0, 0, 50, 100, 0}));
    freedib(out);

    testimg::ProgressLog one;
    out = Resize(src, 4, 1, one.callback());
    EXPECT_EQ(one.values, (std::vector<int>{0, 100, 0}));
    EXPECT_EQ(sourceOf(out, 3, 0).first, 7);  // sx = 2560: column 3 * 2.5
    freedib(out);

    // A size of 0 would divide by zero: refused with an empty result.
    testimg::ProgressLog zero;
    out = Resize(src, 0, 5, zero.callback());
    EXPECT_EQ(out.poi, nullptr);
    EXPECT_EQ(zero.values.back(), 0);
    out = Resize(src, 5, -1);
    EXPECT_EQ(out.poi, nullptr);
    // No source pixels, or a sub-byte source.
    EXPECT_EQ(Resize(dib{}, 3, 3).poi, nullptr);
    dib four{};
    newdib(&four, 4, 4, 4, nullptr, 0);
    EXPECT_EQ(Resize(four, 3, 3).poi, nullptr);
    freedib(four);
    // No memory for the result.
    memblock::failAfter(0);
    out = Resize(src, 3, 3);
    memblock::failAfter(-1);
    EXPECT_EQ(out.poi, nullptr);
    freedib(src);
}
