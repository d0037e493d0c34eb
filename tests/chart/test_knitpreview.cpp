// The knitted look: every stitch's leaves in its own yarn's colour at its
// own cell, shadows between them, cells in the gauge's proportions.
#include <gtest/gtest.h>

#include <QImage>

#include "chart/knitpreview.h"
#include "chart_support.h"
#include "support/blockguard.h"

using namespace chart;

TEST(KnitPreview, TwoYarnGridShowsEachStitchsColourAtItsCell) {
    BlockGuard guard;
    const std::vector<uint32_t> yarns = {packrgb(200, 30, 40), packrgb(20, 90, 230)};
    // An odd, lopsided pattern so a mirrored or shifted drawing shows.
    auto yarnAt = [](int x, int y) { return (x * 3 + y * y) % 5 < 2 ? 1 : 0; };
    dib grid = charttest::makeGrid(7, 5, yarns, yarnAt);
    const pattern::YarnCells cells = pattern::yarnCells(grid);
    freedib(grid);
    // 20 and 40 per 10 cm: a stitch is twice as wide as high.
    const QImage img = knitPreviewImage(cells, yarns, 20, 40, 24);
    ASSERT_EQ(img.size(), QSize(7 * 24, 5 * 12));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const uint32_t c = yarns[std::size_t(yarnAt(x, y))];
            const QColor yarn(getr(c), getg(c), getb(c));
            const QColor shadow = QColor(yarn.red() * 55 / 100, yarn.green() * 55 / 100, yarn.blue() * 55 / 100);
            // Inside the left and the right leaf; between them at the top.
            EXPECT_EQ(img.pixelColor(x * 24 + 5, y * 12 + 6), yarn) << x << "," << y;
            EXPECT_EQ(img.pixelColor(x * 24 + 18, y * 12 + 6), yarn) << x << "," << y;
            EXPECT_EQ(img.pixelColor(x * 24 + 12, y * 12 + 1), shadow) << x << "," << y;
        }
    // The view draws the same stitches as the picture.
    KnitPreviewView view;
    view.setPattern(cells, yarns, 20, 40);
    view.setStitchWidth(24);
    EXPECT_EQ(view.size(), img.size());
    EXPECT_EQ(view.grab().toImage().convertToFormat(QImage::Format_RGB32), img);
}
