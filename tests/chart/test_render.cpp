#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "chart/chart_support.h"
#include "chart/render.h"
#include "raster/memblock.h"
#include "support/blockguard.h"

using namespace chart;
using namespace charttest;

namespace {

ChartGeometry geometryOf(const ChartInputs& in) {
    ChartGeometry g;
    EXPECT_TRUE(chartGeometry(in, g));
    return g;
}

// Owns a rendered chart for the length of a test.
struct Rendered {
    ChartResult res;
    Rendered(const dib& grid, const ChartInputs& in) : res(renderChart(grid, in)) {}
    ~Rendered() { freedib(res.chart); }
    const dib& d() const { return res.chart; }
    int W() const { return dibwidth(res.chart); }
    int rowTop(int r) const { return kTopMargin + r * int(res.geometry.cellHeight); }
};

void saveIfAsked(const dib& d, const char* name) {
    if (const char* dir = std::getenv("TRICOMA_CHART_PNG"))
        toImage(d).save(QString::fromUtf8(dir) + "/" + name + ".png");
}

}  // namespace

TEST(ChartGeometry, SizesFromGaugeAndCentimetres) {
    ChartGeometry g = geometryOf(inputs(23, 31, 20, 20));
    EXPECT_EQ(g.stitches, 46);
    EXPECT_EQ(g.rows, 62);
    EXPECT_EQ(g.cellWidth, 20);
    EXPECT_EQ(g.cellHeight, 15);
    EXPECT_EQ(g.width, 1040);
    EXPECT_EQ(g.height, 950);
    EXPECT_EQ(g.pixelBytes, 1040 * 3 * 950);

    g = geometryOf(inputs(23, 31, 20, 12.5));  // the chart after start-up
    EXPECT_EQ(g.stitches, 46);
    EXPECT_EQ(g.rows, 38);
    EXPECT_EQ(g.width, 1040);
    EXPECT_EQ(g.height, 590);

    g = geometryOf(inputs(40, 30, 10, 10));
    EXPECT_EQ(g.cellWidth, 15);
    EXPECT_EQ(g.cellHeight, 20);

    g = geometryOf(inputs(27, 27, 10, 10));
    EXPECT_EQ(g.cellWidth, 15);
    EXPECT_EQ(g.cellHeight, 15);

    // Rows padded to 4 bytes: 15 * 1 + 120 = 135 pixels, 405 -> 408 bytes.
    g = geometryOf(inputs(10, 10, 1, 1));
    EXPECT_EQ(g.width, 135);
    EXPECT_EQ(g.pixelBytes, 408 * 35);
}

TEST(ChartGeometry, GaugesMustBePositiveAndSizesMayBeAnything) {
    ChartGeometry g;
    EXPECT_FALSE(chartGeometry(inputs(0, 31, 20, 20), g));
    EXPECT_FALSE(chartGeometry(inputs(23, -5, 20, 20), g));
    // A size that is no number or negative has no stitches.
    g = geometryOf(inputs(23, 31, -1, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(g.width, 120);
    EXPECT_EQ(g.height, 20);
    // Decimal centimetres count as the compute command counts them.
    EXPECT_EQ(geometryOf(inputs(100, 31, 4.1, 20)).stitches, 41);
    // Sizes beyond all arithmetic are valid inputs, just far too large.
    g = geometryOf(inputs(1, std::numeric_limits<int>::max(), 1e30, 1e30));
    EXPECT_EQ(g.pixelBytes, -1);
}

TEST(ChartRender, CellsRingAndInsideWithInverseOutline) {
    BlockGuard guard;
    const uint32_t red = packrgb(200, 30, 10), grey = packrgb(128, 128, 128);
    // Yarn 2 (grey) at stitch (3, 4), yarn 3 (red) at (4, 4), white elsewhere.
    dib grid = makeGrid(46, 62, {kBlack, kWhite, grey, red}, [](int x, int y) {
        return y == 4 && x == 3 ? 2 : y == 4 && x == 4 ? 3 : 1;
    });
    {
        Rendered r(grid, inputs(23, 31, 20, 20));
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        ASSERT_EQ(dibbitcount(r.d()), 24);
        ASSERT_EQ(r.W(), 1040);
        ASSERT_EQ(dibheight(r.d()), 950);

        // Cell (3, 4): x 120..139, y 70..84.
        const int x0 = 60 + 3 * 20, y0 = 10 + 4 * 15;
        for (int y = y0; y < y0 + 15; ++y)
            for (int x = x0; x < x0 + 20; ++x) {
                bool ring = x == x0 || x == x0 + 19 || y == y0 || y == y0 + 14;
                ASSERT_EQ(px(r.d(), x, y), ring ? packrgb(127, 127, 127) : grey) << x << "," << y;
            }
        // Its right neighbour: the red cell's own ring lies beside the grey ring.
        EXPECT_EQ(px(r.d(), x0 + 20, y0 + 7), packrgb(55, 225, 245));
        EXPECT_EQ(px(r.d(), x0 + 21, y0 + 7), red);
        // A white stitch: black ring, white inside.
        EXPECT_EQ(px(r.d(), 60, 10), kBlack);
        EXPECT_EQ(px(r.d(), 61, 11), kWhite);
        EXPECT_EQ(px(r.d(), 79, 24), kBlack);
        // The margins around the cells are white.
        EXPECT_EQ(px(r.d(), 59, 11), kWhite);
        EXPECT_EQ(px(r.d(), 60, 9), kWhite);
        EXPECT_EQ(px(r.d(), 980, 500), kWhite);
        EXPECT_EQ(px(r.d(), 500, 940), kWhite);
        saveIfAsked(r.d(), "chart_1040x950");
    }
    freedib(grid);
}

TEST(ChartRender, RowNumbersOnOddRowsAndLinesOnEveryRow) {
    BlockGuard guard;
    dib grid = whiteGrid(46, 62);
    {
        Rendered r(grid, inputs(23, 31, 20, 20));
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        const int W = r.W();
        RowNumberRenderer numbers;
        for (int row = 0; row < 62; ++row) {
            const int y = r.rowTop(row), n = 62 - row;
            SCOPED_TRACE(n);
            // Lines: left x 0..48, right x W-50..W-2.
            for (int x = 0; x <= 48; ++x) ASSERT_EQ(px(r.d(), x, y), kBlack) << x;
            for (int x = W - 50; x <= W - 2; ++x) ASSERT_EQ(px(r.d(), x, y), kBlack) << x;
            EXPECT_EQ(px(r.d(), 49, y), kWhite);
            EXPECT_EQ(px(r.d(), W - 51, y), kWhite);
            EXPECT_EQ(px(r.d(), W - 1, y), kWhite);
            // Numbers, below the line that crosses their top pixel row.
            const bool odd = n % 2 == 1;
            EXPECT_EQ(anyBlack(r.d(), 0, 59, y + 1, y + 14), odd);
            EXPECT_EQ(anyBlack(r.d(), W - 60, W - 1, y + 1, y + 14), odd);
            if (!odd) continue;
            NumberMask m = numbers.render(n);
            ASSERT_GT(m.width, 0);
            for (int j = 1; j < m.height; ++j)
                for (int i = 0; i < m.width; ++i) {
                    uint32_t want = m.ink[std::size_t(j) * m.width + i] ? kBlack : kWhite;
                    ASSERT_EQ(px(r.d(), 10 + i, y + j), want);
                    ASSERT_EQ(px(r.d(), W - 40 + i, y + j), want);
                }
        }
        // No line below the last row.
        EXPECT_FALSE(anyBlack(r.d(), 0, 59, 940, 949));
        EXPECT_FALSE(anyBlack(r.d(), W - 60, W - 1, 940, 949));
    }
    freedib(grid);
}

TEST(ChartRender, RowNumbersAreHardEdgedEightPointText) {
    RowNumberRenderer numbers;
    EXPECT_TRUE(numbers.font().styleStrategy() & QFont::NoAntialias);
    EXPECT_EQ(numbers.font().pointSize(), 8);
    NumberMask one = numbers.render(1), five = numbers.render(99999);
    EXPECT_GT(one.width, 0);
    EXPECT_GT(five.width, 4 * one.width);
    EXPECT_LE(five.width, 50) << "the left number must stay inside the margin";
    EXPECT_EQ(one.height, five.height);
    EXPECT_LT(one.height, kCellMin) << "a number box must fit below its row line";
    EXPECT_GT(std::count(one.ink.begin(), one.ink.end(), 1), 3);
    // The reused image leaves nothing of a wider number behind.
    NumberMask again = numbers.render(1);
    EXPECT_EQ(again, one);
    // On one image whole, the number looks the same as drawn alone.
    RowNumberRenderer fresh;
    EXPECT_EQ(fresh.render(1), one);
}

TEST(ChartRender, ColumnsRepeatWhenTheGridIsHalfTheChartWide) {
    BlockGuard guard;
    // 23 x 31 grid, one colour per column and per row band, for a 46 x 62 chart.
    std::vector<uint32_t> yarns;
    for (int k = 0; k < 64; ++k) yarns.push_back(packrgb(uint8_t(k * 4), uint8_t(255 - k * 3), uint8_t(k * 2 + 1)));
    auto yarnAt = [](int x, int y) { return (x * 7 + y * 3) % 64; };
    dib grid = makeGrid(23, 31, yarns, yarnAt);
    {
        Rendered r(grid, inputs(23, 31, 20, 20));
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        for (int row = 0; row < 62; ++row)
            for (int c = 0; c < 46; ++c) {
                uint32_t want = yarns[std::size_t(yarnAt(c / 2, row / 2))];
                ASSERT_EQ(px(r.d(), 60 + c * 20 + 5, 10 + row * 15 + 5), want) << c << "," << row;
            }
    }
    freedib(grid);
}

TEST(ChartRender, ColoursStayWithinFillsInversesBlackAndWhite) {
    BlockGuard guard;
    std::vector<uint32_t> yarns;
    uint32_t seed = 12345;
    for (int k = 0; k < 64; ++k) {
        seed = seed * 1103515245u + 12345u;
        yarns.push_back((seed >> 4) & 0xFFFFFF);
    }
    dib grid = makeGrid(61, 47, yarns, [](int x, int y) { return (x * 13 + y * 29 + x * y) % 64; });
    {
        Rendered r(grid, inputs(25, 35, 24.4, 13.5));
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        std::set<uint32_t> allowed = {kBlack, kWhite};
        for (uint32_t c : yarns) {
            allowed.insert(c);
            allowed.insert(packrgb(255 - getr(c), 255 - getg(c), 255 - getb(c)));
        }
        std::set<uint32_t> seen = colours(r.d());
        EXPECT_LE(seen.size(), 64u + 64u + 2u);
        for (uint32_t c : seen) EXPECT_TRUE(allowed.count(c)) << std::hex << c;
        saveIfAsked(r.d(), "chart_colours");
    }
    freedib(grid);
}

TEST(ChartRender, NoStitchesOrNoRows) {
    BlockGuard guard;
    dib grid = whiteGrid(46, 38);
    {
        // 1 stitch per 10 cm over 5 cm: no columns, but rows with lines and numbers.
        Rendered r(grid, inputs(1, 31, 5, 12.5));
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        EXPECT_EQ(r.res.geometry.stitches, 0);
        ASSERT_EQ(r.W(), 120);
        const int ch = int(r.res.geometry.cellHeight), rows = int(r.res.geometry.rows);
        ASSERT_EQ(dibheight(r.d()), ch * rows + 20);
        for (int row = 0; row < rows; ++row) {
            const int y = r.rowTop(row);
            EXPECT_EQ(px(r.d(), 0, y), kBlack);
            EXPECT_EQ(px(r.d(), 118, y), kBlack);
            EXPECT_EQ(anyBlack(r.d(), 0, 59, y + 1, y + ch - 1), (rows - row) % 2 == 1);
        }
        EXPECT_EQ(colours(r.d()), (std::set<uint32_t>{kBlack, kWhite}));
    }
    {
        // 1 row per 10 cm over 5 cm: a white strip 20 pixels high.
        Rendered r(grid, inputs(23, 1, 20, 5));
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        EXPECT_EQ(r.res.geometry.rows, 0);
        EXPECT_EQ(dibheight(r.d()), 20);
        EXPECT_EQ(r.W(), int(r.res.geometry.cellWidth) * 46 + 120);
        EXPECT_EQ(colours(r.d()), std::set<uint32_t>{kWhite});
    }
    freedib(grid);
}

TEST(ChartRender, PaddingBytesStayZero) {
    BlockGuard guard;
    dib grid = whiteGrid(1, 1);
    {
        Rendered r(grid, inputs(10, 10, 1, 1));  // 135 pixels: 405 bytes in 408
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        ASSERT_EQ(r.d().bytew, 408);
        for (int y = 0; y < dibheight(r.d()); ++y)
            for (int b = 405; b < 408; ++b) ASSERT_EQ(r.d().poi[y * 408 + b], 0) << y;
    }
    freedib(grid);
}

TEST(ChartRender, GridsOfOtherDepths) {
    BlockGuard guard;
    // A 24-bit grid carries packed colours; a 32-bit one too (its colour
    // count wraps to 0 and must not be read as a palette index).
    for (int bits : {24, 32}) {
        dib grid{};
        newdib(&grid, 2, 2, bits, nullptr, 0);
        ASSERT_TRUE(grid.poi);
        setpixel(grid, 1, 0, packrgb(1, 2, 3));
        {
            Rendered r(grid, inputs(10, 10, 2, 2));
            ASSERT_EQ(r.res.status, ChartStatus::ok);
            EXPECT_EQ(px(r.d(), 60 + 15 + 7, 10 + 7), packrgb(1, 2, 3)) << bits;
            EXPECT_EQ(px(r.d(), 60 + 15, 10 + 7), packrgb(254, 253, 252)) << bits;
            EXPECT_EQ(px(r.d(), 60 + 7, 10 + 7), kBlack) << bits;
        }
        freedib(grid);
    }
    // An empty grid reads as index 0 of an all-black palette.
    dib none{};
    Rendered r(none, inputs(10, 10, 1, 1));
    ASSERT_EQ(r.res.status, ChartStatus::ok);
    EXPECT_EQ(px(r.d(), 67, 17), kBlack);
    EXPECT_EQ(px(r.d(), 60, 10), kWhite);
}

TEST(ChartRender, RefusesWhatMemoryCannotHold) {
    BlockGuard guard;
    dib grid = whiteGrid(46, 38);
    const std::size_t live = memblock::liveBlocks();

    // The largest inputs: 100000 x 100000 stitches.
    ChartResult res = renderChart(grid, inputs(1000, 1000, 1000, 1000));
    EXPECT_EQ(res.status, ChartStatus::tooLarge);
    EXPECT_EQ(res.chart.poi, nullptr);
    EXPECT_EQ(memblock::liveBlocks(), live);
    EXPECT_EQ(res.geometry.width, 1500120);
    EXPECT_EQ(res.geometry.height, 1500020);

    // The limit itself is an allowed size, one byte less is not.
    ChartInputs in = inputs(23, 31, 20, 12.5);
    const int64_t bytes = 1040 * 3 * 590;
    res = renderChart(grid, in, bytes - 1);
    EXPECT_EQ(res.status, ChartStatus::tooLarge);
    EXPECT_EQ(res.chart.poi, nullptr);
    res = renderChart(grid, in, bytes);
    EXPECT_EQ(res.status, ChartStatus::ok);
    freedib(res.chart);

    // Allowed, but the memory is not there.
    memblock::failAfter(0);
    res = renderChart(grid, in);
    memblock::failAfter(-1);
    EXPECT_EQ(res.status, ChartStatus::noMemory);
    EXPECT_EQ(res.chart.poi, nullptr);
    memblock::failAfter(1);  // info block yes, pixels no
    res = renderChart(grid, in);
    memblock::failAfter(-1);
    EXPECT_EQ(res.status, ChartStatus::noMemory);

    res = renderChart(grid, inputs(23, 0, 20, 20));
    EXPECT_EQ(res.status, ChartStatus::badInputs);
    EXPECT_EQ(memblock::liveBlocks(), live);

    // The limit never passes the raster library's record limit.
    EXPECT_GT(chartByteLimit(), 0);
    EXPECT_LE(chartByteLimit(), int64_t(std::numeric_limits<int32_t>::max()));
    freedib(grid);
}

TEST(ChartRender, RedrawingOverThePreviousChart) {
    BlockGuard guard;
    dib grid = makeGrid(46, 38, {packrgb(10, 200, 30), packrgb(250, 250, 0), packrgb(0, 0, 90)},
                        [](int x, int y) { return (x * 7 + y * 3 + x * y) % 3; });
    const ChartInputs in = inputs(23, 31, 20, 12.5);
    auto bytesOf = [](const ChartResult& r) {
        return std::vector<uint8_t>(r.chart.poi, r.chart.poi + r.geometry.pixelBytes);
    };
    // Same size: the old block, scribbled over, comes back as a fresh chart
    // would; the caller's record is emptied, no block is made or lost. With
    // every option on as without.
    ChartOptions all;
    all.outline = Outline::contrast;
    all.heavyLines = HeavyLines::fivesAndTens;
    all.columnNumbers = 5;
    all.rowNumbers = RowNumbering::everyRow;
    all.symbols = all.legend = true;
    ChartResult again;
    for (const ChartOptions& o : {all, ChartOptions{}}) {
        ChartResult fresh = renderChart(grid, in, chartByteLimit(), o);
        ASSERT_EQ(fresh.status, ChartStatus::ok);
        const std::vector<uint8_t> want = bytesOf(fresh);
        dib previous = fresh.chart;
        std::memset(previous.poi, 0x5A, want.size());
        const std::size_t live = memblock::liveBlocks();
        again = renderChart(grid, in, previous, chartByteLimit(), o);
        ASSERT_EQ(again.status, ChartStatus::ok);
        EXPECT_EQ(previous.poi, nullptr);
        EXPECT_EQ(again.chart.poi, fresh.chart.poi);
        EXPECT_EQ(memblock::liveBlocks(), live);
        EXPECT_EQ(bytesOf(again), want) << o.plain();
        freedib(previous);  // empty: releases nothing
        if (!o.plain()) freedib(again.chart);
    }
    dib previous{};

    // Another size, the grid itself, or a refusal: the caller keeps its record.
    previous = again.chart;
    for (ChartInputs other : {inputs(23, 31, 20, 20), inputs(23, 0, 20, 20)}) {
        ChartResult r = renderChart(grid, other, previous);
        EXPECT_EQ(previous.poi, again.chart.poi);
        EXPECT_NE(r.chart.poi, previous.poi);
        freedib(r.chart);
    }
    ChartResult overGrid = renderChart(grid, inputs(23, 31, 2.2, 1.0), grid);
    EXPECT_NE(grid.poi, nullptr);
    freedib(overGrid.chart);
    freedib(previous);
    freedib(grid);
}
