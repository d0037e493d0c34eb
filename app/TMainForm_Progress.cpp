// Progress display in the status bar. The computing stages report from
// inside their loops without returning to the event loop, so the bar is
// drawn at once: a rising value adds navy straight onto the bar, a falling
// one repaints the whole bar before returning.
#include <QPainter>

#include "app/TMainForm.h"
#include "chart/progressbar.h"
#include "platform/controls.h"

namespace {

const QColor kDone(0, 0, 128);  // navy

}  // namespace

void TMainForm::SetProSatus(int pro) {
    pro = progressbar::clampPercent(pro);
    if (pro < StatusPosition) {
        StatusPosition = pro;
        StatusBar1->repaint();
    } else {
        StatusPosition = pro;
        SBarPaintMore();
    }
}

void TMainForm::SetProStatus(int pro) { SetProSatus(pro); }

void TMainForm::SBarPaintMore() {
    const int split = progressbar::split(sbrect.left, sbrect.right, StatusPosition);
    StatusBar1->fillNow(QRect(sbrect.left, sbrect.top, split - sbrect.left, sbrect.bottom - sbrect.top), kDone);
}

void TMainForm::StatusBar1DrawPanel(QPainter& canvas, int, const QRect& rect) {
    const TRect r{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    const int split = progressbar::split(r.left, r.right, StatusPosition);
    canvas.fillRect(QRect(r.left, r.top, split - r.left, r.bottom - r.top), kDone);
    canvas.fillRect(QRect(split, r.top, r.right - split, r.bottom - r.top), StatusBar1->palette().button());
    sbrect = r;
}

void TMainForm::WMUser(uintptr_t wParam) {
    // wParam comes from outside; read it signed so a negative report is low.
    SetProStatus(progressbar::clampPercent(static_cast<intptr_t>(wParam)));
}
