// The knittability figures and the yarn count of a grid kept up to date
// edit by edit: an edit of some rows redoes those rows and their
// neighbours (a yarn that starts or stops being used in a row changes the
// edge floats of the rows beside it), not the whole grid. The figures are
// those of check() (knitcheck.h); the long floats themselves are not held
// (16 bytes each, millions on a dithered grid) but found again for the row
// asked about.
//
// With the floats switched off (their strip hidden) an edit only counts
// yarns; floats and confetti are done once they are switched on again.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "pattern/knitcheck.h"

namespace pattern::knit {

class LiveCheck {
public:
    // A yarn used in a row: its stitches there and its longest float.
    struct RowYarn {
        uint8_t yarn;
        int32_t longest;
        int32_t stitches;
    };

    // Everything afresh for `grid`.
    void reset(const GridBytes& grid, const Options& options, bool floats = true);
    // After stitches of knitter's rows first .. last (1-based from the
    // bottom) changed. A grid of another size is checked afresh.
    void rowsChanged(const GridBytes& grid, int first, int last);
    // Floats and confetti on or off; switching on does what has waited.
    void setFloats(const GridBytes& grid, bool on);
    bool floatsOn() const { return floats_; }
    // Floats and confetti are those of the grid as it is.
    bool floatsCurrent() const { return floats_ && !stale_; }
    // A new float limit or yarn count redoes the floats; a new most yarns
    // per row only the list of crowded rows.
    void setOptions(const GridBytes& grid, const Options& options);

    int width() const { return width_; }
    int height() const { return height_; }
    const Options& options() const { return options_; }
    // Knitter's rows, 1-based; 0 outside the grid.
    int yarnsInRow(int row) const;
    int longestInRow(int row) const;
    // The yarns of a row in ascending order.
    std::span<const RowYarn> yarnsOfRow(int row) const;
    // Rows holding a long float / more yarns than allowed, ascending.
    const std::vector<int>& longFloatRows() const { return longFloatRows_; }
    const std::vector<int>& crowdedRows() const { return crowdedRows_; }
    int64_t longFloatCount() const { return longFloatCount_; }
    int64_t longFloatsInRow(int row) const;
    int64_t confetti() const { return confetti_; }
    double confettiPercent() const;
    // Stitches per yarn 0 .. yarnCount - 1 (unowned bytes count as yarn 0).
    std::span<const int64_t> stitchesPerYarn() const;
    // The long floats of one row, as check() lists them; `grid` is the grid
    // checked.
    std::vector<Float> longFloatsOfRow(const GridBytes& grid, int row) const;
    // Bytes held.
    size_t memoryBytes() const;

private:
    struct Row {
        std::vector<RowYarn> yarns;
        int32_t longest = 0;
        int32_t longFloats = 0;
        int32_t confetti = 0;
    };
    void countRow(const GridBytes& grid, int r);
    void floatsOfRows(const GridBytes& grid, int from, int to);  // stored rows, inclusive
    void setRowIn(std::vector<int>& rows, int row, bool in);

    Options options_;
    int width_ = 0;
    int height_ = 0;
    bool floats_ = true;
    bool stale_ = false;
    std::vector<Row> rows_;  // stored rows, bottom first
    std::array<int64_t, 256> perYarn_{};
    std::vector<int> longFloatRows_;
    std::vector<int> crowdedRows_;
    int64_t longFloatCount_ = 0;
    int64_t confetti_ = 0;
    std::array<uint8_t, 256> map_{};
    // Scratch, reused edit after edit.
    std::vector<uint8_t> ring_;
};

}  // namespace pattern::knit
