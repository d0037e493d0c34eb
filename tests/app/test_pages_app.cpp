// The pages from the main window: printed as one job, saved as PDF from the
// result page and from the print dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "output/PrintFUnit.h"
#include "output/pages.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"
#include "support/pagesupport.h"
#include "support/printsupport.h"

namespace {

// A4 less 5 mm margins at 100 dpi: 190 x 277 mm.
class MultiPageFromTheWindow : public ::testing::Test {
protected:
    void SetUp() override {
        printer.setResolution(100);
        platform::SetPrinter(&printer);
        form = std::make_unique<TMainForm>("/tmp/x/tricoma");
        freedib(form->di3);
        form->di3 = pagesupport::stitchGrid(120, 150);
    }
    void TearDown() override {
        TSaveDialog::setHook({});
        form.reset();
        platform::SetPrinter(nullptr);
    }
    void answer(const QString& name) {
        TSaveDialog::setHook([name](TSaveDialog& d) {
            EXPECT_EQ(d.Filter, "PDF-Dokument (*.pdf)|*.pdf");
            d.FileName = name;
            return true;
        });
    }
    static int pages(const QString& pdf) {
        const auto m = QRegularExpression(R"(Pages:\s+(\d+)\n)").match(pagesupport::run("pdfinfo", {pdf}).value_or(""));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    BlockGuard guard;
    printsupport::PrivateSettings settings;
    platform::ImagePrinterService printer{748, 1091};
    std::unique_ptr<TMainForm> form;
};

}  // namespace

TEST_F(MultiPageFromTheWindow, MultiPagePrintIsOneJobOfEveryPage) {
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) {
        EXPECT_EQ(d->grid.poi, d->parentWidget() ? static_cast<TMainForm*>(d->parentWidget())->di3.poi : nullptr);
        d->MultiPageCheck->setChecked(true);
        d->OkBitBtn1->click();
    });
    form->PrintBtnClick(form->PrintBtn);
    ASSERT_EQ(printer.jobs.size(), 1u);
    EXPECT_EQ(printer.jobs[0].title, "Velisto Bild");
    ASSERT_EQ(printer.jobs[0].pages.size(), 13u);
    for (const QImage& page : printer.jobs[0].pages) EXPECT_FALSE(printsupport::inkBox(page).isEmpty());

    // The dialog opens in the mode it was left in; the one-page mode is a
    // click away and prints one page.
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) {
        EXPECT_TRUE(d->MultiPageCheck->isChecked());
        d->MultiPageCheck->setChecked(false);
        d->OkBitBtn1->click();
    });
    form->PrintBtnClick(form->PrintBtn);
    ASSERT_EQ(printer.jobs.size(), 2u);
    EXPECT_EQ(printer.jobs[1].pages.size(), 1u);
}

TEST_F(MultiPageFromTheWindow, PdfExportFromPageFiveAndFromTheDialog) {
    if (!pagesupport::havePoppler()) GTEST_SKIP() << "pdfinfo (poppler-utils) is needed";
    EXPECT_EQ(form->PdfBtn->text(), "Als &PDF speichern...");
    EXPECT_EQ(form->PdfBtn->geometry(), QRect(7, 298, 195, 25));
    EXPECT_EQ(form->SaveAsBtn->geometry(), QRect(8, 8, 145, 25));
    EXPECT_EQ(form->PrintBtn->geometry(), QRect(160, 8, 145, 25));
    QTemporaryDir dir;
    answer(dir.filePath("muster"));  // the extension is completed
    form->PdfBtnClick(form->PdfBtn);
    EXPECT_EQ(pages(dir.filePath("muster.pdf")), 13);

    // From the dialog, at the cell width shown there.
    answer(dir.filePath("gross.pdf"));
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) {
        d->MultiPageCheck->setChecked(true);
        d->CellEdit->setValue(7.5);
        d->PdfBtn->click();
        d->CancelBitBtn2->click();
    });
    form->PrintBtnClick(form->PrintBtn);
    // 28 chart pages; the balanced last band leaves the legend no room.
    EXPECT_EQ(pages(dir.filePath("gross.pdf")), 30);
    EXPECT_TRUE(printer.jobs.empty());
}

TEST_F(MultiPageFromTheWindow, PdfExportFailureIsReportedInGerman) {
    testsupport::MessageBoxCapture boxes;
    answer("/nonexistent/tricoma/muster.pdf");
    form->PdfBtnClick(form->PdfBtn);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "Die Datei „/nonexistent/tricoma/muster.pdf“ kann nicht angelegt werden. Bitte prüfen, ob der Ordner "
              "existiert und beschrieben werden darf.");
    EXPECT_FALSE(QFile::exists("/nonexistent/tricoma/muster.pdf"));
}

// The PDF carries the pattern's file name as its title once there is one;
// the print job keeps its own title.
class PolishPdfTitle : public MultiPageFromTheWindow {};

TEST_F(PolishPdfTitle, IsThePatternsFileNameWhenThereIsOne) {
    if (!pagesupport::havePoppler()) GTEST_SKIP() << "pdfinfo (poppler-utils) is needed";
    QTemporaryDir dir;
    auto title = [](const QString& pdf) {
        const auto m = QRegularExpression(R"(Title:\s+(.*)\n)").match(pagesupport::run("pdfinfo", {pdf}).value_or(""));
        return m.hasMatch() ? m.captured(1).trimmed() : QString();
    };
    answer(dir.filePath("ohne.pdf"));
    form->PdfBtnClick(form->PdfBtn);
    EXPECT_EQ(title(dir.filePath("ohne.pdf")), "Velisto Bild");
    form->document().fileName = dir.filePath("pullover.png");
    answer(dir.filePath("mit.pdf"));
    form->PdfBtnClick(form->PdfBtn);
    EXPECT_EQ(title(dir.filePath("mit.pdf")), "pullover.png");
}
