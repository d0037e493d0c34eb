// Stitch-grid view and post-editing on page 4: the grid 1:1 and enlarged in
// ScrollBox1, recolouring stitches while "Nachbearbeiten" is ticked (a click
// or a stroke with the button held, each undoable), drag scrolling
// otherwise, the yarn colour picker above the view, zoom, and the readout
// of the stitch under the pointer.
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QUndoStack>
#include <QWheelEvent>

#include "app/TMainForm.h"
#include "chart/gridview.h"
#include "chart/stitchedit.h"
#include "chart/swatches.h"
#include "platform/controls.h"
#include "platform/gdi.h"
#include "platform/drawdib.h"

void TMainForm::PaintBox2Paint(QObject*) {
    const int w = dibwidth(di3), h = dibheight(di3);
    const gridview::ViewSize size =
        gridview::viewSize(w, h, EditModeCheck->isChecked(), breited->value(), hoched->value(), stitchZoom);
    if (PaintBox2->width() != size.boxW || PaintBox2->height() != size.boxH)
        PaintBox2->resize(size.boxW, size.boxH);  // the box is painted again in its new size

    QPainter* canvas = PaintBox2->canvas();
    if (!canvas) {
        // Called to redraw: paint now, inside the caller's handler.
        PaintBox2->repaint();
        return;
    }
    if (!di3.poi || w <= 0 || h <= 0) return;
    // The drawing produces only what this paint has to cover, so a 30 x 30
    // per stitch enlargement of a large grid costs what is on screen.
    PainterDC dc(*canvas);
    drawdib(&dc, 0, 0, w, h, di3, 0, 0, w, h, false, SRCCOPY);
    drawdib(&dc, 0, h, size.bigW, size.bigH, di3, 0, 0, w, h, false, SRCCOPY);
    paintKnitMarks(*canvas, size.bigW, size.bigH);
    if (EditModeCheck->isChecked()) paintEditorOverlay(*canvas);
}

void TMainForm::PaintBox2MouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
    if (!EditModeCheck->isChecked()) {
        ziehen2 = true;
        ziehx2 = X;
        ziehy2 = Y;
        return;
    }
    if (editTool != EditTool::Pen) {
        editorMouseDown(X, Y);
        return;
    }
    // A stroke: this stitch and every one the pointer crosses until the
    // button is released, undone as one.
    malen_ = true;
    strokeHasLast_ = false;
    ++stroke_;
    paintStitch(X, Y, true);
}

// The press is the stroke's first event, but the stroke begins at its
// first stitch on the grid; that one takes the waiting colour.
void TMainForm::paintStitch(int X, int Y, bool) {
    if (!di3.poi) return;
    const int w = dibwidth(di3), h = dibheight(di3);
    const edittools::Cell here = cellAt(X, Y);
    auto inside = [w, h](edittools::Cell c) { return c.col >= 0 && c.row >= 0 && c.col < w && c.row < h; };
    // Pointer events come far apart on a fast stroke: every stitch on the
    // line from the last one is painted. A stroke begins only on the grid.
    if (!strokeHasLast_ && !inside(here)) return;
    const bool startsStroke = !strokeHasLast_;
    const std::vector<edittools::Cell> cells =
        strokeHasLast_ ? edittools::line(strokeLast_, here) : std::vector<edittools::Cell>{here};
    strokeLast_ = here;
    strokeHasLast_ = true;
    const uint8_t value = uint8_t(colornr + 10);
    std::vector<chart::StitchChange> changes;
    for (const edittools::Cell& c : cells) {
        if (!inside(c)) continue;
        const chart::StitchChange change = chart::SetStitchesCommand::change(di3, c.col, c.row, value);
        if (change.before != value) changes.push_back(change);
    }
    // Painting with a yarn whose new colour waits shows that colour: the
    // waiting colours come into the grid with the stroke, undone with it.
    const bool takeColours = startsStroke && document_->yarnWaiting(colornr);
    if (changes.empty() && !takeColours) return;  // nothing to change, nothing to undo
    auto* step = new chart::SetStitchesCommand(di3, std::move(changes), QStringLiteral("Masche färben"), stroke_);
    if (takeColours) step->alsoColours(pattern::GridColours::of(di3), document_->coloursFromYarns());
    undoStack->push(step);
}

void TMainForm::showStitchUnder(int X, int Y) {
    const int w = dibwidth(di3), h = dibheight(di3);
    const gridview::ViewSize size =
        gridview::viewSize(w, h, EditModeCheck->isChecked(), breited->value(), hoched->value(), stitchZoom);
    const gridview::Stitch s = gridview::stitchUnder(X, Y, w, h, size.bigW, size.bigH);
    if (!s.hit) {
        StitchLabel->clear();
        return;
    }
    const gridview::ChartPosition p = gridview::chartPosition(s, w, h);
    StitchLabel->setText(QStringLiteral("Masche %1, Reihe %2").arg(p.masche).arg(p.reihe));
}

void TMainForm::zoomBy(int direction) {
    const int next = direction > 0 ? gridview::zoomIn(stitchZoom) : gridview::zoomOut(stitchZoom);
    if (next == stitchZoom) return;
    // Keep the middle of what is shown in the middle.
    QScrollBar* hbar = ScrollBox1->horizontalScrollBar();
    QScrollBar* vbar = ScrollBox1->verticalScrollBar();
    const QSize view = ScrollBox1->viewport()->size();
    const double cx = (hbar->value() + view.width() / 2.0) / std::max(1, PaintBox2->width());
    const double cy = (vbar->value() + view.height() / 2.0) / std::max(1, PaintBox2->height());
    stitchZoom = next;
    PaintBox2Paint(PaintBox2);
    hbar->setValue(int(cx * PaintBox2->width() - view.width() / 2.0));
    vbar->setValue(int(cy * PaintBox2->height() - view.height() / 2.0));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Leave && StitchLabel && (watched == PaintBox2 || (ScrollBox1 && watched == ScrollBox1->viewport())))
        StitchLabel->clear();
    if (ScrollBox1 && watched == ScrollBox1->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int dy = wheel->angleDelta().y();
            if (dy != 0) zoomBy(dy > 0 ? +1 : -1);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::PaintBox2MouseMove(QObject*, Qt::KeyboardModifiers, int X, int Y) {
    showStitchUnder(X, Y);
    if (toolDrag_) {
        editorMouseMove(X, Y);
        return;
    }
    if (malen_) {
        if (EditModeCheck->isChecked()) paintStitch(X, Y);
        return;
    }
    if (!ziehen2) return;
    QScrollBar* hbar = ScrollBox1->horizontalScrollBar();
    QScrollBar* vbar = ScrollBox1->verticalScrollBar();
    // X, Y move with the content, so the grabbed point stays under the pointer.
    const int hpos = gridview::dragScroll(hbar->value(), ziehx2, X, PaintBox2->width());
    const int vpos = gridview::dragScroll(vbar->value(), ziehy2, Y, PaintBox2->height());
    hbar->setValue(hpos);
    vbar->setValue(vpos);
}

void TMainForm::PaintBox2MouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
    if (toolDrag_) editorMouseUp(X, Y);
    ziehen2 = false;
    malen_ = false;
}

void TMainForm::PaintBox3Paint(QObject*) {
    QPainter* canvas = PaintBox3->canvas();
    if (!canvas) {
        PaintBox3->repaint();
        return;
    }
    const int cols = swatches::columns(PaintBox3->width());
    const int count = pal.num < 256 ? pal.num : 256;
    for (int i = 0; i < count; ++i) {
        const swatches::Square s = swatches::square(i, cols);
        const PALETTEENTRY& e = pal.rgb0[i];
        canvas->fillRect(s.x, s.y, swatches::kSquare, swatches::kSquare, i == colornr ? Qt::red : Qt::black);
        canvas->fillRect(s.x + 1, s.y + 1, swatches::kSquare - 2, swatches::kSquare - 2,
                         QColor(e.peRed, e.peGreen, e.peBlue));
        if (i == colornr) {
            // Red alone vanishes on a red yarn: a white and a black ring
            // inside it show on every colour.
            canvas->setPen(Qt::white);
            canvas->drawRect(s.x + 1, s.y + 1, swatches::kSquare - 3, swatches::kSquare - 3);
            canvas->setPen(Qt::black);
            canvas->drawRect(s.x + 2, s.y + 2, swatches::kSquare - 5, swatches::kSquare - 5);
        }
    }
}

void TMainForm::PaintBox3MouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
    const int count = pal.num < 256 ? pal.num : 256;
    const int i = swatches::hit(X, Y, swatches::columns(PaintBox3->width()), count);
    if (i < 0) return;
    colornr = i;
    PaintBox3Paint(PaintBox3);
}

void TMainForm::EditModeCheckClick(QObject*) {
    // The view stays where it is: the stitch at the top left of the
    // enlarged picture is there again in the other mode, at the same zoom step.
    QScrollBar* hbar = ScrollBox1->horizontalScrollBar();
    QScrollBar* vbar = ScrollBox1->verticalScrollBar();
    const int h = std::max(dibheight(di3), 0);
    const double fx = double(hbar->value()) / std::max(1, PaintBox2->width());
    const double fy = double(std::max(vbar->value() - h, 0)) / std::max(1, PaintBox2->height() - h);
    const bool scrolledDown = vbar->value() > h;
    Panel43->setVisible(EditModeCheck->isChecked());
    // The yarn picker takes the colourwork strip's room while post-editing.
    if (ColourworkPanel) ColourworkPanel->setVisible(!EditModeCheck->isChecked());
    if (QLayout* l = Panel43->parentWidget()->layout()) l->activate();  // the view's new height, now
    PaintBox2Paint(PaintBox2);
    hbar->setValue(int(fx * PaintBox2->width() + 0.5));
    if (scrolledDown) vbar->setValue(h + int(fy * (PaintBox2->height() - h) + 0.5));
    updateEditorActions();
}
