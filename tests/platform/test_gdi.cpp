#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>

#include "dibfixtures.h"
#include "platform/controls.h"
#include "platform/gdi_memory.h"
#include "platform/drawdib_testing.h"
#include "support/blockguard.h"

using dibfix::truth;

namespace {

// A painted pixel as a packed colour (red low), like the memory context's.
uint32_t packed(const QImage& img, int x, int y) {
    QRgb c = img.pixel(x, y);
    return packrgb(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)));
}

class Gdi : public ::testing::Test {
protected:
    void SetUp() override { objects_ = gdi::liveObjects(); }
    void TearDown() override {
        gdi::setScreenBitsOverride(0);
        EXPECT_EQ(gdi::liveObjects(), objects_) << "device objects leaked";
    }
    BlockGuard blocks;

private:
    std::size_t objects_ = 0;
};

TEST_F(Gdi, EachOperationFailsOnRequestWithItsFailureValue) {
    dib d = dibfix::make24(4, 3);
    MemoryDC dc(10, 10);
    EXPECT_EQ(GetDeviceCaps(&dc, TECHNOLOGY), DT_RASDISPLAY);
    EXPECT_TRUE(GetDeviceCaps(&dc, RASTERCAPS) & RC_DIBTODEV);
    for (int i = 0; i < int(GdiOp::Count); ++i) dc.setFailing(GdiOp(i));
    EXPECT_EQ(StretchDIBits(&dc, 0, 0, 8, 6, 0, 0, 4, 3, d.poi, d.pmi, DIB_RGB_COLORS, SRCCOPY), GDI_ERROR);
    EXPECT_EQ(SetDIBitsToDevice(&dc, 0, 0, 4, 3, 0, 0, 0, 3, d.poi, d.pmi, DIB_RGB_COLORS), 0);
    EXPECT_EQ(CreateCompatibleBitmap(&dc, 4, 3), nullptr);
    EXPECT_EQ(CreateCompatibleDC(&dc), nullptr);

    // A compatible context inherits the failures of its parent.
    MemoryDC ok(10, 10);
    ok.setFailing(GdiOp::SetDIBits);
    ok.setFailing(GdiOp::SelectObject);
    ok.setFailing(GdiOp::StretchBlt);
    HDC mem = CreateCompatibleDC(&ok);
    HBITMAP bmp = CreateCompatibleBitmap(&ok, 4, 3);
    ASSERT_TRUE(mem && bmp);
    EXPECT_EQ(SetDIBits(mem, bmp, 0, 3, d.poi, d.pmi, DIB_RGB_COLORS), 0);
    EXPECT_EQ(SelectObject(mem, bmp), nullptr);
    EXPECT_FALSE(StretchBlt(&ok, 0, 0, 4, 3, mem, 0, 0, 4, 3, SRCCOPY));
    EXPECT_TRUE(DeleteDC(mem));
    EXPECT_TRUE(DeleteObject(bmp));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(dc.pixel(x, y), 0xFFFFFFu);
    freedib(d);
}

TEST_F(Gdi, SetDIBitsToDeviceReadsTheScanLinesInItsBuffer) {
    // The buffer starts at scan line 2 of a 6-line bitmap; destination row 0
    // is the top of the source rectangle.
    dib d = dibfix::make24(5, 6);
    MemoryDC dc(10, 10);
    const uint8_t* fromLine2 = d.poi + 2 * d.bytew;
    EXPECT_EQ(SetDIBitsToDevice(&dc, 1, 1, 3, 6, 1, 0, 2, 3, fromLine2, d.pmi, DIB_RGB_COLORS), 3);
    for (int j = 0; j < 6; ++j) {
        int line = 5 - j;  // scan line shown in destination row 1 + j
        bool held = line >= 2 && line < 5;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(dc.pixel(1 + i, 1 + j), held ? truth(d, 1 + i, 5 - line) : 0xFFFFFFu) << i << "," << j;
    }
    freedib(d);
}

TEST_F(Gdi, MemoryContextDrawsOnlyInsideItsClip) {
    dib d = dibfix::make8(6, 6);
    MemoryDC dc(12, 12);
    dc.setClip(RECT{3, 2, 7, 9});
    RECT r{};
    EXPECT_EQ(GetClipBox(&dc, &r), SIMPLEREGION);
    EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}), (std::array{3, 2, 7, 9}));
    StretchDIBits(&dc, 0, 0, 12, 12, 0, 0, 6, 6, d.poi, d.pmi, DIB_RGB_COLORS, SRCCOPY);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            bool inside = x >= 3 && x < 7 && y >= 2 && y < 9;
            EXPECT_EQ(dc.pixel(x, y), inside ? truth(d, x / 2, y / 2) : 0xFFFFFFu) << x << "," << y;
        }
    dc.setClip(RECT{20, 20, 30, 30});
    EXPECT_EQ(GetClipBox(&dc, &r), NULLREGION);
    freedib(d);
}

TEST_F(Gdi, BitmapsAndContextsHaveOneOwner) {
    MemoryDC dc(4, 4);
    HDC mem = CreateCompatibleDC(&dc);
    HDC other = CreateCompatibleDC(&dc);
    HBITMAP bmp = CreateCompatibleBitmap(&dc, 3, 3);
    ASSERT_TRUE(mem && other && bmp);
    HGDIOBJ old = SelectObject(mem, bmp);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(SelectObject(other, bmp), nullptr) << "a bitmap lives in one context at a time";
    EXPECT_FALSE(DeleteObject(bmp)) << "a selected bitmap stays";
    EXPECT_EQ(SelectObject(mem, old), bmp);
    EXPECT_FALSE(DeleteDC(&dc)) << "only created contexts are deleted";
    EXPECT_TRUE(DeleteDC(mem));
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_EQ(CreateCompatibleBitmap(&dc, 0, 5), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(&dc, 1 << 30, 1 << 30), nullptr);
}

// ---------------------------------------------------------------- painter

TEST_F(Gdi, PainterContextShowsTheSamePixelsAsTheMemoryContext) {
    dib d = dibfix::make8(17, 11);
    MemoryDC mem(120, 90);
    QImage img(120, 90, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (bool printer : {false, true}) {
        mem.setTechnology(printer ? DT_RASPRINTER : DT_RASDISPLAY);
        {
            QPainter p(&img);
            PainterDC dc(p, printer);
            EXPECT_EQ(GetDeviceCaps(&dc, TECHNOLOGY), printer ? DT_RASPRINTER : DT_RASDISPLAY);
            drawdib(&dc, 3, 4, 100, 70, d, 0, 0, 17, 11, false, SRCCOPY);
            EXPECT_EQ(dc.stretchMode(), COLORONCOLOR);
        }
        drawdib(&mem, 3, 4, 100, 70, d, 0, 0, 17, 11, false, SRCCOPY);
        int bad = 0;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x) bad += packed(img, x, y) != mem.pixel(x, y);
        EXPECT_EQ(bad, 0) << (printer ? "printer" : "screen");
    }
    freedib(d);
}

TEST_F(Gdi, PainterClipBoxIsTheVisibleAreaInLogicalUnits) {
    QImage img(200, 100, QImage::Format_RGB32);
    QPainter p(&img);
    PainterDC dc(p);
    RECT r{};
    EXPECT_EQ(GetClipBox(&dc, &r), SIMPLEREGION);
    EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}), (std::array{0, 0, 200, 100}));
    p.translate(-5000, -3000);  // a view scrolled far into a huge picture
    GetClipBox(&dc, &r);
    EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}), (std::array{5000, 3000, 5200, 3100}));
    p.setClipRect(5010, 3020, 30, 40);
    GetClipBox(&dc, &r);
    EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}), (std::array{5010, 3020, 5040, 3060}));
}

TEST_F(Gdi, WidgetPaintSeesOnlyTheExposedRegion) {
    // A paint box as large as an enlarged stitch grid, of which a small
    // region is painted: the row paths see that region and nothing else.
    TPaintBox box;
    box.resize(13800, 11400);
    RECT seen{};
    drawdibtest::Trace trace;
    dib d = dibfix::make8(460, 380);
    box.onPaint = [&](QPainter& p) {
        PainterDC dc(p);
        GetClipBox(&dc, &seen);
        drawdibtest::setTrace(&trace);
        drawdib(&dc, 0, 0, 13800, 11400, d, 0, 0, 460, 380, false, SRCCOPY);
        drawdibtest::setTrace(nullptr);
    };
    QImage img(300, 200, QImage::Format_RGB32);
    img.fill(Qt::black);
    box.render(&img, QPoint(), QRegion(6000, 3000, 300, 200));
    EXPECT_EQ((std::array{seen.left, seen.top, seen.right, seen.bottom}), (std::array{6000, 3000, 6300, 3200}));
    EXPECT_EQ(trace.rowsSent, 200);
    EXPECT_EQ(trace.conversions, 7);  // rows 3000..3199 at 30 per stitch
    EXPECT_EQ(packed(img, 0, 0), truth(d, 200, 100));
    EXPECT_EQ(packed(img, 299, 199), truth(d, 209, 106));
    freedib(d);
}

TEST_F(Gdi, PaintingAfterDrawdibLandsOnTop) {
    // Rows are batched; drawdib shows them before it returns.
    dib d = dibfix::make24(10, 10);
    QImage img(40, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        PainterDC dc(p);
        drawdib(&dc, 0, 0, 40, 40, d, 0, 0, 10, 10, false, SRCCOPY);
        p.fillRect(10, 10, 5, 5, Qt::red);
    }
    EXPECT_EQ(packed(img, 12, 12), packrgb(255, 0, 0));
    EXPECT_EQ(packed(img, 0, 0), truth(d, 0, 0));
    freedib(d);
}

TEST_F(Gdi, DisplayDepthComesFromTheDeviceUnlessOverridden) {
    QImage img(4, 4, QImage::Format_RGB16);
    QPainter p(&img);
    PainterDC dc(p);
    EXPECT_EQ(GetDisplayBitsPerPixel(&dc), 16);
    gdi::setScreenBitsOverride(8);
    EXPECT_EQ(GetDisplayBitsPerPixel(&dc), 8);
    gdi::setScreenBitsOverride(0);
    EXPECT_EQ(GetDisplayBitsPerPixel(&dc), 16);
}

}  // namespace
