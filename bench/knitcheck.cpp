// Speed of the knittability checks on a 1000 x 1000-stitch grid: floats,
// yarns per row and confetti together (goal < 20 ms, so they can run after
// every edit), and the confetti clean-up. Two grids: a dithered-looking one
// (8 yarns, noisy: many short floats, much confetti) and a smooth one
// (bands). The baseline in the same run is one plain pass that maps every
// byte to its yarn, the least any check has to do.
#include <benchmark/benchmark.h>

#include "bench/benchsupport.h"
#include <unistd.h>

#include <cstdio>
#include <array>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "pattern/knitcheck.h"

namespace {

using namespace benchsupport;

constexpr int kSide = 1000;
constexpr int kStride = 1000;

const std::vector<uint8_t>& gridBytes(int kind) {
    static std::map<int, std::vector<uint8_t>> cache;
    auto& g = cache[kind];
    if (g.empty()) {
        g.resize(size_t(kStride) * kSide);
        std::mt19937 rng(99);
        std::uniform_int_distribution<int> noise(0, 7);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                g[size_t(y) * kStride + size_t(x)] =
                    uint8_t(10 + (kind == 0 ? noise(rng) : ((x / 37 + y / 23) % 5)));
    }
    return g;
}

pattern::knit::GridBytes view(int kind) { return {gridBytes(kind).data(), kStride, kSide, kSide}; }

LPAL yarns() {
    LPAL p{};
    p.num = 64;
    for (int i = 0; i < 64; ++i) p.rgb0[i] = PALETTEENTRY{uint8_t(i * 4), uint8_t(255 - i * 3), uint8_t(i * 37), 0};
    return p;
}

void BM_Baseline(benchmark::State& state) {
    const auto& g = gridBytes(int(state.range(0)));
    std::array<uint8_t, 256> map{};
    for (int v = 0; v < 256; ++v) map[size_t(v)] = uint8_t(v >= 10 && v < 74 ? v - 10 : 0);
    std::vector<uint8_t> out(g.size());
    for (auto _ : state) {
        for (size_t i = 0; i < g.size(); ++i) out[i] = map[g[i]];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Baseline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// As the window runs them after every edit: into the report it keeps.
void BM_AllChecks(benchmark::State& state) {
    const auto g = view(int(state.range(0)));
    pattern::knit::Report rep;
    for (auto _ : state) {
        pattern::knit::check(g, pattern::knit::Options{5, 2, 64}, rep);
        benchmark::DoNotOptimize(rep.confetti);
    }
}
BENCHMARK(BM_AllChecks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Into a new report each time (the first check of a grid).
void BM_AllChecksFresh(benchmark::State& state) {
    const auto g = view(int(state.range(0)));
    for (auto _ : state) {
        pattern::knit::Report rep = pattern::knit::check(g, pattern::knit::Options{5, 2, 64});
        benchmark::DoNotOptimize(rep.confetti);
    }
}
BENCHMARK(BM_AllChecksFresh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RemoveConfetti(benchmark::State& state) {
    const auto g = view(int(state.range(0)));
    const LPAL pal = yarns();
    for (auto _ : state) {
        auto changes = pattern::knit::removeConfetti(g, int(state.range(1)), pal, 64);
        benchmark::DoNotOptimize(changes.data());
    }
}
BENCHMARK(BM_RemoveConfetti)->Args({0, 1})->Args({0, 4})->Args({1, 1})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    gridBytes(0);
    gridBytes(1);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    auto get = [&](const std::string& name) {
        auto it = summary.ns.find(name);
        return it == summary.ns.end() ? -1.0 : it->second;
    };
    std::printf("\nSummary (CPU time, 1000 x 1000 stitches)\n");
    for (const char* kind : {"0", "1"}) {
        const double all = get(std::string("BM_AllChecks/") + kind), base = get(std::string("BM_Baseline/") + kind);
        const double fresh = get(std::string("BM_AllChecksFresh/") + kind);
        if (all <= 0 || base <= 0 || fresh <= 0) continue;
        std::printf("%s grid: all checks %.2f ms (goal < 20 ms: %s), into a new report %.2f ms (goal: %s), "
                    "%.1f x the mapping pass (%.2f ms)\n",
                    kind[0] == '0' ? "noisy " : "smooth", all / 1e6, all / 1e6 < 20 ? "ok" : "MISSED", fresh / 1e6,
                    fresh / 1e6 < 20 ? "ok" : "MISSED", all / base, base / 1e6);
    }
    benchmark::Shutdown();
    return 0;
}
