#include <gtest/gtest.h>

#include "chart/gridview.h"
#include "chart/swatches.h"

using namespace gridview;

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
