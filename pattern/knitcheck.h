// Knittability of a stitch grid: floats, yarns per row and confetti, and
// the clean-up of small islands. Read-only over the grid's bytes; the
// clean-up returns a change list that the caller applies (and can revert).
//
// Yarns: a grid byte v is yarn v - kYarnIndexOffset when that is below the
// yarn count; every other byte shows yarn 0's colour and counts as yarn 0.
//
// Numbering follows the knitter: rows from the bottom (row 1 is the lowest,
// which is stored row 0 of the bottom-up grid), stitches from the right
// (stitch 1 is the rightmost column). All numbers below are 1-based.
//
// Floats. In a row, a yarn used in that row is carried behind every run of
// stitches of other yarns that lies
//  - between two of its own stitches, and
//  - between a row edge and its first or last stitch, when the yarn
//    continues: it is used in the row directly below or directly above as
//    well (so it has to travel to the edge to get there); a yarn used only
//    in this row is joined and cut at its stitches and floats only inside.
// A float's length is the number of stitches it passes. It is long when its
// length is greater than the limit; the default limit is the stitches in
// 2.5 cm at the gauge, Trunc(stitches per 10 cm x 2.5 / 10).
//
// Confetti: a stitch none of whose four neighbours (left, right, above,
// below; fewer at the edges) has its yarn.
//
// Islands: 4-connected regions of one yarn. The clean-up recolours islands
// of at most S stitches (S = 1: single stitches; an island of 2 stays with
// S = 1 and goes with S = 2).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "pattern/limits.h"
#include "pattern/progress.h"
#include "raster/dib.h"

namespace pattern::knit {

// The 8-bit grid's pixel bytes: `height` stored rows of `bytew` bytes,
// bottom row first, `width` stitches used of each.
struct GridBytes {
    const uint8_t* bits = nullptr;
    int bytew = 0;
    int width = 0;
    int height = 0;
};
// The bytes of an 8-bit grid; empty for an empty record or another depth.
GridBytes gridBytes(const dib& grid);

constexpr double kFloatLimitCm = 2.5;
constexpr int kDefaultMaxYarnsPerRow = 2;
constexpr int kDefaultIslandSize = 1;
// Trunc(stitchesPer10cm x 2.5 / 10); 0 for a gauge below 4.
int defaultFloatLimit(int stitchesPer10cm);

struct Options {
    int floatLimit = 5;                            // floats longer than this are long
    int maxYarnsPerRow = kDefaultMaxYarnsPerRow;   // rows with more yarns are crowded
    int yarnCount = 64;                            // yarns the grid palette owns
};

// One float: yarn `yarn` carried past stitches `from` .. `to` (from <= to,
// counted from the right) of row `row`.
struct Float {
    int row;
    int from;
    int to;
    int yarn;
    int length() const { return to - from + 1; }
};

struct YarnFloat {
    int yarn;
    int longest;  // 0 when the yarn is never carried in that row
};

struct Report {
    int width = 0;
    int height = 0;
    Options options;
    // Per row (index row - 1): yarns used, and the longest float of any yarn.
    std::vector<int> yarnsInRow;
    std::vector<int> longestInRow;
    // Every yarn used in a row with its longest float, rows one after the
    // other in ascending yarn order: row r's entries are
    // yarnFloats[rowStart[r - 1] .. rowStart[r]).
    std::vector<YarnFloat> yarnFloats;
    std::vector<int> rowStart;
    // Every long float, row by row, in each row from the right.
    std::vector<Float> longFloats;
    std::vector<int> longFloatRows;  // rows holding a long float, ascending
    std::vector<int> crowdedRows;    // rows with more than maxYarnsPerRow yarns
    int64_t confetti = 0;
    double confettiPercent = 0;  // of all stitches; 0 for an empty grid

    std::span<const YarnFloat> floatsOfRow(int row) const;
};

Report check(const GridBytes& grid, const Options& options);
// The same into `report`, reusing its memory: a grid checked after every
// edit then allocates nothing new.
void check(const GridBytes& grid, const Options& options, Report& report);

// One recoloured stitch, with the grid bytes before and after.
struct StitchChange {
    int row;
    int stitch;
    uint8_t before;
    uint8_t after;
};

// Recolours every island of at most `maxIsland` stitches with the yarn
// most frequent among the stitches bordering it (each bordering stitch
// counted once); a tie goes to the yarn nearest in colour to the island's
// (squared RGB distance in `yarns`), then to the lower yarn number. Islands
// are taken in knitting order (rows from the bottom, each from the right)
// on the grid as recoloured so far, so a recoloured island joins its
// neighbours and a checkerboard does not merely flip. The grid is not
// changed: the result lists each changed stitch once, in knitting order,
// `after` being the new yarn's byte.
std::vector<StitchChange> removeConfetti(const GridBytes& grid, int maxIsland, const LPAL& yarns, int yarnCount);

// The same clean-up for large grids: it holds the grid's yarns after the
// clean-up (one byte per stitch) and a quarter byte per stitch while it
// runs, and hands the changes out one by one, so the caller can size its
// own list before it is built. Cancelling leaves nothing.
class ConfettiCleanup {
public:
    enum class Status { Ok, Cancelled, OutOfMemory };
    // Bytes run() needs for a grid of this size.
    static int64_t workBytes(int width, int height);
    Status run(const GridBytes& grid, int maxIsland, const LPAL& yarns, int yarnCount,
               const CancellableProgress& progress = {});
    int64_t changeCount() const { return changes_; }
    // f(const StitchChange&) for each changed stitch, in knitting order.
    template <class F>
    void forEachChange(F&& f) const {
        const int w = grid_.width;
        for (int r = 0; r < grid_.height && changes_ > 0; ++r) {
            const uint8_t* before = grid_.bits + std::ptrdiff_t(r) * grid_.bytew;
            const uint8_t* after = yarns_.data() + size_t(r) * size_t(w);
            for (int x = w - 1; x >= 0; --x)
                if (after[x] != map_[before[x]])
                    f(StitchChange{r + 1, w - x, before[x], uint8_t(after[x] + kYarnIndexOffset)});
        }
    }
    size_t memoryBytes() const { return yarns_.capacity(); }

private:
    GridBytes grid_;
    std::array<uint8_t, 256> map_{};
    std::vector<uint8_t> yarns_;
    int64_t changes_ = 0;
};

// Writes the change list into the grid's bytes (`after`), or takes it back
// (`before`). Changes outside the grid are skipped.
void applyChanges(uint8_t* bits, int bytew, int width, int height, std::span<const StitchChange> changes,
                  bool revert);

}  // namespace pattern::knit
