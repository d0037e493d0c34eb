// One row's share of the knittability check: its yarns, floats and
// confetti. The whole-grid check and the row-by-row one both call these,
// so each rule is written once (the rules are in knitcheck.h).
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <iterator>
#include <vector>

#include "pattern/knitcheck.h"
#include "pattern/limits.h"

namespace pattern::knit::row {

// Grid byte -> yarn number. Yarn numbers fit a byte: at most
// kMaxYarnColours (246) yarns.
using YarnMap = std::array<uint8_t, 256>;

inline YarnMap yarnMap(int yarnCount) {
    const int owned = std::clamp(yarnCount, 0, kMaxYarnColours);
    YarnMap m{};
    for (int v = 0; v < 256; ++v) {
        const int yarn = v - kYarnIndexOffset;
        m[size_t(v)] = uint8_t(yarn >= 0 && yarn < owned ? yarn : 0);
    }
    return m;
}

// No yarn has this number: the row beyond an edge is filled with it.
constexpr uint8_t kNoYarn = 255;
static_assert(kMaxYarnColours <= kNoYarn);

inline void mapRow(const uint8_t* bytes, int w, const YarnMap& map, uint8_t* out) {
    for (int x = 0; x < w; ++x) out[x] = map[bytes[x]];
}

// The yarns used in one row, as a 256-bit set.
struct YarnSet {
    std::array<uint64_t, 4> w{};
    void add(int yarn) { w[size_t(yarn) >> 6] |= uint64_t(1) << (yarn & 63); }
    bool has(int yarn) const { return (w[size_t(yarn) >> 6] >> (yarn & 63)) & 1; }
    int count() const { return std::popcount(w[0]) + std::popcount(w[1]) + std::popcount(w[2]) + std::popcount(w[3]); }
};

// Confetti stitches of `row` between `below` and `above` (rows of kNoYarn
// at the grid's edges). Bitwise rather than short-circuit: on dithered
// grids the comparisons are random.
inline int64_t confetti(const uint8_t* row, const uint8_t* below, const uint8_t* above, int w) {
    if (w == 1) return int64_t(below[0] != row[0] && above[0] != row[0]);
    int64_t n = (row[1] != row[0]) & (below[0] != row[0]) & (above[0] != row[0]);
    for (int x = 1; x + 1 < w; ++x) {
        const int c = row[x];
        n += (row[x - 1] != c) & (row[x + 1] != c) & (below[x] != c) & (above[x] != c);
    }
    n += (row[w - 2] != row[w - 1]) & (below[w - 1] != row[w - 1]) & (above[w - 1] != row[w - 1]);
    return n;
}

// Scratch memory of the float scan, reused row after row (it comes back
// cleared).
struct FloatScratch {
    std::array<int, 256> first, last, longest;
    std::vector<Float> inner, edge;
    FloatScratch() {
        first.fill(-1);
        last.fill(-1);
        longest.fill(0);
    }
};

struct RowFloats {
    int64_t longFloats = 0;
    int longest = 0;
};

// The floats of one row (yarn numbers, `w` of them) of knitter's row
// `knitRow`, whose yarns are `used` and whose neighbours use `below` and
// `above`. Calls perYarn(yarn, longest) for every yarn used, in ascending
// yarn order; appends the long floats to `out` (when given) from the right,
// ties by yarn.
template <class PerYarn>
RowFloats floats(const uint8_t* row, int w, int knitRow, const YarnSet& used, const YarnSet& below,
                 const YarnSet& above, int limit, FloatScratch& sc, std::vector<Float>* out, PerYarn&& perYarn) {
    auto& first = sc.first;
    auto& last = sc.last;
    auto& longest = sc.longest;
    // Columns run from the left; stitch numbers from the right: x -> w - x.
    // Inner floats are met in falling stitch numbers, at most one per
    // column. On dithered grids whether a float is long is a coin toss, so
    // each is written and kept by advancing the count, not by a branch.
    if (out) sc.inner.resize(size_t(w) + 1);
    Float* inner = out ? sc.inner.data() : nullptr;
    size_t nLong = 0;
    for (int x = 0; x < w; ++x) {
        const int c = row[x];
        const int l = last[size_t(c)];
        last[size_t(c)] = x;
        if (l < 0) {
            first[size_t(c)] = x;
            continue;
        }
        const int len = x - l - 1;  // 0 for two stitches side by side
        longest[size_t(c)] = std::max(longest[size_t(c)], len);
        if (inner) inner[nLong] = Float{knitRow, w - x + 1, w - l - 1, c};
        nLong += size_t(len > limit);
    }
    const size_t rowFirst = out ? out->size() : 0;
    if (out)
        out->insert(out->end(), std::make_reverse_iterator(sc.inner.begin() + std::ptrdiff_t(nLong)),
                    std::make_reverse_iterator(sc.inner.begin()));
    sc.edge.clear();
    int64_t nEdge = 0;
    auto edgeFloat = [&](int c, int xl, int xr) {
        const int len = xr - xl + 1;
        if (len > longest[size_t(c)]) longest[size_t(c)] = len;
        if (len > limit) {
            ++nEdge;
            if (out) sc.edge.push_back(Float{knitRow, w - xr, w - xl, c});
        }
    };
    RowFloats result;
    for (int c = 0; c < 256; ++c) {
        if (!used.has(c)) continue;
        if (below.has(c) || above.has(c)) {
            if (first[size_t(c)] > 0) edgeFloat(c, 0, first[size_t(c)] - 1);
            if (last[size_t(c)] < w - 1) edgeFloat(c, last[size_t(c)] + 1, w - 1);
        }
        perYarn(c, longest[size_t(c)]);
        result.longest = std::max(result.longest, longest[size_t(c)]);
        first[size_t(c)] = -1;
        last[size_t(c)] = -1;
        longest[size_t(c)] = 0;
    }
    if (out && !sc.edge.empty()) {
        auto byFrom = [](const Float& a, const Float& b) { return a.from != b.from ? a.from < b.from : a.yarn < b.yarn; };
        std::sort(sc.edge.begin(), sc.edge.end(), byFrom);
        const auto mid = out->insert(out->end(), sc.edge.begin(), sc.edge.end());
        std::inplace_merge(out->begin() + std::ptrdiff_t(rowFirst), mid, out->end(), byFrom);
    }
    result.longFloats = int64_t(nLong) + nEdge;
    return result;
}

}  // namespace pattern::knit::row
