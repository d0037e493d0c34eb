// Knitting from the pattern: the row tracker and, from it, the written
// rows and the knitted-look preview. The windows live in KnitModeUnit and
// get a copy of the grid; this file only wires.
#include <QSpinBox>

#include "app/KnitModeUnit.h"
#include "app/TMainForm.h"
#include "output/pages.h"
#include "pattern/document.h"
#include "pattern/limits.h"
#include "pattern/writtenrows.h"

namespace {

// The tracker's copy of the grid as it is now, at the row it shows.
void fillKnitMode(TMainForm& form, TKnitModeForm& k, int row) {
    std::vector<uint32_t> colours(std::size_t(pattern::kYarnColours));
    for (int i = 0; i < pattern::kYarnColours; ++i) {
        const PALETTEENTRY& e = form.di3.pal.rgb0[pattern::kYarnIndexOffset + i];
        colours[std::size_t(i)] = packrgb(e.peRed, e.peGreen, e.peBlue);
    }
    k.setPattern(pattern::yarnCells(form.di3), std::move(colours), form.document().maschen, form.document().reihen,
                 knittingOf(form.chartopts.rowNumbers), row);
}

}  // namespace

void TMainForm::KnitModeBtnClick(QObject*) {
    if (!KnitModeForm) {
        KnitModeForm = new TKnitModeForm(this);
        KnitModeForm->onRowChanged = [this](int row) { knitRow = row; };
        KnitModeForm->onSavePdf = [this](const QStringList& lines) {
            const output::PageChoice c = output::loadPageChoice();
            savePagesPdf({c.cellMm(document_->maschen), c.overlap, KnitModeForm, lines});
        };
        // An open tracker follows the grid (edits, a new computation).
        connect(document_.get(), &pattern::PatternDocument::changed, KnitModeForm, [this](unsigned what, int, int) {
            if ((what & (pattern::change::AnyGrid | pattern::change::Size)) && KnitModeForm->isVisible())
                fillKnitMode(*this, *KnitModeForm, KnitModeForm->currentRow());
        });
    }
    fillKnitMode(*this, *KnitModeForm, knitRow);
    knitRow = KnitModeForm->currentRow();
    KnitModeForm->show();
    KnitModeForm->raise();
    KnitModeForm->activateWindow();
}
