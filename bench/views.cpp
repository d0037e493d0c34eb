// Costs of the stitch-grid view on a 460 x 380 grid in edit mode (a
// 13800 x 11400 enlarged picture) shown in a 1000 x 800 viewport: one
// post-edit click with its repaint, and one drag step; against painting a
// plain 1000 x 800 image through the same drawing routine in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QScrollArea>
#include <QScrollBar>
#include <cstdlib>
#include <memory>

#include "bench/guimain.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "platform/gdi.h"
#include "raster/PixKit3.h"
#include "platform/drawdib.h"

namespace {

constexpr int kGridW = 460, kGridH = 380;
constexpr int kViewW = 1000, kViewH = 800;

std::unique_ptr<TMainForm> form;

TMainForm& editForm() {
    if (form) return *form;
    form = std::make_unique<TMainForm>(QStringLiteral("/tmp/x/tricoma"));
    TMainForm& f = *form;
    // A grid of every yarn colour, taken over with the palette of the grid
    // made at start-up.
    dib grid{};
    newdib(&grid, kGridW, kGridH, 8, f.di3.pmi, dibcolors(f.di3));
    for (int y = 0; y < kGridH; ++y)
        for (int x = 0; x < kGridW; ++x) grid.poi[std::ptrdiff_t(y) * grid.bytew + x] = uint8_t(10 + (x + y) % 64);
    freedib(f.di3);
    f.di3 = grid;
    f.PageControl2->setCurrentIndex(3);
    f.EditModeCheck->setChecked(true);
    f.EditModeCheckClick(f.EditModeCheck);
    f.show();
    // Grow the window until the scroll box shows 1000 x 800 of the grid.
    for (int i = 0; i < 3; ++i) {
        QSize vp = f.ScrollBox1->viewport()->size();
        f.resize(f.width() + kViewW - vp.width(), f.height() + kViewH - vp.height());
        QApplication::processEvents();
    }
    f.ScrollBox1->horizontalScrollBar()->setValue(5000);
    f.ScrollBox1->verticalScrollBar()->setValue(5000);
    QApplication::processEvents();
    return f;
}

void BM_PlainImage1000x800(benchmark::State& state) {
    dib image{};
    newdib(&image, kViewW, kViewH, 8, nullptr, 0);
    for (int i = 0; i < kViewW * kViewH; ++i) image.poi[i] = uint8_t(i * 7);
    TPaintBox box;
    box.resize(kViewW, kViewH);
    box.onPaint = [&](QPainter& p) {
        PainterDC dc(p);
        drawdib(&dc, 0, 0, kViewW, kViewH, image, 0, 0, kViewW, kViewH, false, SRCCOPY);
    };
    box.show();
    QApplication::processEvents();
    for (auto _ : state) box.repaint();
    freedib(image);
}
BENCHMARK(BM_PlainImage1000x800)->Unit(benchmark::kMillisecond);

void BM_PostEditClick(benchmark::State& state) {
    TMainForm& f = editForm();
    QScrollArea* box = f.ScrollBox1;
    QSize vp = box->viewport()->size();
    state.counters["viewport_w"] = vp.width();
    state.counters["viewport_h"] = vp.height();
    // A stitch in the middle of what is shown.
    const int x = box->horizontalScrollBar()->value() + vp.width() / 2;
    const int y = box->verticalScrollBar()->value() + vp.height() / 2;
    int k = 0;
    for (auto _ : state) {
        f.colornr = k++ % 64;
        f.PaintBox2MouseDown(f.PaintBox2, Qt::LeftButton, Qt::NoModifier, x, y);
    }
}
BENCHMARK(BM_PostEditClick)->Unit(benchmark::kMillisecond);

void BM_DragStep(benchmark::State& state) {
    TMainForm& f = editForm();
    QScrollBar* h = f.ScrollBox1->horizontalScrollBar();
    QScrollBar* v = f.ScrollBox1->verticalScrollBar();
    int step = 40;
    for (auto _ : state) {
        // The pointer moves by `step`; its position in the content is where
        // the press was minus that, as the content moves under it.
        f.ziehen2 = true;
        f.ziehx2 = h->value() + 500;
        f.ziehy2 = v->value() + 400;
        f.PaintBox2MouseMove(f.PaintBox2, Qt::NoModifier, f.ziehx2 - step, f.ziehy2 - step);
        QApplication::processEvents();  // the newly exposed strips are painted
        step = -step;
    }
    f.ziehen2 = false;
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return runBenchmarksInApplication<QApplication>(argc, argv, [] { form.reset(); });
}
