// Nothing lost in PDF exports: a full disk keeps the old file, and a
// cancelled export writes nothing.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "output/pages.h"
#include "support/fulldisk.h"
#include "support/pagesupport.h"

using namespace output;

TEST(NothingLostPdf, AFullDiskKeepsTheOldFileAndACancelWritesNothing) {
    dib grid = pagesupport::stitchGrid(120, 150);
    PageDocument doc(grid, 23, 31, 5.0, 2);
    QTemporaryDir dir;
    const QString probe = dir.filePath("probe.pdf");
    ASSERT_EQ(exportPdf(probe, doc, localePageLayout()), PdfStatus::ok);
    fulldisk::expectNothingLost(
        [&](const std::string& path, std::string& reason) {
            QString why;
            const PdfStatus s = exportPdf(QString::fromStdString(path), doc, localePageLayout(), {}, &why);
            reason = why.toStdString();
            return s == PdfStatus::ok;
        },
        "PDF", QFileInfo(probe).size());

    // Cancelled before the first page and on page 3: no file.
    for (int stopAt : {1, 3}) {
        const QString fresh = dir.filePath(QStringLiteral("neu%1.pdf").arg(stopAt));
        int calls = 0;
        EXPECT_EQ(exportPdf(fresh, doc, localePageLayout(), [&](int) { return ++calls < stopAt; }),
                  PdfStatus::cancelled);
        EXPECT_FALSE(QFileInfo::exists(fresh));
        EXPECT_EQ(calls, stopAt);
    }
    const QByteArray before = [&] {
        QFile f(probe);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    EXPECT_EQ(exportPdf(probe, doc, localePageLayout(), [](int) { return false; }), PdfStatus::cancelled);
    QFile f(probe);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"probe.pdf"});
    freedib(grid);
}
