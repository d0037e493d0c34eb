// What an edit costs at 1000, 4000 and 8000 squared stitches, and what the
// knittability check and the confetti clean-up hold in memory. Baselines in
// the same run: the whole check plus the yarn count after every edit (what
// the window did before), and the clean-up as it was (kept here as the
// reference). Grids are dithered-looking: 8 yarns at random, the worst case
// for floats and confetti.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "pattern/knitcheck.h"
#include "pattern/knitlive.h"
#include "pattern/limits.h"

// Counting allocator: bytes held now and the most held since the last
// resetPeak().
namespace {
std::atomic<int64_t> gHeld{0}, gPeak{0};
constexpr size_t kHeader = 16;
void* counted(size_t n) {
    auto* p = static_cast<char*>(std::malloc(n + kHeader));
    if (!p) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(p) = n;
    const int64_t now = gHeld += int64_t(n);
    int64_t peak = gPeak.load();
    while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
    }
    return p + kHeader;
}
void uncounted(void* q) {
    if (!q) return;
    char* p = static_cast<char*>(q) - kHeader;
    gHeld -= int64_t(*reinterpret_cast<size_t*>(p));
    std::free(p);
}
int64_t resetPeak() {
    gPeak = gHeld.load();
    return gHeld.load();
}
}  // namespace
void* operator new(size_t n) { return counted(n); }
void* operator new[](size_t n) { return counted(n); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }

namespace pattern::knit {
namespace {
using YarnMap = std::array<uint8_t, 256>;
YarnMap yarnMap(int yarnCount) {
    const int owned = std::clamp(yarnCount, 0, kMaxYarnColours);
    YarnMap m{};
    for (int v = 0; v < 256; ++v) {
        const int yarn = v - kYarnIndexOffset;
        m[size_t(v)] = uint8_t(yarn >= 0 && yarn < owned ? yarn : 0);
    }
    return m;
}
std::vector<uint8_t> yarnsOf(const GridBytes& g, const YarnMap& map) {
    std::vector<uint8_t> y(size_t(g.width) * size_t(g.height));
    for (int r = 0; r < g.height; ++r)
        for (int x = 0; x < g.width; ++x) y[size_t(r) * size_t(g.width) + size_t(x)] = map[g.bits[std::ptrdiff_t(r) * g.bytew + x]];
    return y;
}
bool usable(const GridBytes& g) { return g.bits && g.width > 0 && g.height > 0 && g.bytew >= g.width; }
int64_t squaredDistance(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    const int dr = int(a.peRed) - b.peRed, dg = int(a.peGreen) - b.peGreen, db = int(a.peBlue) - b.peBlue;
    return int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
}
// The clean-up before: a stamp of 4 bytes and a flag byte per stitch, and a
// list of every recolouring.
std::vector<StitchChange> removeConfettiBefore(const GridBytes& g, int maxIsland, const LPAL& palette, int yarnCount) {
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

}  // namespace
}  // namespace pattern::knit

namespace {

using namespace benchsupport;
using pattern::knit::GridBytes;
using pattern::knit::Options;

struct Grid {
    int side = 0;
    std::vector<uint8_t> bytes;
    GridBytes view() const { return {bytes.data(), side, side, side}; }
};

Grid& grid(int side) {
    static std::map<int, Grid> cache;
    Grid& g = cache[side];
    if (g.bytes.empty()) {
        g.side = side;
        g.bytes.resize(size_t(side) * size_t(side));
        std::mt19937 rng(99);
        for (uint8_t& b : g.bytes) b = uint8_t(10 + (rng() & 7));
    }
    return g;
}

LPAL yarns() {
    LPAL p{};
    p.num = 64;
    for (int i = 0; i < 64; ++i) p.rgb0[i] = PALETTEENTRY{uint8_t(i * 4), uint8_t(255 - i * 3), uint8_t(i * 37), 0};
    return p;
}

const Options kOptions{5, 2, pattern::kYarnColours};

// One stitch in the middle changed and changed back, alternately: an edit,
// then its undo.
uint8_t& middle(Grid& g) { return g.bytes[size_t(g.side / 2) * size_t(g.side) + size_t(g.side / 2)]; }

// Before: after every edit the whole check and the whole yarn count.
void BM_EditWholeCheck(benchmark::State& state) {
    Grid& g = grid(int(state.range(0)));
    pattern::knit::Report rep;
    pattern::knit::check(g.view(), kOptions, rep);
    for (auto _ : state) {
        middle(g) ^= 1;
        pattern::knit::check(g.view(), kOptions, rep);
        std::array<int64_t, 256> count{};
        for (uint8_t b : g.bytes) ++count[b];
        benchmark::DoNotOptimize(count.data());
    }
}
BENCHMARK(BM_EditWholeCheck)->Arg(1000)->Arg(4000)->Arg(8000)->Unit(benchmark::kMillisecond);

// After: the edited row and its neighbours, yarns counted with them.
void BM_EditRowByRow(benchmark::State& state) {
    Grid& g = grid(int(state.range(0)));
    pattern::knit::LiveCheck live;
    live.reset(g.view(), kOptions);
    const int row = g.side / 2 + 1;
    for (auto _ : state) {
        middle(g) ^= 1;
        live.rowsChanged(g.view(), row, row);
        benchmark::DoNotOptimize(live.confetti());
    }
}
BENCHMARK(BM_EditRowByRow)->Arg(1000)->Arg(4000)->Arg(8000)->Unit(benchmark::kMillisecond);

// With the figures hidden an edit only counts the yarns of its rows.
void BM_EditHidden(benchmark::State& state) {
    Grid& g = grid(int(state.range(0)));
    pattern::knit::LiveCheck live;
    live.reset(g.view(), kOptions, false);
    const int row = g.side / 2 + 1;
    for (auto _ : state) {
        middle(g) ^= 1;
        live.rowsChanged(g.view(), row, row);
        benchmark::DoNotOptimize(live.stitchesPerYarn().data());
    }
}
BENCHMARK(BM_EditHidden)->Arg(8000)->Unit(benchmark::kMillisecond);

std::map<std::string, double> gBytesPerStitch;

void keepBytes(benchmark::State& state, const std::string& name, int64_t bytes, int side) {
    const double perStitch = double(bytes) / (double(side) * side);
    state.counters["B/stitch"] = perStitch;
    gBytesPerStitch[name + "/" + std::to_string(side)] = perStitch;
}

// Memory of the check: the whole report, and the row-by-row figures.
void BM_CheckMemoryReport(benchmark::State& state) {
    const Grid& g = grid(int(state.range(0)));
    int64_t peak = 0;
    for (auto _ : state) {
        const int64_t base = resetPeak();
        pattern::knit::Report rep = pattern::knit::check(g.view(), kOptions);
        benchmark::DoNotOptimize(rep.confetti);
        peak = gPeak - base;
    }
    keepBytes(state, "report", peak, g.side);
}
BENCHMARK(BM_CheckMemoryReport)->Arg(2000)->Arg(8000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CheckMemoryRowByRow(benchmark::State& state) {
    const Grid& g = grid(int(state.range(0)));
    int64_t peak = 0;
    for (auto _ : state) {
        const int64_t base = resetPeak();
        pattern::knit::LiveCheck live;
        live.reset(g.view(), kOptions);
        benchmark::DoNotOptimize(live.confetti());
        peak = gPeak - base;
    }
    keepBytes(state, "rows", peak, g.side);
}
BENCHMARK(BM_CheckMemoryRowByRow)->Arg(2000)->Arg(8000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The clean-up with its change list as the window keeps it for undo (12
// bytes per changed stitch).
void BM_CleanUpBefore(benchmark::State& state) {
    const Grid& g = grid(int(state.range(0)));
    const LPAL pal = yarns();
    int64_t peak = 0;
    for (auto _ : state) {
        const int64_t base = resetPeak();
        auto changes = pattern::knit::removeConfettiBefore(g.view(), 1, pal, 64);
        benchmark::DoNotOptimize(changes.data());
        peak = gPeak - base;
    }
    keepBytes(state, "cleanup-before", peak, g.side);
}
BENCHMARK(BM_CleanUpBefore)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CleanUp(benchmark::State& state) {
    const Grid& g = grid(int(state.range(0)));
    const LPAL pal = yarns();
    int64_t peak = 0;
    for (auto _ : state) {
        const int64_t base = resetPeak();
        pattern::knit::ConfettiCleanup cleanup;
        cleanup.run(g.view(), 1, pal, 64);
        std::vector<pattern::knit::StitchChange> changes;
        changes.reserve(size_t(cleanup.changeCount()));
        cleanup.forEachChange([&](const pattern::knit::StitchChange& c) { changes.push_back(c); });
        benchmark::DoNotOptimize(changes.data());
        peak = gPeak - base;
    }
    keepBytes(state, "cleanup", peak, g.side);
}
BENCHMARK(BM_CleanUp)->Arg(2000)->Arg(8000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    {
        // The clean-up as it is must give the changes it gave before.
        std::mt19937 rng(5);
        std::vector<uint8_t> bytes(300 * 300);
        bool same = true;
        for (int yarnsUsed : {2, 4, 8})
            for (int s : {1, 2, 4}) {
                for (uint8_t& b : bytes) b = uint8_t(10 + rng() % unsigned(yarnsUsed));
                const GridBytes g{bytes.data(), 300, 300, 300};
                const auto a = pattern::knit::removeConfettiBefore(g, s, yarns(), 64);
                const auto b = pattern::knit::removeConfetti(g, s, yarns(), 64);
                same = same && a.size() == b.size() &&
                       std::equal(a.begin(), a.end(), b.begin(), [](const auto& p, const auto& q) {
                           return p.row == q.row && p.stitch == q.stitch && p.before == q.before && p.after == q.after;
                       });
            }
        std::printf("clean-up gives the same changes as before: %s\n", same ? "yes" : "NO");
    }
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    auto get = [&](const std::string& name) {
        auto it = summary.ns.find(name);
        return it == summary.ns.end() ? -1.0 : it->second / 1e6;
    };
    std::printf("\nSummary (CPU time; dithered-looking grid of 8 yarns)\n");
    for (const char* side : {"1000", "4000", "8000"}) {
        const double before = get(std::string("BM_EditWholeCheck/") + side);
        const double after = get(std::string("BM_EditRowByRow/") + side);
        if (before > 0 && after > 0)
            std::printf("%s^2: an edit %.3f ms (goal < 5 ms: %s), whole check and count %.1f ms (%.0f x)\n", side,
                        after, after < 5 ? "ok" : "MISSED", before, before / after);
    }
    auto bytes = [&](const char* name) {
        auto it = gBytesPerStitch.find(name);
        return it == gBytesPerStitch.end() ? -1.0 : it->second;
    };
    for (const char* side : {"2000", "8000"}) {
        const double rows = bytes((std::string("rows/") + side).c_str());
        const double report = bytes((std::string("report/") + side).c_str());
        const double clean = bytes((std::string("cleanup/") + side).c_str());
        if (rows >= 0 && clean >= 0)
            std::printf("%s^2: check %.3f B/stitch (whole report %.2f), clean-up %.2f B/stitch, together %.2f "
                        "(goal <= 8: %s)\n",
                        side, rows, report, clean, rows + clean, rows + clean <= 8 ? "ok" : "MISSED");
    }
    const double cleanBefore = bytes("cleanup-before/2000");
    if (cleanBefore >= 0) std::printf("clean-up before: %.2f B/stitch at 2000^2\n", cleanBefore);
    const double clean8 = get("BM_CleanUp/8000/iterations:1");
    if (clean8 > 0)
        std::printf("clean-up of 8000^2: %.2f s (goal < 2 s: %s); before at 2000^2: %.2f s, now %.2f s\n",
                    clean8 / 1e3, clean8 < 2000 ? "ok" : "MISSED", get("BM_CleanUpBefore/2000/iterations:1") / 1e3,
                    get("BM_CleanUp/2000/iterations:1") / 1e3);
    benchmark::Shutdown();
    return 0;
}
