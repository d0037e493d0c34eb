#include "app/progressgate.h"

#include <QProgressDialog>

namespace {

// The dialog shows once the work has run this long (and still has a way to go).
constexpr int kShowAfterMs = 1000;

}  // namespace

ProgressGate::ProgressGate(QWidget* owner, const QString& label)
    : dialog_(std::make_unique<QProgressDialog>(label, QStringLiteral("Abbrechen"), 0, 100, owner)) {
    dialog_->setObjectName(QStringLiteral("ProgressGate"));
    dialog_->setWindowTitle(QStringLiteral("Tricoma"));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(kShowAfterMs);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
}

ProgressGate::~ProgressGate() = default;

pattern::CancellableProgress ProgressGate::callback() {
    return [this](int percent) {
        // The stages report 0 again at their end; the bar only rises. Each
        // new value lets the dialog show itself and take the cancel click.
        if (percent > shown_) {
            shown_ = percent;
            dialog_->setValue(std::min(percent, 99));
        }
        return !dialog_->wasCanceled();
    };
}

bool ProgressGate::cancelled() const { return dialog_->wasCanceled(); }
