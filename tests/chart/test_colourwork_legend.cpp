// The legend counts the yarn carried at the back: one stitch width for
// every stitch a float passes, by the knittability check's floats.
#include <gtest/gtest.h>

#include "chart/chartstyle.h"
#include "chart/render.h"
#include "chart_support.h"
#include "support/blockguard.h"

using namespace charttest;

TEST(ColourworkLegend, CarriedYarnHasItsOwnLines) {
    BlockGuard guard;
    // Top row: 198 stitches of yarn 1, then yarn 0, which continues in the
    // row below and so is carried 198 stitches from the edge.
    dib grid = makeGrid(200, 2, {0x000000, 0xFFFFFF}, [](int x, int y) { return y == 0 && x < 198 ? 1 : 0; });
    const chart::ChartInputs in = inputs(20, 20, 100, 1);  // 200 x 2 stitches of 0.5 cm
    chart::ChartGeometry g;
    ASSERT_TRUE(chart::chartGeometry(in, g));
    const std::vector<chart::YarnUse> use = chart::yarnUse(grid, g);
    ASSERT_EQ(use.size(), 2u);
    EXPECT_EQ(use[0].carried, 198);
    EXPECT_EQ(use[1].carried, 0);
    const chart::LegendText t = chart::legendText(use, in, g, 2.0);
    ASSERT_GE(t.smallPrint.size(), 2u);
    EXPECT_EQ(t.smallPrint.back(), QStringLiteral("Garn 0 ca. 1,0 m"));  // 99 cm
    // Without floats the legend stays as it was.
    dib plain = makeGrid(200, 2, {0x000000, 0xFFFFFF}, [](int, int) { return 0; });
    EXPECT_EQ(chart::legendText(chart::yarnUse(plain, g), in, g, 2.0).smallPrint.size(), 2u);
    freedib(grid);
    freedib(plain);
}
