// The chart over several pages: layout, the painted page, the PDF file and
// the dialog's pages mode.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

#include "output/PrintFUnit.h"
#include "output/pages.h"
#include "platform/controls.h"
#include "platform/printer.h"
#include "support/pagesupport.h"
#include "support/printsupport.h"

using namespace output;

namespace {

const QChar kDot(0x00B7), kDash(0x2013);

// "Seite 2 von 13 · Maschen 1–34 · Reihen 1–70" with the real dot and dash.
QString label(const char* ascii) {
    return QString::fromUtf8(ascii).replace(" . ", QString(" ") + kDot + " ").replace('-', kDash);
}

// A4 with 10 mm margins: the printable area.
PageRequest a4(int stitches, int rows, double cellMm = 5.0, int overlap = 2) {
    PageRequest s;
    s.pageWidthMm = 190;
    s.pageHeightMm = 277;
    s.cellWidthMm = cellMm;
    s.stitches = stitches;
    s.rows = rows;
    s.overlap = overlap;
    return s;
}

}  // namespace

TEST(MultiPageLayout, CellsPerPageAndPageCounts) {
    struct Case {
        const char* what;
        PageRequest request;
        bool ok;
        int across, down, pagesAcross, pagesDown, pages;
    };
    PageRequest square = a4(10, 10, 10.0);
    square.stitchesPer10cm = square.rowsPer10cm = 20;
    PageRequest original = a4(120, 150, originalCellMm(23));
    PageRequest tiny = a4(5, 5, 30.0);
    tiny.pageWidthMm = tiny.pageHeightMm = 50;
    PageRequest fullLast = a4(30, 67);  // the last chart page is full: the legend gets a page
    fullLast.legendLines = 6;
    PageRequest roomyLast = a4(30, 20);
    roomyLast.legendLines = 6;
    const Case cases[] = {
        // 164 mm / 5 = 32.8 across; 252 mm / (5 * 23 / 31) = 67.9 down.
        {"120 x 150 at 5 mm", a4(120, 150), true, 32, 67, 4, 3, 13},
        {"no overlap", a4(120, 150, 5.0, 0), true, 32, 67, 4, 3, 13},
        {"64 stitches, overlap 2", a4(64, 65), true, 32, 65, 3, 1, 4},
        {"64 stitches, no overlap", a4(64, 65, 5.0, 0), true, 32, 65, 2, 1, 3},
        {"square cells, one page", square, true, 10, 10, 1, 1, 2},
        {"the real stitch, 100/23 mm", original, true, 37, 78, 4, 2, 9},
        {"no cell fits", tiny, false, 0, 0, 0, 0, 0},
        {"no chart", a4(0, 10), false, 0, 0, 0, 0, 0},
        {"legend on a page of its own", fullLast, true, 30, 67, 1, 1, 3},
        {"legend below the last chart", roomyLast, true, 30, 20, 1, 1, 2},
    };
    for (const Case& c : cases) {
        const PagePlan p = planPages(c.request);
        EXPECT_EQ(p.ok, c.ok) << c.what;
        if (!c.ok) {
            EXPECT_EQ(p.pageCount(), 0) << c.what;
            continue;
        }
        EXPECT_EQ(p.cellsAcross, c.across) << c.what;
        EXPECT_EQ(p.cellsDown, c.down) << c.what;
        EXPECT_EQ(p.pagesAcross, c.pagesAcross) << c.what;
        EXPECT_EQ(p.pagesDown, c.pagesDown) << c.what;
        EXPECT_EQ(p.pageCount(), c.pages) << c.what;
        // Every stitch on some page, and the pages inside the chart.
        std::vector<int> seen(size_t(c.request.stitches * c.request.rows), 0);
        for (int i = 0; i < p.chartPages(); ++i) {
            const ChartPart part = p.part(i);
            ASSERT_GE(part.firstColumn, 0);
            ASSERT_LE(part.endColumn, c.request.stitches);
            ASSERT_LE(part.endRow, c.request.rows);
            for (int r = part.firstRow; r < part.endRow; ++r)
                for (int x = part.firstColumn; x < part.endColumn; ++x) ++seen[size_t(r * c.request.stitches + x)];
            const QRectF cells = p.cellsRect(part);
            EXPECT_LE(cells.right(), c.request.pageWidthMm - kPageMarginMm - kRowNumberBandMm + 1e-6) << c.what;
            EXPECT_LE(cells.bottom(), c.request.pageHeightMm - kPageMarginMm - kColumnNumberBandMm - kLabelBandMm + 1e-6);
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 0), 0) << c.what;
    }
    EXPECT_DOUBLE_EQ(cellHeightMm(5.0, 23, 31), 5.0 * 23 / 31);
    EXPECT_DOUBLE_EQ(originalCellMm(20), 5.0);
}

TEST(MultiPageLayout, PagesGoUpFromTheBottomAndCarryTheirLabels) {
    PagePlan p = planPages(a4(120, 150));
    struct Row {
        int page;
        ChartPart part;
        const char* label;
    } rows[] = {
        {1, {}, "Seite 1 von 13 . Übersicht . Maschen 1-120 . Reihen 1-150"},
        // Spread evenly: 126 columns shown over 4 pages (32, 32, 31, 31), 154
        // rows over 3 (52, 51, 51), each after the first repeating 2.
        {2, {0, 32, 0, 52, 0, 0}, "Seite 2 von 13 . Maschen 1-32 . Reihen 1-52"},
        {3, {30, 62, 0, 52, 2, 0}, "Seite 3 von 13 . Maschen 31-62 . Reihen 1-52"},
        {5, {89, 120, 0, 52, 2, 0}, "Seite 5 von 13 . Maschen 90-120 . Reihen 1-52"},
        {6, {0, 32, 50, 101, 0, 2}, "Seite 6 von 13 . Maschen 1-32 . Reihen 51-101"},
        {13, {89, 120, 99, 150, 2, 2}, "Seite 13 von 13 . Maschen 90-120 . Reihen 100-150"},
    };
    for (const Row& r : rows) {
        if (r.page > 1) {
            EXPECT_EQ(p.part(r.page - 2), r.part) << r.page;
        }
        EXPECT_EQ(pageLabel(p, r.page), label(r.label)) << r.page;
    }
    // Counted from the right, the first page holds the right edge.
    PageStyle fromRight;
    fromRight.columnsFromRight = true;
    p = planPages(a4(120, 150), fromRight);
    EXPECT_EQ(p.part(0), (ChartPart{88, 120, 0, 52, 0, 0}));
    EXPECT_EQ(pageLabel(p, 3), label("Seite 3 von 13 . Maschen 31-62 . Reihen 1-52"));
    EXPECT_EQ(p.part(1).firstColumn, 58);
}

TEST(MultiPageLayout, LegendCountsTheStitchesOfEachYarn) {
    dib grid = pagesupport::stitchGrid(6, 2);  // yarns 0..5 once per row... twice each
    setpixel(grid, 0, 0, 3);                    // an index no yarn owns counts for yarn 1
    const std::vector<YarnUse> uses = yarnUses(grid);
    ASSERT_EQ(uses.size(), 6u);
    EXPECT_EQ(uses[0].yarn, 1);
    EXPECT_EQ(uses[0].stitches, 2);
    EXPECT_EQ(uses[0].colour, pagesupport::kYarns[0]);
    EXPECT_EQ(uses[2].yarn, 3);
    EXPECT_EQ(uses[2].stitches, 2);
    EXPECT_EQ(uses[2].colour, pagesupport::kYarns[2]);
    int64_t total = 0;
    for (const YarnUse& u : uses) total += u.stitches;
    EXPECT_EQ(total, 12);
    freedib(grid);
}

TEST(MultiPageRender, CellsLieWhereTheLayoutPutsThem) {
    dib grid = pagesupport::stitchGrid(120, 150);
    PageDocument doc(grid, 23, 31, 5.0, 2);
    doc.setPageSize(190, 277);
    ASSERT_EQ(doc.pageCount(), 13);
    const double s = 8.0;  // device pixels per mm
    QImage page(int(190 * s), int(277 * s), QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        doc.paintPage(p, 3, s);
    }
    const ChartPart part = doc.plan().part(1);
    const QRectF cells = doc.plan().cellsRect(part);
    const double cw = doc.plan().cellWidthMm, ch = doc.plan().cellHeightMm;
    auto centre = [&](int column, int rowFromBottom) {
        const double x = cells.left() + (column - part.firstColumn + 0.5) * cw;
        const double y = cells.top() + (part.endRow - 1 - rowFromBottom + 0.5) * ch;
        return page.pixel(int(x * s), int(y * s));
    };
    int checked = 0;
    for (int c = part.firstColumn + part.repeatedColumns; c < part.endColumn; c += 3)
        for (int r = part.firstRow; r < part.endRow; r += 4) {
            if (c % 10 == 0 || c % 10 == 9 || r % 10 == 0 || r % 10 == 9) continue;  // next to a heavy line
            const uint32_t want = pagesupport::kYarns[pagesupport::yarnOf(c, 149 - r)];
            ASSERT_EQ(centre(c, r), qRgb(getr(want), getg(want), getb(want))) << c << "," << r;
            ++checked;
        }
    EXPECT_GT(checked, 50);
    // The two columns repeated from page 2 keep their yarn's colour and are
    // hatched in its ink: a stroke through the cell's upper left quarter.
    for (int c : {part.firstColumn, part.firstColumn + 1}) {
        const uint32_t yarn = pagesupport::kYarns[pagesupport::yarnOf(c, 149 - 3)];
        EXPECT_EQ(centre(c, 3), qRgb(getr(yarn), getg(yarn), getb(yarn))) << c;
        const double x = cells.left() + (c - part.firstColumn + 0.25) * cw;
        const double y = cells.top() + (part.endRow - 1 - 3 + 0.25) * ch;
        const uint32_t ink = chart::inkOn(yarn);
        EXPECT_EQ(page.pixel(int(x * s), int(y * s)), qRgb(getr(ink), getg(ink), getb(ink))) << c;
    }
    // A heavy line between stitches 40 and 41, halfway up row 5.
    const double x40 = (cells.left() + (40 - part.firstColumn) * cw) * s;
    const double y5 = (cells.top() + (part.endRow - 5 + 0.5) * ch) * s;
    EXPECT_EQ(page.pixel(int(x40), int(y5)), qRgb(0, 0, 0));
    // Nothing of the page outside the printable area's bands is drawn on.
    EXPECT_EQ(page.pixel(2, 2), qRgb(255, 255, 255));
    freedib(grid);
}

TEST(PdfExport, PagesCarryLabelsAndNumbersAsText) {
    if (!pagesupport::havePoppler()) GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are needed";
    dib grid = pagesupport::stitchGrid(120, 150);
    PageDocument doc(grid, 23, 31, 5.0, 2);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("muster.pdf");
    ASSERT_EQ(exportPdf(pdf, doc, localePageLayout()), PdfStatus::ok);
    const QString info = pagesupport::run("pdfinfo", {pdf}).value_or("");
    EXPECT_TRUE(info.contains(QRegularExpression(R"(Title:\s+Velisto Bild\n)"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(R"(Pages:\s+13\n)"))) << info.toStdString();
    EXPECT_TRUE(info.contains("(A4)")) << info.toStdString();
    for (int page = 1; page <= doc.pageCount(); ++page) {
        const QString text = pagesupport::pageText(pdf, page);
        EXPECT_TRUE(text.contains(pageLabel(doc.plan(), page))) << page << ": " << text.toStdString();
        if (page == 1) continue;
        const ChartPart part = doc.plan().part(page - 2);
        const QStringList words = text.split(' ');
        const int topOdd = part.endRow % 2 ? part.endRow : part.endRow - 1;
        EXPECT_GE(words.count(QString::number(topOdd)), 2) << page << " row " << topOdd << " on both sides";
        for (int n = part.firstColumn + 1; n <= part.endColumn; ++n)
            if (n % 10 == 0) {
                EXPECT_GE(words.count(QString::number(n)), 2) << page << " column " << n;
            }
    }
    EXPECT_TRUE(pagesupport::pageText(pdf, 13).contains(doc.legendText().title));
    freedib(grid);
}

TEST(PdfExport, FailuresLeaveNoHalfWrittenFileInPlace) {
    dib grid = pagesupport::stitchGrid(120, 150);
    PageDocument doc(grid, 23, 31, 5.0, 2);
    QTemporaryDir dir;
    // A folder that cannot be: its "parent" is a file.
    QFile plain(dir.filePath("datei"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_EQ(exportPdf(dir.filePath("datei/muster.pdf"), doc, localePageLayout()), PdfStatus::cannotCreate);

    // A full disk, played by a file size limit: the old file stays whole.
    const QString old = dir.filePath("muster.pdf");
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("das alte Muster");
    f.close();
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const PdfStatus s = exportPdf(old, doc, localePageLayout());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(s, PdfStatus::writeFailed);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "das alte Muster");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"datei", "muster.pdf"}));

    // A cell too wide for the paper: the file is not touched at all.
    PageDocument huge(grid, 1, 1, 500.0, 2);
    EXPECT_EQ(exportPdf(old, huge, localePageLayout()), PdfStatus::nothingFits);
    freedib(grid);
}

// ---------------------------------------------------------------- dialog

namespace {

class MultiPageDialog : public ::testing::Test {
protected:
    void SetUp() override {
        printer.setResolution(100);
        platform::SetPrinter(&printer);
    }
    void TearDown() override {
        platform::SetPrinter(nullptr);
        deldib(chart);
        freedib(grid);
    }
    std::unique_ptr<TPrintForm> open() {
        auto f = std::make_unique<TPrintForm>(nullptr);
        f->di = chart;
        f->grid = grid;
        f->onSavePdf = [this](TPrintForm*) { ++pdfRequests; };
        return f;
    }
    void shot(QWidget* w, const char* name) {
        if (const char* dir = std::getenv("TRICOMA_SCREENSHOT_DIR"))
            w->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
    }
    printsupport::PrivateSettings settings;
    platform::ImagePrinterService printer{748, 1091};  // A4 less 5 mm margins at 100 dpi
    dib chart = printsupport::solidChart(400, 300, 0xFF0000);
    dib grid = pagesupport::stitchGrid(120, 150);
    int pdfRequests = 0;
};

}  // namespace

TEST_F(MultiPageDialog, OnePageStaysTheDefaultAndThePagesModeWidensTheDialog) {
    auto f = open();
    bool ran = false;
    printsupport::whenModal<TPrintForm>([&](TPrintForm* d) {
        ran = true;
        EXPECT_EQ(d->size(), QSize(427, 328));
        EXPECT_FALSE(d->MultiPageCheck->isChecked());
        EXPECT_TRUE(d->MultiPageCheck->isEnabled());
        EXPECT_EQ(d->MultiPageCheck->text(), "Mehrere Seiten");
        EXPECT_FALSE(d->GroupBox3->isVisible());
        EXPECT_FALSE(d->PdfBtn->isVisible());
        shot(d, "pages-dialog-onepage.png");

        const QRect group1 = d->GroupBox1->geometry(), ok = d->OkBitBtn1->geometry();
        d->MultiPageCheck->setChecked(true);
        EXPECT_EQ(d->size(), QSize(627, 328));
        EXPECT_EQ(d->GroupBox1->geometry(), group1);
        EXPECT_EQ(d->OkBitBtn1->geometry(), ok);
        EXPECT_FALSE(d->GroupBox1->isEnabled());
        EXPECT_TRUE(d->GroupBox3->isVisible());
        EXPECT_EQ(d->CellEdit->value(), 5.0);
        EXPECT_EQ(d->OverlapEdit->value(), 2);
        // 748 x 1091 pixels at 100 dpi: 190 x 277 mm, the A4 of the layout test.
        EXPECT_EQ(d->PagesLabel->text(), "13 Seiten");
        EXPECT_EQ(d->PageLabel->text(), "Seite 1 von 13");
        EXPECT_FALSE(d->PrevPageBtn->isEnabled());
        d->NextPageBtn->click();
        d->NextPageBtn->click();
        EXPECT_EQ(d->PageLabel->text(), "Seite 3 von 13");
        const QImage box = d->PrintPaintBox->grab().toImage();
        ASSERT_TRUE(d->previewPaper);
        EXPECT_FALSE(printsupport::inkBox(box.copy(d->previewPaper->x, d->previewPaper->y, d->previewPaper->w,
                                                   d->previewPaper->h))
                         .isEmpty());
        shot(d, "pages-dialog-multipage.png");

        d->OrigCheck->setChecked(true);  // 100 / 23 mm
        EXPECT_FALSE(d->CellEdit->isEnabled());
        EXPECT_EQ(d->CellEdit->text(), "4,35");
        d->OrigCheck->setChecked(false);
        EXPECT_EQ(d->CellEdit->value(), 5.0);
        d->CellEdit->setValue(7.5);
        // 21 x 45 cells a page, 7 x 4 chart pages; the balanced last band (39
        // rows) leaves no room below: the legend takes a page of its own.
        EXPECT_EQ(d->PagesLabel->text(), "30 Seiten");
        d->PdfBtn->click();
        EXPECT_EQ(pdfRequests, 1);
        d->MultiPageCheck->setChecked(false);
        EXPECT_EQ(d->size(), QSize(427, 328));
        EXPECT_TRUE(d->GroupBox1->isEnabled());
        d->CancelBitBtn2->click();
    });
    f->ShowModal();
    EXPECT_TRUE(ran);

    // The cell size is remembered, the mode is not.
    auto g = open();
    printsupport::whenModal<TPrintForm>([&](TPrintForm* d) {
        EXPECT_FALSE(d->MultiPageCheck->isChecked());
        EXPECT_EQ(d->CellEdit->value(), 7.5);
        EXPECT_EQ(d->pageChoice(), (PageChoice{7.5, false, 2}));
        d->CancelBitBtn2->click();
    });
    g->ShowModal();
    EXPECT_EQ(loadPageChoice(), (PageChoice{7.5, false, 2}));
}

TEST_F(MultiPageDialog, WithoutAGridThereIsNoPagesMode) {
    auto f = std::make_unique<TPrintForm>(nullptr);
    f->di = chart;
    printsupport::whenModal<TPrintForm>([](TPrintForm* d) {
        EXPECT_FALSE(d->MultiPageCheck->isEnabled());
        d->CancelBitBtn2->click();
    });
    f->ShowModal();
}

// Cancelled after the first page: printing hands nothing to the printer,
// the PDF leaves no file and an old file as it was. The reports run from
// 0 and rise.
TEST(PagesStaysResponsive, CancelledPrintAndPdfLeaveNothing) {
    dib grid = pagesupport::stitchGrid(120, 150);
    PageDocument doc(grid, 23, 31, 5.0, 2);
    std::vector<int> seen;
    auto stopAfterOne = [&](int percent) {
        seen.push_back(percent);
        return seen.size() < 2;
    };
    platform::ImagePrinterService printer(4800, 6600);
    EXPECT_EQ(printPages(printer, doc, stopAfterOne), PrintPagesStatus::cancelled);
    EXPECT_TRUE(printer.jobs.empty());
    EXPECT_FALSE(printer.Printing());
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], 0);
    EXPECT_GT(seen[1], 0);

    QTemporaryDir dir;
    const QString fresh = dir.filePath("neu.pdf"), old = dir.filePath("alt.pdf");
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("das alte Muster");
    f.close();
    for (const QString& path : {fresh, old}) {
        seen.clear();
        EXPECT_EQ(exportPdf(path, doc, localePageLayout(), stopAfterOne), PdfStatus::cancelled);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"alt.pdf"});
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "das alte Muster");
    freedib(grid);
}
