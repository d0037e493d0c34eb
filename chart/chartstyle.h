// The chart's look, written once. The chart picture (pixels, render.cpp and
// optionrender.cpp) and the pages (vectors, output/pages.cpp) both take every
// decision from here: which outline a fill gets, which boundaries carry a
// heavy line and how heavy, which rows and columns are numbered, which
// symbol a yarn has and in which colour, what each legend line says and in
// what order. Only the drawing differs.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "chart/chartoptions.h"
#include "pattern/limits.h"
#include "raster/dib.h"

namespace chart {

struct ChartInputs;
struct ChartGeometry;

// ---- outlines and inks

// The fill's inverse colour: the plain chart's outline.
uint32_t inverseColour(uint32_t fill);
// Black for light fills, white for dark ones, by the fill's luminance.
uint32_t contrastColour(uint32_t fill);
// The outline a cell of this fill gets.
uint32_t outlineColour(uint32_t fill, Outline kind);
// Ink drawn over a fill (symbols, the mark of repeated stitches): whichever
// of black and white stands out from it.
inline uint32_t inkOn(uint32_t fill) { return contrastColour(fill); }

// ---- heavy lines

enum class LineWeight { none, dashed, heavy };
// The line on the boundary after n stitches (counted from the right) or n
// rows (counted from the bottom). The chart's outer edge is no boundary.
LineWeight lineAfter(int64_t n, int64_t total, HeavyLines mode);

// How each weight is drawn: in the picture on both outline pixels of the
// boundary (a dash is kDashPixels on, kDashPixels off); on paper as a line
// of this many mm centred on the boundary.
inline constexpr int kHeavyLinePixels = 2;
inline constexpr int kDashPixels = 2;
inline constexpr double kHeavyLineMm = 0.45;
inline constexpr double kDashedLineMm = 0.3;
inline constexpr double kDashMm = 0.9;
inline constexpr uint32_t kLineColour = 0x000000u;
double lineMm(LineWeight w);

// ---- numbering

// Which sides carry the number of row n (counted from the bottom, from 1).
bool numberedLeft(RowNumbering mode, int64_t n);
bool numberedRight(RowNumbering mode, int64_t n);
// Whether stitch n (counted from the right, from 1) is numbered above and
// below the cells; `every` is 0 (none), 5 or 10.
bool columnNumbered(int every, int64_t n);

// What pages to knit from show of these options: the options themselves,
// with heavy lines every 10 stitches and rows and column numbers every 10
// at the least, and always the legend.
ChartOptions pageOptions(const ChartOptions& o);

// ---- symbols

// The 64 yarn symbols, 13 x 13 dots each (bit x of row y set = ink).
// Symbol i belongs to yarn i.
constexpr int kSymbolSize = 13;
constexpr int kSymbolCount = pattern::kYarnColours;
using SymbolBitmap = std::array<uint16_t, kSymbolSize>;
const SymbolBitmap& symbolBitmap(int yarn);

// Where a symbol sits in a cell of w x h (pixels or mm), from the cell's top
// left corner: centred in the inside of the outline ring `ring` wide, one
// dot `dot` wide. In pixels (`wholeDots`) a dot is a whole number of
// pixels, as large as fits; on paper a symbol takes 13/15 of the shorter
// side, as in a cell of the smallest size.
struct SymbolPlace {
    double x = 0, y = 0, dot = 0;
};
SymbolPlace symbolPlace(double w, double h, double ring, bool wholeDots);

// ---- yarns in use and the legend

// The yarns of a chart: the stitches of each, counted as the chart samples
// the grid. Yarn i is grid index i + 10; indices that no yarn owns count
// as yarn 0. Grids without a palette number their colours as they come.
// With `cellYarns`, the yarn of every chart stitch, row by row from the top.
struct YarnUse {
    int yarn = 0;
    uint32_t colour = 0;
    int64_t stitches = 0;
    // Stitches its floats pass at the back (stranded knitting), by the
    // knittability check's floats; 0 where the chart resamples the grid.
    int64_t carried = 0;
};
std::vector<YarnUse> yarnUse(const dib& grid, const ChartGeometry& g, std::vector<uint8_t>* cellYarns = nullptr);

// Yarn estimate per stitch in cm: k x (10 cm / stitches per 10 cm +
// 10 cm / rows per 10 cm), a stitch's width plus its height times the
// factor; and the estimate for n stitches in metres.
double yarnPerStitchCm(const ChartInputs& in, double k);
double yarnMetres(int64_t stitches, const ChartInputs& in, double k);

// The legend, in German. Each entry is one line: the swatch (a cell as the
// chart draws it, symbol included), then the texts in this order.
struct LegendEntry {
    int yarn = 0;
    uint32_t colour = 0;
    QString number;    // "Garn 12", the yarn's one name
    QString colourText;
    QString stitches;  // "1.234 Maschen"
    QString metres;    // "ca. 12,3 m"
    std::array<QString, 4> texts() const { return {number, colourText, stitches, metres}; }
};
// Texts 2 and 3 (counts) line up at the right.
inline constexpr bool legendRightAligned(std::size_t text) { return text >= 2; }
struct LegendText {
    QString title;
    std::vector<LegendEntry> entries;
    QString total;
    QString size;
    std::vector<QString> smallPrint;
    // Lines besides the entries: title, total, size and the small print.
    int otherLines() const { return 3 + int(smallPrint.size()); }
};
LegendText legendText(const std::vector<YarnUse>& use, const ChartInputs& in, const ChartGeometry& g, double k);

}  // namespace chart
