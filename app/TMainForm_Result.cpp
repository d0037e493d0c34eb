// Result view on page 5: the chart rdi unscaled in ErgScrollBox, rendered
// afresh whenever the page is shown, scrolled by dragging.
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

#include "app/TMainForm.h"
#include "chart/gridview.h"
#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/drawdib.h"

namespace {

constexpr int kResultPage = 4;

}  // namespace

void TMainForm::ErgPaintBoxPaint(QObject*) {
    const int w = dibwidth(rdi), h = dibheight(rdi);
    if (ErgPaintBox->width() != w || ErgPaintBox->height() != h) ErgPaintBox->resize(w, h);

    QPainter* canvas = ErgPaintBox->canvas();
    if (!canvas) {
        ErgPaintBox->repaint();
        return;
    }
    if (!rdi.poi || w <= 0 || h <= 0) return;
    PainterDC dc(*canvas);
    drawdib(&dc, 0, 0, w, h, rdi, 0, 0, w, h, true, SRCCOPY);
}

void TMainForm::ErgPaintBoxMouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
    ziehen = true;
    ziehx = X;
    ziehy = Y;
}

void TMainForm::ErgPaintBoxMouseMove(QObject*, Qt::KeyboardModifiers, int X, int Y) {
    if (!ziehen) return;
    QScrollBar* hbar = ErgScrollBox->horizontalScrollBar();
    QScrollBar* vbar = ErgScrollBox->verticalScrollBar();
    const int hpos = gridview::dragScroll(hbar->value(), ziehx, X, ErgPaintBox->width());
    const int vpos = gridview::dragScroll(vbar->value(), ziehy, Y, ErgPaintBox->height());
    hbar->setValue(hpos);
    vbar->setValue(vpos);
}

void TMainForm::ErgPaintBoxMouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ziehen = false; }

void TMainForm::PageControl2Change(QObject*) {
    if (PageControl2->currentIndex() != kResultPage) return;
    RenderDib();
    // Bring the box to the chart's size now: a box still at its old (or no)
    // size would not be painted at all.
    ErgPaintBoxPaint(ErgPaintBox);
}
