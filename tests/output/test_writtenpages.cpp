// The written rows on pages after the chart: the PDF carries every row
// line as searchable text, long rows wrapped between runs.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cstdlib>
#include <QPainter>
#include <QTemporaryDir>

#include "output/pages.h"
#include "output/writtenpages.h"
#include "pattern/writtenrows.h"
#include "support/blockguard.h"
#include "support/pagesupport.h"

TEST(WrittenRowsPages, PdfCarriesEveryRowLineAfterTheChart) {
    if (!pagesupport::havePoppler()) GTEST_SKIP() << "no pdftotext";
    BlockGuard guard;
    QTemporaryDir dir;
    dib grid = pagesupport::stitchGrid(13, 90);
    const pattern::YarnCells cells = pattern::yarnCells(grid);
    const QStringList lines = pattern::writtenRowsLines(cells, pattern::Knitting::flat, pattern::writtenYarns(cells, {}));
    output::PageDocument doc(grid, 23, 31, 5.0, 2);
    output::WrittenPages written(lines);
    const QString pdf = dir.filePath(QStringLiteral("muster.pdf"));
    ASSERT_EQ(output::exportPdf(pdf, doc, output::localePageLayout(), {}, nullptr, &written), output::PdfStatus::ok);
    ASSERT_GE(written.pageCount(), 2);  // 90 rows do not fit one page
    QString text;
    for (int page = doc.pageCount() + 1; page <= doc.pageCount() + written.pageCount(); ++page)
        text += pagesupport::pageText(pdf, page) + QLatin1Char(' ');
    for (const QString& line : lines)
        EXPECT_TRUE(text.contains(line.simplified())) << line.toStdString();
    EXPECT_FALSE(pagesupport::pageText(pdf, doc.pageCount()).contains(QStringLiteral("Reihe 1 (")));
    if (const char* shots = std::getenv("TRICOMA_SCREENSHOT_DIR"); shots && *shots)
        QFile::copy(pdf, QString::fromLocal8Bit(shots) + QStringLiteral("/written-rows.pdf"));
    freedib(grid);
}

TEST(WrittenRowsPages, LongRowsWrapWithinThePage) {
    // One row far wider than the page goes on over further lines.
    QStringList runs;
    for (int i = 0; i < 120; ++i) runs << QStringLiteral("%1 × Garn %2").arg(i + 1).arg(i % 7);
    const QString row = QStringLiteral("Reihe 1 (Hinreihe, von rechts): ") + runs.join(QStringLiteral(", "));
    output::WrittenPages pages({row});
    pages.setPageSize(100, 200);
    ASSERT_EQ(pages.pageCount(), 1);
    QImage img(1000, 2000, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    pages.paintPage(p, 1, 10);
    p.end();
    // Nothing drawn beyond the page's width, and ink on a fourth line.
    int inkBelow = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < 1000; ++x) {
            if (x >= 995) {
                ASSERT_EQ(img.pixel(x, y), qRgb(255, 255, 255)) << y;
            }
            if (y > 4 * 40 && img.pixel(x, y) != qRgb(255, 255, 255)) ++inkBelow;
        }
    EXPECT_GT(inkBelow, 0);
}
