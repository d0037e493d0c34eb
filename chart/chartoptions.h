// Chart options that make the chart easier to knit from: outlines that
// stand out from every fill, heavier lines every 10 (and 5) stitches and
// rows, column numbers, other row numberings, a symbol per yarn and a yarn
// legend below the chart. A default-constructed ChartOptions draws the
// plain chart, pixel for pixel.
//
// Everything here writes straight into the chart's pixel memory, like the
// plain renderer, and text comes from the same hard-edged font.
#pragma once

#include <QSettings>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "pattern/limits.h"
#include "raster/dib.h"

namespace chart {

struct ChartInputs;
struct ChartGeometry;
struct ChartResult;

enum class Outline : int {
    inverse = 0,   // the fill's inverse colour (plain chart)
    contrast = 1,  // black on light fills, white on dark ones
};

enum class HeavyLines : int {
    none = 0,
    tens = 1,          // every 10th stitch and row
    fivesAndTens = 2,  // and a dashed line every 5th
};

enum class RowNumbering : int {
    oddBothSides = 0,  // odd rows, numbers at both sides (plain chart)
    flat = 1,          // odd rows at the right, even rows at the left
    everyRow = 2,      // every row at both sides (knitting in the round)
};

struct ChartOptions {
    Outline outline = Outline::inverse;
    HeavyLines heavyLines = HeavyLines::none;
    int columnNumbers = 0;  // number every 5th or 10th stitch; 0 = none
    RowNumbering rowNumbers = RowNumbering::oddBothSides;
    bool symbols = false;
    bool legend = false;
    double yarnFactor = pattern::kDefaultYarnFactor;  // k of the yarn estimate

    bool operator==(const ChartOptions&) const = default;
    // True when the chart comes out as without options (the factor only
    // shows in the legend).
    bool plain() const;
    // Values out of range replaced by the nearest allowed one (or the
    // default), so stored or typed values never draw nonsense.
    ChartOptions sanitised() const;
};

// Remembered options: group "ChartOptions" of the settings store.
ChartOptions readChartOptions(QSettings& s);
void writeChartOptions(QSettings& s, const ChartOptions& o);
ChartOptions loadChartOptions();
void storeChartOptions(const ChartOptions& o);

// Black for light fills, white for dark ones, by the fill's luminance.
uint32_t contrastColour(uint32_t fill);

// Which sides carry the number of row n (counted from the bottom, from 1).
bool numberedLeft(RowNumbering mode, int64_t n);
bool numberedRight(RowNumbering mode, int64_t n);

// The 64 yarn symbols, 13 x 13 pixels each (bit x of row y set = ink),
// drawn into the inside of a cell of the smallest size and centred (and
// scaled by whole steps) in larger ones. Symbol i belongs to yarn i.
constexpr int kSymbolSize = 13;
constexpr int kSymbolCount = pattern::kYarnColours;
using SymbolBitmap = std::array<uint16_t, kSymbolSize>;
const SymbolBitmap& symbolBitmap(int yarn);

// The yarns of a chart: the stitches of each, counted as the chart samples
// the grid. Yarn i is grid index i + 10; indices that no yarn owns count
// as yarn 0. Grids without a palette number their colours as they come.
// With `cellYarns`, the yarn of every chart stitch, row by row from the top.
struct YarnUse {
    int yarn = 0;
    uint32_t colour = 0;
    int64_t stitches = 0;
};
std::vector<YarnUse> yarnUse(const dib& grid, const ChartGeometry& g, std::vector<uint8_t>* cellYarns = nullptr);

// Yarn estimate per stitch in cm: k x (10 cm / stitches per 10 cm +
// 10 cm / rows per 10 cm), a stitch's width plus its height times the
// factor; and the estimate for n stitches in metres.
double yarnPerStitchCm(const ChartInputs& in, double k);
double yarnMetres(int64_t stitches, const ChartInputs& in, double k);

// The legend's text, in German, as drawn below the chart.
struct LegendEntry {
    int yarn = 0;
    uint32_t colour = 0;
    QString number;    // "Farbe 12"
    QString colourText;
    QString stitches;  // "1.234 Maschen"
    QString metres;    // "12,3 m"
};
struct LegendText {
    QString title;
    std::vector<LegendEntry> entries;
    QString total;
    QString size;
    std::vector<QString> smallPrint;
};
LegendText legendText(const std::vector<YarnUse>& use, const ChartInputs& in, const ChartGeometry& g, double k);

// Renders a chart with options that are not plain; called by renderChart,
// which has filled res.geometry, res.limitBytes and res.placement.
ChartResult renderWithOptions(const dib& grid, const ChartInputs& in, const ChartOptions& o, ChartResult res);
// The plain renderer's cells, row numbers and row lines, with the outline
// and the row numbering of `o`, into `out` (only poi and bytew are used; it
// may be a band of rows of a larger picture, g.height rows high).
void drawPlainChart(dib& out, const ChartGeometry& g, const dib& grid, const ChartOptions& o);

}  // namespace chart
