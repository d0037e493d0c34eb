#include "pattern/knitcheck.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>

#include "pattern/knitrow.h"
#include "pattern/limits.h"

namespace pattern::knit {

namespace {

using row::YarnMap;
using row::YarnSet;
using row::yarnMap;

bool usable(const GridBytes& g) { return g.bits && g.width > 0 && g.height > 0 && g.bytew >= g.width; }

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
    auto mapRow = [&](int r) { row::mapRow(g.bits + std::ptrdiff_t(r) * g.bytew, w, map, yarnRow(r)); };
    mapRow(0);
    const std::vector<uint8_t> nothing(size_t(w), row::kNoYarn);
    int64_t confetti = 0;

    rep.yarnsInRow.resize(size_t(h));
    rep.longestInRow.resize(size_t(h));
    rep.rowStart.assign(1, 0);
    // Floats longer than this are long; a negative limit is 0.
    const int limit = std::max(options.floatLimit, 0);
    row::FloatScratch scratch;
    const YarnSet none{};
    for (int r = 0; r < h; ++r) {
        if (r + 1 < h) mapRow(r + 1);
        const uint8_t* cur = yarnRow(r);
        confetti += row::confetti(cur, r > 0 ? yarnRow(r - 1) : nothing.data(),
                                  r + 1 < h ? yarnRow(r + 1) : nothing.data(), w);
        const int knitRow = r + 1;
        const YarnSet& s = used[size_t(r)];
        const row::RowFloats f =
            row::floats(cur, w, knitRow, s, r > 0 ? used[size_t(r) - 1] : none, r + 1 < h ? used[size_t(r) + 1] : none,
                        limit, scratch, &rep.longFloats,
                        [&](int c, int longest) { rep.yarnFloats.push_back(YarnFloat{c, longest}); });
        rep.rowStart.push_back(int(rep.yarnFloats.size()));
        const int n = s.count();
        rep.yarnsInRow[size_t(r)] = n;
        rep.longestInRow[size_t(r)] = f.longest;
        if (n > options.maxYarnsPerRow) rep.crowdedRows.push_back(knitRow);
        if (f.longFloats > 0) rep.longFloatRows.push_back(knitRow);
    }

    rep.confetti = confetti;
    rep.confettiPercent = 100.0 * double(confetti) / (double(w) * double(h));
}

std::vector<StitchChange> removeConfetti(const GridBytes& g, int maxIsland, const LPAL& palette, int yarnCount) {
    ConfettiCleanup cleanup;
    if (cleanup.run(g, maxIsland, palette, yarnCount) != ConfettiCleanup::Status::Ok) return {};
    std::vector<StitchChange> changes;
    changes.reserve(size_t(cleanup.changeCount()));
    cleanup.forEachChange([&](const StitchChange& c) { changes.push_back(c); });
    return changes;
}

int64_t ConfettiCleanup::workBytes(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    const int64_t n = int64_t(width) * height;
    return n + 2 * ((n + 63) / 64) * 8;
}

ConfettiCleanup::Status ConfettiCleanup::run(const GridBytes& g, int maxIsland, const LPAL& palette, int yarnCount,
                                             const CancellableProgress& progress) {
    grid_ = {};
    yarns_ = std::vector<uint8_t>();
    changes_ = 0;
    if (!usable(g) || maxIsland < 1) return Status::Ok;
    const int w = g.width, h = g.height;
    const size_t n = size_t(w) * size_t(h);
    map_ = yarnMap(yarnCount);
    try {
        yarns_.resize(n);
        // big: known to lie in a region of more than maxIsland stitches.
        // Regions only grow while islands are recoloured, so that stays
        // true. mark: in the island being grown (cleared after each).
        std::vector<uint64_t> big((n + 63) / 64), mark((n + 63) / 64);
        auto test = [](const std::vector<uint64_t>& bits, size_t i) { return (bits[i >> 6] >> (i & 63)) & 1; };
        auto set = [](std::vector<uint64_t>& bits, size_t i) { bits[i >> 6] |= uint64_t(1) << (i & 63); };
        auto clear = [](std::vector<uint64_t>& bits, size_t i) { bits[i >> 6] &= ~(uint64_t(1) << (i & 63)); };
        for (int r = 0; r < h; ++r)
            row::mapRow(g.bits + std::ptrdiff_t(r) * g.bytew, w, map_, yarns_.data() + size_t(r) * size_t(w));
        uint8_t* yarns = yarns_.data();
        std::vector<size_t> members, border;

        auto forNeighbours = [&](size_t i, auto&& f) {
            const int x = int(i % size_t(w));
            if (x > 0) f(i - 1);
            if (x + 1 < w) f(i + 1);
            if (i >= size_t(w)) f(i - size_t(w));
            if (i + size_t(w) < n) f(i + size_t(w));
        };

        for (int r = 0; r < h; ++r) {
            if (!proceed(progress, rowPercent(r, h))) {
                yarns_ = std::vector<uint8_t>();
                return Status::Cancelled;
            }
            for (int x = w - 1; x >= 0; --x) {
                const size_t start = size_t(r) * size_t(w) + size_t(x);
                if (test(big, start)) continue;
                const uint8_t c = yarns[start];
                members.assign(1, start);
                set(mark, start);
                bool large = false;
                for (size_t k = 0; k < members.size() && !large; ++k) {
                    forNeighbours(members[k], [&](size_t q) {
                        if (large || yarns[q] != c) return;
                        if (test(big, q)) {
                            large = true;
                        } else if (!test(mark, q)) {
                            set(mark, q);
                            members.push_back(q);
                            if (members.size() > size_t(maxIsland)) large = true;
                        }
                    });
                }
                for (size_t m : members) clear(mark, m);
                if (large) {
                    for (size_t m : members) set(big, m);
                    continue;
                }
                border.clear();
                for (size_t m : members)
                    forNeighbours(m, [&](size_t q) {
                        if (yarns[q] != c) border.push_back(q);
                    });
                std::sort(border.begin(), border.end());
                border.erase(std::unique(border.begin(), border.end()), border.end());
                std::array<int, 256> count{};
                for (size_t q : border) ++count[yarns[q]];
                int best = -1;
                for (int y = 0; y < 256; ++y) {
                    if (count[size_t(y)] == 0) continue;
                    if (best < 0 || count[size_t(y)] > count[size_t(best)] ||
                        (count[size_t(y)] == count[size_t(best)] &&
                         squaredDistance(palette.rgb0[y], palette.rgb0[c]) <
                             squaredDistance(palette.rgb0[best], palette.rgb0[c])))
                        best = y;
                }
                if (best < 0) {  // nothing around it: the whole grid
                    for (size_t m : members) set(big, m);
                    continue;
                }
                for (size_t m : members) yarns[m] = uint8_t(best);
            }
        }
    } catch (const std::bad_alloc&) {
        yarns_ = std::vector<uint8_t>();
        return Status::OutOfMemory;
    }
    proceed(progress, 0);
    // A stitch that went back to its own yarn has not changed.
    for (int r = 0; r < h; ++r) {
        const uint8_t* before = g.bits + std::ptrdiff_t(r) * g.bytew;
        const uint8_t* after = yarns_.data() + size_t(r) * size_t(w);
        for (int x = 0; x < w; ++x) changes_ += after[x] != map_[before[x]];
    }
    grid_ = g;
    return Status::Ok;
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
