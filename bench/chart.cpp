// Chart rendering against the cost of merely writing its pixels: a fresh
// block of the same size filled with memset, in the same run. Fresh pages
// cost most of the time on this machine, so both sides pay for them.
// Drawing again at the same size reuses the old chart's block; its baseline
// is a memset of a block that already exists.
//
// Counters: pixel_MB (the chart's pixel block), peak_ratio (peak of the
// memory blocks during one render / pixel bytes), rss_ratio (growth of the
// process's peak resident memory during one render / pixel bytes, when the
// kernel lets the peak be reset).
//
// The second argument turns every chart option on (contrast outlines, heavy
// lines every 5 and 10, column numbers, every row numbered, symbols, legend):
// BM_RenderChart/0/1 against BM_RenderChart/0/0 is the options' cost, and
// plain_ratio their peak memory against the plain chart's pixel bytes.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/guimain.h"
#include "chart/render.h"
#include "raster/memblock.h"
#include "raster/PixKit3.h"

namespace {

struct Case {
    int stitches, rows, maschen, reihen;
    double breite, hoch;  // cm giving exactly that many stitches and rows
};

// 460 x 380 at 23 / 31 per 10 cm: 9320 x 5720; 375 x 700 at 25 / 35: 7995 x 10520;
// 1723 x 1378 at 23 / 31: 34580 x 20690, 2.1 GB, the largest chart allowed.
// 88 x 150 at 23 / 31: the 40 x 50 cm pullover front, 1880 x 2270.
const Case kCases[] = {{460, 380, 23, 31, 200.0, 122.6},
                       {375, 700, 25, 35, 150.0, 200.0},
                       {1723, 1378, 23, 31, 749.2, 444.6},
                       {88, 150, 23, 31, 38.3, 48.4}};

// A grid as the dithering leaves it: 64 yarns, neighbours rarely alike.
dib makeGrid(const Case& c) {
    dib g{};
    newdib(&g, c.stitches, c.rows, 8, nullptr, 0);
    uint32_t seed = 2024;
    for (int i = 0; i < 256; ++i) {
        seed = seed * 1103515245u + 12345u;
        const uint32_t v = seed >> 8;
        g.pal.rgb0[i] = PALETTEENTRY{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 0};
    }
    for (int y = 0; y < c.rows; ++y)
        for (int x = 0; x < c.stitches; ++x) {
            seed = seed * 1103515245u + 12345u;
            g.poi[int64_t(y) * g.bytew + x] = uint8_t(10 + (seed >> 16) % 64);
        }
    return g;
}

chart::ChartInputs inputsOf(const Case& c) {
    chart::ChartInputs in;
    in.maschen = c.maschen;
    in.reihen = c.reihen;
    in.breite = c.breite;
    in.hoch = c.hoch;
    return in;
}

// Peak resident memory in bytes (VmHWM), or -1.
long long residentPeak() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
    return -1;
}

bool resetResidentPeak() {
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
    return bool(f);
}

chart::ChartOptions allOptions() {
    chart::ChartOptions o;
    o.outline = chart::Outline::contrast;
    o.heavyLines = chart::HeavyLines::fivesAndTens;
    o.columnNumbers = 5;
    o.rowNumbers = chart::RowNumbering::everyRow;
    o.symbols = true;
    o.legend = true;
    return o;
}

void BM_RenderChart(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    dib grid = makeGrid(c);
    const chart::ChartInputs in = inputsOf(c);
    const chart::ChartOptions options = state.range(1) ? allOptions() : chart::ChartOptions{};
    const int64_t limit = chart::chartByteLimit();
    chart::ChartGeometry plain;
    chart::chartGeometry(in, plain);
    int64_t bytes = 0;
    for (auto _ : state) {
        chart::ChartResult res = chart::renderChart(grid, in, limit, options);
        if (res.status != chart::ChartStatus::ok) {
            state.SkipWithError("chart refused");
            break;
        }
        bytes = res.geometry.pixelBytes;
        benchmark::DoNotOptimize(res.chart.poi);
        freedib(res.chart);
    }
    // One more, untimed, for the memory figures.
    const std::size_t liveBefore = memblock::liveBytes();
    memblock::resetPeak();
    const bool rss = resetResidentPeak();
    const long long rssBefore = residentPeak();
    chart::ChartResult res = chart::renderChart(grid, in, limit, options);
    const long long rssAfter = residentPeak();
    const std::size_t peak = memblock::peakBytes() - liveBefore;
    state.counters["pixel_MB"] = double(res.geometry.pixelBytes) / 1e6;
    state.counters["peak_ratio"] = double(peak) / double(res.geometry.pixelBytes);
    state.counters["plain_ratio"] = double(peak) / double(plain.pixelBytes);
    if (rss && rssBefore > 0) state.counters["rss_ratio"] = double(rssAfter - rssBefore) / double(res.geometry.pixelBytes);
    state.SetLabel(std::to_string(res.geometry.width) + "x" + std::to_string(res.geometry.height));
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    freedib(res.chart);
    freedib(grid);
}

// The baseline: a fresh block of the same size, every byte written once.
void BM_FreshBlockMemset(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    chart::ChartGeometry g;
    chart::chartGeometry(inputsOf(c), g);
    const std::size_t bytes = std::size_t(g.pixelBytes);
    for (auto _ : state) {
        HGLOBAL h = GlobalAlloc(bytes, false);
        if (!h) {
            state.SkipWithError("no memory");
            break;
        }
        void* p = GlobalLock(h);
        std::memset(p, 0xFF, bytes);
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
        GlobalFree(h);
    }
    state.SetLabel(std::to_string(g.width) + "x" + std::to_string(g.height));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

// Drawing again at the same size, over the previous chart; the second
// argument turns every option on. BM_RenderChartOver/n/1 against /n/0 in
// the same run is the options' cost of a redraw; peak_ratio is the peak of
// the memory blocks during one redraw over the chart's pixel bytes (0: the
// block was reused and nothing else of that size was taken).
void BM_RenderChartOver(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    dib grid = makeGrid(c);
    const chart::ChartInputs in = inputsOf(c);
    const chart::ChartOptions options = state.range(1) ? allOptions() : chart::ChartOptions{};
    const int64_t limit = chart::chartByteLimit();
    chart::ChartResult res = chart::renderChart(grid, in, limit, options);
    dib chartDib = res.chart;
    for (auto _ : state) {
        res = chart::renderChart(grid, in, chartDib, limit, options);
        if (res.status != chart::ChartStatus::ok || chartDib.poi) {
            state.SkipWithError("chart refused or not drawn over");
            break;
        }
        chartDib = res.chart;
        benchmark::DoNotOptimize(chartDib.poi);
    }
    const std::size_t liveBefore = memblock::liveBytes();
    memblock::resetPeak();
    res = chart::renderChart(grid, in, chartDib, limit, options);
    chartDib = res.chart;
    state.counters["peak_ratio"] = double(memblock::peakBytes() - liveBefore) / double(res.geometry.pixelBytes);
    state.SetLabel(std::to_string(res.geometry.width) + "x" + std::to_string(res.geometry.height));
    state.SetBytesProcessed(int64_t(state.iterations()) * res.geometry.pixelBytes);
    freedib(chartDib);
    freedib(grid);
}

// Its baseline: every byte of an existing block of the same size written once.
void BM_ExistingBlockMemset(benchmark::State& state) {
    const Case& c = kCases[state.range(0)];
    chart::ChartGeometry g;
    chart::chartGeometry(inputsOf(c), g);
    const std::size_t bytes = std::size_t(g.pixelBytes);
    HGLOBAL h = GlobalAlloc(bytes, true);
    if (!h) {
        state.SkipWithError("no memory");
        return;
    }
    void* p = GlobalLock(h);
    std::memset(p, 0, bytes);
    for (auto _ : state) {
        std::memset(p, 0xFF, bytes);
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
    }
    GlobalFree(h);
    state.SetLabel(std::to_string(g.width) + "x" + std::to_string(g.height));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

BENCHMARK(BM_FreshBlockMemset)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RenderChart)->Args({0, 0})->Args({1, 0})->Args({2, 0})->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ExistingBlockMemset)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RenderChartOver)
    ->ArgsProduct({{0, 1, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace

// The row numbers need the font engine, which needs an application.
int main(int argc, char** argv) { return runBenchmarksInApplication<QGuiApplication>(argc, argv); }
