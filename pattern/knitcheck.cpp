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
        // Members with their column: the neighbours need it, and a
        // division per stitch would cost more than the rest.
        struct Member {
            size_t i;
            int x;
        };
        std::vector<Member> members;
        std::vector<size_t> border;
        struct Candidate {
            int yarn, count;
        };
        std::vector<Candidate> candidates;
        // The most frequent bordering yarn; a tie goes to the yarn nearest in
        // colour to c, then to the lower number.
        auto choose = [&](std::span<Candidate> ks, int c) {
            int best = -1, bestCount = 0;
            int64_t bestDist = 0;
            for (const Candidate& k : ks) {
                const int64_t d = squaredDistance(palette.rgb0[k.yarn], palette.rgb0[c]);
                if (best < 0 || k.count > bestCount || (k.count == bestCount && (d < bestDist || (d == bestDist && k.yarn < best)))) {
                    best = k.yarn;
                    bestCount = k.count;
                    bestDist = d;
                }
            }
            return best;
        };
        auto forNeighbours = [&](const Member& m, auto&& f) {
            if (m.x > 0) f(Member{m.i - 1, m.x - 1});
            if (m.x + 1 < w) f(Member{m.i + 1, m.x + 1});
            if (m.i >= size_t(w)) f(Member{m.i - size_t(w), m.x});
            if (m.i + size_t(w) < n) f(Member{m.i + size_t(w), m.x});
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
                // Most stitches decide on their own four neighbours.
                std::array<size_t, 4> nb;
                int nn = 0;
                if (x > 0) nb[size_t(nn++)] = start - 1;
                if (x + 1 < w) nb[size_t(nn++)] = start + 1;
                if (r > 0) nb[size_t(nn++)] = start - size_t(w);
                if (r + 1 < h) nb[size_t(nn++)] = start + size_t(w);
                bool alone = true;
                for (int k = 0; k < nn; ++k) alone &= yarns[nb[size_t(k)]] != c;
                if (alone) {
                    std::array<Candidate, 4> ks;
                    int nk = 0;
                    for (int k = 0; k < nn; ++k) {
                        const int y = yarns[nb[size_t(k)]];
                        int j = 0;
                        while (j < nk && ks[size_t(j)].yarn != y) ++j;
                        if (j == nk) ks[size_t(nk++)] = Candidate{y, 1};
                        else ++ks[size_t(j)].count;
                    }
                    const int best = choose(std::span<Candidate>(ks.data(), size_t(nk)), c);
                    if (best < 0) set(big, start);  // a grid of one stitch
                    else yarns[start] = uint8_t(best);
                    continue;
                }
                if (maxIsland == 1) {  // a neighbour of its yarn: a region of two at least
                    set(big, start);
                    continue;
                }
                members.assign(1, Member{start, x});
                set(mark, start);
                bool large = false;
                for (size_t k = 0; k < members.size() && !large; ++k) {
                    const Member m = members[k];  // the list grows inside
                    forNeighbours(m, [&](const Member& q) {
                        if (large || yarns[q.i] != c) return;
                        if (test(big, q.i)) {
                            large = true;
                        } else if (!test(mark, q.i)) {
                            set(mark, q.i);
                            members.push_back(q);
                            if (members.size() > size_t(maxIsland)) large = true;
                        }
                    });
                }
                for (const Member& m : members) clear(mark, m.i);
                if (large) {
                    for (const Member& m : members) set(big, m.i);
                    continue;
                }
                // Each bordering stitch counted once (one stitch's
                // neighbours are distinct anyway).
                border.clear();
                for (const Member& m : members)
                    forNeighbours(m, [&](const Member& q) {
                        if (yarns[q.i] != c) border.push_back(q.i);
                    });
                if (members.size() > 1) {
                    std::sort(border.begin(), border.end());
                    border.erase(std::unique(border.begin(), border.end()), border.end());
                }
                candidates.clear();
                for (size_t q : border) {
                    const int y = yarns[q];
                    auto it = std::find_if(candidates.begin(), candidates.end(),
                                           [&](const Candidate& k) { return k.yarn == y; });
                    if (it == candidates.end()) candidates.push_back(Candidate{y, 1});
                    else ++it->count;
                }
                const int best = choose(candidates, c);
                if (best < 0) {  // nothing around it: the whole grid
                    for (const Member& m : members) set(big, m.i);
                    continue;
                }
                for (const Member& m : members) yarns[m.i] = uint8_t(best);
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
