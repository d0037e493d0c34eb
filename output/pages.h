// The chart over several pages at a chosen cell size, to knit from: the
// page layout (free functions, in millimetres), and one vector painter for
// a page that the dialog's preview, the printer and the PDF file share.
//
// The stitch grid (one pixel per stitch) is the source: cells are filled
// rectangles and numbers are text, so no chart picture of the full size is
// ever made, whatever the chart's size and the device's resolution.
#pragma once

#include <QImage>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <vector>

#include "chart/chartoptions.h"
#include "chart/chartstyle.h"
#include "chart/render.h"
#include "pattern/limits.h"
#include "pattern/progress.h"
#include "raster/dib.h"

class QPainter;

namespace platform {
class PrinterService;
}

namespace output {

class WrittenPages;

// How a chart page looks: the chart's own options as pages to knit from
// show them (chart::pageOptions), so print, PDF and the chart picture take
// every rule from the one chart style.
struct PageStyle {
    chart::ChartOptions chart = chart::pageOptions(chart::ChartOptions{});
    bool columnsFromRight = false;
};

// The pages' style from the chart options, with the stitches counted from
// the right as the knitter counts them.
PageStyle pageStyleOf(const chart::ChartOptions& o);

inline constexpr double kDefaultCellMm = 5.0;
inline constexpr double kMinCellMm = 1.0;
inline constexpr double kMaxCellMm = 30.0;
inline constexpr int kDefaultOverlap = 2;
inline constexpr int kMaxOverlap = 10;

// Bands of a chart page inside the printable area, in mm.
inline constexpr double kPageMarginMm = 4.0;
inline constexpr double kRowNumberBandMm = 9.0;     // left and right of the cells
inline constexpr double kColumnNumberBandMm = 5.0;  // above and below the cells
inline constexpr double kLabelBandMm = 7.0;         // the page label at the bottom
inline constexpr double kLegendLineMm = 6.0;
inline constexpr double kLegendMinLineMm = 4.0;
inline constexpr double kLegendColumnMm = 120.0;

// The real stitch's width: 10 cm over the stitches of the swatch.
double originalCellMm(int stitchesPer10cm);
// A cell keeps the stitch's proportions: a stitch is 10/stitches cm wide
// and 10/rows cm high.
double cellHeightMm(double cellWidthMm, int stitchesPer10cm, int rowsPer10cm);

struct PageRequest {
    double pageWidthMm = 0;   // printable area
    double pageHeightMm = 0;
    double cellWidthMm = kDefaultCellMm;
    int stitchesPer10cm = pattern::kDefaultStitches;
    int rowsPer10cm = pattern::kDefaultRows;
    int stitches = 0;  // chart size
    int rows = 0;
    int overlap = kDefaultOverlap;  // rows and columns repeated on the next page
    int legendLines = 0;            // lines the legend takes
};

// A chart page's part of the chart. Columns count from the left of the
// grid, rows from the bottom, both from 0 and half open.
struct ChartPart {
    int firstColumn = 0, endColumn = 0;
    int firstRow = 0, endRow = 0;
    int repeatedColumns = 0;  // at the side the previous page lies on
    int repeatedRows = 0;     // at the bottom
    bool operator==(const ChartPart&) const = default;
};

struct PagePlan {
    bool ok = false;  // false: no cell fits on the page, or no chart
    double cellWidthMm = 0, cellHeightMm = 0;
    int cellsAcross = 0, cellsDown = 0;  // per page
    int overlapColumns = 0, overlapRows = 0;
    int pagesAcross = 0, pagesDown = 0;
    bool legendOwnPage = false;  // the legend did not fit below the last chart
    int stitches = 0, rows = 0;
    bool columnsFromRight = false;

    // In 64 bits: absurd requests give more pages than an int counts.
    int64_t chartPages() const { return int64_t(pagesAcross) * pagesDown; }
    // The overview, the chart pages, and a page for the legend if needed.
    int64_t pageCount() const { return ok ? 1 + chartPages() + (legendOwnPage ? 1 : 0) : 0; }
    // Page number (from 1) of chart page `i` (from 0): the overview is 1.
    static int64_t pageNumber(int64_t i) { return i + 2; }
    // Chart page i, in knitting order: from the bottom band upward, and in
    // each band from the first stitch as counted. The stitches and rows are
    // spread evenly over the pages across and down: no page holds a mere
    // remainder.
    ChartPart part(int64_t i) const;

    // Where things are on a chart page, in mm from the printable area's
    // top left corner.
    QRectF cellsRect(const ChartPart& part) const;
    // The room for the legend on the last page.
    QRectF legendRect(double pageWidthMm, double pageHeightMm) const;
};

PagePlan planPages(const PageRequest& request, const PageStyle& style = {});

// Stitch and row numbers as the knitter counts them: stitches from the
// left (or from the right), rows from the bottom, from 1.
int stitchNumber(const PagePlan& plan, int column);

// "Seite 2 von 6 · Maschen 41–80 · Reihen 1–50"; the overview reads
// "Seite 1 von 6 · Übersicht · Maschen 1–120 · Reihen 1–150".
QString pageLabel(const PagePlan& plan, int64_t page);

// One line of the legend: a yarn that the chart uses.
struct YarnUse {
    int yarn = 0;          // yarn number from 1
    uint32_t colour = 0;   // colour value, red in the low byte
    int64_t stitches = 0;
};
// The yarns of a stitch grid with their stitch counts, in yarn order;
// yarns that no stitch uses are left out. Indices that belong to no yarn
// show yarn 1's colour and count for it.
std::vector<YarnUse> yarnUses(const dib& grid);

// Draws the chart's legend into `rect` (device units, `dotsPerMm` of them
// to the mm): the lines of chart::legendText, each entry with its swatch
// drawn as a page cell, in as many columns as fit; lines shrink to fit.
void paintLegend(QPainter& p, const QRectF& rect, double dotsPerMm, const chart::LegendText& legend,
                 const chart::ChartOptions& options);

// How a page draws a cell's outline ring, in mm (none below half a device
// unit: a small preview shows the colours alone).
inline constexpr double kCellRingMm = 0.12;
// Stitches a page repeats from the previous one are hatched in the ink
// colour of their fill, lines of this width.
inline constexpr double kRepeatMarkMm = 0.2;

// The pages of one chart. Keeps a reference to the grid: it must outlive
// the document.
class PageDocument {
public:
    PageDocument(const dib& grid, int stitchesPer10cm, int rowsPer10cm, double cellWidthMm, int overlap,
                 const PageStyle& style = {});

    // Lays the pages out on a printable area of this size.
    void setPageSize(double widthMm, double heightMm);
    const PagePlan& plan() const { return plan_; }
    int64_t pageCount() const { return plan_.pageCount(); }
    double pageWidthMm() const { return pageW_; }
    double pageHeightMm() const { return pageH_; }

    // Paints page `page` (from 1). Device (0, 0) is the printable area's
    // top left corner; `dotsPerMm` device units make one mm.
    void paintPage(QPainter& p, int64_t page, double dotsPerMm) const;

    // Draws the legend into a rect on the last page; replaceable.
    using LegendPainter = std::function<void(QPainter&, const QRectF& rect, double dotsPerMm)>;
    LegendPainter legend;
    // The PDF's document title; the print job's title when empty.
    QString title;

    // The legend the pages carry, as the chart's legend has it.
    const chart::LegendText& legendText() const { return legendText_; }

private:
    void paintOverview(QPainter& p, double s) const;
    void paintChartPage(QPainter& p, const ChartPart& part, double s) const;
    uint32_t cellColour(int column, int rowFromBottom) const;
    int cellYarn(int column, int rowFromBottom) const;
    const QImage& overviewImage(int w, int h) const;

    const dib& grid_;
    chart::ChartInputs inputs_;
    double cellMm_;
    int overlap_;
    PageStyle style_;
    double pageW_ = 0, pageH_ = 0;
    std::vector<uint8_t> cellYarns_;  // yarn of each stitch, rows from the top
    chart::LegendText legendText_;
    PagePlan plan_;
    mutable QImage overview_;  // made once per size, at most the page's pixels
};

// The dialog's choices for the pages, remembered in the settings store.
struct PageChoice {
    double cellWidthMm = kDefaultCellMm;
    bool originalSize = false;  // the real stitch's width instead of cellWidthMm
    int overlap = kDefaultOverlap;
    double cellMm(int stitchesPer10cm) const {
        return originalSize ? originalCellMm(stitchesPer10cm) : cellWidthMm;
    }
    bool operator==(const PageChoice&) const = default;
};
// Values that are missing or unreadable keep the defaults.
PageChoice loadPageChoice();
void storePageChoice(const PageChoice& choice);

enum class PrintPagesStatus { ok, nothingFits, cancelled };

// Prints every page as one job under "Velisto Bild", on the printer's
// paper. Printer errors are raised as platform::PrinterError; a begun job
// is never left open.
// `progress` hears of every page and may cancel: the job is then aborted,
// nothing is printed. With `written`, the written rows follow the chart's
// pages.
PrintPagesStatus printPages(platform::PrinterService& printer, PageDocument& doc,
                            const pattern::CancellableProgress& progress = {},
                            WrittenPages* written = nullptr);

// The paper a PDF gets: the printer's when one is set up, else the
// locale's (A4, or Letter where that is the custom), with 10 mm margins.
QPageLayout localePageLayout();
// The printable page of `printer` (its paper and margins); the locale's
// paper when no printer answers.
QPageLayout pdfPageLayout(platform::PrinterService& printer);

enum class PdfStatus {
    ok,
    nothingFits,   // no cell fits on the paper
    cannotCreate,  // the folder cannot take the file
    writeFailed,   // writing or replacing failed (disk full); an old file stays as it was
    cancelled,     // the progress report said stop: no file, an old one stays as it was
};

// Writes the pages into a PDF file with searchable text and the title
// "Velisto Bild", reporting a percentage before each page (false stops:
// cancelled). The document is made in memory and written safely (see
// platform/safefile.h), so only a complete file replaces an old one; on
// writeFailed `reason` (when given) says why, in German. With `written`, the written rows follow the
// chart's pages.
PdfStatus exportPdf(const QString& path, PageDocument& doc, const QPageLayout& layout,
                    const pattern::CancellableProgress& progress = {}, QString* reason = nullptr,
                    WrittenPages* written = nullptr);

}  // namespace output
