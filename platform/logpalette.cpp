#include "platform/logpalette.h"

#include <algorithm>
#include <climits>

namespace platform {

namespace {

int paletteEntries(const LPAL& palette) { return std::min<int>(palette.num, 256); }

}  // namespace

int nearestIndexBrute(const LPAL& palette, uint8_t red, uint8_t green, uint8_t blue) {
    int best = 0;
    int bestDist = INT_MAX;
    for (int i = 0; i < paletteEntries(palette); ++i) {
        const PALETTEENTRY& e = palette.rgb0[i];
        int dr = e.peRed - red, dg = e.peGreen - green, db = e.peBlue - blue;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

LogPalette::LogPalette(const LPAL& palette) : entries_(paletteEntries(palette)) {
    // A later duplicate can never win against its earlier twin, so only the
    // first occurrence of each colour takes part.
    for (int i = 0; i < entries_; ++i) {
        const PALETTEENTRY& e = palette.rgb0[i];
        bool seen = std::any_of(distinct_.begin(), distinct_.end(), [&](const Candidate& c) {
            return c.red == e.peRed && c.green == e.peGreen && c.blue == e.peBlue;
        });
        if (!seen) distinct_.push_back(Candidate{e.peRed, e.peGreen, e.peBlue, uint8_t(i)});
    }
    if (!distinct_.empty()) cells_.assign(kCells, 0);
}

uint32_t LogPalette::buildCell(uint32_t cell) const {
    constexpr int kSide = 1 << kCellBits;
    constexpr uint32_t kAxisMask = (1u << kAxisBits) - 1;
    const int lo[3] = {int((cell >> (2 * kAxisBits)) & kAxisMask) * kSide,
                       int((cell >> kAxisBits) & kAxisMask) * kSide, int(cell & kAxisMask) * kSide};

    // Closest and farthest squared distance from each entry to the cell.
    int closest[256];
    int limit = INT_MAX;
    for (std::size_t i = 0; i < distinct_.size(); ++i) {
        const Candidate& c = distinct_[i];
        const int v[3] = {c.red, c.green, c.blue};
        int dmin = 0, dmax = 0;
        for (int a = 0; a < 3; ++a) {
            int below = lo[a] - v[a];             // > 0 when the entry lies below the cell
            int above = v[a] - (lo[a] + kSide - 1);  // > 0 when it lies above
            int gap = std::max({below, above, 0});
            int far = std::max(v[a] - lo[a], lo[a] + kSide - 1 - v[a]);
            dmin += gap * gap;
            dmax += far * far;
        }
        closest[i] = dmin;
        limit = std::min(limit, dmax);
    }

    uint32_t offset = uint32_t(pool_.size());
    for (std::size_t i = 0; i < distinct_.size(); ++i)
        if (closest[i] <= limit) pool_.push_back(distinct_[i]);
    uint32_t count = uint32_t(pool_.size()) - offset;
    uint32_t packed = (offset << kCountBits) | count;
    cells_[cell] = packed;
    return packed;
}

}  // namespace platform
