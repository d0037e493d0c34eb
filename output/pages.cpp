#include "output/pages.h"
#include "output/writtenpages.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPdfWriter>
#include <QBuffer>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "output/print.h"
#include "pattern/limits.h"
#include "pattern/quantize.h"
#include "raster/PixKit3.h"
#include "platform/controls.h"
#include "platform/printer.h"
#include "platform/safefile.h"
#include "platform/settings.h"

namespace output {

namespace {

// A hair's breadth: mm products like 36 * 5.0 must not lose a cell.
constexpr double kEps = 1e-9;
constexpr double kLabelFontMm = 3.0;
constexpr double kMaxNumberFontMm = 3.0;
constexpr double kFrameLineMm = 0.25;
// The overview's picture: at most this many pixels to the mm of the page,
// however fine the device.
constexpr double kOverviewDotsPerMm = 300 / 25.4;
constexpr int kPdfResolution = 1200;
constexpr double kPdfMarginMm = 10.0;

const QChar kDot(0x00B7);
const QChar kDash(0x2013);

int fits(double room, double size) { return size > 0 ? int(std::floor(room / size + kEps)) : 0; }

// Pages of `per` cells, each after the first repeating `overlap` of the
// previous one, that cover `total` cells.
int pagesFor(int total, int per, int overlap) {
    if (total <= per) return 1;
    const int step = per - overlap;
    return 1 + (total - per + step - 1) / step;
}

// Page k of n along one side: where it starts and how many cells it holds,
// the cells (and the repeated ones) spread evenly over the n pages.
struct Span {
    int start = 0, size = 0;
};
Span spanOf(int k, int n, int total, int overlap) {
    if (n <= 1) return {0, total};
    const int64_t shown = int64_t(total) + int64_t(n - 1) * overlap;  // cells drawn over all pages
    const int base = int(shown / n), extra = int(shown % n);
    return {int(int64_t(k) * base + std::min(k, extra) - int64_t(k) * overlap), base + (k < extra ? 1 : 0)};
}

QColor colourOf(uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }

QFont textFont(double heightMm, double s) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(1, int(std::lround(heightMm * s))));
    return f;
}

// Row y of a grid counted from the top; rows are stored bottom-up.
const uint8_t* gridRow(const dib& d, int y) { return d.poi + int64_t(dibheight(d) - 1 - y) * d.bytew; }

QString range(int a, int b) { return QStringLiteral("%1%2%3").arg(std::min(a, b)).arg(kDash).arg(std::max(a, b)); }

}  // namespace

double originalCellMm(int stitchesPer10cm) { return stitchesPer10cm > 0 ? 100.0 / stitchesPer10cm : 0.0; }

double cellHeightMm(double cellWidthMm, int stitchesPer10cm, int rowsPer10cm) {
    return rowsPer10cm > 0 ? cellWidthMm * stitchesPer10cm / rowsPer10cm : 0.0;
}

// ---------------------------------------------------------------- layout

PageStyle pageStyleOf(const chart::ChartOptions& o) {
    PageStyle s;
    s.chart = chart::pageOptions(o);
    s.columnsFromRight = true;
    return s;
}

PagePlan planPages(const PageRequest& request, const PageStyle& style) {
    PagePlan p;
    p.stitches = request.stitches;
    p.rows = request.rows;
    p.columnsFromRight = style.columnsFromRight;
    p.cellWidthMm = request.cellWidthMm;
    p.cellHeightMm = cellHeightMm(request.cellWidthMm, request.stitchesPer10cm, request.rowsPer10cm);
    if (request.stitches <= 0 || request.rows <= 0 || request.stitchesPer10cm <= 0 || !(p.cellWidthMm > 0) ||
        !(p.cellHeightMm > 0))
        return p;
    const double roomW = request.pageWidthMm - 2 * (kPageMarginMm + kRowNumberBandMm);
    const double roomH = request.pageHeightMm - 2 * (kPageMarginMm + kColumnNumberBandMm) - kLabelBandMm;
    p.cellsAcross = std::min(fits(roomW, p.cellWidthMm), request.stitches);
    p.cellsDown = std::min(fits(roomH, p.cellHeightMm), request.rows);
    if (p.cellsAcross < 1 || p.cellsDown < 1) return p;
    const int overlap = std::clamp(request.overlap, 0, kMaxOverlap);
    p.overlapColumns = std::min(overlap, p.cellsAcross - 1);
    p.overlapRows = std::min(overlap, p.cellsDown - 1);
    p.pagesAcross = pagesFor(request.stitches, p.cellsAcross, p.overlapColumns);
    p.pagesDown = pagesFor(request.rows, p.cellsDown, p.overlapRows);
    p.ok = true;

    if (request.legendLines > 0) {
        const QRectF room = p.legendRect(request.pageWidthMm, request.pageHeightMm);
        // Lines may shrink to kLegendMinLineMm to stay on the last chart page.
        const int perColumn = fits(room.height(), kLegendMinLineMm);
        const int columns = std::max(1, fits(room.width(), kLegendColumnMm));
        p.legendOwnPage = int64_t(perColumn) * columns < request.legendLines + 1;  // + the heading
    }
    return p;
}

ChartPart PagePlan::part(int64_t i) const {
    ChartPart c;
    if (!ok || i < 0 || i >= chartPages()) return c;
    const int band = int(i / pagesAcross);
    const int k = int(i % pagesAcross);
    const Span across = spanOf(k, pagesAcross, stitches, overlapColumns);
    const Span down = spanOf(band, pagesDown, rows, overlapRows);
    const int start = across.start, end = across.start + across.size;
    c.firstColumn = columnsFromRight ? stitches - end : start;
    c.endColumn = columnsFromRight ? stitches - start : end;
    c.repeatedColumns = k > 0 ? overlapColumns : 0;
    c.firstRow = down.start;
    c.endRow = down.start + down.size;
    c.repeatedRows = band > 0 ? overlapRows : 0;
    return c;
}

QRectF PagePlan::cellsRect(const ChartPart& part) const {
    return QRectF(kPageMarginMm + kRowNumberBandMm, kPageMarginMm + kColumnNumberBandMm,
                  (part.endColumn - part.firstColumn) * cellWidthMm, (part.endRow - part.firstRow) * cellHeightMm);
}

QRectF PagePlan::legendRect(double pageWidthMm, double pageHeightMm) const {
    double top = kPageMarginMm;
    if (!legendOwnPage && chartPages() > 0) top = cellsRect(part(chartPages() - 1)).bottom() + kColumnNumberBandMm + 2;
    const double bottom = pageHeightMm - kPageMarginMm - kLabelBandMm;
    return QRectF(kPageMarginMm, top, pageWidthMm - 2 * kPageMarginMm, std::max(0.0, bottom - top));
}

int stitchNumber(const PagePlan& plan, int column) {
    return plan.columnsFromRight ? plan.stitches - column : column + 1;
}

QString pageLabel(const PagePlan& plan, int64_t page) {
    const int64_t n = plan.pageCount();
    QString t = QStringLiteral("Seite %1 von %2 %3 ").arg(page).arg(n).arg(kDot);
    if (page == 1) {
        return t + QStringLiteral("Übersicht %1 Maschen %2 %1 Reihen %3")
                       .arg(kDot, range(1, plan.stitches), range(1, plan.rows));
    }
    if (page - 2 >= plan.chartPages()) return t + QStringLiteral("Legende");
    const ChartPart c = plan.part(page - 2);
    return t + QStringLiteral("Maschen %1 %2 Reihen %3")
                   .arg(range(stitchNumber(plan, c.firstColumn), stitchNumber(plan, c.endColumn - 1)), kDot,
                        range(c.firstRow + 1, c.endRow));
}

// ---------------------------------------------------------------- legend

std::vector<YarnUse> yarnUses(const dib& grid) {
    std::vector<YarnUse> out;
    const std::vector<int64_t> count = pattern::stitchesPerYarn(grid, pattern::kYarnColours);
    for (int i = 0; i < int(count.size()); ++i) {
        if (!count[size_t(i)]) continue;
        const PALETTEENTRY& e = grid.pal.rgb0[pattern::kYarnIndexOffset + i];
        out.push_back({i + 1, uint32_t(e.peRed) | uint32_t(e.peGreen) << 8 | uint32_t(e.peBlue) << 16,
                       count[size_t(i)]});
    }
    return out;
}

namespace {

// Rectangles gathered per colour and drawn one colour at a time: a page's
// thousands of cells become a few fills, each a single drawing call.
class RectBatch {
public:
    void add(uint32_t colour, const QRectF& r) {
        rects_[colour].push_back(r);
        ++count_;
    }
    int64_t count() const { return count_; }
    void draw(QPainter& p) const {
        p.setPen(Qt::NoPen);
        for (const auto& [colour, rects] : rects_) {
            p.setBrush(colourOf(colour));
            p.drawRects(rects.constData(), int(rects.size()));
        }
    }

private:
    std::map<uint32_t, QVector<QRectF>> rects_;
    int64_t count_ = 0;
};

// A symbol's dots in a cell of w x h mm, joined into runs along each row;
// in units of the cell (the cell is 1 x 1).
QVector<QRectF> symbolRects(int yarn, double w, double h) {
    const chart::SymbolPlace place = chart::symbolPlace(w, h, kCellRingMm, false);
    const chart::SymbolBitmap& b = chart::symbolBitmap(yarn);
    QVector<QRectF> out;
    for (int y = 0; y < chart::kSymbolSize; ++y)
        for (int x = 0; x < chart::kSymbolSize;) {
            if (!(b[size_t(y)] >> x & 1u)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < chart::kSymbolSize && (b[size_t(y)] >> end & 1u)) ++end;
            out.push_back(QRectF((place.x + x * place.dot) / w, (place.y + y * place.dot) / h,
                                 (end - x) * place.dot / w, place.dot / h));
            x = end;
        }
    return out;
}

// One cell as a page draws it, at `r` in device units: ring, fill, symbol.
void paintCell(QPainter& p, const QRectF& r, uint32_t fill, int yarn, const chart::ChartOptions& o, double ring) {
    p.setPen(Qt::NoPen);
    if (ring > 0) {
        p.fillRect(r, colourOf(chart::outlineColour(fill, o.outline)));
        p.fillRect(r.adjusted(ring, ring, -ring, -ring), colourOf(fill));
    } else {
        p.fillRect(r, colourOf(fill));
    }
    if (!o.symbols) return;
    p.setBrush(colourOf(chart::inkOn(fill)));
    for (const QRectF& d : symbolRects(yarn, r.width(), r.height()))
        p.drawRect(QRectF(r.left() + d.left() * r.width(), r.top() + d.top() * r.height(), d.width() * r.width(),
                          d.height() * r.height()));
}

constexpr uint32_t kNoCell = 1u << 24;  // beyond every colour value

}  // namespace

void paintLegend(QPainter& p, const QRectF& rect, double s, const chart::LegendText& t, const chart::ChartOptions& o) {
    if (t.entries.empty() || rect.height() <= 0) return;
    p.save();
    const int n = int(t.entries.size());
    auto lineFor = [&](int columns) {
        const int lines = (n + columns - 1) / columns + t.otherLines();
        return std::min(kLegendLineMm * s, rect.height() / lines);
    };
    int columns = std::max(1, int(rect.width() / (kLegendColumnMm * s) + kEps));
    double line = lineFor(columns);
    const double gap = 0.35 * line;
    auto setFont = [&](double factor) { p.setFont(textFont(kLabelFontMm * factor * line / (kLegendLineMm * s), s)); };
    setFont(1.0);
    // Columns of text as wide as their widest entry.
    std::array<double, 4> widths{};
    {
        const QFontMetricsF fm(p.font(), p.device());
        for (const chart::LegendEntry& e : t.entries) {
            const std::array<QString, 4> texts = e.texts();
            for (size_t k = 0; k < 4; ++k) widths[k] = std::max(widths[k], fm.horizontalAdvance(texts[k]));
        }
    }
    double entryW = line + gap;
    for (double w : widths) entryW += w + gap;
    columns = std::clamp(int((rect.width() + gap) / (entryW + 2 * gap)), 1, columns);
    if (lineFor(columns) < line) {
        // Fewer columns than planned: shrink everything to the new line.
        const double f = lineFor(columns) / line;
        line *= f;
        entryW *= f;
        for (double& w : widths) w *= f;
        setFont(1.0);
    }
    const int perColumn = (n + columns - 1) / columns;
    p.setPen(Qt::black);
    double y = rect.top();
    auto textLine = [&](const QString& text) {
        p.setPen(Qt::black);
        p.drawText(QRectF(rect.left(), y, rect.width(), line), Qt::AlignLeft | Qt::AlignVCenter, text);
        y += line;
    };
    textLine(t.title);
    const double ring = kCellRingMm * s < 0.5 ? 0 : kCellRingMm * s;
    for (int i = 0; i < n; ++i) {
        const chart::LegendEntry& e = t.entries[size_t(i)];
        const double x0 = rect.left() + (i / perColumn) * (entryW + 2 * gap);
        const double y0 = y + (i % perColumn) * line;
        const double side = line * 0.8;
        paintCell(p, QRectF(x0, y0 + (line - side) / 2, side, side), e.colour, e.yarn, o, ring);
        double x = x0 + line + gap;
        p.setPen(Qt::black);
        const std::array<QString, 4> texts = e.texts();
        for (size_t k = 0; k < 4; ++k) {
            const int align = (chart::legendRightAligned(k) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            p.drawText(QRectF(x, y0, widths[k], line), align, texts[k]);
            x += widths[k] + gap;
        }
    }
    y += perColumn * line;
    textLine(t.total);
    textLine(t.size);
    setFont(0.8);
    for (const QString& small : t.smallPrint) textLine(small);
    p.restore();
}

// ---------------------------------------------------------------- painting

PageDocument::PageDocument(const dib& grid, int stitchesPer10cm, int rowsPer10cm, double cellWidthMm,
                           int overlap, const PageStyle& style)
    : grid_(grid), cellMm_(cellWidthMm), overlap_(overlap), style_(style) {
    inputs_.maschen = stitchesPer10cm;
    inputs_.reihen = rowsPer10cm;
    chart::ChartGeometry g;
    g.stitches = dibvalid(grid) ? dibwidth(grid) : 0;
    g.rows = dibvalid(grid) ? dibheight(grid) : 0;
    if (stitchesPer10cm > 0 && rowsPer10cm > 0) {
        inputs_.breite = double(g.stitches) * 10.0 / stitchesPer10cm;
        inputs_.hoch = double(g.rows) * 10.0 / rowsPer10cm;
    }
    // One stitch of the grid is one stitch of the chart: counted as the
    // chart picture counts them.
    const std::vector<chart::YarnUse> use =
        chart::yarnUse(grid, g, style_.chart.symbols ? &cellYarns_ : nullptr);
    legendText_ = chart::legendText(use, inputs_, g, style_.chart.yarnFactor);
    legend = [this](QPainter& p, const QRectF& r, double s) { paintLegend(p, r, s, legendText_, style_.chart); };
}

void PageDocument::setPageSize(double widthMm, double heightMm) {
    pageW_ = widthMm;
    pageH_ = heightMm;
    PageRequest request;
    request.pageWidthMm = widthMm;
    request.pageHeightMm = heightMm;
    request.cellWidthMm = cellMm_;
    request.stitchesPer10cm = inputs_.maschen;
    request.rowsPer10cm = inputs_.reihen;
    request.stitches = dibvalid(grid_) ? dibwidth(grid_) : 0;
    request.rows = dibvalid(grid_) ? dibheight(grid_) : 0;
    request.overlap = overlap_;
    request.legendLines = legendText_.entries.empty() ? 0 : int(legendText_.entries.size()) + legendText_.otherLines();
    plan_ = planPages(request, style_);
}

uint32_t PageDocument::cellColour(int column, int rowFromBottom) const {
    const int y = dibheight(grid_) - 1 - rowFromBottom;
    if (dibbitcount(grid_) == 8) {
        const PALETTEENTRY& e = grid_.pal.rgb0[gridRow(grid_, y)[column]];
        return uint32_t(e.peRed) | uint32_t(e.peGreen) << 8 | uint32_t(e.peBlue) << 16;
    }
    const uint32_t v = getpixel(grid_, column, y);
    if (dibbitcount(grid_) <= 8) {
        const PALETTEENTRY& e = grid_.pal.rgb0[v & 0xFF];
        return uint32_t(e.peRed) | uint32_t(e.peGreen) << 8 | uint32_t(e.peBlue) << 16;
    }
    return v & 0xFFFFFF;
}

int PageDocument::cellYarn(int column, int rowFromBottom) const {
    const int64_t w = dibwidth(grid_), y = dibheight(grid_) - 1 - rowFromBottom;
    return cellYarns_.empty() ? 0 : cellYarns_[size_t(y * w + column)];
}

void PageDocument::paintPage(QPainter& p, int64_t page, double s) const {
    if (!plan_.ok || page < 1 || page > plan_.pageCount()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    // Pictures keep the yarns' exact colours, in a PDF too.
    p.setRenderHint(QPainter::LosslessImageRendering, true);
    if (page == 1) paintOverview(p, s);
    else if (page - 2 < plan_.chartPages()) paintChartPage(p, plan_.part(page - 2), s);
    if (page == plan_.pageCount() && legend) {
        const QRectF r = plan_.legendRect(pageW_, pageH_);
        legend(p, QRectF(r.x() * s, r.y() * s, r.width() * s, r.height() * s), s);
    }
    p.setFont(textFont(kLabelFontMm, s));
    p.setPen(Qt::black);
    const QRectF label(kPageMarginMm * s, (pageH_ - kPageMarginMm - kLabelBandMm) * s,
                       (pageW_ - 2 * kPageMarginMm) * s, kLabelBandMm * s);
    p.drawText(label, Qt::AlignCenter, pageLabel(plan_, page));
    p.restore();
}

const QImage& PageDocument::overviewImage(int w, int h) const {
    if (overview_.width() == w && overview_.height() == h) return overview_;
    overview_ = QImage();
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull()) return overview_;
    const int W = plan_.stitches, H = plan_.rows;
    std::vector<int> column(size_t(w), 0);
    for (int x = 0; x < w; ++x) column[size_t(x)] = int(int64_t(x) * W / w);
    // Nearest stitch, never a blend: every pixel is a yarn's own colour.
    for (int y = 0; y < h; ++y) {
        const int row = H - 1 - int(int64_t(y) * H / h);
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) line[x] = colourOf(cellColour(column[size_t(x)], row)).rgb();
    }
    overview_ = std::move(img);
    return overview_;
}

void PageDocument::paintOverview(QPainter& p, double s) const {
    const int W = plan_.stitches, H = plan_.rows;
    const double chartW = W * plan_.cellWidthMm, chartH = H * plan_.cellHeightMm;
    const QRectF room(kPageMarginMm, kPageMarginMm, pageW_ - 2 * kPageMarginMm,
                      pageH_ - 2 * kPageMarginMm - kLabelBandMm - 2);
    const double f = std::min(room.width() / chartW, room.height() / chartH);
    const QRectF target((room.left() + (room.width() - chartW * f) / 2) * s, room.top() * s, chartW * f * s,
                        chartH * f * s);

    // No larger than the page needs: a pixel per stitch at most, and no
    // finer than the device or kOverviewDotsPerMm.
    const double dots = std::min(s, kOverviewDotsPerMm);
    const int w = std::clamp(int(std::ceil(chartW * f * dots)), 1, W);
    const int h = std::clamp(int(std::ceil(chartH * f * dots)), 1, H);
    const QImage& img = overviewImage(w, h);
    if (img.isNull()) return;
    p.drawImage(target, img);

    const double sx = target.width() / W, sy = target.height() / H;
    p.setPen(QPen(Qt::black, std::max(1.0, 0.3 * s)));
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    for (int64_t i = 0; i < plan_.chartPages(); ++i) {
        const ChartPart c = plan_.part(i);
        const QRectF r(target.left() + c.firstColumn * sx, target.top() + (H - c.endRow) * sy,
                       (c.endColumn - c.firstColumn) * sx, (c.endRow - c.firstRow) * sy);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        const double fontMm = std::clamp(std::min(r.width(), r.height()) / s * 0.3, 1.0, 8.0);
        p.setFont(textFont(fontMm, s));
        p.drawText(r, Qt::AlignCenter, QString::number(PagePlan::pageNumber(i)));
    }
    p.setBackgroundMode(Qt::TransparentMode);
}

void PageDocument::paintChartPage(QPainter& p, const ChartPart& c, double s) const {
    const chart::ChartOptions& o = style_.chart;
    const QRectF cells = plan_.cellsRect(c);
    const int nx = c.endColumn - c.firstColumn, ny = c.endRow - c.firstRow;
    const double cw = plan_.cellWidthMm * s, ch = plan_.cellHeightMm * s;
    const double x0 = cells.left() * s, y0 = cells.top() * s;
    double ring = kCellRingMm * s;
    if (ring < 0.5) ring = 0;  // a small preview: the colours alone

    // The page's fills and outlines, rows from the top.
    std::vector<uint32_t> fill(size_t(nx) * ny), outline(size_t(nx) * ny);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const uint32_t f = cellColour(c.firstColumn + i, c.endRow - 1 - j);
            fill[size_t(j) * nx + i] = f;
            outline[size_t(j) * nx + i] = chart::outlineColour(f, o.outline);
        }
    auto at = [&](const std::vector<uint32_t>& v, int i, int j) {
        return i < 0 || j < 0 || i >= nx || j >= ny ? kNoCell : v[size_t(j) * nx + i];
    };

    // Cells are drawn in units of a cell: short numbers in the PDF.
    p.save();
    p.translate(x0, y0);
    p.scale(cw, ch);
    RectBatch batch;
    // Fills: runs of one colour along a row as one rectangle.
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx;) {
            const uint32_t f = at(fill, i, j);
            int end = i + 1;
            while (end < nx && at(fill, end, j) == f) ++end;
            batch.add(f, QRectF(i, j, end - i, 1));
            i = end;
        }
    // Outline rings as strips along the cell boundaries, over the fills:
    // each side of a boundary is its cell's outline, one strip where both
    // sides agree.
    RectBatch rings;
    if (ring > 0) {
        const double rx = ring / cw, ry = ring / ch;
        auto strips = [&](bool across, int lines, int along) {
            for (int k = 0; k <= lines; ++k)
                for (int a = 0; a < along;) {
                    auto sides = [&](int a) {
                        return across ? std::pair{at(outline, a, k - 1), at(outline, a, k)}
                                      : std::pair{at(outline, k - 1, a), at(outline, k, a)};
                    };
                    const auto key = sides(a);
                    int end = a + 1;
                    while (end < along && sides(end) == key) ++end;
                    const auto [before, after] = key;
                    auto strip = [&](uint32_t colour, double from, double to) {
                        if (colour == kNoCell) return;
                        rings.add(colour, across ? QRectF(a, k + from, end - a, to - from)
                                                 : QRectF(k + from, a, to - from, end - a));
                    };
                    const double r = across ? ry : rx;
                    if (before == after) {
                        strip(before, -r, r);
                    } else {
                        strip(before, -r, 0);
                        strip(after, 0, r);
                    }
                    a = end;
                }
        };
        strips(true, ny, nx);
        strips(false, nx, ny);
    }
    // Where neighbours rarely share a yarn (a dithered grid) the strips
    // come in short pieces: then each cell's outline as one rectangle and
    // its fill inside, with runs of one outline colour joined, is less.
    RectBatch outer, inner;
    if (ring > 0) {
        const double rx = ring / cw, ry = ring / ch;
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx;) {
                const uint32_t o = at(outline, i, j);
                int end = i + 1;
                while (end < nx && at(outline, end, j) == o) ++end;
                outer.add(o, QRectF(i, j, end - i, 1));
                for (int k = i; k < end; ++k) inner.add(at(fill, k, j), QRectF(k + rx, j + ry, 1 - 2 * rx, 1 - 2 * ry));
                i = end;
            }
    }
    if (ring > 0 && outer.count() + inner.count() < batch.count() + rings.count()) {
        outer.draw(p);
        inner.draw(p);
    } else {
        batch.draw(p);
        rings.draw(p);
    }
    // Symbols in the ink of their fill.
    if (o.symbols) {
        std::array<QVector<QRectF>, chart::kSymbolCount> shapes;
        RectBatch ink;
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const int yarn = cellYarn(c.firstColumn + i, c.endRow - 1 - j);
                QVector<QRectF>& shape = shapes[size_t(yarn)];
                if (shape.isEmpty()) shape = symbolRects(yarn, plan_.cellWidthMm, plan_.cellHeightMm);
                const uint32_t colour = chart::inkOn(at(fill, i, j));
                for (const QRectF& d : shape) ink.add(colour, d.translated(i, j));
            }
        ink.draw(p);
    }
    p.restore();

    // Rows and columns the previous pages showed already are hatched in the
    // ink of their fill, which keeps its own colour. Opaque lines, not a
    // translucent layer: print paths through PostScript would turn a page
    // with transparency into one picture.
    const int markFrom = plan_.columnsFromRight ? nx - c.repeatedColumns : 0;
    const int markTo = plan_.columnsFromRight ? nx : c.repeatedColumns;
    std::map<uint32_t, QVector<QLineF>> marks;
    // A small preview shows the colours alone here too.
    for (int j = 0; j < ny && ring > 0; ++j)
        for (int i = 0; i < nx; ++i) {
            if (!((i >= markFrom && i < markTo) || j >= ny - c.repeatedRows)) continue;
            const double l = x0 + i * cw, t = y0 + j * ch;
            QVector<QLineF>& v = marks[chart::inkOn(at(fill, i, j))];
            v.push_back(QLineF(l, t + ch / 2, l + cw / 2, t));
            v.push_back(QLineF(l + cw / 2, t + ch, l + cw, t + ch / 2));
        }
    for (const auto& [colour, lines] : marks) {
        p.setPen(QPen(colourOf(colour), std::max(1.0, kRepeatMarkMm * s), Qt::SolidLine, Qt::FlatCap));
        p.drawLines(lines);
    }

    // Heavy lines where the chart has them, as heavy as the style says.
    const double xEnd = x0 + nx * cw, yEnd = y0 + ny * ch;
    std::map<chart::LineWeight, QVector<QLineF>> heavy;
    for (int i = 0; i <= nx; ++i) {
        const int col = c.firstColumn + i;  // boundary left of this grid column
        const int n = plan_.columnsFromRight ? plan_.stitches - col : col;
        const chart::LineWeight w = chart::lineAfter(n, plan_.stitches, o.heavyLines);
        if (w != chart::LineWeight::none) heavy[w].push_back(QLineF(x0 + i * cw, y0, x0 + i * cw, yEnd));
    }
    for (int j = 0; j <= ny; ++j) {
        const chart::LineWeight w = chart::lineAfter(c.endRow - j, plan_.rows, o.heavyLines);
        if (w != chart::LineWeight::none) heavy[w].push_back(QLineF(x0, y0 + j * ch, xEnd, y0 + j * ch));
    }
    for (const auto& [weight, lines] : heavy) {
        QPen pen(colourOf(chart::kLineColour), chart::lineMm(weight) * s, Qt::SolidLine, Qt::FlatCap);
        if (weight == chart::LineWeight::dashed) {
            const double dash = chart::kDashMm / chart::lineMm(weight);
            pen.setDashPattern({dash, dash});
        }
        p.setPen(pen);
        p.drawLines(lines);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, std::max(1.0, kFrameLineMm * s)));
    p.drawRect(QRectF(x0, y0, xEnd - x0, yEnd - y0));

    // Row numbers beside the rows, column numbers above and below.
    p.setPen(Qt::black);
    p.setFont(textFont(std::min(kMaxNumberFontMm, plan_.cellHeightMm * 0.8), s));
    const double gap = 1.0 * s, band = kRowNumberBandMm * s;
    for (int j = 0; j < ny; ++j) {
        const int n = c.endRow - j;
        const double y = y0 + j * ch;
        if (chart::numberedLeft(o.rowNumbers, n))
            p.drawText(QRectF(x0 - band, y, band - gap, ch), Qt::AlignRight | Qt::AlignVCenter, QString::number(n));
        if (chart::numberedRight(o.rowNumbers, n))
            p.drawText(QRectF(xEnd + gap, y, band - gap, ch), Qt::AlignLeft | Qt::AlignVCenter, QString::number(n));
    }
    p.setFont(textFont(std::min(kMaxNumberFontMm, kColumnNumberBandMm * 0.6), s));
    const double colBand = kColumnNumberBandMm * s;
    for (int i = 0; i < nx; ++i) {
        const int n = stitchNumber(plan_, c.firstColumn + i);
        if (!chart::columnNumbered(o.columnNumbers, n)) continue;
        const double cx = x0 + (i + 0.5) * cw;
        const QString t = QString::number(n);
        p.drawText(QRectF(cx - colBand * 2, y0 - colBand, colBand * 4, colBand - gap / 2),
                   Qt::AlignHCenter | Qt::AlignBottom, t);
        p.drawText(QRectF(cx - colBand * 2, yEnd + gap / 2, colBand * 4, colBand - gap / 2),
                   Qt::AlignHCenter | Qt::AlignTop, t);
    }
}

// ---------------------------------------------------------------- settings

namespace {
const char* const kPagesGroup = "MultiPage";
}

PageChoice loadPageChoice() {
    PageChoice c;
    auto s = platform::UserSettings();
    s->beginGroup(QLatin1String(kPagesGroup));
    bool ok = false;
    const double mm = s->value(QStringLiteral("CellWidthMm")).toString().toDouble(&ok);
    if (ok && std::isfinite(mm)) c.cellWidthMm = std::clamp(mm, kMinCellMm, kMaxCellMm);
    int v = 0;
    if (platform::ReadInt(*s, QStringLiteral("OriginalSize"), v)) c.originalSize = v != 0;
    if (platform::ReadInt(*s, QStringLiteral("Overlap"), v)) c.overlap = std::clamp(v, 0, kMaxOverlap);
    return c;
}

void storePageChoice(const PageChoice& c) {
    auto s = platform::UserSettings();
    s->beginGroup(QLatin1String(kPagesGroup));
    s->setValue(QStringLiteral("CellWidthMm"), QString::number(c.cellWidthMm));
    s->setValue(QStringLiteral("OriginalSize"), QString::number(c.originalSize ? 1 : 0));
    s->setValue(QStringLiteral("Overlap"), QString::number(c.overlap));
}

// ---------------------------------------------------------------- output

namespace {

// Progress at the start of `page` of `pages`, as rows report it.
int pagePercent(int64_t page, int64_t pages) { return pages > 1 ? int((page - 1) * 100 / (pages - 1)) : 100; }

}  // namespace

PrintPagesStatus printPages(platform::PrinterService& printer, PageDocument& doc,
                            const pattern::CancellableProgress& progress, WrittenPages* written) {
    const double dpmm = printer.Resolution() / 25.4;
    doc.setPageSize(printer.PageWidth() / dpmm, printer.PageHeight() / dpmm);
    if (doc.pageCount() == 0) return PrintPagesStatus::nothingFits;
    printer.Title = QString::fromUtf8(kPrintTitle);
    printer.BeginDoc();
    if (!printer.Printing()) {
        printer.EndDoc();  // raises "not printing": the document was refused
        return PrintPagesStatus::ok;
    }
    try {
        // Asked again inside the job, as the one-page print does.
        doc.setPageSize(printer.PageWidth() / dpmm, printer.PageHeight() / dpmm);
        for (int64_t page = 1; page <= doc.pageCount(); ++page) {
            if (!pattern::proceed(progress, pagePercent(page, doc.pageCount()))) {
                printer.Abort();  // nothing of the job reaches the printer
                return PrintPagesStatus::cancelled;
            }
            if (page > 1) printer.NewPage();
            doc.paintPage(printer.Canvas(), page, dpmm);
        }
        if (written) {
            written->setPageSize(printer.PageWidth() / dpmm, printer.PageHeight() / dpmm);
            for (int page = 1; page <= written->pageCount(); ++page) {
                printer.NewPage();
                written->paintPage(printer.Canvas(), page, dpmm);
            }
        }
    } catch (...) {
        printer.Abort();
        throw;
    }
    printer.EndDoc();
    return PrintPagesStatus::ok;
}

QPageLayout localePageLayout() {
    const bool letter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    return QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm), QPageLayout::Millimeter);
}

QPageLayout pdfPageLayout(platform::PrinterService& printer) {
    try {
        if (auto* qt = dynamic_cast<platform::QtPrinterService*>(&printer)) return qt->printer().pageLayout();
        const double dpmm = printer.Resolution() / 25.4;
        const QSizeF mm(printer.PageWidth() / dpmm, printer.PageHeight() / dpmm);
        return QPageLayout(QPageSize(mm, QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF(),
                           QPageLayout::Millimeter);
    } catch (const platform::PrinterError&) {
        return localePageLayout();
    }
}

PdfStatus exportPdf(const QString& path, PageDocument& doc, const QPageLayout& layout,
                    const pattern::CancellableProgress& progress, QString* reason, WrittenPages* written) {
    const QRectF area = layout.paintRect(QPageLayout::Millimeter);
    doc.setPageSize(area.width(), area.height());
    if (doc.pageCount() == 0) return PdfStatus::nothingFits;
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir() || !folder.isWritable()) return PdfStatus::cannotCreate;

    // Made in memory first: QPdfWriter ignores short writes to a file.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(doc.title.isEmpty() ? QString::fromUtf8(kPrintTitle) : doc.title);
        writer.setCreator(QStringLiteral("Tricoma"));
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(layout);
        const double dpmm = kPdfResolution / 25.4;
        QPainter p;
        if (!p.begin(&writer)) return PdfStatus::writeFailed;
        for (int64_t page = 1; page <= doc.pageCount(); ++page) {
            if (!pattern::proceed(progress, pagePercent(page, doc.pageCount()))) {
                p.end();
                return PdfStatus::cancelled;
            }
            if (page > 1) writer.newPage();
            doc.paintPage(p, page, dpmm);
        }
        if (written) {
            written->setPageSize(area.width(), area.height());
            for (int page = 1; page <= written->pageCount(); ++page) {
                writer.newPage();
                written->paintPage(p, page, dpmm);
            }
        }
        p.end();
    }
    const platform::SafeWriteResult r = platform::writeFileSafely(path, bytes);
    if (!r && reason) *reason = r.reason;
    return r ? PdfStatus::ok : PdfStatus::writeFailed;
}

}  // namespace output
