// The row tracker ("Strickmodus") and the knitted-look preview windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <cstring>

#include "app/ButtonsXP.h"
#include "app/KnitModeUnit.h"
#include "app/TMainForm.h"
#include "chart/knitpreview.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/safefile.h"
#include "raster/PixKit3.h"
#include "support/pagesupport.h"

namespace {

// A computed grid of 46 x 62 stitches from a colourful motif.
void computeColourful(TMainForm& form) {
    for (int y = 0; y < dibheight(form.di); ++y)
        for (int x = 0; x < dibwidth(form.di); ++x)
            setpixel(form.di, x, y, packrgb(uint8_t(x * 255 / 319), uint8_t(y * 255 / 199), uint8_t((x * y) % 256)));
    const PALETTEENTRY yarns[] = {{0, 0, 0, 0}, {255, 255, 255, 0}, {220, 30, 30, 0}, {30, 160, 60, 0}, {40, 60, 200, 0}};
    for (int i = 0; i < 5; ++i) form.pal.rgb0[i] = yarns[i];
    form.sverhCheck->setChecked(false);
    form.hoched->setValue(20);
    form.RenderBtnClick(form.BitBtn3);
}

struct FileAnswers {
    explicit FileAnswers(const QString& path) {
        TSaveDialog::setHook([path](TSaveDialog& d) { d.FileName = path; return true; });
        TOpenDialog::setHook([path](TOpenDialog& d) { d.FileName = path; return true; });
    }
    ~FileAnswers() {
        TSaveDialog::setHook({});
        TOpenDialog::setHook({});
    }
};

}  // namespace

TEST(RowTracker, KeysButtonsAndClicksMoveTheRowAndNeverTheGrid) {
    TMainForm form("/tmp/x/tricoma");
    computeColourful(form);
    ASSERT_EQ(dibheight(form.di3), 62);
    const std::vector<uint8_t> before(form.di3.poi, form.di3.poi + int64_t(form.di3.bytew) * 62);
    form.PageControl2->setCurrentIndex(4);
    form.show();
    QTest::mouseClick(form.KnitModeBtn, Qt::LeftButton);
    TKnitModeForm* k = form.KnitModeForm;
    ASSERT_TRUE(k && k->isVisible());
    EXPECT_EQ(k->currentRow(), 1);
    struct Step {
        std::function<void()> act;
        int row;
    } steps[] = {
        {[&] { QTest::keyClick(k, Qt::Key_Space); }, 2},
        {[&] { QTest::keyClick(k, Qt::Key_Up); }, 3},
        {[&] { QTest::mouseClick(k->NextRowBtn, Qt::LeftButton); }, 4},
        {[&] { QTest::keyClick(k, Qt::Key_Down); }, 3},
        {[&] { QTest::mouseClick(k->PrevRowBtn, Qt::LeftButton); }, 2},
        {[&] { QTest::mouseClick(k->ChartView, Qt::LeftButton, {}, k->ChartView->rowRect(10).center()); }, 10},
        {[&] { k->setCurrentRow(1000); }, 62},
        {[&] { QTest::keyClick(k, Qt::Key_Space); }, 62},
        {[&] { k->setCurrentRow(-5); }, 1},
        {[&] { QTest::keyClick(k, Qt::Key_Left); }, 1},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(k->currentRow(), s.row);
        EXPECT_EQ(form.knitRow, s.row);
    }
    // Full screen and back, by key and by button.
    QTest::keyClick(k, Qt::Key_F11);
    EXPECT_TRUE(k->isFullScreen());
    QTest::keyClick(k, Qt::Key_Escape);
    EXPECT_FALSE(k->isFullScreen());
    QTest::mouseClick(k->FullScreenBtn, Qt::LeftButton);
    EXPECT_TRUE(k->isFullScreen());
    k->toggleFullScreen();
    k->setCurrentRow(2);
    EXPECT_EQ(k->RowLabel->text(), QStringLiteral("Reihe 2 von 62"));
    const pattern::WrittenRow w =
        pattern::writtenRow(pattern::yarnCells(form.di3), 2, knittingOf(form.chartopts.rowNumbers));
    EXPECT_FALSE(w.fromRight);  // the plain chart's numbering is knitted flat
    EXPECT_TRUE(k->InstructionLabel->text().startsWith(pattern::runsText(w.groups).section(QStringLiteral(", "), 0, 0)));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), form.di3.poi));
    // The written rows leave through the clipboard as well.
    QTest::mouseClick(k->CopyTextBtn, Qt::LeftButton);
    EXPECT_TRUE(QApplication::clipboard()->text().contains(pattern::rowText(w)));
}

TEST(RowTracker, CurrentRowSurvivesSavingAndOpeningThePattern) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("muster.png"));
    {
        TMainForm form("/tmp/x/tricoma");
        computeColourful(form);
        form.KnitModeBtnClick(form.KnitModeBtn);
        form.KnitModeForm->setCurrentRow(47);
        FileAnswers answer(path);
        form.SavePatternBtnClick(nullptr);
        // The written rows as a Markdown file, and after the chart's pages.
        ASSERT_TRUE(form.KnitModeForm->saveWrittenRows(dir.filePath(QStringLiteral("reihen.md"))));
        if (pagesupport::havePoppler()) {
            const QString pdf = dir.filePath(QStringLiteral("muster.pdf"));
            FileAnswers pdfAnswer(pdf);
            QTest::mouseClick(form.KnitModeForm->PdfBtn, Qt::LeftButton);
            const QString all = pagesupport::run("pdftotext", {pdf, "-"}).value_or(QString()).simplified();
            EXPECT_TRUE(all.contains(QStringLiteral("Reihe 62 (Rückreihe, von links): "))) << all.right(300).toStdString();
        }
    }
    TMainForm form("/tmp/x/tricoma");
    EXPECT_EQ(form.knitRow, 0);
    FileAnswers answer(path);
    form.OpenPatternBtnClick(nullptr);
    EXPECT_EQ(form.knitRow, 47);
    form.KnitModeBtnClick(form.KnitModeBtn);
    EXPECT_EQ(form.KnitModeForm->currentRow(), 47);
    EXPECT_EQ(form.KnitModeForm->RowLabel->text(), QStringLiteral("Reihe 47 von 62"));
    QFile md(dir.filePath(QStringLiteral("reihen.md")));
    ASSERT_TRUE(md.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(md.readAll()).contains(QStringLiteral("- **Reihe 47 (Hinreihe, von rechts)**: ")));
}

// Screenshots of the tracker at row 47 and of the preview of a photo's
// pattern, for a person to look at.
TEST(RowTracker, PhotoScreenshots) {
    const char* env = std::getenv("TRICOMA_SCREENSHOT_DIR");
    if (!env || !*env) GTEST_SKIP() << "TRICOMA_SCREENSHOT_DIR not set";
    const QString photo = QStringLiteral(TRICOMA_TESTDATA_DIR "/photos/Dune.jpg");
    if (!QFile::exists(photo)) GTEST_SKIP() << "no photo";
    const QString dir = QString::fromLocal8Bit(env);
    QDir().mkpath(dir);
    TMainForm form("/tmp/x/tricoma");
    form.openfilenow(photo);
    form.breited->setValue(40);  // 92 x 77 stitches: row 47 exists
    form.YarnCountEdit->setValue(8);
    QTest::mouseClick(form.FromMotifBtn, Qt::LeftButton);
    form.NearCheck->setChecked(true);
    form.RenderBtnClick(form.BitBtn3);
    form.PageControl2->setCurrentIndex(4);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(50);
    ASSERT_TRUE(form.grab().save(dir + QStringLiteral("/page5-knitmode-button.png")));
    QTest::mouseClick(form.KnitModeBtn, Qt::LeftButton);
    TKnitModeForm* k = form.KnitModeForm;
    k->resize(1100, 700);
    k->setCurrentRow(47);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(k));
    QTest::qWait(50);
    ASSERT_TRUE(k->grab().save(dir + QStringLiteral("/tracker-row47.png")));
    QTest::mouseClick(k->PreviewBtn, Qt::LeftButton);
    auto* preview = static_cast<TKnitPreviewForm*>(k->PreviewForm);
    ASSERT_TRUE(preview);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    QTest::qWait(50);
    ASSERT_TRUE(preview->grab().save(dir + QStringLiteral("/preview-window.png")));
    ASSERT_TRUE(preview->savePng(dir + QStringLiteral("/preview-export.png")));
}

// Written rows go through the one safe write: a full disk keeps the file
// that was there, byte for byte, and says it failed.
TEST(NothingLostWrittenRows, AFullDiskKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("reihen.txt");
    ASSERT_TRUE(writeTextFile(path, QStringLiteral("alte Reihen")));
    platform::setWriteLimitForTesting(4);
    EXPECT_FALSE(writeTextFile(path, QStringLiteral("Reihe 1 (Hinreihe, von rechts): 4 × Garn 1 (4 M.)")));
    platform::setWriteLimitForTesting(-1);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("alte Reihen"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"reihen.txt"});
}
