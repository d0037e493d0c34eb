// Painting a 1000 x 800 window onto huge stretched pictures must cost about
// what painting a 1000 x 800 picture unscaled costs. All cases paint through
// the painter device context onto a 1000 x 800 image, scrolled like a view.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "bench/guimain.h"
#include "platform/gdi.h"
#include "raster/PixKit3.h"
#include "platform/drawdib.h"

namespace {

constexpr int kViewW = 1000, kViewH = 800;

dib makeImage(int w, int h, int bits) {
    dib d{};
    newdib(&d, w, h, bits, nullptr, 0);
    if (!d.poi) return d;
    if (bits == 8) {
        for (int i = 0; i < 256; ++i) {
            d.pmi->bmiColors[i] = RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
            d.pal.rgb0[i] = PALETTEENTRY{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i), 0};
        }
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* row = d.poi + int64_t(y) * d.bytew;
        for (int64_t i = 0; i < int64_t(w) * (bits / 8); ++i) row[i] = uint8_t(i * 31 + y * 7);
    }
    return d;
}

// Paints `d` stretched to dw x dh with the view scrolled to (ox, oy).
void paint(benchmark::State& state, const dib& d, int dw, int dh, int ox, int oy, bool halftone) {
    QImage target(kViewW, kViewH, QImage::Format_RGB32);
    target.fill(Qt::white);
    for (auto _ : state) {
        QPainter p(&target);
        p.translate(-ox, -oy);
        PainterDC dc(p);
        drawdib(&dc, 0, 0, dw, dh, d, 0, 0, dibwidth(d), dibheight(d), halftone, SRCCOPY);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

void BM_PlainImage1000x800(benchmark::State& state) {
    dib d = makeImage(kViewW, kViewH, 24);
    paint(state, d, kViewW, kViewH, 0, 0, true);
    freedib(d);
}

void BM_GridView460x380To13800x11400(benchmark::State& state) {
    dib d = makeImage(460, 380, 8);
    paint(state, d, 460 * 30, 380 * 30, 6400, 5300, false);
    freedib(d);
}

void BM_ResultView9320x5720(benchmark::State& state) {
    dib d = makeImage(9320, 5720, 24);
    paint(state, d, 9320, 5720, 4000, 2500, true);
    freedib(d);
}

// For reference: the painter's own unscaled image drawing.
void BM_QPainterDrawImage1000x800(benchmark::State& state) {
    QImage src(kViewW, kViewH, QImage::Format_RGB32);
    src.fill(Qt::darkCyan);
    QImage target(kViewW, kViewH, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.drawImage(0, 0, src);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

BENCHMARK(BM_PlainImage1000x800)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridView460x380To13800x11400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResultView9320x5720)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QPainterDrawImage1000x800)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return runBenchmarksInApplication<QGuiApplication>(argc, argv); }
