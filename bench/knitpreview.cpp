// The knitted-look preview of 1000 x 1000 stitches: one path per yarn
// (goal under 1 s) against drawing stitch by stitch, in the same run.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <random>

#include "bench/benchsupport.h"
#include "chart/knitpreview.h"

namespace {

constexpr int kSide = 1000;
constexpr double kStitchPx = 4;  // the whole preview about 4000 x 3000 pixels

// Waves of eight yarns with speckles: many runs per row, as a photo gives.
const pattern::YarnCells& cells() {
    static const pattern::YarnCells c = [] {
        pattern::YarnCells out;
        out.stitches = out.rows = kSide;
        out.yarns.resize(std::size_t(kSide) * kSide);
        std::mt19937 rng(99);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                out.yarns[std::size_t(y) * kSide + std::size_t(x)] =
                    uint8_t(rng() % 7 == 0 ? rng() % 8 : int(4 + 3.9 * std::sin(x / 37.0 + y / 53.0)) % 8);
        return out;
    }();
    return c;
}

const std::vector<uint32_t> kColours = {0x202020, 0xF0F0F0, 0x2040C0, 0x30A040, 0xC06020, 0x8020A0, 0x20C0C0, 0xA0A0A0};

void BM_KnitPreviewPaths(benchmark::State& state) {
    for (auto _ : state) {
        QImage img = chart::knitPreviewImage(cells(), kColours, 23, 31, kStitchPx);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_KnitPreviewPaths)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Baseline: the same look, one fill per stitch part.
void BM_KnitPreviewPerStitch(benchmark::State& state) {
    const QSizeF s = chart::knitStitchSize(23, 31, kStitchPx);
    for (auto _ : state) {
        QImage img(int(std::ceil(s.width() * kSide)), int(std::ceil(s.height() * kSide)), QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        chart::paintKnitPreviewPerStitch(p, cells(), kColours, s);
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_KnitPreviewPerStitch)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    cells();
    benchsupport::Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    const double paths = summary.ns["BM_KnitPreviewPaths/iterations:3/real_time"],
                 base = summary.ns["BM_KnitPreviewPerStitch/iterations:1/real_time"];
    if (paths > 0 && base > 0)
        std::printf("\nSummary (CPU time, the machine is shared; 1000 x 1000 stitches at %.0f px): paths %.0f ms (goal < 1000 ms: %s), "
                    "per stitch %.0f ms, %.1f x faster\n",
                    kStitchPx, paths / 1e6, paths / 1e6 < 1000 ? "ok" : "MISSED", base / 1e6, base / paths);
    benchmark::Shutdown();
    return 0;
}
