// Compute command and the coupling of the size fields. The work is done by
// pattern/; these handlers read the controls and store the result.
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QUndoStack>

#include "app/TMainForm.h"
#include "app/messages.h"
#include "pattern/compute.h"
#include "pattern/depthdown.h"
#include "pattern/depthup.h"
#include "pattern/resize.h"
#include "platform/controls.h"
#include "platform/errorreport.h"

namespace {

pattern::Progress progressOf(TMainForm* form) {
    return [form](int percent) { form->SetProSatus(percent); };
}

}  // namespace

void TMainForm::RenderBtnClick(QObject*) {
    const int stitches = pattern::stitchCount(maschened->value(), breited->value());
    const int rows = pattern::stitchCount(reihened->value(), hoched->value());
    dib grid{};
    const pattern::ComputeStatus status = computeFromControls(stitches, rows, grid);
    if (status == pattern::ComputeStatus::NoMotif) return;  // nothing to compute from (start-up without memory)
    if (status != pattern::ComputeStatus::Ok) {
        errorreport::Report(messages::computeRefusal(status, stitches, rows), this, QStringLiteral("Berechnen"),
                            errorreport::Severity::Warning);
        return;
    }
    // The old grid goes only once the new one exists: a refused or failed
    // computation leaves the pattern as it was.
    freedib(di3);
    di3 = grid;
    undoStack->clear();  // its steps belong to the old grid
    updateKnitChecks();
    gridChanged();
}

void TMainForm::breitedChange(QObject*) {
    if (init || !sverhCheck->isChecked()) return;
    if (dibwidth(di) <= 0 || dibheight(di) <= 0) return;  // no proportions to keep
    init = true;
    hoched->setValue(pattern::coupledSize(dibheight(di), breited->value(), dibwidth(di)));
    init = false;
}

void TMainForm::hochedChange(QObject*) {
    if (init || !sverhCheck->isChecked()) return;
    if (dibwidth(di) <= 0 || dibheight(di) <= 0) return;
    init = true;
    breited->setValue(pattern::coupledSize(dibwidth(di), hoched->value(), dibheight(di)));
    init = false;
}

void TMainForm::showStitchCount() {
    const int stitches = pattern::stitchCount(maschened->value(), breited->value());
    const int rows = pattern::stitchCount(reihened->value(), hoched->value());
    const QLocale de = platform::uiLocale();
    StitchCount->setText(QStringLiteral("%1 Maschen × %2 Reihen").arg(de.toString(stitches), de.toString(rows)));
}

dib TMainForm::DepthUpTo(int nbpp) { return pattern::DepthUpTo(di, nbpp, progressOf(this)); }

dib TMainForm::Resize(dib src, int breit, int hoch) { return pattern::Resize(src, breit, hoch, progressOf(this)); }

dib TMainForm::DepthDownTo(dib src, int zcols, int rolmod) {
    return pattern::DepthDownTo(src, pal, zcols, rolmod, progressOf(this));
}
