// The chart's pages through the real print support: a 120 x 150-stitch
// chart at 5 mm on A4 to the CUPS PDF printer of tools/cups-pdf.sh, and
// the same pages saved as PDF; the text of every page read with pdftotext.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "output/PrintFUnit.h"
#include "output/pages.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "support/cupsserver.h"
#include "support/pagesupport.h"
#include "support/printsupport.h"

namespace {

QStringList pageLog() {
    QFile f(testsupport::cupsDir() + "/log/page_log");
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

int pdfPages(const QString& pdf) {
    const auto m = QRegularExpression(R"(Pages:\s+(\d+)\n)").match(pagesupport::run("pdfinfo", {pdf}).value_or(""));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Every page shows its label; chart pages their top odd row number on both
// sides and their column numbers at the tens, above and below.
void expectPageTexts(const QString& pdf, const output::PagePlan& plan, const char* what) {
    for (int page = 1; page <= plan.pageCount(); ++page) {
        const QString text = pagesupport::pageText(pdf, page);
        EXPECT_TRUE(text.contains(output::pageLabel(plan, page))) << what << " page " << page << ": " << text.toStdString();
        if (page == 1 || page - 2 >= plan.chartPages()) continue;
        const output::ChartPart part = plan.part(page - 2);
        const QStringList words = text.split(' ');
        const int topOdd = part.endRow % 2 ? part.endRow : part.endRow - 1;
        EXPECT_GE(words.count(QString::number(topOdd)), 2) << what << " page " << page << " row " << topOdd;
        EXPECT_GE(words.count(QString::number(part.firstRow + 1)), part.firstRow % 2 ? 0 : 2) << what << page;
        for (int n = part.firstColumn + 1; n <= part.endColumn; ++n) {
            if (n % 10 == 0) {
                EXPECT_GE(words.count(QString::number(n)), 2) << what << " page " << page << " column " << n;
            }
        }
    }
}

void screenshots(const QString& pdf, const char* prefix) {
    const char* dir = std::getenv("TRICOMA_SCREENSHOT_DIR");
    if (!dir) return;
    for (int page : {1, 2})
        pagesupport::run("pdftoppm", {"-r", "60", "-png", "-singlefile", "-f", QString::number(page), "-l",
                                      QString::number(page), pdf,
                                      QString::fromLocal8Bit(dir) + QStringLiteral("/%1-page%2").arg(prefix).arg(page)});
}

class MultiPageThroughCups : public ::testing::Test {
protected:
    void SetUp() override {
        QString why;
        if (!testsupport::useCupsServer(why)) GTEST_SKIP() << why.toStdString();
        if (!pagesupport::havePoppler()) GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are needed";
        form = std::make_unique<TMainForm>("/tmp/x/tricoma");
        freedib(form->di3);
        form->di3 = pagesupport::stitchGrid(120, 150);
        auto& printer = static_cast<platform::QtPrinterService&>(platform::Printer());
        printer.printer().setPageSize(QPageSize(QPageSize::A4));
        // The pages as this printer's A4 takes them, at 23 x 31 stitches and rows.
        output::PageDocument doc(form->di3, 23, 31, 5.0, 2);
        const double dpmm = printer.Resolution() / 25.4;
        doc.setPageSize(printer.PageWidth() / dpmm, printer.PageHeight() / dpmm);
        plan = doc.plan();
    }
    void TearDown() override { TSaveDialog::setHook({}); }
    printsupport::PrivateSettings settings;
    std::unique_ptr<TMainForm> form;
    output::PagePlan plan;
};

}  // namespace

TEST_F(MultiPageThroughCups, OneJobWithEveryPageAndItsNumbers) {
    ASSERT_EQ(form->maschened->value(), 23);
    ASSERT_EQ(form->reihened->value(), 31);
    std::printf("A4 at 5 mm: %d x %d cells a page, %d x %d chart pages, %lld pages in all\n", plan.cellsAcross,
                plan.cellsDown, plan.pagesAcross, plan.pagesDown, (long long)plan.pageCount());
    ASSERT_GT(plan.pageCount(), 2);
    const QStringList logBefore = pageLog();
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) {
        d->MultiPageCheck->setChecked(true);
        d->CellEdit->setValue(5.0);
        d->OkBitBtn1->click();
    });
    form->PrintBtnClick(form->PrintBtn);

    // Other test programs may print to the same server meanwhile (their
    // jobs are one page each): ours is the line with our page count, and
    // exactly one job has it.
    static const QRegularExpression line(R"(^TricomaPDF \S+ (\d+) \[[^\]]*\] total (\d+) \S+ \S+ (.*) \S+ \S+$)");
    std::vector<QRegularExpressionMatch> ours;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 240000 && ours.empty()) {
        for (const QString& l : pageLog().mid(logBefore.size())) {
            const auto m = line.match(l);
            if (m.hasMatch() && m.captured(2).toInt() > 1) ours.push_back(m);
        }
        if (ours.empty()) QThread::msleep(500);
    }
    ASSERT_EQ(ours.size(), 1u) << "expected exactly one job of several pages";
    const auto& m = ours[0];
    EXPECT_EQ(m.captured(3), "Velisto Bild");
    EXPECT_EQ(m.captured(2).toInt(), plan.pageCount());

    QDir out(testsupport::cupsDir() + "/out");
    QString pdf;
    while (clock.elapsed() < 120000 && pdf.isEmpty()) {
        const QStringList files = out.entryList({"*-job_" + m.captured(1) + ".pdf"}, QDir::Files);
        if (!files.isEmpty() && pdfPages(out.filePath(files[0])) > 0) pdf = out.filePath(files[0]);
        else QThread::msleep(200);
    }
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF for job " << m.captured(1).toStdString();
    EXPECT_EQ(pdfPages(pdf), plan.pageCount());
    screenshots(pdf, "pages-printed");

    // The test queue turns the job into PostScript and back, and that road
    // loses the fonts' map to Unicode: pdftotext then reads glyph numbers.
    // Where the text survives it is checked as it is; in any case every
    // printed page must look like the same page saved as PDF on this
    // printer's paper, whose text is checked.
    QTemporaryDir dir;
    const QString exported = dir.filePath("muster.pdf");
    TSaveDialog::setHook([exported](TSaveDialog& d) {
        d.FileName = exported;
        return true;
    });
    form->PdfBtnClick(form->PdfBtn);
    expectPageTexts(exported, plan, "exported");
    const bool textSurvives = pagesupport::pageText(pdf, 2).contains(output::pageLabel(plan, 2));
    if (textSurvives) expectPageTexts(pdf, plan, "printed");
    else std::printf("the queue's PostScript step dropped the text's Unicode map; pages compared as pictures\n");
    for (int page = 1; page <= plan.pageCount(); ++page) {
        auto raster = [&](const QString& file, const QString& stem) {
            pagesupport::run("pdftoppm", {"-r", "40", "-gray", "-png", "-singlefile", "-f", QString::number(page), "-l",
                                          QString::number(page), file, dir.filePath(stem)});
            return QImage(dir.filePath(stem + ".png")).convertToFormat(QImage::Format_Grayscale8);
        };
        const QImage a = raster(pdf, "printed"), b = raster(exported, "exported");
        ASSERT_EQ(a.size(), b.size()) << page;
        int64_t diff = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) diff += std::abs(int(a.constScanLine(y)[x]) - int(b.constScanLine(y)[x]));
        EXPECT_LT(double(diff) / (a.width() * a.height()), 4.0) << "page " << page << " differs from the PDF";
        const QRect inkA = printsupport::inkBox(a, 128), inkB = printsupport::inkBox(b, 128);
        EXPECT_NEAR(inkA.left(), inkB.left(), 2) << page;
        EXPECT_NEAR(inkA.top(), inkB.top(), 2) << page;
        EXPECT_NEAR(inkA.right(), inkB.right(), 2) << page;
        EXPECT_NEAR(inkA.bottom(), inkB.bottom(), 2) << page;
    }
}

TEST_F(MultiPageThroughCups, PdfExportOnThePrintersPaper) {
    QTemporaryDir dir;
    const QString name = dir.filePath("muster.pdf");
    TSaveDialog::setHook([name](TSaveDialog& d) {
        d.FileName = name;
        return true;
    });
    // 5 mm is the remembered width's default.
    form->PdfBtnClick(form->PdfBtn);
    ASSERT_TRUE(QFile::exists(name));
    const QString info = pagesupport::run("pdfinfo", {name}).value_or("");
    EXPECT_TRUE(info.contains("(A4)")) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(R"(Title:\s+Velisto Bild\n)"))) << info.toStdString();
    EXPECT_EQ(pdfPages(name), plan.pageCount());
    expectPageTexts(name, plan, "exported");
    screenshots(name, "pages-exported");
}
