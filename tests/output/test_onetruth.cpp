// The chart picture and the pages drawn from one chart style: both
// renderers over the same grids, their decisions read back from what they
// drew and compared (outline, symbols, line weights, legend text), and the
// pages spread evenly.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <climits>
#include <vector>

#include "chart/chartstyle.h"
#include "chart/render.h"
#include "output/pages.h"
#include "support/gridsupport.h"
#include "support/pagesupport.h"

using namespace output;

namespace {

constexpr int kSide = 8;  // no boundary at 5 or 10 inside: nothing heavy
constexpr double kDots = 20;  // page pixels per mm

std::vector<uint32_t> gYarns;
int cellIndex(int x, int y) { return y * kSide + x; }
int blockIndex(int x, int y) { return y / 2 * kSide / 2 + x / 2; }  // 2 x 2 stitches of each

chart::ChartInputs inputsFor(int stitches, int rows) {
    chart::ChartInputs in;
    in.breite = (stitches + 0.5) * 10 / in.maschen;
    in.hoch = (rows + 0.5) * 10 / in.reihen;
    return in;
}

uint32_t rgbOf(QRgb c) { return packrgb(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))); }

// The chart picture and page 2 (the first chart page) of the same grid and
// options.
struct Both {
    chart::ChartResult chart;
    chart::ChartGeometry g;
    QImage page;
    PagePlan plan;
    ChartPart part;
    QRectF cells;  // page pixels
    ~Both() { freedib(chart.chart); }

    Both(const dib& grid, const chart::ChartOptions& o) {
        const chart::ChartInputs in = inputsFor(dibwidth(grid), dibheight(grid));
        chart = chart::renderChart(grid, in, chart::chartByteLimit(), o);
        g = chart.geometry;
        PageDocument doc(grid, in.maschen, in.reihen, kDefaultCellMm, 0, pageStyleOf(o));
        doc.setPageSize(190, 277);
        page = QImage(int(190 * kDots), int(277 * kDots), QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter p(&page);
            doc.paintPage(p, 2, kDots);
        }
        plan = doc.plan();
        part = plan.part(0);
        const QRectF mm = plan.cellsRect(part);
        cells = QRectF(mm.x() * kDots, mm.y() * kDots, mm.width() * kDots, mm.height() * kDots);
    }
    uint32_t chartAt(int64_t x, int64_t y) const { return getpixel(chart.chart, int(x), int(y)); }
    uint32_t pageAt(double x, double y) const { return rgbOf(page.pixel(int(x), int(y))); }
    // Cell (c, r) of both, r from the top; the chart's in pixels, the page's
    // in page pixels.
    QRectF chartCell(int c, int r) const {
        return QRectF(double(chart::kLeftMargin + c * g.cellWidth), double(chart.placement.cellsTop + r * g.cellHeight),
                      double(g.cellWidth), double(g.cellHeight));
    }
    QRectF pageCell(int c, int r) const {
        const double w = cells.width() / (part.endColumn - part.firstColumn);
        const double h = cells.height() / (part.endRow - part.firstRow);
        return QRectF(cells.left() + c * w, cells.top() + r * h, w, h);
    }
};

}  // namespace

TEST(OneTruthStyle, ChartAndPageGiveEveryGreyTheSameOutline) {
    // Every stitch its own grey, and greys in patches: the pages join cells
    // differently for each.
    for (auto [yarnAt, perGrid] : {std::pair{&cellIndex, 64}, std::pair{&blockIndex, 16}})
    for (chart::Outline kind : {chart::Outline::inverse, chart::Outline::contrast}) {
        chart::ChartOptions o;
        o.outline = kind;
        for (int batch = 0; batch < 256 / perGrid; ++batch) {
            gYarns.clear();
            for (int k = 0; k < perGrid; ++k) {
                const uint8_t v = uint8_t(batch * perGrid + k);
                gYarns.push_back(packrgb(v, v, v));
            }
            dib grid = gridsupport::stitchGrid(kSide, kSide, gYarns, yarnAt);
            const Both b(grid, o);
            ASSERT_EQ(b.chart.status, chart::ChartStatus::ok);
            for (int r = 0; r < kSide; ++r)
                for (int c = 0; c < kSide; ++c) {
                    const uint32_t grey = gYarns[size_t(yarnAt(c, r))];
                    const QRectF cc = b.chartCell(c, r), pc = b.pageCell(c, r);
                    const uint32_t inChart = b.chartAt(int64_t(cc.left() + cc.width() / 2), int64_t(cc.top()));
                    // The page's ring, off the page's frame line.
                    const double y = r == 0 ? pc.bottom() - 2 : pc.top() + 1;
                    const uint32_t onPage = b.pageAt(pc.center().x(), y);
                    ASSERT_EQ(inChart, onPage) << "grey " << int(getr(grey)) << " outline " << int(kind) << " cell " << c << "," << r;
                    ASSERT_EQ(inChart, chart::outlineColour(grey, kind));
                    ASSERT_EQ(b.pageAt(pc.center().x(), pc.center().y()), grey);
                }
            freedib(grid);
        }
    }
}

TEST(OneTruthStyle, ChartAndPageDrawTheSameSymbolInTheSameInk) {
    gYarns.clear();
    for (int k = 0; k < 64; ++k) gYarns.push_back(k % 2 ? packrgb(240, 230, 200) : packrgb(uint8_t(k * 3), 40, 90));
    dib grid = gridsupport::stitchGrid(kSide, kSide, gYarns, cellIndex);
    chart::ChartOptions o;
    o.symbols = true;
    const Both b(grid, o);
    ASSERT_EQ(b.chart.status, chart::ChartStatus::ok);
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) {
            const int yarn = cellIndex(c, r);
            const uint32_t fill = gYarns[size_t(yarn)], ink = chart::inkOn(fill);
            const QRectF cc = b.chartCell(c, r), pc = b.pageCell(c, r);
            const chart::SymbolPlace inChart = chart::symbolPlace(cc.width(), cc.height(), 1, true);
            const double mmW = pc.width() / kDots, mmH = pc.height() / kDots;
            const chart::SymbolPlace onPage = chart::symbolPlace(mmW, mmH, kCellRingMm, false);
            for (int y = 0; y < chart::kSymbolSize; ++y)
                for (int x = 0; x < chart::kSymbolSize; ++x) {
                    const uint32_t a = b.chartAt(int64_t(cc.left() + inChart.x + (x + 0.5) * inChart.dot),
                                                 int64_t(cc.top() + inChart.y + (y + 0.5) * inChart.dot));
                    const uint32_t p = b.pageAt(pc.left() + (onPage.x + (x + 0.5) * onPage.dot) * kDots,
                                                pc.top() + (onPage.y + (y + 0.5) * onPage.dot) * kDots);
                    ASSERT_EQ(a, p) << "yarn " << yarn << " dot " << x << "," << y;
                    const bool set = chart::symbolBitmap(yarn)[size_t(y)] >> x & 1u;
                    ASSERT_EQ(a, set ? ink : fill) << "yarn " << yarn << " dot " << x << "," << y;
                }
        }
    freedib(grid);
}

TEST(OneTruthStyle, ChartAndPageMarkTheSameBoundariesAsHeavyOrDashed) {
    constexpr int kN = 23;  // boundaries after 5, 10, 15 and 20
    const uint32_t red = packrgb(200, 30, 40);
    gYarns = {red};
    dib grid = gridsupport::stitchGrid(kN, kN, gYarns, [](int, int) { return 0; });
    for (chart::HeavyLines mode : {chart::HeavyLines::tens, chart::HeavyLines::fivesAndTens}) {
        chart::ChartOptions o;
        o.heavyLines = mode;
        const Both b(grid, o);
        ASSERT_EQ(b.chart.status, chart::ChartStatus::ok);
        // Black along a boundary, sampled in the middle half of every cell
        // it passes (clear of the lines that cross it): all of it heavy,
        // some dashed, none unmarked.
        auto kind = [](int black, int all) {
            return black == all ? chart::LineWeight::heavy : black > 0 ? chart::LineWeight::dashed : chart::LineWeight::none;
        };
        auto inChart = [&](bool across, int n) {
            int black = 0, all = 0;
            for (int k = 0; k < kN; ++k) {
                const QRectF at = across ? b.chartCell(kN - n, k) : b.chartCell(k, kN - n);
                const double from = across ? at.top() : at.left(), size = across ? at.height() : at.width();
                for (int64_t t = int64_t(from + size / 4); t < int64_t(from + 3 * size / 4); ++t, ++all) {
                    const int64_t x = across ? int64_t(at.left()) : t, y = across ? t : int64_t(at.top());
                    black += b.chartAt(x, y) == 0 && b.chartAt(across ? x - 1 : x, across ? y : y - 1) == 0;
                }
            }
            return kind(black, all);
        };
        auto onPage = [&](bool across, int n) {
            int black = 0, all = 0;
            for (int k = 0; k < kN; ++k) {
                const QRectF at = across ? b.pageCell(kN - n, k) : b.pageCell(k, kN - n);
                const double from = across ? at.top() : at.left(), size = across ? at.height() : at.width();
                for (double t = from + size / 4; t < from + 3 * size / 4; t += 1, ++all)
                    black += (across ? b.pageAt(at.left(), t) : b.pageAt(t, at.top())) == 0;
            }
            return kind(black, all);
        };
        double heavyWidth = 0, dashedWidth = 0;
        for (int n = 1; n < kN; ++n) {
            const chart::LineWeight w = chart::lineAfter(n, kN, mode);
            for (bool across : {true, false}) {
                EXPECT_EQ(inChart(across, n), w) << "chart, after " << (across ? "stitch " : "row ") << n;
                EXPECT_EQ(onPage(across, n), w) << "page, after " << (across ? "stitch " : "row ") << n;
            }
            if (w == chart::LineWeight::none) continue;
            // The page line's thickness, across it where a dash is drawn.
            const QRectF pc = b.pageCell(kN - n, 0);
            double y = pc.top() + pc.height() / 4;
            while (y < pc.bottom() && b.pageAt(pc.left(), y) != 0) y += 1;
            int thick = 0;
            for (double x = pc.left() - 20; x < pc.left() + 20; x += 1) thick += b.pageAt(x, y) == 0;
            (w == chart::LineWeight::heavy ? heavyWidth : dashedWidth) = thick;
        }
        EXPECT_NEAR(heavyWidth, chart::kHeavyLineMm * kDots, 1.5);
        if (mode == chart::HeavyLines::fivesAndTens) {
            EXPECT_NEAR(dashedWidth, chart::kDashedLineMm * kDots, 1.5);
        }
    }
    freedib(grid);
}

TEST(OneTruthPdf, LegendHasEachYarnsNumberStitchesAndMetresAsTheChartLegend) {
    if (!pagesupport::havePoppler()) GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are needed";
    dib grid = pagesupport::stitchGrid(88, 150);
    setpixel(grid, 3, 3, 10 + 5);  // counts that differ from yarn to yarn
    setpixel(grid, 4, 3, 10 + 5);
    chart::ChartOptions o;
    o.symbols = true;
    o.legend = true;
    // The chart's own legend, as the chart picture counts and words it.
    const chart::ChartInputs in = inputsFor(88, 150);
    chart::ChartGeometry g;
    ASSERT_TRUE(chart::chartGeometry(in, g));
    const chart::LegendText legend = chart::legendText(chart::yarnUse(grid, g), in, g, o.yarnFactor);
    ASSERT_EQ(legend.entries.size(), 6u);

    PageDocument doc(grid, in.maschen, in.reihen, kDefaultCellMm, kDefaultOverlap, pageStyleOf(o));
    QTemporaryDir dir;
    const char* shots = std::getenv("TRICOMA_SCREENSHOT_DIR");
    const QString pdf = shots ? QString::fromLocal8Bit(shots) + "/pages-symbols.pdf" : dir.filePath("muster.pdf");
    ASSERT_EQ(exportPdf(pdf, doc, localePageLayout()), PdfStatus::ok);
    const QString text = pagesupport::pageText(pdf, int(doc.pageCount()));
    EXPECT_TRUE(text.contains(legend.title)) << text.toStdString();
    for (const chart::LegendEntry& e : legend.entries) {
        const QString line = e.number + " " + e.colourText + " " + e.stitches + " " + e.metres;
        EXPECT_TRUE(text.contains(line)) << line.toStdString() << " in " << text.toStdString();
    }
    EXPECT_TRUE(text.contains(legend.total)) << text.toStdString();
    freedib(grid);
}

TEST(OneTruthPages, TheFrontIsSpreadEvenlyOverItsPages) {
    struct Case {
        const char* what;
        double cellMm;
        int overlap;
    } cases[] = {{"defaults", kDefaultCellMm, kDefaultOverlap},
                 {"the real stitch", originalCellMm(23), kDefaultOverlap},
                 {"3 mm, no overlap", 3.0, 0},
                 {"7.5 mm", 7.5, kMaxOverlap}};
    for (const Case& c : cases) {
        PageRequest r;
        r.pageWidthMm = 190;
        r.pageHeightMm = 277;
        r.cellWidthMm = c.cellMm;
        r.stitches = 88;
        r.rows = 150;
        r.overlap = c.overlap;
        const PagePlan p = planPages(r);
        ASSERT_TRUE(p.ok) << c.what;
        std::vector<int> seen(88 * 150, 0);
        for (int64_t i = 0; i < p.chartPages(); ++i) {
            const ChartPart part = p.part(i);
            EXPECT_GE(3 * (part.endRow - part.firstRow), p.cellsDown) << c.what << " page " << i + 2;
            EXPECT_GE(3 * (part.endColumn - part.firstColumn), p.cellsAcross) << c.what << " page " << i + 2;
            EXPECT_LE(part.endRow - part.firstRow, p.cellsDown) << c.what;
            EXPECT_LE(part.endColumn - part.firstColumn, p.cellsAcross) << c.what;
            for (int y = part.firstRow; y < part.endRow; ++y)
                for (int x = part.firstColumn; x < part.endColumn; ++x) ++seen[size_t(y * 88 + x)];
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 0), 0) << c.what;
    }
    // Absurd requests count their pages in 64 bits.
    PageRequest huge;
    huge.pageWidthMm = 190;
    huge.pageHeightMm = 277;
    huge.cellWidthMm = kMinCellMm;
    huge.stitches = huge.rows = INT_MAX;
    const PagePlan p = planPages(huge);
    ASSERT_TRUE(p.ok);
    EXPECT_GT(p.chartPages(), int64_t(INT_MAX));
    EXPECT_EQ(p.chartPages(), int64_t(p.pagesAcross) * p.pagesDown);
    const ChartPart last = p.part(p.chartPages() - 1);
    EXPECT_EQ(last.endColumn, INT_MAX);
    EXPECT_EQ(last.endRow, INT_MAX);
}
