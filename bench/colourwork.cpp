// Colourwork under "at most K yarns per row" and "no float longer than F":
// speed at 1000 x 1000 stitches with K = 2 (F off and F = 5), against the
// plain nearest-colour reduction of the same picture in the same run (the
// baseline); then the colour error it costs on the photos of the outside
// test data: mean CIEDE2000 between the motif resampled to the grid and the
// grid, for the unconstrained nearest colour, "nearest yarn, then each
// row's two most frequent", the exact best pair, and the pair under F = 5,
// each by nearest colour and by error diffusion.
//
// Goals: 1000 x 1000 at K = 2, F = 5 under 1 s; the exact pair at least 8 %
// better than the two most frequent on every photo; F = 5 no more than
// twice the error of K = 2 alone.
#include <benchmark/benchmark.h>

#include "bench/benchsupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "pattern/colourwork.h"
#include "pattern/depthdown.h"
#include "pattern/knitcheck.h"
#include "pattern/quantize.h"
#include "pattern/resize.h"
#include "raster/PixKit3.h"

namespace {

using namespace benchsupport;
namespace cw = pattern::colourwork;

constexpr int kSide = 1000;
constexpr int kYarns = 6;  // yarns taken from the motif

LPAL yarnsOf(const dib& motif) {
    LPAL p{};
    p.ver = kPaletteVersion;
    p.num = 64;
    pattern::setYarns(p, pattern::coloursFromMotif(motif, kYarns));
    return p;
}

const dib& picture() {
    static dib d = pattern::Resize(motif24(), kSide, kSide);
    return d;
}
const LPAL& yarns() {
    static LPAL p = yarnsOf(motif24());
    return p;
}

void BM_NearestBaseline(benchmark::State& state) {
    for (auto _ : state) {
        dib g = pattern::DepthDownTo(picture(), yarns(), 64, 0);
        freedib(g);
    }
}
BENCHMARK(BM_NearestBaseline)->Unit(benchmark::kMillisecond);

void BM_Colourwork(benchmark::State& state) {
    cw::Options o;
    o.maxYarns = 2;
    o.floatLimit = int(state.range(0));
    o.diffusion = state.range(1) != 0;
    for (auto _ : state) {
        dib g = cw::reduceRows(picture(), yarns(), 64, o);
        freedib(g);
    }
}
// (F, diffusion); F -1 is "off".
BENCHMARK(BM_Colourwork)->Args({-1, 0})->Args({5, 0})->Args({-1, 1})->Args({5, 1})->Unit(benchmark::kMillisecond);

// "Nearest yarn, then each row's two most frequent": every stitch of a row
// goes to the nearer of the two.
dib twoMostFrequent(const dib& pic, const LPAL& y) {
    dib g = pattern::DepthDownTo(pic, y, 64, 0);
    const int w = dibwidth(g), h = dibheight(g);
    for (int r = 0; r < h; ++r) {
        uint8_t* row = g.poi + int64_t(r) * g.bytew;
        const uint8_t* in = pic.poi + int64_t(r) * pic.bytew;
        std::array<int, 256> n{};
        for (int x = 0; x < w; ++x) ++n[row[x]];
        int a = int(std::max_element(n.begin(), n.end()) - n.begin());
        n[size_t(a)] = -1;
        int b = int(std::max_element(n.begin(), n.end()) - n.begin());
        if (n[size_t(b)] <= 0) b = a;
        for (int x = 0; x < w; ++x) {
            auto d = [&](int v) {
                const PALETTEENTRY& e = g.pal.rgb0[v];
                const int dr = in[3 * x + 2] - e.peRed, dg = in[3 * x + 1] - e.peGreen, db = in[3 * x] - e.peBlue;
                return dr * dr + dg * dg + db * db;
            };
            row[x] = uint8_t(d(b) < d(a) ? b : a);
        }
    }
    return g;
}

struct Figures {
    double error;
    size_t crowded, longFloats;
};

Figures measure(const dib& pic, const dib& grid) {
    pattern::knit::Options o;
    o.floatLimit = 5;
    o.maxYarnsPerRow = 2;
    const auto rep = pattern::knit::check(pattern::knit::gridBytes(grid), o);
    return {pattern::meanDeltaE2000(pic, grid), rep.crowdedRows.size(), rep.longFloats.size()};
}

void qualityTable() {
#ifdef TRICOMA_BENCH_TESTDATA
    const char* photos[] = {"photos/42_IndexError.jpg", "photos/Dune.jpg", "wuffs/peacock.png",
                            "wuffs/hippopotamus.regular.png", "wuffs/hat.png", "wuffs/bricks-color.png",
                            "go-x-image/yellow_rose.png", "wuffs/hibiscus.primitive.png"};
    std::printf("\nColour error, mean CIEDE2000 motif resampled to 200 stitches wide vs grid, %d yarns from the "
                "motif;\nin brackets rows over 2 yarns / floats over 5 stitches\n\n",
                kYarns);
    std::printf("| photo | nearest | two most frequent | K=2 | K=2 F=5 | gain K=2 | F=5 / K=2 | dither | dither K=2 | "
                "dither K=2 F=5 |\n|---|---|---|---|---|---|---|---|---|---|\n");
    for (const char* name : photos) {
        const std::string file = std::string(TRICOMA_BENCH_TESTDATA) + "/" + name;
        dib m{};
        OpenDib(&m, file.c_str(), 0, nullptr);
        if (!m.poi || dibbitcount(m) != 24) {
            std::printf("| %s | (not read) |\n", name);
            freedib(m);
            continue;
        }
        const int w = 200, h = std::max(1, int(int64_t(dibheight(m)) * w / dibwidth(m)));
        dib pic = pattern::Resize(m, w, h);
        const LPAL y = yarnsOf(m);
        freedib(m);
        std::vector<Figures> f;
        auto run = [&](dib g) {
            f.push_back(measure(pic, g));
            freedib(g);
        };
        run(pattern::DepthDownTo(pic, y, 64, 0));
        run(twoMostFrequent(pic, y));
        cw::Options k2;
        run(cw::reduceRows(pic, y, 64, k2));
        cw::Options f5 = k2;
        f5.floatLimit = 5;
        run(cw::reduceRows(pic, y, 64, f5));
        run(pattern::DepthDownTo(pic, y, 64, 1));
        cw::Options d2 = k2;
        d2.diffusion = true;
        run(cw::reduceRows(pic, y, 64, d2));
        d2.floatLimit = 5;
        run(cw::reduceRows(pic, y, 64, d2));
        freedib(pic);
        auto cell = [](const Figures& x) {
            char b[64];
            std::snprintf(b, sizeof b, "%.2f (%zu/%zu)", x.error, x.crowded, x.longFloats);
            return std::string(b);
        };
        std::printf("| %s | %s | %s | %s | %s | %.0f %% | %.2f | %s | %s | %s |\n", name, cell(f[0]).c_str(),
                    cell(f[1]).c_str(), cell(f[2]).c_str(), cell(f[3]).c_str(), 100 * (1 - f[2].error / f[1].error),
                    f[3].error / f[2].error, cell(f[4]).c_str(), cell(f[5]).c_str(), cell(f[6]).c_str());
    }
#endif
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    picture();
    yarns();
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    const double base = summary.wallNs.count("BM_NearestBaseline") ? summary.wallNs["BM_NearestBaseline"] : -1;
    // CPU time beside the wall time: on a shared machine the wall time
    // counts the other programs' turns as well.
    std::printf("\nSummary (%d x %d stitches, K = 2; goal: F = 5 under 1 s)\n", kSide, kSide);
    for (const auto& [name, t] : summary.wallNs)
        std::printf("  %-28s wall %8.1f ms  cpu %8.1f ms  %5.1f x the nearest-colour baseline  %s\n", name.c_str(),
                    t * 1e-6, summary.ns[name] * 1e-6, base > 0 ? t / base : 0.0, t < 1e9 ? "ok" : "MISSED");
    qualityTable();
    return 0;
}
