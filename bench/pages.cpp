// The chart's pages as a PDF: 1000 x 1000 stitches at the defaults (5 mm
// cells, A4) through exportPdf, against Qt's PDF writer drawing the same
// cells of the same pages the old way (every cell two filled rectangles of
// its own colour, outline and fill) in the same run.
//
// Grids: /0 a photo-like grid of 6 yarns in patches (what a computed
// motif gives), /1 a dithered one (every stitch its own of 6 yarns, the
// worst case for joining cells). Counters: file_MB (the PDF's size) and
// rss_MB (growth of the process's peak resident memory during one export,
// when the kernel lets the peak be reset).
#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/guimain.h"
#include "output/pages.h"
#include "raster/PixKit3.h"

namespace {

constexpr int kSide = 1000;

dib makeGrid(bool dithered) {
    dib g{};
    newdib(&g, kSide, kSide, 8, nullptr, 0);
    const uint8_t yarns[6][3] = {{250, 250, 250}, {20, 20, 20}, {200, 30, 40}, {20, 160, 60}, {30, 60, 220}, {240, 200, 0}};
    for (int i = 0; i < 256; ++i) g.pal.rgb0[i] = PALETTEENTRY{yarns[0][0], yarns[0][1], yarns[0][2], 0};
    for (int k = 0; k < 6; ++k) g.pal.rgb0[10 + k] = PALETTEENTRY{yarns[k][0], yarns[k][1], yarns[k][2], 0};
    uint32_t seed = 7;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            seed = seed * 1103515245u + 12345u;
            int k = 0;
            if (dithered) {
                k = int((seed >> 16) % 6);
            } else {
                const double v = std::sin(x / 41.0) + std::cos(y / 29.0) + 0.5 * std::sin((x + y) / 13.0);
                k = std::clamp(int((v + 2.5) * 6 / 5.0), 0, 5);
                if ((seed >> 16) % 50 == 0) k = int((seed >> 8) % 6);  // a few stray stitches
            }
            g.poi[int64_t(y) * g.bytew + x] = uint8_t(10 + k);
        }
    return g;
}

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

template <class Export>
void measure(benchmark::State& state, const QString& path, Export run) {
    for (auto _ : state) run();
    const bool rss = resetResidentPeak();
    const long long before = residentPeak();
    run();
    const long long after = residentPeak();
    if (rss && before > 0) state.counters["rss_MB"] = double(after - before) / 1e6;
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}

void BM_ExportPdf(benchmark::State& state) {
    dib grid = makeGrid(state.range(0) != 0);
    QTemporaryDir dir;
    const QString path = dir.filePath("muster.pdf");
    output::PageDocument doc(grid, 23, 31, output::kDefaultCellMm, output::kDefaultOverlap);
    measure(state, path, [&] {
        if (output::exportPdf(path, doc, output::localePageLayout()) != output::PdfStatus::ok)
            state.SkipWithError("not written");
    });
    state.SetLabel(std::to_string(doc.pageCount()) + " pages");
    freedib(grid);
}

// The baseline: the same pages' cells as two fillRects each, nothing else.
void BM_OldWayCells(benchmark::State& state) {
    dib grid = makeGrid(state.range(0) != 0);
    QTemporaryDir dir;
    const QString path = dir.filePath("alt.pdf");
    output::PageDocument doc(grid, 23, 31, output::kDefaultCellMm, output::kDefaultOverlap);
    const QPageLayout layout = output::localePageLayout();
    const QRectF area = layout.paintRect(QPageLayout::Millimeter);
    doc.setPageSize(area.width(), area.height());
    const output::PagePlan plan = doc.plan();
    measure(state, path, [&] {
        QPdfWriter writer(path);
        writer.setResolution(1200);
        writer.setPageLayout(layout);
        const double s = 1200 / 25.4, ring = output::kCellRingMm * s;
        QPainter p(&writer);
        for (int64_t i = 0; i < plan.chartPages(); ++i) {
            if (i > 0) writer.newPage();
            const output::ChartPart c = plan.part(i);
            const QRectF cells = plan.cellsRect(c);
            for (int row = c.firstRow; row < c.endRow; ++row)
                for (int col = c.firstColumn; col < c.endColumn; ++col) {
                    const PALETTEENTRY& e = grid.pal.rgb0[grid.poi[int64_t(row) * grid.bytew + col]];
                    const QColor fill(e.peRed, e.peGreen, e.peBlue);
                    const QRectF r((cells.left() + (col - c.firstColumn) * plan.cellWidthMm) * s,
                                   (cells.top() + (c.endRow - 1 - row) * plan.cellHeightMm) * s,
                                   plan.cellWidthMm * s, plan.cellHeightMm * s);
                    p.fillRect(r, QColor(255 - fill.red(), 255 - fill.green(), 255 - fill.blue()));
                    p.fillRect(r.adjusted(ring, ring, -ring, -ring), fill);
                }
        }
    });
    state.SetLabel(std::to_string(plan.chartPages()) + " chart pages");
    freedib(grid);
}

// The overview benchmarks' grid: 12000 x 12000 stitches in bands of yarns.
constexpr int kHuge = 12000;
dib hugeGrid() {
    dib grid{};
    newdib(&grid, kHuge, kHuge, 8, nullptr, 0);
    for (int i = 0; i < 256; ++i) grid.pal.rgb0[i] = PALETTEENTRY{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
    for (int y = 0; y < kHuge; ++y) std::memset(grid.poi + int64_t(y) * grid.bytew, 10 + (y / 100) % 64, size_t(kHuge));
    return grid;
}

// The overview page of a 12000 x 12000 grid painted twice at 300 dpi, as a
// print preview repaints it: the picture is made once, no larger than the
// page needs. rss_MB against the grid's own 144 MB.
void BM_PaintOverview(benchmark::State& state) {
    dib grid = hugeGrid();
    output::PageDocument doc(grid, 23, 31, output::kDefaultCellMm, output::kDefaultOverlap);
    doc.setPageSize(190, 277);
    const double s = 300 / 25.4;
    QImage page(int(190 * s), int(277 * s), QImage::Format_RGB32);
    const bool rss = resetResidentPeak();
    const long long before = residentPeak();
    for (auto _ : state) {
        for (int k = 0; k < 2; ++k) {
            QPainter p(&page);
            doc.paintPage(p, 1, s);
        }
    }
    const long long after = residentPeak();
    if (rss && before > 0) state.counters["rss_MB"] = double(after - before) / 1e6;
    freedib(grid);
}

// The baseline in the same run: the overview as it was painted before, a
// full-size picture of the grid made afresh for every paint and scaled down.
void BM_PaintOverviewFullPicture(benchmark::State& state) {
    dib grid = hugeGrid();
    const double s = 300 / 25.4;
    QImage page(int(190 * s), int(277 * s), QImage::Format_RGB32);
    const bool rss = resetResidentPeak();
    const long long before = residentPeak();
    for (auto _ : state) {
        for (int k = 0; k < 2; ++k) {
            QImage full(kHuge, kHuge, QImage::Format_RGB32);
            for (int y = 0; y < kHuge; ++y) {
                const uint8_t* in = grid.poi + int64_t(kHuge - 1 - y) * grid.bytew;
                auto* out = reinterpret_cast<QRgb*>(full.scanLine(y));
                for (int x = 0; x < kHuge; ++x) {
                    const PALETTEENTRY& e = grid.pal.rgb0[in[x]];
                    out[x] = qRgb(e.peRed, e.peGreen, e.peBlue);
                }
            }
            QPainter p(&page);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRectF(0, 0, page.width(), page.width()), full);
        }
    }
    const long long after = residentPeak();
    if (rss && before > 0) state.counters["rss_MB"] = double(after - before) / 1e6;
    freedib(grid);
}

BENCHMARK(BM_PaintOverviewFullPicture)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PaintOverview)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ExportPdf)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_OldWayCells)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) { return runBenchmarksInApplication<QGuiApplication>(argc, argv); }
