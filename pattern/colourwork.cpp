#include "pattern/colourwork.h"

#include <algorithm>
#include <array>
#include <limits>

#include "pattern/cielab.h"
#include "pattern/depthdown.h"
#include "pattern/knitcheck.h"
#include "pattern/limits.h"
#include "pattern/logpalette.h"
#include "raster/PixKit3.h"

namespace pattern::colourwork {

namespace {

constexpr int64_t kInf = std::numeric_limits<int64_t>::max() / 4;

struct Rgb {
    int r, g, b;
};
// A colour in CIELAB with its chroma.
struct Lab {
    cielab::Lab lab;
    double c;
};

// Costs are colour differences in whole 1/kCostScale units.
constexpr double kCostScale = 16;
int costOf(const Lab& p, const Lab& yarn) {
    return int(cielab::difference(p.lab, p.c, yarn.lab, yarn.c) * kCostScale + 0.5);
}
Lab labOf(int r, int g, int b) {
    const cielab::Lab l = cielab::fromRgb(r, g, b);
    return Lab{l, cielab::chroma(l)};
}
Lab labOf(const Rgb& p) { return labOf(p.r, p.g, p.b); }

// A row's yarn set: palette yarns in ascending order, so that the nearer of
// two equally near yarns is the lower one, as in the nearest-colour search.
struct YarnSet {
    std::array<int, kMaxYarnsPerRow> yarn{};
    int n = 0;
    bool has(int y) const { return std::find(yarn.begin(), yarn.begin() + n, y) != yarn.begin() + n; }
};

// The row's candidates: the yarns nearest to most of its stitches (at most
// kCandidates), with the cost of every subset of up to K of them.
struct RowChoice {
    std::vector<YarnSet> sets;
    std::vector<int64_t> cost;
};

void subsetsOf(const std::vector<int>& cand, int k, int from, YarnSet& cur, std::vector<YarnSet>& out) {
    if (cur.n == k) {
        YarnSet s = cur;
        for (int i = 1; i < s.n; ++i)  // insertion sort: at most four
            for (int j = i; j > 0 && s.yarn[size_t(j - 1)] > s.yarn[size_t(j)]; --j)
                std::swap(s.yarn[size_t(j - 1)], s.yarn[size_t(j)]);
        out.push_back(s);
        return;
    }
    for (int i = from; i < int(cand.size()); ++i) {
        cur.yarn[size_t(cur.n++)] = cand[size_t(i)];
        subsetsOf(cand, k, i + 1, cur, out);
        --cur.n;
    }
}

using Counts = std::array<int, 256>;

// Candidates: the yarns nearest to most of the row's stitches; with
// coherent rows also those of the neighbouring rows, so that a row can
// keep a yarn its neighbours use.
RowChoice chooseForRow(const std::vector<Lab>& row, const std::vector<Lab>& yarns, const Counts& count,
                       const Counts* around, int k) {
    std::vector<int> cand;
    for (int y = 0; y < 256; ++y)
        if (count[size_t(y)]) cand.push_back(y);
    std::stable_sort(cand.begin(), cand.end(), [&](int a, int b) { return count[size_t(a)] > count[size_t(b)]; });
    if (int(cand.size()) > kCandidates) cand.resize(kCandidates);
    if (around) {
        std::vector<int> more;
        for (int y = 0; y < 256; ++y)
            if ((*around)[size_t(y)] && std::find(cand.begin(), cand.end(), y) == cand.end()) more.push_back(y);
        std::stable_sort(more.begin(), more.end(), [&](int a, int b) { return (*around)[size_t(a)] > (*around)[size_t(b)]; });
        for (size_t i = 0; i < more.size() && i < size_t(kNeighbourCandidates); ++i) cand.push_back(more[i]);
    }

    RowChoice choice;
    YarnSet cur;
    subsetsOf(cand, std::min(k, int(cand.size())), 0, cur, choice.sets);
    // Distances of every stitch to every candidate, then each subset's sum.
    const size_t w = row.size(), nc = cand.size();
    std::vector<int> d(nc * w);  // stitch-major per candidate
    std::array<int, 256> slot{};
    for (size_t c = 0; c < nc; ++c) {
        slot[size_t(cand[c])] = int(c);
        for (size_t x = 0; x < w; ++x) d[c * w + x] = costOf(row[x], yarns[size_t(cand[c])]);
    }
    for (const YarnSet& s : choice.sets) {
        const int* cols[kMaxYarnsPerRow];
        for (int i = 0; i < s.n; ++i) cols[i] = d.data() + size_t(slot[size_t(s.yarn[size_t(i)])]) * w;
        int64_t sum = 0;
        for (size_t x = 0; x < w; ++x) {
            int best = cols[0][x];
            for (int i = 1; i < s.n; ++i) best = std::min(best, cols[i][x]);
            sum += best;
        }
        choice.cost.push_back(sum);
    }
    return choice;
}

int entering(const YarnSet& from, const YarnSet& to) {
    int n = 0;
    for (int i = 0; i < to.n; ++i) n += !from.has(to.yarn[size_t(i)]);
    return n;
}

// One set per row: the cheapest, or with coherent rows the cheapest sum of
// row costs and entering yarns over all rows.
std::vector<YarnSet> chooseSets(const std::vector<RowChoice>& rows, bool coherent, int width) {
    std::vector<YarnSet> out(rows.size());
    if (!coherent) {
        for (size_t r = 0; r < rows.size(); ++r) {
            const auto& c = rows[r].cost;
            out[r] = rows[r].sets[size_t(std::min_element(c.begin(), c.end()) - c.begin())];
        }
        return out;
    }
    const int64_t change = int64_t(kRowChangeCost * kCostScale) * width;
    std::vector<std::vector<int64_t>> total(rows.size());
    std::vector<std::vector<int>> from(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        const RowChoice& row = rows[r];
        total[r].assign(row.sets.size(), kInf);
        from[r].assign(row.sets.size(), -1);
        for (size_t s = 0; s < row.sets.size(); ++s) {
            if (r == 0) {
                total[r][s] = row.cost[s];
                continue;
            }
            for (size_t p = 0; p < rows[r - 1].sets.size(); ++p) {
                const int64_t t = total[r - 1][p] + change * entering(rows[r - 1].sets[p], row.sets[s]) + row.cost[s];
                if (t < total[r][s]) {
                    total[r][s] = t;
                    from[r][s] = int(p);
                }
            }
        }
    }
    if (rows.empty()) return out;
    int s = int(std::min_element(total.back().begin(), total.back().end()) - total.back().begin());
    for (size_t r = rows.size(); r-- > 0;) {
        out[r] = rows[r].sets[size_t(s)];
        s = from[r][size_t(s)];
    }
    return out;
}

// Floats of one row (local yarn numbers 0 .. n-1 per stitch) against the
// limit; a continuing yarn floats to the edges too.
bool floatsWithin(const std::vector<uint8_t>& row, int n, unsigned continuing, int limit) {
    const int w = int(row.size());
    for (int i = 0; i < n; ++i) {
        int last = -1;
        for (int x = 0; x < w; ++x) {
            if (row[size_t(x)] != i) continue;
            const int gap = last < 0 ? ((continuing >> i) & 1 ? x : 0) : x - last - 1;
            if (gap > limit) return false;
            last = x;
        }
        if (last >= 0 && ((continuing >> i) & 1) && w - 1 - last > limit) return false;
    }
    return true;
}

// Exact row under the float limit: the least sum of `cost` (cost[i * w + x]
// for local yarn i at stitch x). Each yarn's state is the number of
// stitches since it was last used (0 .. F), "not used yet" or "done"; the
// yarn of the current stitch is the one at 0. A continuing yarn starts at 0
// at the left edge or is left out of the row ("done"), and may never pass F;
// another yarn starts "not used yet" and is cut ("done") once it would.
class RowViterbi {
public:
    // Codes of n digits base limit + 3; false when there are too many.
    bool prepare(int n, int limit, unsigned continuing) {
        n_ = n;
        v_ = limit + 3;
        codes_ = 1;
        for (int i = 0; i < n; ++i) {
            codes_ *= v_;
            if (codes_ > kMaxCodes) return false;
        }
        const int notYet = limit + 1, done = limit + 2;
        next_.assign(size_t(codes_) * size_t(n), -1);
        used_.assign(size_t(codes_), -1);
        std::array<int, kMaxYarnsPerRow> d{};
        for (int code = 0; code < codes_; ++code) {
            for (int i = 0, c = code; i < n; ++i, c /= v_) d[size_t(i)] = c % v_;
            for (int i = 0; i < n; ++i)
                if (d[size_t(i)] == 0) used_[size_t(code)] = i;
            for (int i = 0; i < n; ++i) {
                if (d[size_t(i)] == done) continue;
                int nc = 0, scale = 1;
                bool ok = true;
                for (int k = 0; k < n; ++k, scale *= v_) {
                    int s = d[size_t(k)];
                    if (k == i) s = 0;
                    else if (s <= limit) {
                        if (s + 1 <= limit) s = s + 1;
                        else if ((continuing >> k) & 1) ok = false;
                        else s = done;
                    }
                    nc += s * scale;
                }
                if (ok) next_[size_t(code) * size_t(n) + size_t(i)] = nc;
            }
        }
        // Start: every continuing yarn at the edge or left out, every other
        // one not used yet.
        starts_.clear();
        for (int code = 0; code < codes_; ++code) {
            bool ok = true;
            for (int i = 0, c = code; i < n; ++i, c /= v_) {
                const int s = c % v_;
                ok &= (continuing >> i) & 1 ? (s == 0 || s == done) : s == notYet;
            }
            if (ok) starts_.push_back(code);
        }
        return true;
    }

    // Local yarn per stitch.
    void solve(const std::vector<int>& cost, int w, std::vector<uint8_t>& out) {
        cur_.assign(size_t(codes_), kInf);
        for (int s : starts_) cur_[size_t(s)] = 0;
        pred_.resize(size_t(w) * size_t(codes_));
        for (int x = 0; x < w; ++x) {
            nxt_.assign(size_t(codes_), kInf);
            uint16_t* pred = pred_.data() + size_t(x) * size_t(codes_);
            for (int code = 0; code < codes_; ++code) {
                const int64_t base = cur_[size_t(code)];
                if (base >= kInf) continue;
                const int* tr = next_.data() + size_t(code) * size_t(n_);
                for (int i = 0; i < n_; ++i) {
                    const int nc = tr[i];
                    if (nc < 0) continue;
                    const int64_t t = base + cost[size_t(i) * size_t(w) + size_t(x)];
                    if (t < nxt_[size_t(nc)]) {
                        nxt_[size_t(nc)] = t;
                        pred[nc] = uint16_t(code);
                    }
                }
            }
            cur_.swap(nxt_);
        }
        int code = int(std::min_element(cur_.begin(), cur_.end()) - cur_.begin());
        out.resize(size_t(w));
        for (int x = w; x-- > 0;) {
            out[size_t(x)] = uint8_t(used_[size_t(code)]);
            code = pred_[size_t(x) * size_t(codes_) + size_t(code)];
        }
    }

private:
    // Predecessors fit 16 bits; the bound also keeps a row to about
    // 16k states x K yarns per stitch (K = 4 up to F = 8, K = 3 up to 22).
    static constexpr int kMaxCodes = 1 << 14;
    int n_ = 0, v_ = 0, codes_ = 0;
    std::vector<int> next_, used_, starts_;
    std::vector<int64_t> cur_, nxt_;
    std::vector<uint16_t> pred_;
};

int clampChannel(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

}  // namespace

dib reduceRows(const dib& src, const LPAL& yarns, int zcols, const Options& options, const Progress& progress) {
    report(progress, 0);
    dib grid{};
    if (!src.poi || dibbitcount(src) != 24) return grid;
    const int w = dibwidth(src), h = dibheight(src);
    zcols = std::clamp(zcols, 1, kMaxYarnColours);
    const int k = std::clamp(options.maxYarns, kMinYarnsPerRow, kMaxYarnsPerRow);
    // A float can be no longer than the row: a larger limit is that.
    const int limit = options.floatLimit < 0 ? -1 : std::min(options.floatLimit, w);
    newdib(&grid, w, h, 8, nullptr, 0);
    if (!grid.poi) return grid;
    layoutGridPalette(grid, yarns, zcols);

    LPAL own = yarns;
    own.num = uint16_t(zcols);
    const LogPalette nearest(own);
    std::vector<Lab> yarnLab(static_cast<size_t>(zcols));
    for (int i = 0; i < zcols; ++i) yarnLab[size_t(i)] = labOf(own.rgb0[i].peRed, own.rgb0[i].peGreen, own.rgb0[i].peBlue);

    // Picture rows from the top (storage row h - 1 - y), as the error
    // diffusion walks them.
    auto rowOf = [&](int y, std::vector<Rgb>& row) {
        const uint8_t* p = src.poi + int64_t(h - 1 - y) * src.bytew;
        row.resize(size_t(w));
        for (int x = 0; x < w; ++x, p += 3) row[size_t(x)] = Rgb{p[2], p[1], p[0]};
    };
    std::vector<Rgb> row;
    std::vector<Counts> counts(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        rowOf(y, row);
        Counts& c = counts[size_t(y)];
        c.fill(0);
        for (const Rgb& p : row) ++c[size_t(nearest.nearest(uint8_t(p.r), uint8_t(p.g), uint8_t(p.b)))];
    }
    std::vector<RowChoice> choices(static_cast<size_t>(h));
    std::vector<Lab> rowLab(static_cast<size_t>(w));
    auto labsOf = [&](const std::vector<Rgb>& from, std::vector<Lab>& to) {
        for (int x = 0; x < w; ++x) to[size_t(x)] = labOf(from[size_t(x)]);
    };
    for (int y = 0; y < h; ++y) {
        rowOf(y, row);
        labsOf(row, rowLab);
        Counts around{};
        if (options.coherentRows)
            for (int n : {y - 1, y + 1})
                if (n >= 0 && n < h)
                    for (int i = 0; i < 256; ++i) around[size_t(i)] += counts[size_t(n)][size_t(i)];
        choices[size_t(y)] = chooseForRow(rowLab, yarnLab, counts[size_t(y)], options.coherentRows ? &around : nullptr, k);
    }
    counts.clear();
    const std::vector<YarnSet> sets = chooseSets(choices, options.coherentRows, w);
    choices.clear();

    // Error rows indexed by column, one spare slot at each end.
    std::vector<std::array<int, 3>> errCur(size_t(w) + 2), errNext(size_t(w) + 2), errAbove;
    std::vector<int> cost;
    std::vector<uint8_t> local(static_cast<size_t>(w));
    std::vector<Rgb> values(static_cast<size_t>(w));
    RowViterbi viterbi;
    YarnSet usedBefore;  // yarns the previous row really used
    for (int y = 0; y < h; ++y) {
        report(progress, rowPercent(y, h));
        rowOf(y, row);
        if (!options.diffusion) labsOf(row, rowLab);
        YarnSet set = sets[size_t(y)];
        const YarnSet none;
        const YarnSet& after = y + 1 < h ? sets[size_t(y) + 1] : none;
        auto continuingOf = [&](const YarnSet& s) {
            unsigned m = 0;
            for (int i = 0; i < s.n; ++i) m |= unsigned(usedBefore.has(s.yarn[size_t(i)]) || after.has(s.yarn[size_t(i)])) << i;
            return m;
        };
        auto nearestIn = [&](const Lab& p) {
            int best = 0, bestD = costOf(p, yarnLab[size_t(set.yarn[0])]);
            for (int i = 1; i < set.n; ++i) {
                const int d = costOf(p, yarnLab[size_t(set.yarn[size_t(i)])]);
                if (d < bestD) bestD = d, best = i;
            }
            return best;
        };
        const bool rightToLeft = options.diffusion && (y & 1);
        if (options.diffusion) {
            errAbove = errCur;
            std::fill(errNext.begin(), errNext.end(), std::array<int, 3>{0, 0, 0});
            const int step = rightToLeft ? -1 : 1;
            for (int k2 = 0, x = rightToLeft ? w - 1 : 0; k2 < w; ++k2, x += step) {
                const std::array<int, 3>& e = errCur[size_t(x + 1)];
                values[size_t(x)] = Rgb{clampChannel(row[size_t(x)].r + (e[0] + 8) / 16),
                                        clampChannel(row[size_t(x)].g + (e[1] + 8) / 16),
                                        clampChannel(row[size_t(x)].b + (e[2] + 8) / 16)};
                const int i = nearestIn(labOf(values[size_t(x)]));
                local[size_t(x)] = uint8_t(i);
                const PALETTEENTRY& yv = own.rgb0[set.yarn[size_t(i)]];
                const int err[3] = {values[size_t(x)].r - yv.peRed, values[size_t(x)].g - yv.peGreen,
                                    values[size_t(x)].b - yv.peBlue};
                for (int c = 0; c < 3; ++c) {
                    errCur[size_t(x + 1 + step)][size_t(c)] += 7 * err[c];
                    errNext[size_t(x + 1 - step)][size_t(c)] += 3 * err[c];
                    errNext[size_t(x + 1)][size_t(c)] += 5 * err[c];
                    errNext[size_t(x + 1 + step)][size_t(c)] += err[c];
                }
            }
        } else {
            for (int x = 0; x < w; ++x) local[size_t(x)] = uint8_t(nearestIn(rowLab[size_t(x)]));
        }

        if (limit >= 0 && !floatsWithin(local, set.n, continuingOf(set), limit)) {
            // Too many states for the float limit: drop the least used yarn of
            // the set until they fit (fewer yarns never break a limit).
            while (!viterbi.prepare(set.n, limit, continuingOf(set))) {
                int worst = 0;  // the set's least used yarn goes
                std::array<int, kMaxYarnsPerRow> uses{};
                for (uint8_t v : local) ++uses[v];
                for (int i = 1; i < set.n; ++i)
                    if (uses[size_t(i)] < uses[size_t(worst)]) worst = i;
                for (int i = worst; i + 1 < set.n; ++i) set.yarn[size_t(i)] = set.yarn[size_t(i) + 1];
                --set.n;
                for (uint8_t& v : local) v = uint8_t(v == worst ? 0 : v - (v > worst));
            }
            // Diffusion: the row's values with the error from above only.
            if (options.diffusion)
                for (int x = 0; x < w; ++x) {
                    const std::array<int, 3>& e = errAbove[size_t(x + 1)];
                    values[size_t(x)] = Rgb{clampChannel(row[size_t(x)].r + (e[0] + 8) / 16),
                                            clampChannel(row[size_t(x)].g + (e[1] + 8) / 16),
                                            clampChannel(row[size_t(x)].b + (e[2] + 8) / 16)};
                }
            if (options.diffusion) labsOf(values, rowLab);
            cost.resize(size_t(set.n) * size_t(w));
            for (int i = 0; i < set.n; ++i)
                for (int x = 0; x < w; ++x)
                    cost[size_t(i) * size_t(w) + size_t(x)] = costOf(rowLab[size_t(x)], yarnLab[size_t(set.yarn[size_t(i)])]);
            viterbi.solve(cost, w, local);
            if (options.diffusion) {
                // The row below takes this row's errors as chosen now; the
                // share for the stitch ahead has no stitch left to go to.
                std::fill(errNext.begin(), errNext.end(), std::array<int, 3>{0, 0, 0});
                const int step = rightToLeft ? -1 : 1;
                for (int x = 0; x < w; ++x) {
                    const PALETTEENTRY& yv = own.rgb0[set.yarn[local[size_t(x)]]];
                    const int err[3] = {values[size_t(x)].r - yv.peRed, values[size_t(x)].g - yv.peGreen,
                                        values[size_t(x)].b - yv.peBlue};
                    for (int c = 0; c < 3; ++c) {
                        errNext[size_t(x + 1 - step)][size_t(c)] += 3 * err[c];
                        errNext[size_t(x + 1)][size_t(c)] += 5 * err[c];
                        errNext[size_t(x + 1 + step)][size_t(c)] += err[c];
                    }
                }
            }
        }
        if (options.diffusion) errCur.swap(errNext);

        uint8_t* out = grid.poi + int64_t(h - 1 - y) * grid.bytew;
        usedBefore = YarnSet{};
        std::array<bool, kMaxYarnsPerRow> seen{};
        for (int x = 0; x < w; ++x) {
            const int i = local[size_t(x)];
            out[x] = uint8_t(kYarnIndexOffset + set.yarn[size_t(i)]);
            seen[size_t(i)] = true;
        }
        for (int i = 0; i < set.n; ++i)
            if (seen[size_t(i)]) usedBefore.yarn[size_t(usedBefore.n++)] = set.yarn[size_t(i)];
    }
    report(progress, 0);
    return grid;
}

std::vector<int64_t> carriedStitchesPerYarn(const dib& grid, int zcols) {
    zcols = std::clamp(zcols, 1, kMaxYarnColours);
    const knit::GridBytes bytes = knit::gridBytes(grid);
    if (!bytes.bits) return {};
    // With a limit of 0 every float is long, so the check lists them all.
    knit::Options o;
    o.floatLimit = 0;
    o.yarnCount = zcols;
    const knit::Report rep = knit::check(bytes, o);
    std::vector<int64_t> carried(size_t(zcols), 0);
    for (const knit::Float& f : rep.longFloats)
        if (f.yarn < zcols) carried[size_t(f.yarn)] += f.length();
    return carried;
}

double carriedMetres(int64_t carried, int stitchesPer10cm) {
    if (stitchesPer10cm < 1 || carried <= 0) return 0;
    return double(carried) * (10.0 / stitchesPer10cm) / 100.0;
}

}  // namespace pattern::colourwork
