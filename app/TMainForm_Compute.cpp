// Compute command and the coupling of the size fields. The work is done by
// pattern/; these handlers read the controls and store the result.
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QUndoStack>

#include "app/TMainForm.h"
#include "app/messages.h"
#include "app/progressgate.h"
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
    readSize();
    const pattern::PatternDocument& doc = *document_;
    const int stitches = pattern::stitchCount(doc.maschen, doc.breite);
    const int rows = pattern::stitchCount(doc.reihen, doc.hoch);
    dib grid{};
    pattern::ComputeStatus status;
    {
        // The status bar as ever, and a dialog with a cancel button once it
        // takes longer than a second.
        ProgressGate gate(this, QStringLiteral("Muster wird berechnet …"));
        const pattern::CancellableProgress toGate = gate.callback();
        status = computeFromControls(stitches, rows, grid, [this, &toGate](int percent) {
            SetProSatus(percent);
            return toGate(percent);
        });
    }
    if (status == pattern::ComputeStatus::NoMotif) return;  // nothing to compute from (start-up without memory)
    if (status == pattern::ComputeStatus::Cancelled) return;  // the pattern stays as it was
    if (status != pattern::ComputeStatus::Ok) {
        errorreport::Report(messages::computeRefusal(status, stitches, rows), this, QStringLiteral("Berechnen"),
                            errorreport::Severity::Warning);
        return;
    }
    // The old grid goes only once the new one exists: a refused or failed
    // computation leaves the pattern as it was. It stays in the history, so
    // Ctrl+Z brings it back with its edits.
    const bool opened = document_->origin == pattern::GridOrigin::Opened;
    const bool edited = document_->modified();
    document_->pushNewGrid(grid, pattern::GridOrigin::Computed, QStringLiteral("Berechnen"));
    if (opened || edited) {
        ComputeNotice->setText(opened ? QStringLiteral("„Berechnen“ hat das geöffnete Muster ersetzt. Strg+Z holt es zurück.")
                                      : QStringLiteral("„Berechnen“ hat die Nachbearbeitungen ersetzt. Strg+Z holt sie zurück."));
        ComputeNotice->parentWidget()->show();
    }
}

void TMainForm::readSize() {
    pattern::PatternDocument& doc = *document_;
    const int maschen = maschened->value(), reihen = reihened->value();
    const double breite = breited->value(), hoch = hoched->value();
    if (maschen == doc.maschen && reihen == doc.reihen && breite == doc.breite && hoch == doc.hoch) return;
    doc.maschen = maschen;
    doc.reihen = reihen;
    doc.breite = breite;
    doc.hoch = hoch;
    doc.notify(pattern::change::Size);
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
