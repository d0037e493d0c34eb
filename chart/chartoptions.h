// Chart options that make the chart easier to knit from: outlines that
// stand out from every fill, heavier lines every 10 (and 5) stitches and
// rows, column numbers, other row numberings, a symbol per yarn and a yarn
// legend below the chart. A default-constructed ChartOptions draws the
// plain chart, pixel for pixel.
//
// What each option looks like is the chart style's (chart/chartstyle.h).
#pragma once

#include <QSettings>
#include <cstdint>

#include "pattern/limits.h"

namespace chart {

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

}  // namespace chart
