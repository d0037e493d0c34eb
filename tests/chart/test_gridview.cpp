#include <gtest/gtest.h>

#include "chart/gridview.h"
#include "chart/swatches.h"

using namespace gridview;

TEST(GridViewSize, StartUpGridInBothModes) {
    // 46 x 38 stitches for 20 cm x 12.5 cm.
    ViewSize off = viewSize(46, 38, false, 20.0, 12.5);
    EXPECT_EQ(off.bigW, 600);
    EXPECT_EQ(off.bigH, 375);
    EXPECT_EQ(off.boxW, 600);
    EXPECT_EQ(off.boxH, 413);
    ViewSize on = viewSize(46, 38, true, 20.0, 12.5);
    EXPECT_EQ(on.bigW, 1380);
    EXPECT_EQ(on.bigH, 1140);
    EXPECT_EQ(on.boxW, 1380);
    EXPECT_EQ(on.boxH, 1178);
}

TEST(GridViewSize, KnittedSizeTruncates) {
    // 10.01 cm gives 300.3 pixels, 0.99 cm 29.7: both truncate.
    ViewSize s = viewSize(10, 10, false, 10.01, 0.99);
    EXPECT_EQ(s.bigW, 300);
    EXPECT_EQ(s.bigH, 29);
    // An empty grid still has the knitted size; in edit mode it has none.
    EXPECT_EQ(viewSize(0, 0, false, 20, 12.5).boxH, 375);
    EXPECT_EQ(viewSize(0, 0, true, 20, 12.5).boxW, 0);
}

TEST(GridViewClick, StitchUnderThePointer) {
    const int w = 46, h = 38;
    Stitch s = stitchAt(45, h + 75, w, h);
    ASSERT_TRUE(s.hit);
    EXPECT_EQ(s.col, 1);
    EXPECT_EQ(s.row, 2);
    EXPECT_TRUE(stitchAt(0, h, w, h).hit);
    EXPECT_FALSE(stitchAt(10, h - 1, w, h).hit);  // level with the 1:1 picture
    EXPECT_FALSE(stitchAt(10, 0, w, h).hit);
    EXPECT_FALSE(stitchAt(30 * w, h + 5, w, h).hit);  // right of the grid
    EXPECT_TRUE(stitchAt(30 * w - 1, h + 30 * h - 1, w, h).hit);
    EXPECT_FALSE(stitchAt(5, h + 30 * h, w, h).hit);  // below it
    EXPECT_FALSE(stitchAt(-1, h + 5, w, h).hit);
}

TEST(GridViewDrag, KeepsWithinTheContent) {
    EXPECT_EQ(dragScroll(50, 100, 80, 600), 70);     // pointer moved left: view moves right
    EXPECT_EQ(dragScroll(10, 100, 5000, 600), 0);    // beyond the top-left
    EXPECT_EQ(dragScroll(10, 100, -5000, 600), 599); // beyond the bottom-right: range - 1
    EXPECT_EQ(dragScroll(0, 0, 0, 600), 0);
}

TEST(Swatches, HitTestOfTheDesignedBox) {
    const int cols = swatches::columns(337);
    ASSERT_EQ(cols, 18);
    auto hit = [&](int x, int y) { return swatches::hit(x, y, cols, 64); };
    EXPECT_EQ(hit(15, 15), 0);
    EXPECT_EQ(hit(15, 5), 0);
    EXPECT_EQ(hit(16, 0), -1);
    EXPECT_EQ(hit(17, 0), -1);
    EXPECT_EQ(hit(18, 0), 1);
    EXPECT_EQ(hit(0, 18), 18);
    EXPECT_EQ(hit(0, 54), 54);
    EXPECT_EQ(hit(180, 54), -1);  // the fourth row has ten
    EXPECT_EQ(hit(177, 69), 63);  // swatch 63's hit area ends one pixel past its square
    EXPECT_EQ(hit(178, 54), -1);
    EXPECT_EQ(hit(170, 70), -1);
    EXPECT_EQ(hit(330, 0), -1);   // beyond the last column
    EXPECT_EQ(hit(0, 72), -1);
    EXPECT_EQ(hit(-1, 0), -1);
}

TEST(Swatches, FourRowsOfEighteenEighteenEighteenTen) {
    const int cols = swatches::columns(337);
    int perRow[5] = {};
    for (int i = 0; i < 64; ++i) ++perRow[swatches::square(i, cols).y / 18];
    EXPECT_EQ(perRow[0], 18);
    EXPECT_EQ(perRow[1], 18);
    EXPECT_EQ(perRow[2], 18);
    EXPECT_EQ(perRow[3], 10);
    EXPECT_EQ(perRow[4], 0);
    EXPECT_EQ(swatches::square(63, cols).x, 162);
    EXPECT_EQ(swatches::square(63, cols).y, 54);
    EXPECT_EQ(swatches::columns(10), 1);  // too narrow: one column, no division by zero
}
