// Speed of taking the yarn colours from a motif: a generated 4000 x 3000
// photo-like motif (12 MP) and, when the outside test data is there, the
// 12 MP photograph, for 8, 16, 32 and 64 yarns. Baseline in the same run:
// one plain read of every motif byte, the least any method that looks at
// every pixel must spend. Goal: well under a second for 12 MP.
//
// `bench_yarns --palette FILE N` prints the N yarn colours taken from the
// picture FILE, one "r g b" line each (tools/yarn_quality.py compares them
// with other quantisers); `--error FILE N` the mean CIEDE2000 and CIE76 of
// FILE reduced to them by nearest colour.
#include <benchmark/benchmark.h>

#include "bench/benchsupport.h"
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "pattern/depthdown.h"
#include "pattern/quantize.h"
#include "raster/PixKit3.h"

namespace {

using namespace benchsupport;

#ifdef TRICOMA_BENCH_TESTDATA
const dib& photo() {
    static dib d = [] {
        dib m{};
        OpenDib(&m, TRICOMA_BENCH_TESTDATA "/photos/42_IndexError.jpg", 0, nullptr);
        return m;
    }();
    return d;
}
#endif

void BM_ReadEveryByte(benchmark::State& state) {
    const dib& m = motif24();
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int y = 0; y < kMotifH; ++y) {
            const uint8_t* row = m.poi + int64_t(y) * m.bytew;
            for (int x = 0; x < 3 * kMotifW; ++x) sum += row[x];
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadEveryByte)->Unit(benchmark::kMillisecond);

void BM_ColoursFromMotif(benchmark::State& state) {
    for (auto _ : state) {
        auto colours = pattern::coloursFromMotif(motif24(), int(state.range(0)));
        benchmark::DoNotOptimize(colours.data());
    }
}
BENCHMARK(BM_ColoursFromMotif)->Arg(8)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond);

#ifdef TRICOMA_BENCH_TESTDATA
void BM_ColoursFromPhoto(benchmark::State& state) {
    if (!photo().poi) {
        state.SkipWithError("photo not found");
        return;
    }
    for (auto _ : state) {
        auto colours = pattern::coloursFromMotif(photo(), int(state.range(0)));
        benchmark::DoNotOptimize(colours.data());
    }
}
BENCHMARK(BM_ColoursFromPhoto)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);
#endif

int printPalette(const char* file, int count) {
    dib m{};
    OpenDib(&m, file, 0, nullptr);
    if (!m.poi) {
        std::fprintf(stderr, "cannot read %s\n", file);
        return 1;
    }
    for (const PALETTEENTRY& e : pattern::coloursFromMotif(m, count)) std::printf("%d %d %d\n", e.peRed, e.peGreen, e.peBlue);
    freedib(m);
    return 0;
}

// Mean CIEDE2000 and CIE76 of the picture against its nearest-colour map
// onto the N yarns taken from it, at full size.
int printError(const char* file, int count) {
    dib m{};
    OpenDib(&m, file, 0, nullptr);
    if (!m.poi || dibbitcount(m) != 24) {
        std::fprintf(stderr, "cannot read %s as 24 bits\n", file);
        freedib(m);
        return 1;
    }
    LPAL yarns{};
    yarns.ver = kPaletteVersion;
    yarns.num = 64;
    pattern::setYarns(yarns, pattern::coloursFromMotif(m, count));
    dib grid = pattern::DepthDownTo(m, yarns, 64, 0);
    std::printf("%.3f %.3f\n", pattern::meanDeltaE2000(m, grid), pattern::meanDeltaE(m, grid));
    freedib(grid);
    freedib(m);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--palette") == 0) return printPalette(argv[2], std::atoi(argv[3]));
    if (argc == 4 && std::strcmp(argv[1], "--error") == 0) return printError(argv[2], std::atoi(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    motif24();
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    std::map<std::string, double>& wall = summary.wallNs;
    const double base = wall.count("BM_ReadEveryByte") ? wall["BM_ReadEveryByte"] : -1;
    std::printf("\nSummary (wall time, 12 MP; goal: well under 1 s)\n");
    for (const auto& [name, t] : wall) {
        if (name == "BM_ReadEveryByte") continue;
        std::printf("  %-28s %8.1f ms  %5.1f x one read of the motif  %s\n", name.c_str(), t * 1e-6,
                    base > 0 ? t / base : 0.0, t < 0.5e9 ? "ok" : "MISSED");
    }
    return 0;
}
