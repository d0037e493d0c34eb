#include <gtest/gtest.h>

#include <cstring>

#include "pattern/depthup.h"
#include "pattern_helpers.h"
#include "raster/memblock.h"
#include "support/blockguard.h"

using pattern::DepthUpTo;

namespace {

dib indexed(int w, int h, int bits) {
    dib d{};
    newdib(&d, w, h, bits, nullptr, 0);
    return d;
}

void setEntry(dib& d, int i, uint8_t r, uint8_t g, uint8_t b) { d.pal.rgb0[i] = PALETTEENTRY{r, g, b, 0}; }

}  // namespace

TEST(DepthUpTo, FourBitTakesHighNibbleFirst) {
    BlockGuard guard;
    dib m = indexed(3, 2, 4);
    for (int i = 0; i < 16; ++i) setEntry(m, i, uint8_t(i * 16), uint8_t(i), uint8_t(255 - i));
    // Storage row 0 is the bottom row: first byte 0x2F, then pixel 2 = 7.
    m.poi[0] = 0x2F;
    m.poi[1] = 0x70;
    dib out = DepthUpTo(m, 24);
    ASSERT_TRUE(out.poi);
    EXPECT_EQ(dibbitcount(out), 24);
    EXPECT_EQ(getpixel(out, 0, 1), packrgb(32, 2, 253));   // entry 2
    EXPECT_EQ(getpixel(out, 1, 1), packrgb(240, 15, 240)); // entry 15
    EXPECT_EQ(getpixel(out, 2, 1), packrgb(112, 7, 248));  // entry 7
    EXPECT_EQ(getpixel(out, 0, 0), packrgb(0, 0, 255));    // entry 0 (untouched top row)
    freedib(out);
    freedib(m);
}

TEST(DepthUpTo, EightBitUsesThePaletteRecord) {
    BlockGuard guard;
    dib m = indexed(5, 1, 8);
    setEntry(m, 200, 1, 2, 3);
    setEntry(m, 7, 70, 80, 90);
    m.poi[0] = 200;
    m.poi[4] = 7;
    dib out = DepthUpTo(m, 24);
    EXPECT_EQ(getpixel(out, 0, 0), packrgb(1, 2, 3));
    EXPECT_EQ(getpixel(out, 4, 0), packrgb(70, 80, 90));
    freedib(out);
    freedib(m);
}

// A two-colour file whose palette puts white at 0 and black at 1 (as
// min-is-white scans do) keeps its look; it is not inverted.
TEST(DepthUpTo, OneBitFollowsItsPalette) {
    BlockGuard guard;
    dib m = indexed(10, 2, 1);
    setEntry(m, 0, 255, 255, 255);
    setEntry(m, 1, 0, 0, 0);
    setpixel(m, 0, 0, 1);
    setpixel(m, 9, 1, 1);
    dib out = DepthUpTo(m, 24);
    EXPECT_EQ(getpixel(out, 0, 0), 0u);
    EXPECT_EQ(getpixel(out, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(getpixel(out, 9, 1), 0u);
    EXPECT_EQ(getpixel(out, 8, 1), 0xFFFFFFu);
    freedib(out);
    // Any two colours, not only black and white.
    setEntry(m, 0, 10, 20, 30);
    setEntry(m, 1, 200, 100, 50);
    out = DepthUpTo(m, 24);
    EXPECT_EQ(getpixel(out, 0, 0), packrgb(200, 100, 50));
    EXPECT_EQ(getpixel(out, 1, 0), packrgb(10, 20, 30));
    freedib(out);
    freedib(m);
}

TEST(DepthUpTo, OtherDepthsAndTargetsStayBlank) {
    BlockGuard guard;
    dib m16 = indexed(4, 4, 16);
    std::memset(m16.poi, 0xAB, m16.pmi->bmiHeader.biSizeImage);
    dib out = DepthUpTo(m16, 24);
    ASSERT_TRUE(out.poi);
    for (uint32_t i = 0; i < out.pmi->bmiHeader.biSizeImage; ++i) ASSERT_EQ(out.poi[i], 0);
    freedib(out);
    dib m8 = indexed(4, 4, 8);
    out = DepthUpTo(m8, 8);
    EXPECT_EQ(dibbitcount(out), 8);
    freedib(out);
    freedib(m8);
    freedib(m16);
}

TEST(DepthUpTo, ProgressPerRowAndOneRow) {
    BlockGuard guard;
    dib m = indexed(3, 5, 8);
    testimg::ProgressLog log;
    dib out = DepthUpTo(m, 24, log.callback());
    EXPECT_EQ(log.values, (std::vector<int>{0, 0, 25, 50, 75, 100, 0}));
    freedib(out);
    freedib(m);

    dib one = indexed(3, 1, 4);
    testimg::ProgressLog log1;
    out = DepthUpTo(one, 24, log1.callback());
    EXPECT_EQ(log1.values, (std::vector<int>{0, 100, 0}));
    freedib(out);
    freedib(one);
}

TEST(DepthUpTo, NoMemoryGivesAnEmptyResult) {
    BlockGuard guard;
    dib m = indexed(8, 8, 8);
    memblock::failAfter(1);  // info block yes, pixels no
    dib out = DepthUpTo(m, 24);
    memblock::failAfter(-1);
    EXPECT_EQ(out.poi, nullptr);
    freedib(out);
    freedib(m);
}
