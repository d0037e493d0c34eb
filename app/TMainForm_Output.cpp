// Saving and printing the chart.
#include <QFileInfo>
#include <QPageLayout>
#include <QSpinBox>
#include <memory>

#include <QTabWidget>

#include "app/TMainForm.h"

#include "app/messages.h"
#include "app/progressgate.h"
#include "app/ButtonsXP.h"
#include "platform/dialogs.h"
#include "platform/errorreport.h"
#include "platform/msgbox.h"
#include "output/PrintFUnit.h"
#include "output/pages.h"
#include "output/print.h"
#include "output/save.h"
#include "output/writtenpages.h"
#include "platform/printer.h"
#include "raster/PixKit3.h"

// The two save buttons write different pictures; the dialog's title says which.
void TMainForm::SaveAsBtnClick(QObject*) {
    SaveDialog1->Title = QStringLiteral("Strickvorlage speichern unter");
    SaveDialog1->InitialDir = dialogFolders->startFor(TDialogFolders::ChartPicture);
    output::savePicture(*SaveDialog1, rdi, this, this, SaveDib);
    dialogFolders->used(TDialogFolders::ChartPicture, SaveDialog1->FileName);
}

// Page 4 shows the stitch grid, so its button saves that.
void TMainForm::BitBtnXP1Click(QObject*) {
    SaveDialog1->Title = QStringLiteral("Maschenbild speichern unter");
    SaveDialog1->InitialDir = dialogFolders->startFor(TDialogFolders::ChartPicture);
    output::savePicture(*SaveDialog1, di3, this, this, SaveDib);
    dialogFolders->used(TDialogFolders::ChartPicture, SaveDialog1->FileName);
}

namespace {
constexpr int kResultPage = 4;

// More pages than this are asked about first: a small cell or a wide
// overlap easily makes thousands, hours of printing.
constexpr int64_t kManyPages = 100;

// The page count on the printer's paper (the locale's without a printer);
// true to go on.
bool pagesConfirmed(output::PageDocument& doc, bool pdf, QWidget* owner) {
    const QRectF area = output::pdfPageLayout(platform::Printer()).paintRect(QPageLayout::Millimeter);
    doc.setPageSize(area.width(), area.height());
    const int64_t pages = doc.pageCount();
    if (pages <= kManyPages) return true;
    return platform::MessageBox(owner, messages::manyPages(pages, pdf),
                                pdf ? QStringLiteral("Als PDF speichern") : QStringLiteral("Drucken"),
                                platform::MB_YESNO | platform::MB_ICONWARNING) == platform::IDYES;
}

}  // namespace

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
    form->grid = di3;
    form->stitchesPer10cm = document_->maschen;
    form->rowsPer10cm = document_->reihen;
    form->pageStyle = output::pageStyleOf(chartopts);
    form->onSavePdf = [this](TPrintForm* f) {
        const output::PageChoice c = f->pageChoice();
        savePagesPdf({c.cellMm(f->stitchesPer10cm), c.overlap, f});
    };
    try {
        if (form->ShowModal() == QDialog::Accepted) {
            if (form->multiPage()) {
                const output::PageChoice c = form->pageChoice();
                output::PageDocument doc(di3, document_->maschen, document_->reihen, c.cellMm(document_->maschen),
                                         c.overlap, output::pageStyleOf(chartopts));
                if (!pagesConfirmed(doc, false, this)) {
                    PrintForm = nullptr;
                    return;
                }
                ProgressGate gate(this, QStringLiteral("Seiten werden gedruckt …"));
                if (output::printPages(platform::Printer(), doc, gate.callback()) ==
                    output::PrintPagesStatus::nothingFits)
                    errorreport::Report(messages::pagesRefusal(), this);
            } else {
                const output::PrintChoice choice = form->choice();
                output::printPicture(platform::Printer(), rdi, choice);
            }
        }
    } catch (const platform::PrinterError& e) {
        // The application's general error report; the program goes on.
        errorreport::Report(e.text(), this);
    }
    PrintForm = nullptr;
}

void TMainForm::PdfBtnClick(QObject*) {
    const output::PageChoice c = output::loadPageChoice();
    savePagesPdf({c.cellMm(document_->maschen), c.overlap, this});
}

void TMainForm::savePagesPdf(const PdfRequest& request) {
    if (!dibvalid(di3)) return;
    output::PageDocument doc(di3, document_->maschen, document_->reihen, request.cellWidthMm, request.overlap,
                             output::pageStyleOf(chartopts));
    if (!document_->fileName.isEmpty()) doc.title = QFileInfo(document_->fileName).fileName();
    // Asked before the file is chosen: a refused count leaves no file.
    if (!pagesConfirmed(doc, true, request.owner)) return;
    PdfDialog->InitialDir = dialogFolders->startFor(TDialogFolders::Pdf);
    if (!PdfDialog->Execute(request.owner)) return;
    dialogFolders->used(TDialogFolders::Pdf, PdfDialog->FileName);
    QString name = PdfDialog->FileName;
    if (output::fileExtension(name).isEmpty()) name += QStringLiteral(".pdf");
    std::unique_ptr<output::WrittenPages> written;
    if (!request.writtenRows.isEmpty()) written = std::make_unique<output::WrittenPages>(request.writtenRows);
    output::PdfStatus s;
    QString reason;
    {
        ProgressGate gate(request.owner, QStringLiteral("PDF wird geschrieben …"));
        s = output::exportPdf(name, doc, output::pdfPageLayout(platform::Printer()), gate.callback(), &reason, written.get());
    }
    if (s != output::PdfStatus::ok) errorreport::Report(messages::pdfFailure(s, name, reason), request.owner);
}
