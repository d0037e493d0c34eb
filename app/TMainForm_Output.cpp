// Saving and printing the chart.
#include <memory>

#include "app/TMainForm.h"
#include "platform/errorreport.h"
#include "output/PrintFUnit.h"
#include "output/print.h"
#include "output/save.h"
#include "platform/printer.h"
#include "raster/PixKit3.h"

void TMainForm::SaveAsBtnClick(QObject*) { output::savePicture(*SaveDialog1, rdi, this, this, SaveDib); }

// Page 4 shows the stitch grid, so its button saves that.
void TMainForm::BitBtnXP1Click(QObject*) { output::savePicture(*SaveDialog1, di3, this, this, SaveDib); }

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
