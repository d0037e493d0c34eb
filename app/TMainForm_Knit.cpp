// Knitting from the pattern: the row tracker and, from it, the written
// rows and the knitted-look preview. The windows live in KnitModeUnit and
// get a copy of the grid; this file only wires.
#include <QSpinBox>

#include "app/KnitModeUnit.h"
#include "app/TMainForm.h"
#include "pattern/limits.h"
#include "pattern/writtenrows.h"

void TMainForm::KnitModeBtnClick(QObject*) {
    if (!KnitModeForm) {
        KnitModeForm = new TKnitModeForm(this);
        KnitModeForm->onRowChanged = [this](int row) { knitRow = row; };
    }
    std::vector<uint32_t> colours(std::size_t(pattern::kYarnColours));
    for (int i = 0; i < pattern::kYarnColours; ++i) {
        const PALETTEENTRY& e = di3.pal.rgb0[pattern::kYarnIndexOffset + i];
        colours[std::size_t(i)] = packrgb(e.peRed, e.peGreen, e.peBlue);
    }
    KnitModeForm->setPattern(pattern::yarnCells(di3), std::move(colours), maschened->value(), reihened->value(),
                             knittingOf(chartopts.rowNumbers), knitRow);
    knitRow = KnitModeForm->currentRow();
    KnitModeForm->show();
    KnitModeForm->raise();
    KnitModeForm->activateWindow();
}
