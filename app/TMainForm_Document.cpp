// The one path from the pattern document to what the window shows: every
// change of motif, grid, yarns, gauge or size arrives here as the
// document's changed() signal and refreshes the views, readouts, checks
// and notices that show it.
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "app/TMainForm.h"
#include "platform/controls.h"

namespace {

constexpr int kResultPage = 4;

}  // namespace

void TMainForm::documentChanged(unsigned what, int firstRow, int lastRow) {
    using namespace pattern::change;
    if (what & AnyGrid) {
        // Checks and yarn count first: the readouts show their figures.
        const int h = dibheight(di3);
        if ((what & Grid) || ((what & Stitches) && (firstRow < 0 || lastRow < firstRow))) {
            knitGridReplaced();
        } else if (what & Stitches) {
            // Rows from the top -> the knitter's rows from the bottom.
            knitChecks.rowsChanged(pattern::knit::gridBytes(di3), h - lastRow, h - firstRow);
            // Float rows and crowded rows beside the edit may have changed too.
            showKnitFigures(std::max(1, h - lastRow - 1), std::min(h, h - firstRow + 1));
        }
        PaintBox2Paint(PaintBox2);
        showYarnUsage();
        // The chart follows at once where it is in sight, and when the grid's
        // colours change (rare, and the chart should never show old ones);
        // otherwise when its page is shown.
        if (PageControl2->currentIndex() == kResultPage || ((what & GridYarns) && !(what & Grid) && dibvalid(rdi))) {
            RenderDib();
            ErgPaintBox->update();
        }
        ComputeNotice->parentWidget()->hide();  // it spoke of the grid before this change
    }
    if (what & Size) showStitchCount();
    if (what & Yarns) {
        PaintBox1->update();
        PaintBox3->update();
    }
    if (what & (AnyGrid | Yarns | Motif)) showNotices();
}

void TMainForm::showNotices() {
    const bool waiting = document_->yarnsWaiting();
    YarnsWaitingPanel->setVisible(waiting);
    YarnsWaitingPanel2->setVisible(waiting);
    MotifNotice->parentWidget()->setVisible(document_->origin == pattern::GridOrigin::Opened && document_->motifIsBlank());
}
