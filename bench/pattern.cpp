// Speed of the compute command and of each of its stages, on a generated
// 4000 x 3000 photo-like motif into 460 x 380 and 1500 x 1200 stitches with
// 64 distinct yarn colours. The brute-force nearest search over all 256
// grid palette entries is measured in the same run as the baseline; the
// summary prints the ratio and the goals. The nearest search is measured
// a second time on yarn colours that cluster: 64 picked from a photograph
// (the test data's 12 MP photo, else a generated one squeezed into a corner
// of the colour cube), reducing that photograph.
#include <benchmark/benchmark.h>

#include "bench/benchsupport.h"
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>

#include "pattern/compute.h"
#include "pattern/depthdown.h"
#include "pattern/depthup.h"
#include "pattern/resize.h"
#include "pattern/logpalette.h"
#include "raster/PixKit3.h"

namespace {

using namespace benchsupport;


// The same motif as an 8-bit picture (for the expansion stage).
const dib& motif8() {
    static dib d = [] {
        dib m{};
        newdib(&m, kMotifW, kMotifH, 8, nullptr, 0);
        for (int i = 0; i < 256; ++i) m.pal.rgb0[i] = PALETTEENTRY{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
        const dib& src = motif24();
        for (int y = 0; y < kMotifH; ++y)
            for (int x = 0; x < kMotifW; ++x) m.poi[int64_t(y) * m.bytew + x] = src.poi[int64_t(y) * src.bytew + 3 * x + 1];
        return m;
    }();
    return d;
}

const LPAL& yarns64() {
    static LPAL p = [] {
        LPAL y{};
        y.ver = kPaletteVersion;
        y.num = 64;
        std::mt19937 rng(99);
        std::set<uint32_t> seen;
        for (int i = 0; i < 64;) {
            uint32_t c = rng() & 0xFFFFFF;
            if (!seen.insert(c).second) continue;
            y.rgb0[i++] = PALETTEENTRY{getr(c), getg(c), getb(c), 0};
        }
        return y;
    }();
    return p;
}

// The photograph at the given size, and 64 distinct yarn colours picked
// from random stitches of it.
const dib& photoResampled(int w, int h) {
    static std::map<std::pair<int, int>, dib> cache;
    static dib photo = [] {
        dib p{};
        std::string path = std::string(TRICOMA_BENCH_TESTDATA) + "/photos/42_IndexError.jpg";
        OpenDib(&p, path.c_str(), 0, nullptr);
        if (p.poi && dibbitcount(p) == 24) return p;
        freedib(p);
        p = pattern::Resize(motif24(), kMotifW, kMotifH);
        for (int y = 0; y < kMotifH; ++y)
            for (int x = 0; x < 3 * kMotifW; ++x) {
                uint8_t& v = p.poi[int64_t(y) * p.bytew + x];
                v = uint8_t(96 + v / 4);
            }
        return p;
    }();
    auto it = cache.find({w, h});
    if (it == cache.end()) it = cache.emplace(std::make_pair(w, h), pattern::Resize(photo, w, h)).first;
    return it->second;
}

const LPAL& yarnsClustered() {
    static LPAL p = [] {
        const dib& src = photoResampled(1500, 1200);
        LPAL y{};
        y.ver = kPaletteVersion;
        y.num = 64;
        std::mt19937 rng(7);
        std::set<uint32_t> seen;
        for (int i = 0; i < 64;) {
            const uint8_t* px = src.poi + int64_t(rng() % 1200) * src.bytew + 3 * (rng() % 1500);
            if (!seen.insert(packrgb(px[2], px[1], px[0])).second) continue;
            y.rgb0[i++] = PALETTEENTRY{px[2], px[1], px[0], 0};
        }
        return y;
    }();
    return p;
}

const dib& resampled(int w, int h) {
    static std::map<std::pair<int, int>, dib> cache;
    auto it = cache.find({w, h});
    if (it == cache.end()) it = cache.emplace(std::make_pair(w, h), pattern::Resize(motif24(), w, h)).first;
    return it->second;
}

void perStitch(benchmark::State& state, int w, int h) {
    // Shown in seconds per stitch ("15n" is 15 ns).
    state.counters["per_stitch"] = benchmark::Counter(double(w) * h, benchmark::Counter::kIsIterationInvariantRate |
                                                                         benchmark::Counter::kInvert);
}

void BM_DepthUpTo8(benchmark::State& state) {
    for (auto _ : state) {
        dib d = pattern::DepthUpTo(motif8(), 24);
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
    perStitch(state, kMotifW, kMotifH);
}
BENCHMARK(BM_DepthUpTo8)->Unit(benchmark::kMillisecond);

void BM_Resize(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    for (auto _ : state) {
        dib d = pattern::Resize(motif24(), w, h);
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
    perStitch(state, w, h);
}
BENCHMARK(BM_Resize)->Args({460, 380})->Args({1500, 1200})->Unit(benchmark::kMillisecond);

void BM_ReduceNearest(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const dib& src = resampled(w, h);
    for (auto _ : state) {
        dib d = pattern::DepthDownTo(src, yarns64(), 64, 0);
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
    perStitch(state, w, h);
}
BENCHMARK(BM_ReduceNearest)->Args({460, 380})->Args({1500, 1200})->Unit(benchmark::kMillisecond);

void BM_ReduceNearestClustered(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const dib& src = photoResampled(w, h);
    for (auto _ : state) {
        dib d = pattern::DepthDownTo(src, yarnsClustered(), 64, 0);
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
    perStitch(state, w, h);
}
BENCHMARK(BM_ReduceNearestClustered)->Args({460, 380})->Args({1500, 1200})->Unit(benchmark::kMillisecond);

void BM_ReduceDitherClustered(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const dib& src = photoResampled(w, h);
    for (auto _ : state) {
        dib d = pattern::DepthDownTo(src, yarnsClustered(), 64, 1);
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
    perStitch(state, w, h);
}
BENCHMARK(BM_ReduceDitherClustered)->Args({460, 380})->Args({1500, 1200})->Unit(benchmark::kMillisecond);

// Baseline: the same reduction with the brute-force walk over all 256
// entries of the grid palette.
void BM_ReduceNearestBruteForce(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const dib& src = resampled(w, h);
    for (auto _ : state) {
        dib d{};
        newdib(&d, w, h, 8, nullptr, 0);
        pattern::layoutGridPalette(d, yarns64(), 64);
        for (int y = 0; y < h; ++y) {
            const uint8_t* in = src.poi + int64_t(y) * src.bytew;
            uint8_t* out = d.poi + int64_t(y) * d.bytew;
            for (int x = 0; x < w; ++x, in += 3)
                out[x] = uint8_t(pattern::nearestIndexBrute(d.pal, in[2], in[1], in[0]));
        }
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
    perStitch(state, w, h);
}
BENCHMARK(BM_ReduceNearestBruteForce)->Args({460, 380})->Args({1500, 1200})->Unit(benchmark::kMillisecond);

void BM_ReduceDither(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const dib& src = resampled(w, h);
    for (auto _ : state) {
        dib d = pattern::DepthDownTo(src, yarns64(), 64, 1);
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
    perStitch(state, w, h);
}
BENCHMARK(BM_ReduceDither)->Args({460, 380})->Args({1500, 1200})->Unit(benchmark::kMillisecond);

// The whole command: 24-bit motif (or 8-bit, range 3) in, grid out.
void BM_Compute(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1)), rolmod = int(state.range(2));
    const dib& m = state.range(3) == 8 ? motif8() : motif24();
    for (auto _ : state) {
        dib grid{};
        if (pattern::computeGrid(m, w, h, yarns64(), 64, rolmod, grid) != pattern::ComputeStatus::Ok) {
            state.SkipWithError("computation refused");
            break;
        }
        benchmark::DoNotOptimize(grid.poi);
        freedib(grid);
    }
    perStitch(state, w, h);
}
BENCHMARK(BM_Compute)
    ->ArgNames({"w", "h", "dither", "bits"})
    ->Args({460, 380, 1, 24})
    ->Args({460, 380, 0, 24})
    ->Args({1500, 1200, 1, 24})
    ->Args({1500, 1200, 0, 24})
    ->Args({460, 380, 1, 8})
    ->Args({1500, 1200, 1, 8})
    ->Unit(benchmark::kMillisecond);


}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    motif24();
    motif8();
    yarnsClustered();
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);

    auto get = [&](const std::string& name) {
        auto it = summary.ns.find(name);
        return it == summary.ns.end() ? -1.0 : it->second;
    };
    auto goal = [](bool ok) { return ok ? "ok" : "MISSED"; };
    std::printf("\nSummary (CPU time)\n");
    for (const char* size : {"460/380", "1500/1200"}) {
        const double stitches = std::string(size) == "460/380" ? 460.0 * 380 : 1500.0 * 1200;
        const double fast = get(std::string("BM_ReduceNearest/") + size);
        const double brute = get(std::string("BM_ReduceNearestBruteForce/") + size);
        const double dither = get(std::string("BM_ReduceDither/") + size);
        if (fast <= 0 || brute <= 0 || dither <= 0) continue;
        const bool big = stitches > 1e6;
        std::printf("%-9s nearest %.2f ns/stitch%s, dithering %.2f ns/stitch%s, brute force %.2f ns/stitch: "
                    "nearest is %.1f times faster%s\n",
                    size, fast / stitches, big ? (fast / stitches <= 16 ? " (goal 16: ok)" : " (goal 16: MISSED)") : "",
                    dither / stitches,
                    big ? (dither / stitches <= 40 ? " (goal 40: ok)" : " (goal 40: MISSED)") : "",
                    brute / stitches, brute / fast, brute / fast >= 15 ? " (goal 15: ok)" : " (goal 15: MISSED)");
    }
    for (const char* size : {"460/h:380", "1500/h:1200"}) {
        const double indexed = get(std::string("BM_Compute/w:") + size + "/dither:1/bits:8");
        const double full = get(std::string("BM_Compute/w:") + size + "/dither:1/bits:24");
        if (indexed > 0 && full > 0)
            std::printf("whole command, 8-bit motif against the same in 24 bits (w:%s): %.2f times (goal 1.3: %s)\n",
                        size, indexed / full, goal(indexed / full <= 1.3));
    }
    for (const char* size : {"460/380", "1500/1200"}) {
        const double stitches = std::string(size) == "460/380" ? 460.0 * 380 : 1500.0 * 1200;
        const double fast = get(std::string("BM_ReduceNearestClustered/") + size);
        const double dither = get(std::string("BM_ReduceDitherClustered/") + size);
        if (fast <= 0 || dither <= 0) continue;
        std::printf("%-9s clustered yarns: nearest %.2f ns/stitch (goal 12: %s), dithering %.2f ns/stitch (goal 40: %s)\n",
                    size, fast / stitches, goal(fast / stitches <= 12), dither / stitches, goal(dither / stitches <= 40));
    }
    const double whole = get("BM_Compute/w:460/h:380/dither:1/bits:24");
    if (whole > 0)
        std::printf("whole command 4000x3000 24-bit -> 460x380, dithering: %.2f ms (goal < 12 ms: %s)\n", whole / 1e6,
                    goal(whole / 1e6 < 12));
    benchmark::Shutdown();
    return 0;
}
