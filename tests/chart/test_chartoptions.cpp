#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>

#include "chart/chart_support.h"
#include "chart/chartoptions.h"
#include "chart/chartstyle.h"
#include "chart/render.h"
#include "pattern/yarnname.h"
#include "platform/controls.h"
#include "support/blockguard.h"

using namespace chart;
using namespace charttest;

namespace {

struct Rendered {
    ChartResult res;
    Rendered(const dib& grid, const ChartInputs& in, const ChartOptions& o = {})
        : res(renderChart(grid, in, chartByteLimit(), o)) {}
    ~Rendered() { freedib(res.chart); }
    const dib& d() const { return res.chart; }
    const ChartGeometry& g() const { return res.geometry; }
    int cellX(int64_t c) const { return int(kLeftMargin + c * res.geometry.cellWidth); }
    int cellY(int64_t r) const { return int(res.placement.cellsTop + r * res.geometry.cellHeight); }
};

bool samePixels(const dib& a, const dib& b) {
    return dibwidth(a) == dibwidth(b) && dibheight(a) == dibheight(b) && a.bytew == b.bytew &&
           std::memcmp(a.poi, b.poi, std::size_t(a.bytew) * std::size_t(dibheight(a))) == 0;
}

std::vector<uint32_t> randomYarns(std::mt19937& rng) {
    std::vector<uint32_t> yarns;
    for (int k = 0; k < 64; ++k) yarns.push_back(rng() & 0xFFFFFF);
    return yarns;
}

ChartOptions allOn() {
    ChartOptions o;
    o.outline = Outline::contrast;
    o.heavyLines = HeavyLines::fivesAndTens;
    o.columnNumbers = 5;
    o.rowNumbers = RowNumbering::everyRow;
    o.symbols = true;
    o.legend = true;
    o.yarnFactor = 2.5;
    return o;
}

}  // namespace

TEST(ChartOptionDefaults, PlainChartBitForBitOverRandomGridsAndGauges) {
    BlockGuard guard;
    std::mt19937 rng(77);
    ChartOptions factorOnly, legendOnly;
    factorOnly.yarnFactor = 3.7;  // shows only in the legend
    legendOnly.legend = true;
    for (int round = 0; round < 12; ++round) {
        const std::vector<uint32_t> yarns = randomYarns(rng);
        const int w = 1 + int(rng() % 50), h = 1 + int(rng() % 50);
        dib grid = makeGrid(w, h, yarns, [&](int x, int y) { return (x * 7 + y * 13 + round) % 64; });
        const ChartInputs in = inputs(5 + int(rng() % 40), 5 + int(rng() % 40), 2 + rng() % 150 / 10.0, 2 + rng() % 150 / 10.0);
        SCOPED_TRACE(round);
        Rendered plain(grid, in), defaults(grid, in, ChartOptions{}), factor(grid, in, factorOnly);
        ASSERT_EQ(plain.res.status, ChartStatus::ok);
        EXPECT_TRUE(samePixels(plain.d(), defaults.d()));
        EXPECT_TRUE(samePixels(plain.d(), factor.d()));
        // The options' renderer puts the same plain chart above its legend.
        Rendered legend(grid, in, legendOnly);
        ASSERT_EQ(legend.res.status, ChartStatus::ok);
        const std::size_t bytes = std::size_t(3 * dibwidth(plain.d()));
        for (int y = 0; y < dibheight(plain.d()); ++y)
            ASSERT_EQ(std::memcmp(plain.d().poi + int64_t(dibheight(plain.d()) - 1 - y) * plain.d().bytew,
                                  legend.d().poi + int64_t(dibheight(legend.d()) - 1 - y) * legend.d().bytew, bytes), 0)
                << y;
        freedib(grid);
    }
}

TEST(ChartOptionOutline, ContrastByLuminance) {
    BlockGuard guard;
    const struct {
        uint32_t fill, outline;
    } cases[] = {{packrgb(128, 128, 128), kBlack}, {packrgb(100, 100, 100), kWhite}, {kWhite, kBlack},
                 {kBlack, kWhite}, {packrgb(255, 255, 0), kBlack}, {packrgb(0, 0, 255), kWhite}};
    ChartOptions o;
    o.outline = Outline::contrast;
    for (const auto& c : cases) {
        EXPECT_EQ(contrastColour(c.fill), c.outline) << std::hex << c.fill;
        dib grid = makeGrid(1, 1, {c.fill}, [](int, int) { return 0; });
        {
            Rendered r(grid, inputs(10, 10, 1, 1), o);
            ASSERT_EQ(r.res.status, ChartStatus::ok);
            EXPECT_EQ(px(r.d(), 60, 10), c.outline);
            EXPECT_EQ(px(r.d(), 74, 24), c.outline);
            EXPECT_EQ(px(r.d(), 67, 17), c.fill);
        }
        freedib(grid);
    }
}

TEST(ChartOptionHeavyLines, OnTheTenthBoundariesFromBottomAndRight) {
    BlockGuard guard;
    // 23 x 17 black stitches of 15 x 15: their own outlines are white.
    dib grid = makeGrid(23, 17, {kBlack}, [](int, int) { return 0; });
    for (HeavyLines mode : {HeavyLines::tens, HeavyLines::fivesAndTens}) {
        ChartOptions o;
        o.heavyLines = mode;
        Rendered r(grid, inputs(10, 10, 23, 17), o);
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        // A boundary's colour along its two pixels: solid, dashed or none.
        auto column = [&](int n) {  // boundary right of stitch n + 1 from the right
            const int x = r.cellX(23 - n);
            std::string s;
            for (int y = r.cellY(0); y < r.cellY(0) + 4; ++y)
                s += px(r.d(), x - 1, y) == kBlack && px(r.d(), x, y) == kBlack ? '#' : '.';
            return s;
        };
        auto row = [&](int n) {
            const int y = r.cellY(17 - n);
            std::string s;
            for (int x = r.cellX(0); x < r.cellX(0) + 4; ++x)
                s += px(r.d(), x, y - 1) == kBlack && px(r.d(), x, y) == kBlack ? '#' : '.';
            return s;
        };
        const std::string five = mode == HeavyLines::fivesAndTens ? "##.." : "....";
        for (int n = 1; n < 23; ++n) EXPECT_EQ(column(n), n % 10 == 0 ? "####" : n % 5 == 0 ? five : "....") << n;
        for (int n = 1; n < 17; ++n) EXPECT_EQ(row(n), n % 10 == 0 ? "####" : n % 5 == 0 ? five : "....") << n;
    }
    freedib(grid);
}

TEST(ChartOptionColumnNumbers, OverAndUnderTheirColumnsFromTheRight) {
    BlockGuard guard;
    dib grid = whiteGrid(46, 12);
    RowNumberRenderer numbers;
    for (int step : {5, 10}) {
        ChartOptions o;
        o.columnNumbers = step;
        Rendered r(grid, inputs(23, 31, 20, 4), o);  // 46 x 12 stitches of 20 x 15
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        const NumberMask one = numbers.render(1);
        EXPECT_EQ(r.res.placement.cellsTop, kTopMargin + one.height);
        EXPECT_EQ(dibheight(r.d()), 12 * 15 + 20 + 2 * one.height);
        const int top = r.cellY(0), bottom = r.cellY(12);
        for (int n = 1; n <= 46; ++n) {
            const int c = 46 - n;
            if (n % step) {
                // Nothing over the middle of a column without a number.
                EXPECT_FALSE(anyBlack(r.d(), r.cellX(c) + 8, r.cellX(c) + 11, 0, top - 1)) << step << " " << n;
                EXPECT_FALSE(anyBlack(r.d(), r.cellX(c) + 8, r.cellX(c) + 11, bottom, dibheight(r.d()) - 1));
                continue;
            }
            const NumberMask m = numbers.render(n);
            const int x0 = r.cellX(c) + (20 - m.width) / 2;
            for (int j = 0; j < m.height; ++j)
                for (int i = 0; i < m.width; ++i) {
                    const uint32_t want = m.ink[std::size_t(j) * m.width + i] ? kBlack : kWhite;
                    ASSERT_EQ(px(r.d(), x0 + i, top - 2 - m.height + j), want) << n;
                    ASSERT_EQ(px(r.d(), x0 + i, bottom + 2 + j), want) << n;
                }
        }
    }
    freedib(grid);
}

TEST(ChartOptionRowNumbering, EachModesRows) {
    BlockGuard guard;
    dib grid = whiteGrid(46, 12);
    const struct {
        RowNumbering mode;
        bool leftOdd, leftEven, rightOdd, rightEven;
    } cases[] = {{RowNumbering::oddBothSides, true, false, true, false},
                 {RowNumbering::flat, false, true, true, false},
                 {RowNumbering::everyRow, true, true, true, true}};
    for (const auto& c : cases) {
        ChartOptions o;
        o.rowNumbers = c.mode;
        o.heavyLines = HeavyLines::tens;  // through the options' renderer even for the plain numbering
        Rendered r(grid, inputs(23, 31, 20, 4), o);
        ASSERT_EQ(r.res.status, ChartStatus::ok);
        const int W = int(r.res.placement.chartWidth);
        for (int row = 0; row < 12; ++row) {
            const int n = 12 - row, y = r.cellY(row);
            const bool odd = n % 2 == 1;
            EXPECT_EQ(px(r.d(), 0, y), kBlack);  // every row keeps its lines
            EXPECT_EQ(px(r.d(), W - 2, y), kBlack);
            EXPECT_EQ(anyBlack(r.d(), 0, 59, y + 1, y + 14), odd ? c.leftOdd : c.leftEven) << int(c.mode) << " " << n;
            EXPECT_EQ(anyBlack(r.d(), W - 60, W - 1, y + 1, y + 14), odd ? c.rightOdd : c.rightEven)
                << int(c.mode) << " " << n;
        }
    }
    freedib(grid);
}

TEST(ChartOptionSymbols, SixtyFourDistinctAndKeptPerYarn) {
    BlockGuard guard;
    for (int k = 0; k < kSymbolCount; ++k)
        for (int y = 0; y < kSymbolSize; ++y) {
            // One pixel off the outline all round.
            const uint16_t rowBits = symbolBitmap(k)[std::size_t(y)];
            EXPECT_EQ(rowBits & 0x1001u, 0u) << k;
            if (y == 0 || y == kSymbolSize - 1) { EXPECT_EQ(rowBits, 0u) << k; }
        }
    std::mt19937 rng(5);
    const std::vector<uint32_t> yarns = randomYarns(rng);
    ChartOptions o;
    o.symbols = true;
    // 15 x 15 and 15 x 20 cells; yarns in the order 0..63 and backwards.
    for (const ChartInputs& in : {inputs(10, 10, 64, 1), inputs(40, 30, 16, 0.4)}) {
        std::map<int, std::vector<bool>> seen;
        for (bool backwards : {false, true}) {
            auto yarnAt = [backwards](int x, int) { return backwards ? 63 - x : x; };
            dib grid = makeGrid(64, 1, yarns, yarnAt);
            Rendered r(grid, in, o);
            ASSERT_EQ(r.res.status, ChartStatus::ok);
            ASSERT_EQ(r.g().stitches, 64);
            const int cw = int(r.g().cellWidth), ch = int(r.g().cellHeight);
            for (int c = 0; c < 64; ++c) {
                const int yarn = yarnAt(c, 0);
                std::vector<bool> ink;
                for (int y = 1; y < ch - 1; ++y)
                    for (int x = 1; x < cw - 1; ++x) {
                        const uint32_t p = px(r.d(), r.cellX(c) + x, r.cellY(0) + y);
                        ASSERT_TRUE(p == yarns[std::size_t(yarn)] || p == contrastColour(yarns[std::size_t(yarn)]));
                        ink.push_back(p != yarns[std::size_t(yarn)]);
                    }
                if (seen.count(yarn)) { EXPECT_EQ(seen[yarn], ink) << "yarn " << yarn << " changed its symbol"; }
                seen[yarn] = ink;
            }
            freedib(grid);
        }
        for (int a = 0; a < 64; ++a)
            for (int b = a + 1; b < 64; ++b) {
                int differ = 0;
                for (std::size_t i = 0; i < seen[a].size(); ++i) differ += seen[a][i] != seen[b][i];
                EXPECT_GE(differ, 4) << a << " and " << b << " at " << in.maschen << "/" << in.reihen;
            }
    }
}

TEST(ChartLegend, CountsEstimateAndPicture) {
    BlockGuard guard;
    std::mt19937 rng(9);
    const std::vector<uint32_t> yarns = randomYarns(rng);
    // Indices 5 and 200 belong to no yarn: they count as yarn 0.
    const int indices[] = {10, 11, 12, 30, 73, 5, 200};
    dib grid = makeGrid(46, 38, yarns, [](int, int) { return 0; });
    std::map<int, int64_t> want;
    for (int y = 0; y < 38; ++y)
        for (int x = 0; x < 46; ++x) {
            const int i = indices[rng() % 7];
            setpixel(grid, x, y, uint32_t(i));
            want[i >= 10 && i < 74 ? i - 10 : 0] += 1;
        }
    const ChartInputs in = inputs(23, 31, 20, 12.5);
    ChartGeometry g;
    ASSERT_TRUE(chartGeometry(in, g));
    const std::vector<YarnUse> use = yarnUse(grid, g);
    std::map<int, int64_t> got;
    for (const YarnUse& u : use) {
        got[u.yarn] = u.stitches;
        EXPECT_EQ(u.colour, yarns[std::size_t(u.yarn)]);
    }
    EXPECT_EQ(got, want);

    // The stated formula: k x (10 cm / stitches + 10 cm / rows) per stitch.
    const struct {
        int m, r;
        double k;
        int64_t n;
        double metres;
    } estimates[] = {{23, 31, 2.0, 1000, 1000 * 2.0 * (10.0 / 23 + 10.0 / 31) / 100},
                     {10, 10, 1.0, 50, 1.0},
                     {40, 20, 3.0, 800, 800 * 3.0 * 0.75 / 100}};
    for (const auto& e : estimates) EXPECT_NEAR(yarnMetres(e.n, inputs(e.m, e.r, 1, 1), e.k), e.metres, 1e-9);
    const LegendText t = legendText(use, in, g, 2.5);
    ASSERT_EQ(t.entries.size(), want.size());
    const QLocale de = platform::uiLocale();
    for (const LegendEntry& e : t.entries) {
        EXPECT_EQ(e.number, pattern::yarnName(e.yarn));
        EXPECT_EQ(e.stitches, de.toString(qlonglong(want[e.yarn])) + QStringLiteral(" Maschen"));
        EXPECT_EQ(e.metres, QStringLiteral("ca. ") + de.toString(want[e.yarn] * 2.5 * (10.0 / 23 + 10.0 / 31) / 100, 'f', 1) +
                                QStringLiteral(" m"));
    }
    EXPECT_TRUE(t.smallPrint[1].contains(QStringLiteral("2,50 × (10 cm / 23 + 10 cm / 31)")));

    // Drawn below the chart, with every option on; hard-edged text keeps
    // the colours to fills, outlines, black and white.
    Rendered r(grid, in, allOn());
    ASSERT_EQ(r.res.status, ChartStatus::ok);
    EXPECT_GT(r.res.placement.legendTop, r.cellY(38));
    EXPECT_TRUE(anyBlack(r.d(), 0, dibwidth(r.d()) - 1, int(r.res.placement.legendTop), dibheight(r.d()) - 1));
    std::set<uint32_t> allowed = {kBlack, kWhite};
    for (uint32_t c : yarns) allowed.insert(c);
    for (uint32_t c : colours(r.d())) EXPECT_TRUE(allowed.count(c)) << std::hex << c;
    if (const char* dir = std::getenv("TRICOMA_CHART_PNG")) toImage(r.d()).save(QString::fromUtf8(dir) + "/chart_options.png");
    freedib(grid);
}

TEST(ChartLegend, WiderThanANarrowChart) {
    BlockGuard guard;
    dib grid = whiteGrid(3, 4);
    ChartOptions o;
    o.legend = true;
    Rendered r(grid, inputs(10, 10, 3, 4), o);
    ASSERT_EQ(r.res.status, ChartStatus::ok);
    const int W = int(r.res.placement.chartWidth);
    ASSERT_EQ(W, 3 * 15 + 120);
    ASSERT_GT(dibwidth(r.d()), W);
    // The row margins stay at the chart; right of it all is white.
    EXPECT_EQ(px(r.d(), W - 2, r.cellY(0)), kBlack);
    EXPECT_FALSE(anyBlack(r.d(), W, dibwidth(r.d()) - 1, 0, int(r.res.placement.legendTop) - 1));
    const int pad = r.d().bytew - 3 * dibwidth(r.d());
    for (int y = 0; y < dibheight(r.d()); ++y)
        for (int b = 0; b < pad; ++b) ASSERT_EQ(r.d().poi[y * r.d().bytew + 3 * dibwidth(r.d()) + b], 0);
    freedib(grid);
}

TEST(ChartOptionSettings, RoundTripAndNonsenseFallsBack) {
    QTemporaryDir dir;
    QSettings s(dir.filePath("o.ini"), QSettings::IniFormat);
    EXPECT_EQ(readChartOptions(s), ChartOptions{});
    writeChartOptions(s, allOn());
    EXPECT_EQ(readChartOptions(s), allOn());
    for (const char* key : {"Outline", "HeavyLines", "ColumnNumbers", "RowNumbers", "YarnFactor"})
        s.setValue(QStringLiteral("ChartOptions/") + key, QStringLiteral("7x"));
    s.setValue(QStringLiteral("ChartOptions/ColumnNumbers"), QStringLiteral("7"));
    s.setValue(QStringLiteral("ChartOptions/YarnFactor"), QStringLiteral("1e9"));
    ChartOptions want = allOn();
    want.outline = Outline::inverse;
    want.heavyLines = HeavyLines::none;
    want.columnNumbers = 0;
    want.rowNumbers = RowNumbering::oddBothSides;
    want.yarnFactor = pattern::kYarnFactorMax;
    EXPECT_EQ(readChartOptions(s), want);
}
