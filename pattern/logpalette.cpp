#include "pattern/logpalette.h"

#include <algorithm>
#include <climits>

namespace pattern {

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
    if (distinct_.empty()) return;
    for (int l = 0; l < kLevels; ++l) {
        levels_[l].sideBits = kCoarsestBits - l;
        const int axis = 8 - levels_[l].sideBits;
        levels_[l].cells.assign(std::size_t(1) << (3 * axis), 0);
    }
}

uint32_t LogPalette::buildCell(int level, uint8_t red, uint8_t green, uint8_t blue) const {
    // The entries to choose from: the parent cell's list, or all of them.
    const Candidate* source = distinct_.data();
    uint32_t count = uint32_t(distinct_.size());
    if (level > 0) {
        const Level& parent = levels_[level - 1];
        uint32_t packed = parent.cells[cellOf(parent, red, green, blue)];
        if (packed == 0) packed = buildCell(level - 1, red, green, blue);
        source = parent.pool.data() + (packed >> kCountBits);
        count = packed & kCountMask;
    }

    Level& lv = levels_[level];
    const int side = 1 << lv.sideBits;
    const int lo[3] = {red >> lv.sideBits << lv.sideBits, green >> lv.sideBits << lv.sideBits,
                       blue >> lv.sideBits << lv.sideBits};

    // Closest and farthest squared distance from each entry to the cell.
    int closest[256];
    int limit = INT_MAX;
    for (uint32_t i = 0; i < count; ++i) {
        const Candidate& c = source[i];
        const int v[3] = {c.red, c.green, c.blue};
        int dmin = 0, dmax = 0;
        for (int a = 0; a < 3; ++a) {
            const int below = lo[a] - v[a];               // > 0: entry below the cell
            const int above = v[a] - (lo[a] + side - 1);  // > 0: entry above it
            const int gap = std::max({below, above, 0});
            const int far = std::max(v[a] - lo[a], lo[a] + side - 1 - v[a]);
            dmin += gap * gap;
            dmax += far * far;
        }
        closest[i] = dmin;
        limit = std::min(limit, dmax);
    }

    const uint32_t offset = uint32_t(lv.pool.size());
    for (uint32_t i = 0; i < count; ++i)
        if (closest[i] <= limit) lv.pool.push_back(source[i]);
    if (level == kLevels - 1) {
        while ((lv.pool.size() - offset) % kGroup != 0) lv.pool.push_back(lv.pool.back());
#if defined(__SSE2__)
        for (std::size_t i = offset; i < lv.pool.size(); i += kGroup) {
            const Candidate* c = lv.pool.data() + i;
            lv.groups.push_back(Group{
                _mm_setr_epi16(c[0].red, c[0].green, c[1].red, c[1].green, c[2].red, c[2].green, c[3].red, c[3].green),
                _mm_setr_epi16(c[0].blue, 0, c[1].blue, 0, c[2].blue, 0, c[3].blue, 0),
                _mm_setr_epi32(c[0].index, c[1].index, c[2].index, c[3].index)});
        }
#endif
    }
    const uint32_t packed = (offset << kCountBits) | (uint32_t(lv.pool.size()) - offset);
    lv.cells[cellOf(lv, red, green, blue)] = packed;
    return packed;
}

}  // namespace pattern
