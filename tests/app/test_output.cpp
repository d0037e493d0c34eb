#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "output/PrintFUnit.h"
#include "output/print.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"
#include "support/printsupport.h"

namespace {

// Whether the raster library writes this format yet.
bool libraryWrites(int format, const dib& d) {
    QTemporaryDir dir;
    const QByteArray name = (dir.path() + "/probe").toUtf8();
    return SaveDib(d, name.constData(), format, nullptr);
}

struct Answer {
    QString name;
    int index;
    Answer(QString n, int i) : name(std::move(n)), index(i) {
        TSaveDialog::setHook([this](TSaveDialog& d) {
            d.FileName = name;
            d.FilterIndex = index;
            return true;
        });
    }
    ~Answer() { TSaveDialog::setHook({}); }
};

}  // namespace

// Not in the program's folder, a system folder once installed: before any
// file is chosen the user's Pictures folder.
TEST(SaveCommands, StartWithTheFirstFilterInThePicturesFolder) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    EXPECT_EQ(form.SaveDialog1->InitialDir, TDialogFolders::pictures());
    EXPECT_EQ(form.SaveDialog1->FilterIndex, 1);
}

TEST(SaveCommands, ChartAndStitchGridAreWrittenUnderTheCompletedName) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    if (!libraryWrites(3, form.rdi) || !libraryWrites(3, form.di3))
        GTEST_SKIP() << "the raster library does not write BMP files yet";
    QTemporaryDir dir;
    {
        Answer a(dir.path() + "/muster", 1);
        form.SaveAsBtnClick(form.SaveAsBtn);
    }
    QImage chart(dir.path() + "/muster.bmp");
    ASSERT_FALSE(chart.isNull());
    EXPECT_EQ(chart.size(), QSize(dibwidth(form.rdi), dibheight(form.rdi)));
    {
        Answer a(dir.path() + "/maschen", 1);
        form.BitBtnXP1Click(form.BitBtnXP1);
    }
    QImage grid(dir.path() + "/maschen.bmp");
    ASSERT_FALSE(grid.isNull());
    EXPECT_EQ(grid.size(), QSize(dibwidth(form.di3), dibheight(form.di3)));
    // The dialog keeps the name as chosen for the next run.
    EXPECT_EQ(form.SaveDialog1->FileName, dir.path() + "/maschen");
}

TEST(SaveCommands, FailedWriteLeavesTheChartAndShowsOnlyTheLibrarysReport) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    const dib before = form.rdi;
    testsupport::MessageBoxCapture boxes;
    Answer a("/nonexistent-folder/x/muster", 1);
    form.SaveAsBtnClick(form.SaveAsBtn);
    EXPECT_EQ(form.rdi.poi, before.poi);
    // The library reports through the main window it was handed; the
    // command adds nothing of its own.
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// ---------------------------------------------------------------- printing

namespace {

class PrintCommand : public ::testing::Test {
protected:
    void SetUp() override { platform::SetPrinter(&printer); }
    void TearDown() override { platform::SetPrinter(nullptr); }
    printsupport::PrivateSettings settings;
    platform::ImagePrinterService printer{4800, 6600};
};

}  // namespace

TEST_F(PrintCommand, OkPrintsTheChartOnOnePageAndDestroysTheDialog) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    QPointer<TPrintForm> seen;
    printsupport::whenModal<TPrintForm>([&](TPrintForm* d) {
        seen = d;
        EXPECT_EQ(PrintForm, d);
        EXPECT_EQ(d->parentWidget(), &form);
        EXPECT_EQ(d->di.poi, form.rdi.poi);  // a copy of the record, sharing the pixels
        d->OkBitBtn1->click();
    });
    form.PrintBtnClick(form.PrintBtn);
    EXPECT_TRUE(seen.isNull());
    EXPECT_EQ(PrintForm, nullptr);
    ASSERT_EQ(printer.jobs.size(), 1u);
    EXPECT_EQ(printer.jobs[0].title, "Velisto Bild");
    EXPECT_EQ(printer.jobs[0].pages.size(), 1u);
    ASSERT_TRUE(form.rdi.poi);
    if (!printsupport::drawdibPrints()) GTEST_SKIP() << "drawdib does not draw on printers yet";
    const output::Placement p = output::placeOnPage(4800, 6600, dibwidth(form.rdi), dibheight(form.rdi),
                                                    output::PrintChoice{});
    const QRect ink = printsupport::inkBox(printer.jobs[0].pages[0]);
    if (!ink.isEmpty()) {
        EXPECT_TRUE(QRect(p.x, p.y, p.w, p.h).contains(ink));
    }
}

TEST_F(PrintCommand, UserDefinedChoiceIsPrintedAsChosen) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    dib own = printsupport::solidChart(400, 300, 0x00FF00);
    dib startup = form.rdi;
    form.rdi = own;
    printsupport::whenModal<TPrintForm>([&](TPrintForm* d) {
        d->UserdefCheck->setChecked(true);
        d->BreitEdit->setValue(50);
        EXPECT_EQ(d->HochEdit->value(), 27);
        d->OkBitBtn1->click();
    });
    form.PrintBtnClick(form.PrintBtn);
    form.rdi = startup;
    ASSERT_EQ(printer.jobs.size(), 1u);
    if (printsupport::drawdibPrints()) {
        EXPECT_EQ(printsupport::inkBox(printer.jobs[0].pages[0]), QRect(1200, 2409, 2400, 1782));
    }
    deldib(own);
}

TEST_F(PrintCommand, CancelPrintsNothing) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) { d->CancelBitBtn2->click(); });
    form.PrintBtnClick(form.PrintBtn);
    EXPECT_TRUE(printer.jobs.empty());
    EXPECT_EQ(PrintForm, nullptr);
    // Escape closes it the same way.
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) { QTest::keyClick(d, Qt::Key_Escape); });
    form.PrintBtnClick(form.PrintBtn);
    EXPECT_TRUE(printer.jobs.empty());
}

TEST_F(PrintCommand, PrinterErrorsAreReportedAndTheProgramGoesOn) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    testsupport::MessageBoxCapture boxes;
    printer.refuseNextDoc = true;
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) { d->OkBitBtn1->click(); });
    form.PrintBtnClick(form.PrintBtn);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Der Drucker druckt aktuell nicht");
    EXPECT_TRUE(printer.jobs.empty());

    // No printer at all: the dialog does not come up, one report.
    class NoPrinter : public platform::ImagePrinterService {
    public:
        NoPrinter() : ImagePrinterService(1, 1) {}
        int PageWidth() override { throw platform::PrinterError(platform::kNoDefaultPrinter); }
        int PageHeight() override { throw platform::PrinterError(platform::kNoDefaultPrinter); }
    } none;
    platform::SetPrinter(&none);
    form.PrintBtnClick(form.PrintBtn);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "Aktuell ist kein Standarddrucker ausgewählt");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(PrintForm, nullptr);

    // And printing works again afterwards.
    platform::SetPrinter(&printer);
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) { d->OkBitBtn1->click(); });
    form.PrintBtnClick(form.PrintBtn);
    EXPECT_EQ(printer.jobs.size(), 1u);
}

TEST_F(PrintCommand, WithoutAChartNothingIsPrinted) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    const dib chart = form.rdi;
    form.rdi = dib{};
    form.PrintBtnClick(form.PrintBtn);  // no dialog comes up: nothing to answer
    form.rdi = chart;
    EXPECT_TRUE(printer.jobs.empty());
    EXPECT_EQ(PrintForm, nullptr);
}

// The dialog as a person sees it, with the start-up chart on an A4 page at
// 300 dpi. Set TRICOMA_SCREENSHOT_DIR to keep the picture (run under
// xvfb-run with QT_QPA_PLATFORM=xcb to see the real window system).
TEST(PrintDialogScreen, ShownWithPreviewOfTheStartupChart) {
    printsupport::PrivateSettings settings;
    platform::ImagePrinterService a4(2480, 3508);
    platform::SetPrinter(&a4);
    {
        TMainForm owner("/tmp/x/tricoma");
        TPrintForm f(&owner);
        f.di = owner.rdi;
        f.RestoreSettings();
        f.FormShow(&f);
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        QCoreApplication::processEvents();
        const QImage shot = f.grab().toImage();
        EXPECT_EQ(shot.size(), QSize(427, 328) * shot.devicePixelRatio());
        ASSERT_TRUE(f.previewPaper);
        EXPECT_EQ(*f.previewPaper, output::previewPaper(2480, 3508, 190, 190));
        EXPECT_EQ(f.HochEdit->value(), output::derivedPercent(50, dibwidth(owner.rdi), dibheight(owner.rdi), 2480, 3508));
        if (const char* dir = std::getenv("TRICOMA_SCREENSHOT_DIR"))
            shot.save(QString::fromLocal8Bit(dir) + "/print-dialog.png");
        f.close();
    }
    platform::SetPrinter(nullptr);
}
