#include "output/pages.h"

#include <QFont>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPdfWriter>
#include <QBuffer>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

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
constexpr double kCellRingMm = 0.12;
constexpr double kHeavyLineMm = 0.45;
constexpr double kFrameLineMm = 0.25;
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

QColor colourOf(uint32_t v) { return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)); }

uint32_t outlineOf(uint32_t fill, PageStyle::Outline kind) {
    const int r = int(fill & 0xFF), g = int((fill >> 8) & 0xFF), b = int((fill >> 16) & 0xFF);
    if (kind == PageStyle::Outline::contrast) return (r * 299 + g * 587 + b * 114) / 1000 < 128 ? 0xFFFFFFu : 0u;
    return uint32_t(255 - r) | uint32_t(255 - g) << 8 | uint32_t(255 - b) << 16;
}

// Greyed: 70 % of the colour, 30 % of middle grey.
uint32_t shadeOf(uint32_t c) {
    auto mix = [](uint32_t v) { return (v * 7 + 128 * 3) / 10; };
    return mix(c & 0xFF) | mix((c >> 8) & 0xFF) << 8 | mix((c >> 16) & 0xFF) << 16;
}

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
    s.outline = o.outline == chart::Outline::contrast ? PageStyle::Outline::contrast : PageStyle::Outline::inverse;
    s.heavyEvery = o.heavyLines == chart::HeavyLines::fivesAndTens ? 5 : 10;
    switch (o.rowNumbers) {
    case chart::RowNumbering::oddBothSides: s.rowNumbers = PageStyle::RowNumbers::odd; break;
    case chart::RowNumbering::flat: s.rowNumbers = PageStyle::RowNumbers::flat; break;
    case chart::RowNumbering::everyRow: s.rowNumbers = PageStyle::RowNumbers::round; break;
    }
    s.columnNumberEvery = o.columnNumbers == 5 ? 5 : 10;
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
        const int perColumn = fits(room.height(), kLegendLineMm);
        const int columns = std::max(1, fits(room.width(), kLegendColumnMm));
        p.legendOwnPage = int64_t(perColumn) * columns < request.legendLines + 1;  // + the heading
    }
    return p;
}

ChartPart PagePlan::part(int i) const {
    ChartPart c;
    if (!ok || i < 0 || i >= chartPages()) return c;
    const int band = i / pagesAcross;
    const int k = i % pagesAcross;
    const int start = k * (cellsAcross - overlapColumns);
    const int end = std::min(start + cellsAcross, stitches);
    c.firstColumn = columnsFromRight ? stitches - end : start;
    c.endColumn = columnsFromRight ? stitches - start : end;
    c.repeatedColumns = k > 0 ? overlapColumns : 0;
    c.firstRow = band * (cellsDown - overlapRows);
    c.endRow = std::min(c.firstRow + cellsDown, rows);
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

QString pageLabel(const PagePlan& plan, int page) {
    const int n = plan.pageCount();
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

void paintLegend(QPainter& p, const QRectF& rect, double s, const std::vector<YarnUse>& yarns) {
    if (yarns.empty()) return;
    p.save();
    const double line = kLegendLineMm * s;
    const int perColumn = std::max(1, int(rect.height() / line + kEps));
    const QLocale de = platform::uiLocale();
    p.setFont(textFont(kLabelFontMm, s));
    p.setPen(Qt::black);
    p.drawText(QRectF(rect.left(), rect.top(), kLegendColumnMm * s, line), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Legende"));
    for (size_t i = 0; i < yarns.size(); ++i) {
        const int slot = int(i) + 1;
        const double x = rect.left() + (slot / perColumn) * kLegendColumnMm * s;
        const double y = rect.top() + (slot % perColumn) * line;
        const QRectF swatch(x, y + line * 0.15, line * 0.7, line * 0.7);
        p.fillRect(swatch, colourOf(yarns[i].colour));
        p.setPen(QPen(Qt::black, std::max(1.0, 0.15 * s)));
        p.drawRect(swatch);
        p.drawText(QRectF(x + line, y, 20 * s, line), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Garn %1").arg(yarns[i].yarn));
        p.drawText(QRectF(x + line + 20 * s, y, 30 * s, line), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 Maschen").arg(de.toString(qlonglong(yarns[i].stitches))));
    }
    p.restore();
}

// ---------------------------------------------------------------- painting

PageDocument::PageDocument(const dib& grid, int stitchesPer10cm, int rowsPer10cm, double cellWidthMm,
                           int overlap, const PageStyle& style)
    : grid_(grid),
      stitchesPer10_(stitchesPer10cm),
      rowsPer10_(rowsPer10cm),
      cellMm_(cellWidthMm),
      overlap_(overlap),
      style_(style),
      yarns_(yarnUses(grid)) {
    legend = [this](QPainter& p, const QRectF& r, double s) { paintLegend(p, r, s, yarns_); };
}

void PageDocument::setPageSize(double widthMm, double heightMm) {
    pageW_ = widthMm;
    pageH_ = heightMm;
    PageRequest request;
    request.pageWidthMm = widthMm;
    request.pageHeightMm = heightMm;
    request.cellWidthMm = cellMm_;
    request.stitchesPer10cm = stitchesPer10_;
    request.rowsPer10cm = rowsPer10_;
    request.stitches = dibvalid(grid_) ? dibwidth(grid_) : 0;
    request.rows = dibvalid(grid_) ? dibheight(grid_) : 0;
    request.overlap = overlap_;
    request.legendLines = int(yarns_.size());
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

void PageDocument::paintPage(QPainter& p, int page, double s) const {
    if (!plan_.ok || page < 1 || page > plan_.pageCount()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
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

void PageDocument::paintOverview(QPainter& p, double s) const {
    const int W = plan_.stitches, H = plan_.rows;
    const double chartW = W * plan_.cellWidthMm, chartH = H * plan_.cellHeightMm;
    const QRectF room(kPageMarginMm, kPageMarginMm, pageW_ - 2 * kPageMarginMm,
                      pageH_ - 2 * kPageMarginMm - kLabelBandMm - 2);
    const double f = std::min(room.width() / chartW, room.height() / chartH);
    const QRectF target((room.left() + (room.width() - chartW * f) / 2) * s, room.top() * s, chartW * f * s,
                        chartH * f * s);

    // The grid's own size, one pixel per stitch: small beside any chart.
    QImage img(W, H, QImage::Format_RGB32);
    if (img.isNull()) return;
    for (int y = 0; y < H; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < W; ++x) row[x] = colourOf(cellColour(x, H - 1 - y)).rgb();
    }
    p.drawImage(target, img);

    const double sx = target.width() / W, sy = target.height() / H;
    p.setPen(QPen(Qt::black, std::max(1.0, 0.3 * s)));
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    for (int i = 0; i < plan_.chartPages(); ++i) {
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
    const QRectF cells = plan_.cellsRect(c);
    const int nx = c.endColumn - c.firstColumn, ny = c.endRow - c.firstRow;
    // Shared edges: neighbouring cells meet without gaps at any resolution.
    std::vector<double> xs(size_t(nx) + 1), ys(size_t(ny) + 1);
    for (int i = 0; i <= nx; ++i) xs[size_t(i)] = (cells.left() + i * plan_.cellWidthMm) * s;
    for (int j = 0; j <= ny; ++j) ys[size_t(j)] = (cells.top() + j * plan_.cellHeightMm) * s;
    double ring = kCellRingMm * s;
    if (ring < 0.5) ring = 0;  // a small preview: the colours alone

    // Rows and columns the previous pages showed already are greyed. Opaque
    // colours, not a translucent layer: print paths through PostScript
    // would turn a page with transparency into one picture.
    const int shadeFrom = plan_.columnsFromRight ? nx - c.repeatedColumns : 0;
    const int shadeTo = plan_.columnsFromRight ? nx : c.repeatedColumns;
    auto repeated = [&](int i, int j) { return (i >= shadeFrom && i < shadeTo) || j >= ny - c.repeatedRows; };

    // j counts drawn rows from the top: row endRow - 1 - j from the bottom.
    for (int j = 0; j < ny; ++j) {
        const int row = c.endRow - 1 - j;
        for (int i = 0; i < nx; ++i) {
            const QRectF r(xs[size_t(i)], ys[size_t(j)], xs[size_t(i) + 1] - xs[size_t(i)],
                           ys[size_t(j) + 1] - ys[size_t(j)]);
            uint32_t fill = cellColour(c.firstColumn + i, row);
            if (repeated(i, j)) fill = shadeOf(fill);
            if (ring > 0) {
                p.fillRect(r, colourOf(outlineOf(fill, style_.outline)));
                p.fillRect(r.adjusted(ring, ring, -ring, -ring), colourOf(fill));
            } else {
                p.fillRect(r, colourOf(fill));
            }
        }
    }

    p.setBrush(Qt::NoBrush);
    if (style_.heavyEvery > 0) {
        p.setPen(QPen(Qt::black, kHeavyLineMm * s, Qt::SolidLine, Qt::FlatCap));
        for (int i = 0; i <= nx; ++i) {
            const int col = c.firstColumn + i;  // boundary left of this grid column
            const int counted = plan_.columnsFromRight ? plan_.stitches - col : col;
            if (counted % style_.heavyEvery == 0) p.drawLine(QPointF(xs[size_t(i)], ys[0]), QPointF(xs[size_t(i)], ys[size_t(ny)]));
        }
        for (int j = 0; j <= ny; ++j) {
            const int below = c.endRow - j;  // rows below this boundary
            if (below % style_.heavyEvery == 0) p.drawLine(QPointF(xs[0], ys[size_t(j)]), QPointF(xs[size_t(nx)], ys[size_t(j)]));
        }
    }
    p.setPen(QPen(Qt::black, std::max(1.0, kFrameLineMm * s)));
    p.drawRect(QRectF(xs[0], ys[0], xs[size_t(nx)] - xs[0], ys[size_t(ny)] - ys[0]));

    // Row numbers beside the rows, column numbers above and below.
    p.setPen(Qt::black);
    p.setFont(textFont(std::min(kMaxNumberFontMm, plan_.cellHeightMm * 0.8), s));
    const double gap = 1.0 * s, band = kRowNumberBandMm * s;
    for (int j = 0; j < ny; ++j) {
        const int n = c.endRow - j;
        bool left = false, right = false;
        switch (style_.rowNumbers) {
        case PageStyle::RowNumbers::odd: left = right = n % 2 == 1; break;
        case PageStyle::RowNumbers::flat: right = n % 2 == 1; left = !right; break;
        case PageStyle::RowNumbers::round: right = true; break;
        }
        const double y = ys[size_t(j)], h = ys[size_t(j) + 1] - y;
        if (left) p.drawText(QRectF(xs[0] - band, y, band - gap, h), Qt::AlignRight | Qt::AlignVCenter, QString::number(n));
        if (right)
            p.drawText(QRectF(xs[size_t(nx)] + gap, y, band - gap, h), Qt::AlignLeft | Qt::AlignVCenter, QString::number(n));
    }
    if (style_.columnNumberEvery > 0) {
        p.setFont(textFont(std::min(kMaxNumberFontMm, kColumnNumberBandMm * 0.6), s));
        const double colBand = kColumnNumberBandMm * s;
        for (int i = 0; i < nx; ++i) {
            const int n = stitchNumber(plan_, c.firstColumn + i);
            if (n != 1 && n % style_.columnNumberEvery != 0) continue;
            const double cx = (xs[size_t(i)] + xs[size_t(i) + 1]) / 2;
            const QString t = QString::number(n);
            p.drawText(QRectF(cx - colBand * 2, ys[0] - colBand, colBand * 4, colBand - gap / 2),
                       Qt::AlignHCenter | Qt::AlignBottom, t);
            p.drawText(QRectF(cx - colBand * 2, ys[size_t(ny)] + gap / 2, colBand * 4, colBand - gap / 2),
                       Qt::AlignHCenter | Qt::AlignTop, t);
        }
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

PrintPagesStatus printPages(platform::PrinterService& printer, PageDocument& doc) {
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
        for (int page = 1; page <= doc.pageCount(); ++page) {
            if (page > 1) printer.NewPage();
            doc.paintPage(printer.Canvas(), page, dpmm);
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

PdfStatus exportPdf(const QString& path, PageDocument& doc, const QPageLayout& layout, const PdfProgress& progress,
                    QString* reason) {
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
        writer.setTitle(QString::fromUtf8(kPrintTitle));
        writer.setCreator(QStringLiteral("Tricoma"));
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(layout);
        const double dpmm = kPdfResolution / 25.4;
        QPainter p;
        if (!p.begin(&writer)) return PdfStatus::writeFailed;
        const int pages = doc.pageCount();
        for (int page = 1; page <= pages; ++page) {
            if (progress && !progress(page, pages)) return PdfStatus::cancelled;
            if (page > 1) writer.newPage();
            doc.paintPage(p, page, dpmm);
        }
        p.end();
        if (progress && !progress(pages + 1, pages)) return PdfStatus::cancelled;
    }
    const platform::SafeWriteResult r = platform::writeFileSafely(path, bytes);
    if (!r && reason) *reason = r.reason;
    return r ? PdfStatus::ok : PdfStatus::writeFailed;
}

}  // namespace output
