#include "pattern/knitcheck.h"

#include <algorithm>
#include <array>
#include <bit>

#include "pattern/limits.h"

namespace pattern::knit {

namespace {

// Yarn numbers fit a byte: at most kMaxYarnColours (246) yarns.
using YarnMap = std::array<uint8_t, 256>;

YarnMap yarnMap(int yarnCount) {
    const int owned = std::clamp(yarnCount, 0, kMaxYarnColours);
    YarnMap m{};
    for (int v = 0; v < 256; ++v) {
        const int yarn = v - kYarnIndexOffset;
        m[v] = uint8_t(yarn >= 0 && yarn < owned ? yarn : 0);
    }
    return m;
}

// The grid as yarn numbers, stored rows (bottom first), `width` per row.
std::vector<uint8_t> yarnsOf(const GridBytes& g, const YarnMap& map) {
    std::vector<uint8_t> y(size_t(g.width) * size_t(g.height));
    for (int r = 0; r < g.height; ++r) {
        const uint8_t* src = g.bits + std::ptrdiff_t(r) * g.bytew;
        uint8_t* dst = y.data() + size_t(r) * size_t(g.width);
        for (int x = 0; x < g.width; ++x) dst[x] = map[src[x]];
    }
    return y;
}

bool usable(const GridBytes& g) { return g.bits && g.width > 0 && g.height > 0 && g.bytew >= g.width; }

// The yarns used in one row, as a 256-bit set.
struct YarnSet {
    std::array<uint64_t, 4> w{};
    void add(int yarn) { w[size_t(yarn) >> 6] |= uint64_t(1) << (yarn & 63); }
    bool has(int yarn) const { return (w[size_t(yarn) >> 6] >> (yarn & 63)) & 1; }
    int count() const { return std::popcount(w[0]) + std::popcount(w[1]) + std::popcount(w[2]) + std::popcount(w[3]); }
};

int64_t squaredDistance(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    const int dr = int(a.peRed) - b.peRed, dg = int(a.peGreen) - b.peGreen, db = int(a.peBlue) - b.peBlue;
    return int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
}

}  // namespace

GridBytes gridBytes(const dib& grid) {
    if (!grid.poi || dibbitcount(grid) != 8) return {};
    return GridBytes{grid.poi, grid.bytew, dibwidth(grid), dibheight(grid)};
}

int defaultFloatLimit(int stitchesPer10cm) {
    if (stitchesPer10cm <= 0) return 0;
    return int((long double)stitchesPer10cm * kFloatLimitCm / 10);
}

std::span<const YarnFloat> Report::floatsOfRow(int row) const {
    if (row < 1 || size_t(row) >= rowStart.size()) return {};
    return std::span<const YarnFloat>(yarnFloats).subspan(size_t(rowStart[size_t(row) - 1]),
                                                          size_t(rowStart[size_t(row)] - rowStart[size_t(row) - 1]));
}

Report check(const GridBytes& g, const Options& options) {
    Report rep;
    check(g, options, rep);
    return rep;
}

void check(const GridBytes& g, const Options& options, Report& rep) {
    rep.width = rep.height = 0;
    rep.options = options;
    rep.yarnsInRow.clear();
    rep.longestInRow.clear();
    rep.yarnFloats.clear();
    rep.rowStart.clear();
    rep.longFloats.clear();
    rep.longFloatRows.clear();
    rep.crowdedRows.clear();
    rep.confetti = 0;
    rep.confettiPercent = 0;
    if (!usable(g)) return;
    const int w = g.width, h = g.height;
    rep.width = w;
    rep.height = h;
    const YarnMap map = yarnMap(options.yarnCount);

    // The yarns of each row first: whether a yarn continues needs the rows
    // on both sides.
    std::vector<YarnSet> used(static_cast<size_t>(h));
    for (int r = 0; r < h; ++r) {
        const uint8_t* bytes = g.bits + std::ptrdiff_t(r) * g.bytew;
        YarnSet& s = used[size_t(r)];
        for (int x = 0; x < w; ++x) s.add(map[bytes[x]]);
    }
    // Rows as yarn numbers, three at a time (below, this, above).
    std::vector<uint8_t> ring(size_t(w) * 3);
    auto yarnRow = [&](int r) { return ring.data() + size_t(r % 3) * size_t(w); };
    auto mapRow = [&](int r) {
        const uint8_t* bytes = g.bits + std::ptrdiff_t(r) * g.bytew;
        uint8_t* dst = yarnRow(r);
        for (int x = 0; x < w; ++x) dst[x] = map[bytes[x]];
    };
    mapRow(0);
    // Confetti: bitwise rather than short-circuit, as the comparisons are
    // random on dithered grids. The edges have no neighbour there: compare
    // with a row of no yarn (256 is no byte).
    const std::vector<uint16_t> nothing(size_t(w), 256);
    auto confettiOf = [&](const uint8_t* row, const auto* below, const auto* above) {
        if (w == 1) return int64_t(below[0] != row[0] && above[0] != row[0]);
        int64_t n = (row[1] != row[0]) & (below[0] != row[0]) & (above[0] != row[0]);
        for (int x = 1; x + 1 < w; ++x) {
            const int c = row[x];
            n += (row[x - 1] != c) & (row[x + 1] != c) & (below[x] != c) & (above[x] != c);
        }
        n += (row[w - 2] != row[w - 1]) & (below[w - 1] != row[w - 1]) & (above[w - 1] != row[w - 1]);
        return n;
    };
    int64_t confetti = 0;

    rep.yarnsInRow.resize(size_t(h));
    rep.longestInRow.resize(size_t(h));
    rep.rowStart.assign(1, 0);
    // Per yarn: first and last column met in the row, longest inner gap.
    std::array<int, 256> first{}, last{}, longest{};
    first.fill(-1);
    last.fill(-1);
    // Floats longer than this are long; a negative limit is 0.
    const int limit = std::max(options.floatLimit, 0);
    std::vector<Float> rowLong(size_t(w) + 1), edgeLong;
    auto byFrom = [](const Float& a, const Float& b) { return a.from != b.from ? a.from < b.from : a.yarn < b.yarn; };
    for (int r = 0; r < h; ++r) {
        if (r + 1 < h) mapRow(r + 1);
        const uint8_t* row = yarnRow(r);
        const uint8_t* dn = r > 0 ? yarnRow(r - 1) : nullptr;
        const uint8_t* up = r + 1 < h ? yarnRow(r + 1) : nullptr;
        if (dn && up) confetti += confettiOf(row, dn, up);
        else if (dn) confetti += confettiOf(row, dn, nothing.data());
        else if (up) confetti += confettiOf(row, nothing.data(), up);
        else confetti += confettiOf(row, nothing.data(), nothing.data());

        const int knitRow = r + 1;
        const size_t rowFirstLong = rep.longFloats.size();
        // Columns run from the left; stitch numbers from the right: x -> w - x.
        // Inner floats are met in falling stitch numbers, at most one per
        // column. On dithered grids whether a float is long is a coin toss,
        // so each is written and kept by advancing the count, not by a branch.
        size_t nLong = 0;
        for (int x = 0; x < w; ++x) {
            const int c = row[x];
            const int l = last[c];
            last[c] = x;
            if (l < 0) {
                first[c] = x;
                continue;
            }
            const int len = x - l - 1;  // 0 for two stitches side by side
            longest[c] = std::max(longest[c], len);
            rowLong[nLong] = Float{knitRow, w - x + 1, w - l - 1, c};
            nLong += size_t(len > limit);
        }
        rep.longFloats.insert(rep.longFloats.end(), std::make_reverse_iterator(rowLong.begin() + std::ptrdiff_t(nLong)),
                              std::make_reverse_iterator(rowLong.begin()));
        const YarnSet& s = used[size_t(r)];
        const YarnSet none{};
        const YarnSet& below = r > 0 ? used[size_t(r) - 1] : none;
        const YarnSet& above = r + 1 < h ? used[size_t(r) + 1] : none;
        edgeLong.clear();
        auto edgeFloat = [&](int c, int xl, int xr) {
            const int len = xr - xl + 1;
            if (len > longest[c]) longest[c] = len;
            if (len > limit) edgeLong.push_back(Float{knitRow, w - xr, w - xl, c});
        };
        int rowLongest = 0;
        for (int c = 0; c < 256; ++c) {
            if (!s.has(c)) continue;
            if (below.has(c) || above.has(c)) {
                if (first[c] > 0) edgeFloat(c, 0, first[c] - 1);
                if (last[c] < w - 1) edgeFloat(c, last[c] + 1, w - 1);
            }
            rep.yarnFloats.push_back(YarnFloat{c, longest[c]});
            rowLongest = std::max(rowLongest, longest[c]);
            first[c] = -1;
            last[c] = -1;
            longest[c] = 0;
        }
        if (!edgeLong.empty()) {
            std::sort(edgeLong.begin(), edgeLong.end(), byFrom);
            const auto mid = rep.longFloats.insert(rep.longFloats.end(), edgeLong.begin(), edgeLong.end());
            std::inplace_merge(rep.longFloats.begin() + std::ptrdiff_t(rowFirstLong), mid, rep.longFloats.end(), byFrom);
        }
        rep.rowStart.push_back(int(rep.yarnFloats.size()));
        const int n = s.count();
        rep.yarnsInRow[size_t(r)] = n;
        rep.longestInRow[size_t(r)] = rowLongest;
        if (n > options.maxYarnsPerRow) rep.crowdedRows.push_back(knitRow);
        if (rep.longFloats.size() > rowFirstLong) rep.longFloatRows.push_back(knitRow);
    }

    rep.confetti = confetti;
    rep.confettiPercent = 100.0 * double(confetti) / (double(w) * double(h));
}

std::vector<StitchChange> removeConfetti(const GridBytes& g, int maxIsland, const LPAL& palette, int yarnCount) {
    if (!usable(g) || maxIsland < 1) return {};
    const int w = g.width, h = g.height;
    const size_t n = size_t(w) * size_t(h);
    std::vector<uint8_t> yarns = yarnsOf(g, yarnMap(yarnCount));
    // big: known to lie in a region of more than maxIsland stitches. Regions
    // only grow while islands are recoloured, so that stays true.
    std::vector<uint8_t> big(n, 0);
    std::vector<uint32_t> mark(n, 0);
    uint32_t stamp = 0;
    std::vector<size_t> members;
    std::vector<std::pair<size_t, uint8_t>> recoloured;  // index, new yarn

    auto forNeighbours = [&](size_t i, auto&& f) {
        const int x = int(i % size_t(w));
        if (x > 0) f(i - 1);
        if (x + 1 < w) f(i + 1);
        if (i >= size_t(w)) f(i - size_t(w));
        if (i + size_t(w) < n) f(i + size_t(w));
    };

    for (int r = 0; r < h; ++r) {
        for (int x = w - 1; x >= 0; --x) {
            const size_t start = size_t(r) * size_t(w) + size_t(x);
            if (big[start]) continue;
            const uint8_t c = yarns[start];
            ++stamp;
            members.assign(1, start);
            mark[start] = stamp;
            bool large = false;
            for (size_t k = 0; k < members.size() && !large; ++k) {
                forNeighbours(members[k], [&](size_t q) {
                    if (large || yarns[q] != c) return;
                    if (big[q]) {
                        large = true;
                    } else if (mark[q] != stamp) {
                        mark[q] = stamp;
                        members.push_back(q);
                        if (members.size() > size_t(maxIsland)) large = true;
                    }
                });
            }
            if (large) {
                for (size_t m : members) big[m] = 1;
                continue;
            }
            ++stamp;
            std::array<int, 256> count{};
            for (size_t m : members)
                forNeighbours(m, [&](size_t q) {
                    if (yarns[q] != c && mark[q] != stamp) {
                        mark[q] = stamp;
                        ++count[yarns[q]];
                    }
                });
            int best = -1;
            for (int y = 0; y < 256; ++y) {
                if (count[size_t(y)] == 0) continue;
                if (best < 0 || count[size_t(y)] > count[size_t(best)] ||
                    (count[size_t(y)] == count[size_t(best)] &&
                     squaredDistance(palette.rgb0[y], palette.rgb0[c]) < squaredDistance(palette.rgb0[best], palette.rgb0[c])))
                    best = y;
            }
            if (best < 0) {  // nothing around it: the whole grid
                for (size_t m : members) big[m] = 1;
                continue;
            }
            for (size_t m : members) {
                yarns[m] = uint8_t(best);
                recoloured.emplace_back(m, uint8_t(best));
            }
        }
    }

    // One entry per stitch, its last colour; a stitch that went back to its
    // own yarn has not changed.
    std::stable_sort(recoloured.begin(), recoloured.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const YarnMap map = yarnMap(yarnCount);
    std::vector<StitchChange> changes;
    for (size_t k = 0; k < recoloured.size(); ++k) {
        if (k + 1 < recoloured.size() && recoloured[k + 1].first == recoloured[k].first) continue;
        const size_t i = recoloured[k].first;
        const int r = int(i / size_t(w)), x = int(i % size_t(w));
        const uint8_t before = g.bits[std::ptrdiff_t(r) * g.bytew + x];
        if (map[before] == recoloured[k].second) continue;
        changes.push_back(StitchChange{r + 1, w - x, before, uint8_t(recoloured[k].second + kYarnIndexOffset)});
    }
    std::sort(changes.begin(), changes.end(), [](const StitchChange& a, const StitchChange& b) {
        return a.row != b.row ? a.row < b.row : a.stitch < b.stitch;
    });
    return changes;
}

void applyChanges(uint8_t* bits, int bytew, int width, int height, std::span<const StitchChange> changes, bool revert) {
    if (!bits) return;
    auto put = [&](const StitchChange& c) {
        if (c.row < 1 || c.row > height || c.stitch < 1 || c.stitch > width) return;
        bits[std::ptrdiff_t(c.row - 1) * bytew + (width - c.stitch)] = revert ? c.before : c.after;
    };
    // Backwards on the way back, so a list naming a stitch twice still
    // ends at the first `before`.
    if (revert)
        for (auto it = changes.rbegin(); it != changes.rend(); ++it) put(*it);
    else
        for (const StitchChange& c : changes) put(c);
}

}  // namespace pattern::knit
