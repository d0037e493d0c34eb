// Knitting chart rendering: the stitch grid drawn as a 24-bit picture in
// which every stitch is a cell in the proportions of a real stitch, filled
// with its yarn colour and outlined in the inverse colour, with the rows
// numbered in both margins.
//
// Cells and lines are written straight into the record's pixel memory, row
// by row in memory order, and the row numbers are copied in from small
// images the font engine draws them on, so rendering needs no second
// full-size surface.
//
// Needs a QGuiApplication (for the font engine).
#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "chart/chartoptions.h"
#include "chart/chartstyle.h"
#include "pattern/limits.h"
#include "raster/dib.h"

namespace chart {

// Chart layout in pixels.
constexpr int kCellMin = 15;        // shorter side of a cell
constexpr int kLeftMargin = 60;
constexpr int kRightMargin = 60;
constexpr int kTopMargin = 10;
constexpr int kBottomMargin = 10;
constexpr int kLeftNumberX = 10;    // number boxes: left edge, from the left
constexpr int kRightNumberX = 40;   // ... and from the right edge of the chart
constexpr int kLeftLineEnd = 48;    // left row line covers x 0..48
constexpr int kRightLineStart = 50; // right row line covers x W-50..W-2
constexpr int kNumberPointSize = 8;

// The four inputs, as the size page holds them: stitches and rows of a
// 10 cm x 10 cm swatch, and the motif's width and height in cm.
struct ChartInputs {
    int maschen = pattern::kDefaultStitches;
    int reihen = pattern::kDefaultRows;
    double breite = pattern::kDefaultSizeCm;
    double hoch = pattern::kDefaultSizeCm;
};

// Derived sizes. 64-bit: the inputs allow charts far beyond any memory.
struct ChartGeometry {
    int64_t stitches = 0;
    int64_t rows = 0;
    int64_t cellWidth = 0;
    int64_t cellHeight = 0;
    int64_t width = 0;       // pixels
    int64_t height = 0;
    // Bytes of the 24-bit pixel block (rows padded to 4 bytes), or -1 when
    // that does not even fit 64 bits (then the chart is refused as too large).
    int64_t pixelBytes = -1;
};

enum class ChartStatus {
    ok,
    badInputs,   // a gauge of 0 or a negative or non-finite input
    tooLarge,    // pixel memory beyond the limit
    noMemory,    // the limit allowed it, the allocation still failed
};

// Where the plain chart's parts lie in the picture; options that add
// column numbers or a legend move them.
struct ChartPlacement {
    int64_t cellsTop = kTopMargin;  // y of the top cell row
    int64_t chartWidth = 0;         // the row margins' W: cells plus both margins
    int64_t legendTop = -1;         // y where the legend begins, -1 without one
};

struct ChartResult {
    ChartStatus status = ChartStatus::badInputs;
    ChartGeometry geometry;  // width, height and bytes: the whole picture
    ChartPlacement placement;
    int64_t limitBytes = 0;  // the limit the size was checked against
    dib chart{};             // owned by the caller when status is ok, else empty
};

// Sizes of the chart for these inputs. Stitches and rows are counted exactly
// as the compute command counts them, so chart and grid agree; cell sides
// truncate toward zero. False when a gauge is not positive.
bool chartGeometry(const ChartInputs& in, ChartGeometry& out);

// Largest pixel block a chart may take: the record limit of the raster
// library, and at most the chart's share of physical memory
// (pattern::kChartMemoryShareDivisor).
int64_t chartByteLimit();

// Renders `grid` (normally 8 bits, colours from its own palette) as a chart.
// `grid` is sampled proportionally when its size differs from the inputs.
// On any status but ok nothing was allocated. Default options draw the
// plain chart.
ChartResult renderChart(const dib& grid, const ChartInputs& in, int64_t limitBytes = chartByteLimit(),
                        const ChartOptions& options = ChartOptions{});

// The same, drawn over the pixel block of `previous` (the caller's current
// chart) when it is a 24-bit record of exactly the new chart's size and not
// the grid itself: drawing again at the same size then takes no fresh
// memory and never holds two charts at once. The result is byte for byte
// what a fresh block would give. When the block is taken over, `previous`
// is left empty and the result's chart is the one owner; otherwise
// (another size, or any status but ok)
// `previous` is left as it was.
ChartResult renderChart(const dib& grid, const ChartInputs& in, dib& previous, int64_t limitBytes = chartByteLimit(),
                        const ChartOptions& options = ChartOptions{});

// Ink mask of one row number box as it is copied into the chart: the box is
// the text's advance wide and the font's height high; 1 = black, 0 = white.
struct NumberMask {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> ink;  // row-major, top row first
    bool operator==(const NumberMask&) const = default;
};

// Row numbers drawn by the font engine, one string at a time onto a small
// white image that is reused, and read back as ink. Drawing each number
// whole (rather than piecing it together from digits) keeps the engine's
// own glyph placement, which need not fall on whole pixels.
class RowNumberRenderer {
public:
    RowNumberRenderer();
    NumberMask render(int64_t n);
    // Any short text, boxed the same way.
    NumberMask text(const QString& s);
    const QFont& font() const { return font_; }
    int height() const { return height_; }  // of every mask

private:
    QFont font_;
    int height_ = 0;
    int ascent_ = 0;
    QImage image_;
};

// Renders a chart with options that are not plain; called by renderChart,
// which has filled res.geometry, res.limitBytes and res.placement. Takes
// over the block of `previous` as renderChart does.
ChartResult renderWithOptions(const dib& grid, const ChartInputs& in, const ChartOptions& o, ChartResult res,
                              dib* previous);
// The plain renderer's cells, row numbers and row lines, with the outline
// and the row numbering of `o`, into `out` (only poi and bytew are used; it
// may be a band of rows of a larger picture, g.height rows high).
// With `hook`, called for every picture row of the cells to write its cells
// (the margins are the renderer's): the row's pixels, its cell row r from
// the top, the row k within the cell and the fills of row r. Row numbers
// and lines come after it.
using CellRowHook = std::function<void(uint8_t* row, int64_t r, int64_t k, const std::vector<uint32_t>& fill)>;
void drawPlainChart(dib& out, const ChartGeometry& g, const dib& grid, const ChartOptions& o, CellRowHook hook = {});

// Whether `d` can take the chart of geometry `g` in place: one newdib made
// for the same size, header for header, and not the grid itself.
bool fitsChart(const dib& d, const ChartGeometry& g, const dib& grid);
// `previous` taken over as the block of the new chart, or a fresh block;
// empty when neither.
dib chartBlock(const ChartGeometry& g, const dib& grid, dib* previous);

// The default user-interface font at 8 points, without antialiasing.
QFont rowNumberFont();

}  // namespace chart
