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

    // Cancelled on page 3, and after the last page just before writing:
    // no file, and an old one stays.
    for (int64_t stopAt : {int64_t(3), doc.pageCount() + 1}) {
        const QString fresh = dir.filePath(QStringLiteral("neu%1.pdf").arg(stopAt));
        std::vector<std::pair<int64_t, int64_t>> calls;
        const PdfProgress progress = [&](int64_t page, int64_t pages) {
            calls.push_back({page, pages});
            return page < stopAt;
        };
        EXPECT_EQ(exportPdf(fresh, doc, localePageLayout(), progress), PdfStatus::cancelled);
        EXPECT_FALSE(QFileInfo::exists(fresh));
        ASSERT_EQ(int64_t(calls.size()), stopAt);
        EXPECT_EQ(calls.front(), std::make_pair(int64_t(1), doc.pageCount()));
        EXPECT_EQ(calls.back(), std::make_pair(stopAt, doc.pageCount()));
    }
    const QByteArray before = [&] {
        QFile f(probe);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    EXPECT_EQ(exportPdf(probe, doc, localePageLayout(), [](int64_t, int64_t) { return false; }), PdfStatus::cancelled);
    QFile f(probe);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"probe.pdf"});
    freedib(grid);
}
