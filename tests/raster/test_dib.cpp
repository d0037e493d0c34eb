#include <gtest/gtest.h>

#include <cstring>

#include "raster/memblock.h"
#include "raster/PixKit3.h"
#include "raster/limits.h"
#include "support/blockguard.h"

namespace {

dib make(int w, int h, int bits) {
    dib d{};
    newdib(&d, w, h, bits, nullptr, 0);
    return d;
}

}  // namespace

TEST(DibAccessors, EmptyRecordReadsZeroAndOneColour) {
    dib d{};
    EXPECT_EQ(dibwidth(d), 0);
    EXPECT_EQ(dibheight(d), 0);
    EXPECT_EQ(dibbitcount(d), 0);
    EXPECT_EQ(dibcolors(d), 1);
}

TEST(DibAccessors, ColourCountsPerDepth) {
    BlockGuard guard;
    const struct { int bits; int colours; } cases[] = {
        {1, 2}, {4, 16}, {8, 256}, {24, 16777216}, {32, 0}};
    for (auto c : cases) {
        dib d = make(5, 3, c.bits);
        ASSERT_TRUE(d.poi) << c.bits;
        EXPECT_EQ(dibwidth(d), 5);
        EXPECT_EQ(dibheight(d), 3);
        EXPECT_EQ(dibbitcount(d), c.bits);
        EXPECT_EQ(dibcolors(d), c.colours) << c.bits;
        freedib(d);
    }
}

TEST(Freedib, ReleasesBothBlocksAndClearsOnlyTheHandles) {
    std::size_t live = memblock::liveBlocks();
    dib d = make(10, 10, 24);
    EXPECT_EQ(memblock::liveBlocks(), live + 2);
    d.zoom = 7;
    freedib(d);
    EXPECT_EQ(memblock::liveBlocks(), live);
    EXPECT_EQ(d.pmi, nullptr);
    EXPECT_EQ(d.poi, nullptr);
    EXPECT_EQ(d.pmih, 0u);
    EXPECT_EQ(d.poih, 0u);
    EXPECT_EQ(d.zoom, 7);  // nothing else in the record changes
    EXPECT_EQ(d.bytew, 32);
}

TEST(Freedib, SecondCallAndEmptyRecordReleaseNothing) {
    BlockGuard guard;
    dib d = make(4, 4, 8);
    dib copy = d;  // a plain copy shares the memory
    freedib(d);
    freedib(d);
    dib empty{};
    freedib(empty);
    (void)copy;
}

TEST(Freedib, SharedBlockIsReleasedOnce) {
    BlockGuard guard;
    // One block holding header and pixels, as some loaders deliver it.
    HGLOBAL h = GlobalAlloc(sizeof(BITMAPINFOHEADER) + 16, true);
    ASSERT_NE(h, 0u);
    auto* base = static_cast<uint8_t*>(GlobalLock(h));
    dib d{};
    d.pmi = reinterpret_cast<BITMAPINFO*>(base);
    d.pmi->bmiHeader.biWidth = 4;
    d.pmi->bmiHeader.biHeight = 1;
    d.pmi->bmiHeader.biBitCount = 24;
    d.poi = base + sizeof(BITMAPINFOHEADER);
    d.poih = h;
    d.pmih = h;
    freedib(d);
    EXPECT_EQ(GlobalLock(h), nullptr);
}

TEST(Newdib, BlankImageLayout) {
    BlockGuard guard;
    dib d = make(3, 2, 24);
    ASSERT_TRUE(d.poi);
    EXPECT_EQ(d.bytew, 12);
    EXPECT_EQ(d.pmi->bmiHeader.biSizeImage, 24u);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(d.poi[i], 0);
    freedib(d);

    d = make(7, 3, 8);
    EXPECT_EQ(d.bytew, 8);
    EXPECT_EQ(d.pal.ver, 0x300);
    EXPECT_EQ(d.pal.num, 256);
    freedib(d);

    d = make(33, 1, 1);
    EXPECT_EQ(d.bytew, 8);
    EXPECT_EQ(d.pal.num, 2);
    freedib(d);
}

TEST(Newdib, CopiesTheGivenColoursIntoTableAndPalette) {
    BlockGuard guard;
    alignas(BITMAPINFO) uint8_t buf[40 + 3 * 4] = {};
    auto* bi = reinterpret_cast<BITMAPINFO*>(buf);
    RGBQUAD q[3] = {{1, 2, 3, 0}, {10, 20, 30, 0}, {100, 110, 120, 0}};
    std::memcpy(buf + 40, q, sizeof q);
    dib d{};
    newdib(&d, 2, 2, 8, bi, 3);
    ASSERT_TRUE(d.poi);
    EXPECT_EQ(d.pmi->bmiColors[1].rgbBlue, 10);
    EXPECT_EQ(d.pal.rgb0[1].peRed, 30);
    EXPECT_EQ(d.pal.rgb0[1].peGreen, 20);
    EXPECT_EQ(d.pal.rgb0[1].peBlue, 10);
    EXPECT_EQ(d.pal.rgb0[3].peRed, 0);  // entries beyond count stay black
    freedib(d);
}

TEST(Newdib, RefusesWhatCannotBeAllocatedWithoutLeaking) {
    BlockGuard guard;
    const struct { int w, h, bits; } bad[] = {
        {0, 10, 24}, {10, 0, 8}, {-5, 10, 8}, {10, 10, 7}, {10, 10, 0},
        {100000, 100000, 24}, {0x7FFFFFFF, 2, 24}, {70000, 70000, 8}};
    for (auto b : bad) {
        dib d{};
        d.poi = reinterpret_cast<uint8_t*>(&d);  // must be overwritten
        newdib(&d, b.w, b.h, b.bits, nullptr, 0);
        EXPECT_EQ(d.poi, nullptr) << b.w << "x" << b.h << "x" << b.bits;
        EXPECT_EQ(d.poih, 0u);
    }
}

TEST(Newdib, AllocationFailureLeavesNoBlockBehind) {
    BlockGuard guard;
    for (long n : {0L, 1L}) {
        memblock::failAfter(n);
        dib d{};
        newdib(&d, 10, 10, 24, nullptr, 0);
        memblock::failAfter(-1);
        EXPECT_EQ(d.poi, nullptr);
        EXPECT_EQ(d.poih, 0u);
    }
}

TEST(PixelAddressing, TwentyFourBitsStoredBottomUp) {
    BlockGuard guard;
    dib d = make(3, 2, 24);
    setpixel(d, 2, 0, packrgb(0x11, 0x22, 0x33));
    setpixel(d, 0, 1, packrgb(0x44, 0x55, 0x66));
    // picture row 0 lives in stored row 1 (bytes 12..23)
    EXPECT_EQ(d.poi[18], 0x33);
    EXPECT_EQ(d.poi[19], 0x22);
    EXPECT_EQ(d.poi[20], 0x11);
    EXPECT_EQ(d.poi[0], 0x66);
    EXPECT_EQ(d.poi[1], 0x55);
    EXPECT_EQ(d.poi[2], 0x44);
    EXPECT_EQ(getpixel(d, 2, 0), packrgb(0x11, 0x22, 0x33));
    EXPECT_EQ(getpixel(d, 0, 1), packrgb(0x44, 0x55, 0x66));
    freedib(d);
}

TEST(PixelAddressing, FourBitNibblesHighFirst) {
    BlockGuard guard;
    dib d = make(3, 1, 4);
    setpixel(d, 0, 0, 0xA);
    setpixel(d, 1, 0, 0x5);
    setpixel(d, 2, 0, 0xF);
    EXPECT_EQ(d.poi[0], 0xA5);
    EXPECT_EQ(d.poi[1], 0xF0);
    EXPECT_EQ(getpixel(d, 0, 0), 0xAu);
    EXPECT_EQ(getpixel(d, 1, 0), 0x5u);
    setpixel(d, 0, 0, 0x3);  // the neighbour nibble survives
    EXPECT_EQ(d.poi[0], 0x35);
    freedib(d);
}

TEST(PixelAddressing, OneAndEightBits) {
    BlockGuard guard;
    dib d = make(10, 2, 1);
    setpixel(d, 0, 1, 1);
    setpixel(d, 9, 1, 1);
    EXPECT_EQ(d.poi[0], 0x80);  // bottom picture row is stored row 0
    EXPECT_EQ(d.poi[1], 0x40);
    setpixel(d, 0, 1, 0);
    EXPECT_EQ(d.poi[0], 0x00);
    EXPECT_EQ(getpixel(d, 9, 1), 1u);
    freedib(d);

    d = make(5, 3, 8);
    setpixel(d, 4, 0, 200);
    EXPECT_EQ(d.poi[2 * d.bytew + 4], 200);
    EXPECT_EQ(getpixel(d, 4, 0), 200u);
    freedib(d);
}

TEST(PixelAddressing, OutOfRangeIsHarmless) {
    BlockGuard guard;
    dib d = make(2, 2, 24);
    setpixel(d, -1, 0, 0xFFFFFF);
    setpixel(d, 2, 0, 0xFFFFFF);
    setpixel(d, 0, 2, 0xFFFFFF);
    EXPECT_EQ(getpixel(d, 5, 5), 0u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(d.poi[i], 0);
    freedib(d);
    EXPECT_EQ(getpixel(dib{}, 0, 0), 0u);
    setpixel(dib{}, 0, 0, 1);
}

TEST(ErrorText, BoundedAndRoundTrips) {
    dib d{};
    dibseterrortext(d, "Datei ist beschädigt");
    EXPECT_EQ(diberrortext(d), "Datei ist beschädigt");
    std::memset(d.pal.rgb0, 'x', sizeof d.pal.rgb0);  // no terminator at all
    EXPECT_EQ(diberrortext(d).size(), sizeof d.pal.rgb0);
}

TEST(Limits, RowAndImageBytes) {
    EXPECT_EQ(pixkit::rowBytes(3, 24), 12);
    EXPECT_EQ(pixkit::rowBytes(1, 1), 4);
    EXPECT_EQ(pixkit::rowBytes(0, 8), -1);
    EXPECT_EQ(pixkit::imageBytes(100000, 100000, 24), -1);
    EXPECT_FALSE(pixkit::decodeSizeOk(30000, 30000, 24));
    EXPECT_TRUE(pixkit::decodeSizeOk(4000, 3000, 24));
}

TEST(Limits, EveryColourRecordTheLibraryCanHoldCanBeReadBack) {
    // What the program writes it must read: square, wide and tall records
    // just under the record limit (a chart of the largest allowed size is
    // one of them), and nothing past it.
    const struct {
        int64_t w, h;
    } fits[] = {{26754, 26754}, {700000, 1022}, {1000, 715000}, {9320, 76800}};
    for (auto c : fits) {
        ASSERT_GT(pixkit::imageBytes(c.w, c.h, 24), 0) << c.w << "x" << c.h;
        EXPECT_TRUE(pixkit::decodeSizeOk(c.w, c.h, 24)) << c.w << "x" << c.h;
        EXPECT_FALSE(pixkit::decodeSizeOk(c.w, c.h * 2, 24)) << c.w << "x" << c.h;
    }
}
