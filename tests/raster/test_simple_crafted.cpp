// Crafted files for the simple codecs: the edge cases the suites do not
// pin down, each built byte by byte with the behaviour we chose.
#include <gtest/gtest.h>

#include "raster/memblock.h"
#include "raster/PixKit3.h"
#include "raster/codecs/bmp.h"
#include "raster/codecs/iff.h"
#include "raster/codecs/pcx.h"
#include "raster/codecs/tga.h"
#include "support/blockguard.h"
#include "support/bytebuilder.h"
#include "support/refimage.h"

using pixkit::Status;

namespace {

using ReadFn = Status (*)(const uint8_t*, std::size_t, dib&, const pixkit::Progress&);

Status readBytes(ReadFn read, const ByteBuilder& b, dib& out) { return read(b.data(), b.size(), out, {}); }

// BMP file and info header for an 8-bit picture with `colours` entries.
ByteBuilder bmpHeader(int w, int h, int bits, uint32_t compression, int colours) {
    ByteBuilder b;
    uint32_t off = 14 + 40 + 4 * colours;
    b.str("BM").le32(0).le32(0).le32(off);
    b.le32(40).le32(uint32_t(w)).le32(uint32_t(h)).le16(1).le16(bits).le32(compression).le32(0);
    b.le32(2835).le32(2835).le32(colours).le32(0);
    for (int i = 0; i < colours; ++i) b.bytes({unsigned(i * 40), unsigned(i * 20), unsigned(i * 10), 0});
    return b;
}

TEST(CraftedBmp, Rle8RunsPastTheRowAreCutAndTheNextRowStaysIntact) {
    BlockGuard guard;
    // 4 x 2: a run of 9 on the bottom row, then the top row.
    ByteBuilder b = bmpHeader(4, 2, 8, 1, 4);
    b.bytes({9, 1, 0, 0, 2, 2, 2, 3, 0, 1});
    dib d{};
    ASSERT_EQ(readBytes(pixkit::bmpRead, b, d), Status::Ok);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(getpixel(d, x, 1), 1u) << x;  // bottom row
    EXPECT_EQ(getpixel(d, 0, 0), 2u);
    EXPECT_EQ(getpixel(d, 2, 0), 3u);
    EXPECT_EQ(getpixel(d, 3, 0), 3u);
    freedib(d);
}

TEST(CraftedBmp, Rle4DeltaAndEarlyEndLeaveIndexZero) {
    BlockGuard guard;
    // 6 x 3: one run, a delta past the right edge and down, then end of bitmap.
    ByteBuilder b = bmpHeader(6, 3, 4, 2, 16);
    b.bytes({3, 0x12, 0, 2, 200, 1, 2, 0x55, 0, 1});
    dib d{};
    ASSERT_EQ(readBytes(pixkit::bmpRead, b, d), Status::Ok);
    EXPECT_EQ(dibbitcount(d), 4);
    EXPECT_EQ(getpixel(d, 0, 2), 1u);
    EXPECT_EQ(getpixel(d, 1, 2), 2u);
    EXPECT_EQ(getpixel(d, 2, 2), 1u);
    EXPECT_EQ(getpixel(d, 3, 2), 0u);
    // The delta ran off the row: the run after it is clipped, nothing else set.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(getpixel(d, x, y), 0u);
    freedib(d);
}

TEST(CraftedBmp, HeaderlessDibReadsLikeTheFileWithHeader) {
    BlockGuard guard;
    std::string path = refimage::testdata("bmpsuite/g/pal8.bmp");
    if (!refimage::exists(path)) GTEST_SKIP() << "test data missing";
    std::vector<uint8_t> file = refimage::readFile(path);
    std::vector<uint8_t> bare(file.begin() + 14, file.end());
    EXPECT_TRUE(pixkit::bmpProbe(bare.data(), bare.size()));
    dib a{}, b{};
    ASSERT_EQ(pixkit::bmpRead(file.data(), file.size(), a, {}), Status::Ok);
    ASSERT_EQ(pixkit::bmpRead(bare.data(), bare.size(), b, {}), Status::Ok);
    EXPECT_EQ(refimage::compare(refimage::fromDib(b), refimage::fromDib(a)), "");
    freedib(a);
    freedib(b);
}

TEST(CraftedBmp, HugeDeclaredSizesAreRefusedBeforeAllocating) {
    BlockGuard guard;
    memblock::resetPeak();
    std::size_t before = memblock::liveBytes();
    struct {
        int w, h, bits;
        uint32_t comp;
        Status want;
    } cases[] = {
        {30000, 30000, 24, 0, Status::TooLarge},  // past 2^28 pixels
        {16000, 16000, 8, 0, Status::Truncated},  // fits the limits, not the file
        {16000, 16000, 8, 1, Status::Truncated},  // RLE cannot pack that much in 10 bytes
    };
    for (auto c : cases) {
        ByteBuilder b = bmpHeader(c.w, c.h, c.bits, c.comp, c.bits == 8 ? 2 : 0);
        b.fill(10, 0);
        dib d{};
        EXPECT_EQ(readBytes(pixkit::bmpRead, b, d), c.want) << c.w << "x" << c.h;
        EXPECT_EQ(d.poi, nullptr);
    }
    EXPECT_LT(memblock::peakBytes(), before + (1u << 20)) << "allocated by a size the file only declares";
}

TEST(CraftedBmp, UncompressedLastRowMayLackItsPadding) {
    BlockGuard guard;
    // 3 x 2 at 8 bits: stride 4, the file ends after the top row's 3 pixels.
    ByteBuilder b = bmpHeader(3, 2, 8, 0, 4);
    b.bytes({1, 2, 3, 0, 3, 2, 1});
    dib d{};
    ASSERT_EQ(readBytes(pixkit::bmpRead, b, d), Status::Ok);
    EXPECT_EQ(getpixel(d, 0, 0), 3u);
    EXPECT_EQ(getpixel(d, 2, 1), 3u);
    freedib(d);
    b.v.pop_back();  // now a pixel is missing: refused
    EXPECT_EQ(readBytes(pixkit::bmpRead, b, d), Status::Truncated);
}

TEST(CraftedSimple, EmptyAndTinyInputsAreRefusedByEveryReader) {
    BlockGuard guard;
    for (ReadFn read : {pixkit::bmpRead, pixkit::pcxRead, pixkit::tgaRead, pixkit::iffRead}) {
        for (std::size_t n : {0u, 1u, 17u}) {
            std::vector<uint8_t> v(n, 0);
            dib d{};
            EXPECT_NE(read(v.data(), v.size(), d, {}), Status::Ok) << n;
            EXPECT_EQ(d.poi, nullptr);
        }
    }
}

TEST(CraftedSimple, ProbesTellTheFormatsApart) {
    ByteBuilder bmp = bmpHeader(2, 2, 8, 0, 2);
    ByteBuilder pcx;
    pcx.bytes({0x0A, 5, 1, 8}).le16(0).le16(0).le16(1).le16(1).fill(128 - 12, 0);
    pcx.v[65] = 1;
    pcx.v[66] = 2;
    ByteBuilder iff;
    iff.str("FORM").be32(4).str("ILBM");
    ByteBuilder tga;
    tga.bytes({0, 0, 2}).fill(9, 0).le16(2).le16(2).bytes({24, 0});
    EXPECT_TRUE(pixkit::bmpProbe(bmp.data(), bmp.size()));
    EXPECT_TRUE(pixkit::pcxProbe(pcx.data(), pcx.size()));
    EXPECT_TRUE(pixkit::iffProbe(iff.data(), iff.size()));
    EXPECT_TRUE(pixkit::tgaProbe(tga.data(), tga.size()));
    for (const ByteBuilder* b : {&pcx, &iff, &tga}) EXPECT_FALSE(pixkit::bmpProbe(b->data(), b->size()));
    for (const ByteBuilder* b : {&bmp, &iff, &tga}) EXPECT_FALSE(pixkit::pcxProbe(b->data(), b->size()));
    for (const ByteBuilder* b : {&bmp, &pcx, &tga}) EXPECT_FALSE(pixkit::iffProbe(b->data(), b->size()));
    for (const ByteBuilder* b : {&bmp, &pcx, &iff}) EXPECT_FALSE(pixkit::tgaProbe(b->data(), b->size()));
    ByteBuilder aiff;
    aiff.str("FORM").be32(4).str("AIFF");
    EXPECT_FALSE(pixkit::iffProbe(aiff.data(), aiff.size()));
}

TEST(CraftedTga, RlePacketsMayRunIntoTheNextRowAndOriginsFlip) {
    BlockGuard guard;
    // 3 x 2 grey, RLE, top-left origin, right-to-left: one run of 4 crosses the rows.
    ByteBuilder b;
    b.bytes({0, 0, 11}).fill(9, 0).le16(3).le16(2).bytes({8, 0x30});
    b.bytes({0x83, 10, 0x01, 20, 30});
    dib d{};
    ASSERT_EQ(readBytes(pixkit::tgaRead, b, d), Status::Ok);
    EXPECT_EQ(dibbitcount(d), 8);
    // Stored left to right as 10 10 10 / 10 20 30, shown mirrored.
    EXPECT_EQ(getpixel(d, 0, 0), 10u);
    EXPECT_EQ(getpixel(d, 0, 1), 30u);
    EXPECT_EQ(getpixel(d, 2, 1), 10u);
    EXPECT_EQ(d.pal.rgb0[30].peGreen, 30);
    freedib(d);
    b.v.pop_back();  // the last pixel is missing
    EXPECT_EQ(readBytes(pixkit::tgaRead, b, d), Status::Truncated);
    EXPECT_EQ(d.poi, nullptr);
}

TEST(CraftedTga, ColourMapOffsetAndAlphaCompositedOntoWhite) {
    BlockGuard guard;
    // 2 x 1 colour-mapped, map entries 5 and 6 of 32 bits, the second half transparent.
    ByteBuilder b;
    b.bytes({0, 1, 1}).le16(5).le16(2).u8(32).le16(0).le16(0).le16(2).le16(1).bytes({8, 0x08});
    b.bytes({0, 0, 255, 255, 0, 0, 0, 128});
    b.bytes({5, 6});
    dib d{};
    ASSERT_EQ(readBytes(pixkit::tgaRead, b, d), Status::Ok);
    ASSERT_EQ(dibbitcount(d), 8);
    EXPECT_EQ(getpixel(d, 0, 0), 5u);
    EXPECT_EQ(d.pal.rgb0[5].peRed, 255);
    EXPECT_EQ(d.pal.rgb0[5].peGreen, 0);
    EXPECT_EQ(d.pal.rgb0[6].peRed, 127);  // black at half coverage over white
    freedib(d);
}

TEST(CraftedPcx, LinesShorterThanTheirPixelsAreRefusedAndTruncationReported) {
    BlockGuard guard;
    auto header = [](int w, int bpl) {
        ByteBuilder b;
        b.bytes({0x0A, 5, 1, 8}).le16(0).le16(0).le16(unsigned(w - 1)).le16(1).fill(128 - 12, 0);
        b.v[65] = 1;
        b.v[66] = uint8_t(bpl);
        return b;
    };
    ByteBuilder shortLine = header(8, 4);
    shortLine.fill(16, 1);
    dib d{};
    EXPECT_EQ(readBytes(pixkit::pcxRead, shortLine, d), Status::Corrupt);
    // 4 x 2, one run of 8 covers both lines.
    ByteBuilder ok = header(4, 4);
    ok.bytes({0xC8, 7});
    ASSERT_EQ(readBytes(pixkit::pcxRead, ok, d), Status::Ok);
    EXPECT_EQ(getpixel(d, 3, 1), 7u);
    EXPECT_EQ(d.pal.rgb0[7].peRed, 7) << "no end palette: grey";
    freedib(d);
    ByteBuilder cut = header(4, 4);
    cut.bytes({0xC5, 7});
    EXPECT_EQ(readBytes(pixkit::pcxRead, cut, d), Status::Truncated);
}

ByteBuilder ilbm(int w, int h, int planes, int masking, int compression, const std::vector<uint8_t>& body) {
    ByteBuilder b;
    b.str("FORM").be32(0).str("ILBM");
    b.str("BMHD").be32(20).be16(unsigned(w)).be16(unsigned(h)).be16(0).be16(0);
    b.bytes({unsigned(planes), unsigned(masking), unsigned(compression), 0}).be16(0).bytes({1, 1}).be16(unsigned(w)).be16(unsigned(h));
    b.str("CMAP").be32(12).bytes({0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
    b.str("BODY").be32(uint32_t(body.size())).append(body);
    if (body.size() & 1) b.u8(0);
    b.patch32(4, 0);
    uint32_t form = uint32_t(b.size() - 8);
    b.v[4] = uint8_t(form >> 24), b.v[5] = uint8_t(form >> 16), b.v[6] = uint8_t(form >> 8), b.v[7] = uint8_t(form);
    return b;
}

TEST(CraftedIff, MaskPlaneIsSkippedAndTruncatedBodyRefused) {
    BlockGuard guard;
    // 3 x 1, 2 planes + mask plane, uncompressed: pixels 1, 2, 3.
    ByteBuilder b = ilbm(3, 1, 2, 1, 0, {0xA0, 0, 0x60, 0, 0xFF, 0});
    dib d{};
    ASSERT_EQ(readBytes(pixkit::iffRead, b, d), Status::Ok);
    EXPECT_EQ(getpixel(d, 0, 0), 1u);
    EXPECT_EQ(getpixel(d, 1, 0), 2u);
    EXPECT_EQ(getpixel(d, 2, 0), 3u);
    EXPECT_EQ(d.pal.rgb0[3].peBlue, 255);
    freedib(d);
    // ByteRun1 that stops half-way through the first row.
    ByteBuilder cut = ilbm(16, 2, 1, 0, 1, {0xFF, 0x55});
    EXPECT_EQ(readBytes(pixkit::iffRead, cut, d), Status::Truncated);
    EXPECT_EQ(d.poi, nullptr);
}

TEST(CraftedIff, OtherFormTypesAreUnsupported) {
    ByteBuilder b;
    b.str("FORM").be32(4).str("ACBM");
    dib d{};
    EXPECT_EQ(readBytes(pixkit::iffRead, b, d), Status::Unsupported);
}

TEST(CraftedSimple, ProgressRisesFromZeroToHundred) {
    BlockGuard guard;
    std::string path = refimage::testdata("bmptestsuite/valid/8bpp-320x240.bmp");
    if (!refimage::exists(path)) GTEST_SKIP() << "test data missing";
    std::vector<uint8_t> file = refimage::readFile(path);
    std::vector<int> seen;
    dib d{};
    ASSERT_EQ(pixkit::bmpRead(file.data(), file.size(), d, [&](int p) { seen.push_back(p); }), Status::Ok);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);
    freedib(d);
}

}  // namespace
