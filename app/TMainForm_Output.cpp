// Saving and printing the chart.
#include <memory>

#include <QTabWidget>

#include "app/TMainForm.h"
#include "app/ButtonsXP.h"
#include "platform/dialogs.h"
#include "platform/errorreport.h"
#include "output/PrintFUnit.h"
#include "output/print.h"
#include "output/save.h"
#include "platform/printer.h"
#include "raster/PixKit3.h"

// The two save buttons write different pictures; the dialog's title says which.
void TMainForm::SaveAsBtnClick(QObject*) {
    SaveDialog1->Title = QStringLiteral("Strickvorlage speichern unter");
    output::savePicture(*SaveDialog1, rdi, this, this, SaveDib);
}

// Page 4 shows the stitch grid, so its button saves that.
void TMainForm::BitBtnXP1Click(QObject*) {
    SaveDialog1->Title = QStringLiteral("Maschenbild speichern unter");
    output::savePicture(*SaveDialog1, di3, this, this, SaveDib);
}

namespace {
constexpr int kResultPage = 4;
}

// The chart is drawn anew when its page is shown; from another page it may
// lag behind the grid, so draw it first.
void TMainForm::SaveChartKey() {
    if (PageControl2->currentIndex() != kResultPage) RenderDib();
    SaveAsBtnClick(SaveAsBtn);
}

void TMainForm::PrintChartKey() {
    if (PageControl2->currentIndex() != kResultPage) RenderDib();
    PrintBtnClick(PrintBtn);
}

void TMainForm::PrintBtnClick(QObject*) {
    // Without a chart (no memory at start-up) there is nothing to put on
    // paper: a blank page would only waste it.
    if (!dibvalid(rdi)) return;
    auto form = std::make_unique<TPrintForm>(this);
    PrintForm = form.get();
    form->di = rdi;
    try {
        if (form->ShowModal() == QDialog::Accepted) {
            const output::PrintChoice choice = form->choice();
            output::printPicture(platform::Printer(), rdi, choice);
        }
    } catch (const platform::PrinterError& e) {
        // The application's general error report; the program goes on.
        errorreport::Report(e.text(), this);
    }
    PrintForm = nullptr;
}
