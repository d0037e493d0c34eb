// Progress with a cancel button for work that may run longer than a
// second (clean-up, compute, printing, PDF): a window-modal progress dialog
// that appears only once the work has run that long, fed by the
// algorithms' progress callback. The algorithms stay free of widgets; they
// only see the callback, which says false once the user has cancelled.
#pragma once

#include <QString>
#include <memory>

#include "pattern/progress.h"

class QProgressDialog;
class QWidget;

class ProgressGate {
public:
    ProgressGate(QWidget* owner, const QString& label);
    ~ProgressGate();
    ProgressGate(const ProgressGate&) = delete;
    ProgressGate& operator=(const ProgressGate&) = delete;

    // Reports percent 0 .. 100; false once cancelled. Valid while the gate
    // lives.
    pattern::CancellableProgress callback();
    bool cancelled() const;
    // The dialog, for tests (objectName "ProgressGate").
    QProgressDialog* dialog() const { return dialog_.get(); }

private:
    std::unique_ptr<QProgressDialog> dialog_;
    int shown_ = -1;
};
