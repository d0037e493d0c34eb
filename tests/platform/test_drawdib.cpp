#include <gtest/gtest.h>

#include <QStringList>
#include <optional>

#include "dibfixtures.h"
#include "platform/gdi_memory.h"
#include "raster/memblock.h"
#include "platform/msgbox.h"
#include "platform/drawdib_testing.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"

using drawdibtest::Path;
using dibfix::truth;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

struct HalftoneLog {
    int plain = 0, xy = 0, width = 0, height = 0;
    bool fail = false;
};
HalftoneLog g_ht;

// Stand-in halftoning: an 8-bit copy of the given size, sampled nearest,
// whose palette keeps only the green channel (so its output is recognisable).
void fakeHalftoneXY(dib* out, dib d, int w, int h) {
    ++g_ht.xy;
    g_ht.width = w, g_ht.height = h;
    *out = dib{};
    if (g_ht.fail) return;
    newdib(out, w, h, 8, nullptr, 0);
    if (!out->poi) return;
    for (int i = 0; i < 256; ++i) {
        out->pmi->bmiColors[i] = RGBQUAD{0, uint8_t(i), 0, 0};
        out->pal.rgb0[i] = PALETTEENTRY{0, uint8_t(i), 0, 0};
    }
    int W = dibwidth(d), H = dibheight(d);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(*out, x, y, getg(getpixel(d, x * W / w, y * H / h)));
}
void fakeHalftone(dib* out, dib d) {
    ++g_ht.plain;
    int xy = g_ht.xy;
    fakeHalftoneXY(out, d, dibwidth(d), dibheight(d));
    g_ht.xy = xy;
}

class DrawDib : public ::testing::Test {
protected:
    void SetUp() override {
        objects_ = gdi::liveObjects();
        drawdibtest::setTrace(&trace);
        drawdibtest::setHalftone(fakeHalftone, fakeHalftoneXY);
        g_ht = HalftoneLog{};
        platform::setMessageBoxHook([this](const QString& text, const QString& caption, unsigned) {
            messages << text;
            captions << caption;
            return int(platform::IDOK);
        });
    }
    void TearDown() override {
        testsupport::installQuietMessageBoxes();  // never the real, blocking box
        drawdibtest::setTrace(nullptr);
        drawdibtest::setHalftone(nullptr, nullptr);
        memblock::failAfter(-1);
        EXPECT_EQ(gdi::liveObjects(), objects_) << "device objects leaked";
    }

    // Every pixel of dc equals `expect` (nullopt: untouched, white).
    template <class F>
    void expectPixels(const MemoryDC& dc, F expect, const char* what) {
        int bad = 0;
        for (int y = 0; y < dc.height() && bad < 5; ++y)
            for (int x = 0; x < dc.width() && bad < 5; ++x) {
                std::optional<uint32_t> e = expect(x, y);
                uint32_t got = dc.pixel(x, y);
                uint32_t want = e ? *e : kWhite;
                if (got != want) {
                    ++bad;
                    ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex << got
                                  << ", expected " << want;
                }
            }
    }

    // Nearest-pixel oracle of the row paths and the stretched transfers:
    // destination (x + i, y + j) shows picture pixel (SX + SW*i/DW,
    // T + SH*j/DH), T the source's top picture row.
    auto stretchOracle(const dib& d, int x, int y, int DW, int DH, int SX, int SY, int SW, int SH) {
        int T = dibheight(d) - SY - SH;
        return [=, &d](int px, int py) -> std::optional<uint32_t> {
            int i = px - x, j = py - y;
            if (i < 0 || j < 0 || i >= DW || j >= DH) return std::nullopt;
            return truth(d, SX + SW * i / DW, T + SH * j / DH);
        };
    }

    drawdibtest::Trace trace;
    QStringList messages, captions;
    BlockGuard blocks;

private:
    std::size_t objects_ = 0;
};

// ---------------------------------------------------------------- clipping

TEST_F(DrawDib, ClipsTheSourceRectangleEdgeByEdgeWithHalvesToEven) {
    struct Case {
        const char* what;
        int x, y, dw, dh, sx, sy, sw, sh;     // arguments
        int ex, ey, edw, edh, esx, esy, esw, esh;  // what reaches the device
    } cases[] = {
        {"right edge", 0, 0, 220, 100, 0, 0, 110, 50, 0, 0, 200, 100, 0, 0, 100, 50},
        {"bottom edge", 0, 5, 100, 120, 0, -10, 100, 60, 0, 5, 100, 100, 0, 0, 100, 50},
        {"top edge", 0, 0, 100, 80, 0, 20, 100, 40, 0, 20, 100, 60, 0, 20, 100, 30},
        {"left edge", 0, 0, 240, 50, -20, 0, 120, 50, 40, 0, 200, 50, 0, 0, 100, 50},
        {"12.5 rounds to 12", 0, 0, 13, 50, 0, 0, 104, 50, 0, 0, 12, 50, 0, 0, 100, 50},
        {"37.5 rounds to 38", 0, 0, 39, 50, 0, 0, 104, 50, 0, 0, 38, 50, 0, 0, 100, 50},
    };
    dib d = dibfix::make24(100, 50);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryDC dc(300, 200);
        dc.setTechnology(DT_RASPRINTER);
        std::vector<GdiCall> log;
        dc.setLog(&log);
        drawdib(&dc, c.x, c.y, c.dw, c.dh, d, c.sx, c.sy, c.sw, c.sh, false, SRCCOPY);
        ASSERT_EQ(log.size(), 1u);
        const GdiCall& s = log[0];
        EXPECT_EQ(s.op, GdiOp::StretchDIBits);
        EXPECT_EQ((std::array{s.x, s.y, s.w, s.h}), (std::array{c.ex, c.ey, c.edw, c.edh}));
        EXPECT_EQ((std::array{s.sx, s.sy, s.sw, s.sh}), (std::array{c.esx, c.esy, c.esw, c.esh}));
        EXPECT_EQ(s.rop, SRCCOPY);
        EXPECT_EQ(dc.stretchMode(), COLORONCOLOR);
    }
    freedib(d);
}

TEST_F(DrawDib, ClippingProductsDoNotWrapAround) {
    // 50000 * 100000 does not fit in 32 bits; the clipped width must still
    // be Round(5e9 / 100001) = 50000.
    dib d = dibfix::make(100000, 1, 24, [](int x, int) { return uint32_t(x); });
    ASSERT_TRUE(d.poi);
    MemoryDC dc(10, 10);
    dc.setTechnology(DT_RASPRINTER);
    std::vector<GdiCall> log;
    dc.setLog(&log);
    drawdib(&dc, 0, 0, 50000, 1, d, 0, 0, 100001, 1, false, SRCCOPY);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].w, 50000);
    EXPECT_EQ(log[0].sw, 100000);
    freedib(d);
}

TEST_F(DrawDib, ClippedRowPathShowsTheImagePartOnly) {
    // Left edge clipped on screen: columns 0..39 stay untouched, the image's
    // 100 columns fill 200 destination columns from x = 40.
    dib d = dibfix::make24(100, 50);
    MemoryDC dc(260, 60);
    drawdib(&dc, 0, 0, 240, 50, d, -20, 0, 120, 50, false, SRCCOPY);
    EXPECT_EQ(trace.path, Path::Rows24);
    expectPixels(dc, stretchOracle(d, 40, 0, 200, 50, 0, 0, 100, 50), "left clip");
    freedib(d);
}

TEST_F(DrawDib, SourceOutsideTheImageOrEmptySizesDrawNothing) {
    dib d = dibfix::make24(20, 10);
    const int cases[][8] = {
        {0, 0, 40, 20, 20, 0, 10, 10},    // right of the image
        {0, 0, 40, 20, -30, 0, 10, 10},   // left of it
        {0, 0, 40, 20, 0, 10, 10, 5},     // above it
        {0, 0, 40, 20, 0, -8, 10, 5},     // below it
        {0, 0, 0, 20, 0, 0, 20, 10},      // no destination width
        {0, 0, 40, -3, 0, 0, 20, 10},     // negative destination height
        {0, 0, 40, 20, 0, 0, 0, 10},      // no source width
    };
    for (bool printer : {false, true}) {
        for (const auto& c : cases) {
            MemoryDC dc(50, 30);
            if (printer) dc.setTechnology(DT_RASPRINTER);
            std::vector<GdiCall> log;
            dc.setLog(&log);
            drawdib(&dc, c[0], c[1], c[2], c[3], d, c[4], c[5], c[6], c[7], false, SRCCOPY);
            EXPECT_TRUE(log.empty()) << c[4] << "," << c[5] << " " << c[6] << "x" << c[7];
            EXPECT_EQ(dc.stretchMode(), COLORONCOLOR);
        }
    }
    MemoryDC dc(50, 30);
    std::vector<GdiCall> log;
    dc.setLog(&log);
    drawdib(&dc, 0, 0, 40, 20, dib{}, 0, 0, 20, 10, true, SRCCOPY);  // empty record
    EXPECT_TRUE(log.empty());
    freedib(d);
}

// ---------------------------------------------------------------- paths

TEST_F(DrawDib, ChoosesThePathFromDepthDisplayAndDevice) {
    struct Case {
        int bits, display;
        bool halftone, printer;
        Path path;
    } cases[] = {
        {24, 32, false, false, Path::Rows24}, {24, 24, true, false, Path::Rows24},
        {24, 8, true, false, Path::Halftone}, {24, 4, true, false, Path::Halftone},
        {24, 8, false, false, Path::Rows24},  {8, 8, true, false, Path::Rows8},
        {8, 32, false, false, Path::Rows8},   {24, 32, false, true, Path::General},
        {8, 32, false, true, Path::General},  {8, 8, true, true, Path::General},
        {24, 8, true, true, Path::Halftone},  {1, 32, false, false, Path::General},
        {4, 32, true, false, Path::General},  {4, 8, true, false, Path::General},
        {16, 32, false, false, Path::General}, {32, 32, false, false, Path::General},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, display " << c.display << ", halftone "
                                        << c.halftone << ", printer " << c.printer);
        dib d = dibfix::make(8, 6, c.bits, [](int x, int y) { return uint32_t(x + y); });
        MemoryDC dc(20, 20);
        dc.setDisplayBits(c.display);
        if (c.printer) dc.setTechnology(DT_RASPRINTER);
        drawdib(&dc, 0, 0, 16, 12, d, 0, 0, 8, 6, c.halftone, SRCCOPY);
        EXPECT_EQ(trace.path, c.path);
        freedib(d);
    }
}

TEST_F(DrawDib, DoubleSizeOnATrueColourDisplayConvertsEachSourceRowOnce) {
    dib d = dibfix::make24(9, 7);
    MemoryDC dc(30, 20);
    dc.setDisplayBits(32);
    drawdib(&dc, 1, 2, 18, 14, d, 0, 0, 9, 7, true, SRCCOPY);
    EXPECT_EQ(trace.path, Path::Rows24);
    EXPECT_EQ(trace.conversions, 7);
    EXPECT_EQ(trace.rowsSent, 14);
    expectPixels(dc, [&](int x, int y) -> std::optional<uint32_t> {
        if (x < 1 || y < 2 || x >= 19 || y >= 16) return std::nullopt;
        return truth(d, (x - 1) / 2, (y - 2) / 2);
    }, "double size");
    freedib(d);
}

TEST_F(DrawDib, HalftonesAtDisplayedSizeWhenShrinking) {
    dib d = dibfix::make24(100, 60);
    {
        // Enlarging: the plain halftone, drawn with the source rectangle.
        MemoryDC dc(220, 140);
        dc.setDisplayBits(8);
        std::vector<GdiCall> log;
        dc.setLog(&log);
        drawdib(&dc, 0, 0, 200, 120, d, 0, 0, 100, 60, true, SRCCOPY);
        EXPECT_EQ(trace.path, Path::Halftone);
        EXPECT_EQ(g_ht.plain, 1);
        EXPECT_EQ(g_ht.xy, 0);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].op, GdiOp::StretchDIBits);
        EXPECT_EQ(log[0].bits, 8);
        EXPECT_EQ((std::array{log[0].sx, log[0].sy, log[0].sw, log[0].sh}), (std::array{0, 0, 100, 60}));
        EXPECT_EQ(dc.pixel(5, 5), packrgb(0, getg(truth(d, 2, 2)), 0));
    }
    g_ht = HalftoneLog{};
    {
        // Half size: halftoned at half the size, copied one to one.
        MemoryDC dc(60, 40);
        dc.setDisplayBits(8);
        std::vector<GdiCall> log;
        dc.setLog(&log);
        drawdib(&dc, 3, 4, 50, 30, d, 0, 0, 100, 60, true, SRCCOPY);
        EXPECT_EQ(g_ht.plain, 0);
        EXPECT_EQ(g_ht.xy, 1);
        EXPECT_EQ(g_ht.width, 50);
        EXPECT_EQ(g_ht.height, 30);
        EXPECT_TRUE(trace.halftoneXY);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ((std::array{log[0].x, log[0].y, log[0].w, log[0].h}), (std::array{3, 4, 50, 30}));
        EXPECT_EQ((std::array{log[0].sx, log[0].sy, log[0].sw, log[0].sh}), (std::array{0, 0, 50, 30}));
        EXPECT_EQ(dc.pixel(3 + 7, 4 + 9), packrgb(0, getg(truth(d, 14, 18)), 0));
    }
    g_ht = HalftoneLog{};
    {
        // A partial source: the whole image is halftoned at its displayed
        // size, and the copy is entered at the scaled source corner.
        MemoryDC dc(60, 40);
        dc.setDisplayBits(8);
        std::vector<GdiCall> log;
        dc.setLog(&log);
        drawdib(&dc, 0, 0, 25, 15, d, 10, 20, 50, 30, true, SRCCOPY);
        EXPECT_EQ(g_ht.width, 50);
        EXPECT_EQ(g_ht.height, 30);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ((std::array{log[0].sx, log[0].sy, log[0].sw, log[0].sh}), (std::array{5, 10, 25, 15}));
    }
    freedib(d);
}

TEST_F(DrawDib, HalftoneCopyThatCannotBeMadeDrawsNothing) {
    g_ht.fail = true;
    dib d = dibfix::make24(10, 10);
    for (int size : {20, 5}) {
        MemoryDC dc(30, 30);
        dc.setDisplayBits(8);
        std::vector<GdiCall> log;
        dc.setLog(&log);
        drawdib(&dc, 0, 0, size, size, d, 0, 0, 10, 10, true, SRCCOPY);
        EXPECT_EQ(trace.path, Path::Halftone);
        EXPECT_TRUE(log.empty());
    }
    freedib(d);
}

TEST_F(DrawDib, LibraryHalftoningDrawsAPicture) {
    // Runs once the library really halftones; the placeholder makes nothing.
    drawdibtest::setHalftone(nullptr, nullptr);
    dib d = dibfix::make24(40, 30);
    dib probe{};
    DIBHalftoneDIB(&probe, d);
    bool real = probe.poi != nullptr;
    deldib(probe);
    if (!real) {
        freedib(d);
        GTEST_SKIP() << "the raster library does not halftone yet";
    }
    for (int size : {80, 20}) {
        MemoryDC dc(90, 70, 0x123456);
        dc.setDisplayBits(8);
        drawdib(&dc, 0, 0, size, size * 3 / 4, d, 0, 0, 40, 30, true, SRCCOPY);
        int changed = 0;
        for (int y = 0; y < size * 3 / 4; ++y)
            for (int x = 0; x < size; ++x) changed += dc.pixel(x, y) != 0x123456;
        EXPECT_GT(changed, size * size * 3 / 4 / 2) << size;
        EXPECT_EQ(dc.pixel(size + 2, 0), 0x123456u);
    }
    freedib(d);
}

// ---------------------------------------------------------------- row paths

TEST_F(DrawDib, RowPathsEnlargeAndShrinkNearest) {
    struct Size {
        int dw, dh;
    } sizes[] = {{23, 17}, {3, 2}, {7, 5}, {40, 3}, {2, 30}};
    // Width 8 of 24 bits leaves no row padding: the last pixel ends the block.
    for (auto [bits, W] : {std::pair{24, 7}, std::pair{24, 8}, std::pair{8, 7}}) {
        dib d = bits == 24 ? dibfix::make24(W, 5) : dibfix::make8(W, 5);
        for (Size s : sizes) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << W << " wide, into " << s.dw << "x" << s.dh);
            MemoryDC dc(45, 35);
            drawdib(&dc, 2, 1, s.dw, s.dh, d, 0, 0, W, 5, false, SRCCOPY);
            EXPECT_EQ(trace.path, bits == 24 ? Path::Rows24 : Path::Rows8);
            expectPixels(dc, stretchOracle(d, 2, 1, s.dw, s.dh, 0, 0, W, 5), "row path");
            // Each source row is converted once: shrinking skips some.
            EXPECT_EQ(trace.conversions, std::min(5, s.dh));
            // The printer's stretched transfer shows the same picture.
            MemoryDC printer(45, 35);
            printer.setTechnology(DT_RASPRINTER);
            drawdib(&printer, 2, 1, s.dw, s.dh, d, 0, 0, W, 5, false, SRCCOPY);
            expectPixels(printer, [&](int x, int y) -> std::optional<uint32_t> { return dc.pixel(x, y); },
                         "printer vs screen");
        }
        freedib(d);
    }
}

TEST_F(DrawDib, RowPathsDrawOnlyInsideTheClipWithTheSamePixels) {
    for (int bits : {24, 8}) {
        SCOPED_TRACE(bits);
        dib d = bits == 24 ? dibfix::make24(20, 12) : dibfix::make8(20, 12);
        MemoryDC full(300, 200);
        drawdib(&full, 10, 10, 250, 150, d, 0, 0, 20, 12, false, SRCCOPY);
        EXPECT_EQ(trace.rowsSent, 150);

        MemoryDC dc(300, 200);
        dc.setClip(RECT{50, 40, 170, 120});
        std::vector<GdiCall> log;
        dc.setLog(&log);
        drawdib(&dc, 10, 10, 250, 150, d, 0, 0, 20, 12, false, SRCCOPY);
        expectPixels(dc, [&](int x, int y) -> std::optional<uint32_t> {
            if (x < 50 || x >= 170 || y < 40 || y >= 120) return std::nullopt;
            return full.pixel(x, y);
        }, "clipped");
        // Only the 80 visible rows are sent, each cut to the 120 visible
        // columns; rows 30..109 of 150 map to source rows 2..8.
        EXPECT_EQ(trace.rowsSent, 80);
        EXPECT_EQ(trace.conversions, 7);
        ASSERT_EQ(log.size(), 80u);
        EXPECT_EQ((std::array{log[0].x, log[0].y, log[0].w, log[0].h}), (std::array{50, 40, 120, 1}));

        MemoryDC hidden(300, 200);
        hidden.setClip(RECT{0, 0, 0, 0});
        hidden.setLog(&log);
        log.clear();
        drawdib(&hidden, 10, 10, 250, 150, d, 0, 0, 20, 12, false, SRCCOPY);
        EXPECT_TRUE(log.empty());
        freedib(d);
    }
}

TEST_F(DrawDib, RowPathsUseTheSourceRectangle) {
    dib d = dibfix::make8(30, 20);
    MemoryDC dc(60, 50);
    // Columns 5..16, rows 3..10 from the bottom (picture rows 9..16).
    drawdib(&dc, 4, 3, 36, 24, d, 5, 3, 12, 8, false, SRCCOPY);
    expectPixels(dc, stretchOracle(d, 4, 3, 36, 24, 5, 3, 12, 8), "partial source");
    freedib(d);
}

TEST_F(DrawDib, RowImageThatCannotBeMadeDrawsNothing) {
    dib d = dibfix::make24(10, 10);
    MemoryDC dc(30, 30);
    std::vector<GdiCall> log;
    dc.setLog(&log);
    memblock::failAfter(0);
    drawdib(&dc, 0, 0, 20, 20, d, 0, 0, 10, 10, false, SRCCOPY);
    memblock::failAfter(-1);
    EXPECT_EQ(trace.path, Path::Rows24);
    EXPECT_TRUE(log.empty());
    freedib(d);
}

// ---------------------------------------------------------------- general path

TEST_F(DrawDib, OneAndFourBitImagesGoThroughTheStretchedTransfer) {
    for (int bits : {1, 4}) {
        dib d = dibfix::make(11, 6, bits, [bits](int x, int y) { return uint32_t((x * 3 + y) % (1 << bits)); });
        MemoryDC dc(40, 30);
        drawdib(&dc, 1, 1, 33, 18, d, 0, 0, 11, 6, false, SRCCOPY);
        EXPECT_EQ(trace.path, Path::General);
        expectPixels(dc, stretchOracle(d, 1, 1, 33, 18, 0, 0, 11, 6), bits == 1 ? "1 bit" : "4 bits");
        freedib(d);
    }
}

// Oracle of the resampling fallback: end columns and rows map to end
// columns and rows; stored rows count from the bottom (1 bit: picture rows
// from the top).
auto resampleOracle(const dib& d, int x, int y, int DW, int DH, int SX, int SY, int SW, int SH) {
    int H = dibheight(d);
    return [=, &d](int px, int py) -> std::optional<uint32_t> {
        int i = px - x, j = py - y;
        if (i < 0 || j < 0 || i >= DW || j >= DH) return std::nullopt;
        int c = SX + (DW == 1 ? 0 : (SW - 1) * i / (DW - 1));
        if (dibbitcount(d) == 1) return truth(d, c, H - SY - SH + (DH == 1 ? 0 : (SH - 1) * j / (DH - 1)));
        int stored = DH - 1 - j;
        int s = SY + (DH == 1 ? 0 : (SH - 1) * stored / (DH - 1));
        return truth(d, c, H - 1 - s);
    };
}

TEST_F(DrawDib, ResamplesItselfWhenTheStretchedTransferFails) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        dib d = dibfix::make(13, 9, bits, [bits](int x, int y) {
            return bits <= 8 ? uint32_t(((x * 7 + y * 13 + x * y) >> 1) % (1 << bits)) : dibfix::pattern24(x, y);
        });
        struct Case {
            int dw, dh, sx, sy, sw, sh;
        } cases[] = {{30, 20, 0, 0, 13, 9}, {5, 4, 0, 0, 13, 9}, {1, 7, 3, 0, 6, 9}, {20, 11, 2, 3, 8, 5}};
        for (Case c : cases) {
            SCOPED_TRACE(testing::Message() << c.dw << "x" << c.dh << " from " << c.sx << "," << c.sy);
            MemoryDC dc(40, 30);
            dc.setTechnology(DT_RASPRINTER);
            dc.setFailing(GdiOp::StretchDIBits);
            std::vector<GdiCall> log;
            dc.setLog(&log);
            drawdib(&dc, 2, 3, c.dw, c.dh, d, c.sx, c.sy, c.sw, c.sh, false, SRCCOPY);
            ASSERT_EQ(log.size(), 2u);
            EXPECT_EQ(log[1].op, GdiOp::SetDIBitsToDevice);
            EXPECT_EQ((std::array{log[1].x, log[1].y, log[1].w, log[1].h, log[1].startScan, log[1].scanLines}),
                      (std::array{2, 3, c.dw, c.dh, 0, c.dh}));
            EXPECT_EQ(log[1].bits, bits);
            expectPixels(dc, resampleOracle(d, 2, 3, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh), "resampled");
            EXPECT_TRUE(messages.empty());
        }
        freedib(d);
    }
}

TEST_F(DrawDib, DestinationWidthOneTakesTheSourceLeftColumn) {
    dib d = dibfix::make24(10, 4);
    MemoryDC dc(5, 10);
    dc.setFailing(GdiOp::StretchDIBits);
    dc.setTechnology(DT_RASPRINTER);
    drawdib(&dc, 2, 0, 1, 8, d, 6, 0, 3, 4, false, SRCCOPY);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(dc.pixel(2, y), truth(d, 6, 3 - 3 * (7 - y) / 7)) << y;
    EXPECT_EQ(dc.pixel(1, 0), kWhite);
    EXPECT_EQ(dc.pixel(3, 0), kWhite);
    freedib(d);
}

TEST_F(DrawDib, ResampledCopyThatCannotBeMadeDrawsNothing) {
    dib d = dibfix::make(10, 10, 4, [](int x, int) { return uint32_t(x); });
    MemoryDC dc(30, 30);
    dc.setFailing(GdiOp::StretchDIBits);
    std::vector<GdiCall> log;
    dc.setLog(&log);
    memblock::failAfter(0);
    drawdib(&dc, 0, 0, 20, 20, d, 0, 0, 10, 10, false, SRCCOPY);
    memblock::failAfter(-1);
    ASSERT_EQ(log.size(), 1u);  // the failed stretched transfer only
    EXPECT_TRUE(messages.empty());
    freedib(d);
}

TEST_F(DrawDib, DeviceBitmapFallbackWhenTransfersToTheDeviceFail) {
    // Both with RC_DIBTODEV (its transfer then fails too) and without it
    // (the resampling is skipped); a partial source keeps its rows.
    dib d = dibfix::make(16, 12, 8, [](int x, int y) { return uint32_t(x * 16 + y); });
    for (bool dibToDev : {true, false}) {
        for (auto src : {std::array{0, 0, 16, 12}, std::array{3, 2, 9, 7}}) {
            SCOPED_TRACE(testing::Message() << "RC_DIBTODEV " << dibToDev << ", source y " << src[1]);
            MemoryDC dc(50, 40);
            dc.setTechnology(DT_RASPRINTER);
            dc.setFailing(GdiOp::StretchDIBits);
            dc.setFailing(GdiOp::SetDIBitsToDevice);
            if (!dibToDev) dc.setRasterCaps(kDefaultRasterCaps & ~RC_DIBTODEV);
            std::vector<GdiCall> log;
            dc.setLog(&log);
            drawdib(&dc, 4, 5, 40, 30, d, src[0], src[1], src[2], src[3], false, SRCCOPY);
            std::vector<GdiOp> ops;
            for (const GdiCall& c : log) ops.push_back(c.op);
            std::vector<GdiOp> want{GdiOp::StretchDIBits};
            if (dibToDev) want.push_back(GdiOp::SetDIBitsToDevice);
            for (GdiOp op : {GdiOp::CreateCompatibleBitmap, GdiOp::CreateCompatibleDC, GdiOp::SetDIBits,
                             GdiOp::SelectObject, GdiOp::StretchBlt, GdiOp::SelectObject})
                want.push_back(op);
            EXPECT_EQ(ops, want);
            EXPECT_EQ(log[size_t(dibToDev ? 2 : 1)].w, 16);  // bitmap of the whole image
            expectPixels(dc, stretchOracle(d, 4, 5, 40, 30, src[0], src[1], src[2], src[3]), "device bitmap");
            EXPECT_TRUE(messages.empty());
        }
    }
    freedib(d);
}

TEST_F(DrawDib, EachFailureOfTheFallbackChainShowsItsMessage) {
    struct Case {
        GdiOp fails;
        const char* message;
    } cases[] = {
        {GdiOp::CreateCompatibleBitmap, "Could not create bitmap."},
        {GdiOp::SetDIBits, "The device does not support the Funtkion setdibits!"},
        {GdiOp::StretchBlt, "The device does not support the function StretchBlt!"},
        // The chain has no message of its own for these; the copy cannot
        // happen, which is what the last one says.
        {GdiOp::SelectObject, "The device does not support the function StretchBlt!"},
        {GdiOp::CreateCompatibleDC, "The device does not support the function StretchBlt!"},
    };
    dib d = dibfix::make(8, 8, 1, [](int x, int y) { return uint32_t((x ^ y) & 1); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        messages.clear();
        captions.clear();
        MemoryDC dc(20, 20);
        dc.setFailing(GdiOp::StretchDIBits);
        dc.setFailing(GdiOp::SetDIBitsToDevice);
        dc.setFailing(c.fails);
        drawdib(&dc, 0, 0, 16, 16, d, 0, 0, 8, 8, false, SRCCOPY);
        EXPECT_EQ(messages, QStringList{c.message});
        EXPECT_EQ(captions, QStringList{QString()});
        expectPixels(dc, [](int, int) { return std::optional<uint32_t>(); }, "nothing drawn");
    }
    freedib(d);
}

TEST_F(DrawDib, RasterOperationsOtherThanCopyFallBackToAPlainCopy) {
    // Devices copy only; the row paths always copy plainly.
    dib d = dibfix::make24(4, 4);
    MemoryDC printer(10, 10);
    printer.setTechnology(DT_RASPRINTER);
    drawdib(&printer, 0, 0, 8, 8, d, 0, 0, 4, 4, false, 0x00660046 /* SRCINVERT */);
    // The device refuses the operation; the resampled copy is a plain one.
    EXPECT_TRUE(messages.empty());
    expectPixels(printer, resampleOracle(d, 0, 0, 8, 8, 0, 0, 4, 4), "resampled");
    MemoryDC screen(10, 10);
    drawdib(&screen, 0, 0, 8, 8, d, 0, 0, 4, 4, false, 0x00660046);
    expectPixels(screen, stretchOracle(d, 0, 0, 8, 8, 0, 0, 4, 4), "row path");
    freedib(d);
}

}  // namespace
