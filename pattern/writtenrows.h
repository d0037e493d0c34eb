// Written rows: the stitch grid told row by row as it is knitted, from
// row 1 at the bottom, each row as the runs of yarns in the order the
// needle meets them ("Reihe 3 (Hinreihe, von rechts): 4 × Garn 2, ...").
// Flat knitting reads right-side rows from the right and wrong-side rows
// from the left; knitting in the round reads every row from the right.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "raster/dib.h"

namespace pattern {

enum class Knitting {
    flat,   // back and forth: odd rows are right-side rows
    round,  // in the round: every row is a right-side row
};

// The yarn of every stitch, row by row from the top, as the chart shows
// them (yarn i = palette index i, 0..63).
struct YarnCells {
    int64_t stitches = 0;
    int64_t rows = 0;
    std::vector<uint8_t> yarns;  // stitches x rows, top row first
    uint8_t at(int64_t column, int64_t rowFromTop) const {
        return yarns[std::size_t(rowFromTop * stitches + column)];
    }
};

// One cell per grid pixel: yarn i is grid index i + 10, indices no yarn
// owns count as yarn 0 (they show its colour).
YarnCells yarnCells(const dib& grid);

struct YarnRun {
    int yarn = 0;
    int64_t count = 0;
    bool operator==(const YarnRun&) const = default;
};

// A run of runs: `times` > 1 is written bracketed, "(...) × times".
struct RunGroup {
    std::vector<YarnRun> runs;
    int64_t times = 1;
};

struct WrittenRow {
    int64_t number = 0;      // from 1 at the bottom
    Knitting knitting = Knitting::flat;
    bool rightSide = true;   // Hinreihe
    bool fromRight = true;   // reading direction on the chart
    int64_t stitches = 0;
    std::vector<RunGroup> groups;
};

// The runs of row `number` (from 1 at the bottom), read from the right or
// from the left.
std::vector<YarnRun> rowRuns(const YarnCells& cells, int64_t number, bool fromRight);

// Repeats bracketed where that is exact and makes the text shorter; a
// group never changes what is knitted.
std::vector<RunGroup> bracketRuns(const std::vector<YarnRun>& runs);

WrittenRow writtenRow(const YarnCells& cells, int64_t number, Knitting knitting, bool brackets = true);

// "4 × Garn 2, (2 × Garn 1, 1 × Garn 3) × 5"
QString runsText(const std::vector<RunGroup>& groups);
// "Reihe 3 (Hinreihe, von rechts): 4 × Garn 2, 1 × Garn 5 (5 M.)"
QString rowText(const WrittenRow& row);

// A yarn the pattern uses, for the header.
struct WrittenYarn {
    int yarn = 0;
    uint32_t colour = 0;  // red in the low byte
    int64_t stitches = 0;
};
// The yarns of `cells` with their stitch counts; colours from `yarnColours`
// (entry i = yarn i; missing entries are black).
std::vector<WrittenYarn> writtenYarns(const YarnCells& cells, const std::vector<uint32_t>& yarnColours);

// How the rows are knitted, in a sentence for the header.
QString knittingText(Knitting knitting);

enum class TextFormat { plain, markdown };

// The whole written pattern: a short header (size, knitting, yarns), then
// one line per row in knitting order.
QString writtenRowsText(const YarnCells& cells, Knitting knitting, const std::vector<WrittenYarn>& yarns,
                        TextFormat format = TextFormat::plain);
// The same as lines for pages: header lines, an empty line, row lines.
QStringList writtenRowsLines(const YarnCells& cells, Knitting knitting, const std::vector<WrittenYarn>& yarns);

}  // namespace pattern
