// Page 4's knittability strip: defaults, figures after edits, the confetti
// clean-up as one undo step; and, for a person to look at, a photo with its
// long floats marked.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressDialog>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QUndoStack>
#include <cstdio>
#include <cstdlib>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "app/progressgate.h"
#include "platform/controls.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"

namespace {

uint8_t& stitch(dib& d, int col, int rowFromTop) {
    return d.poi[std::ptrdiff_t(dibheight(d) - 1 - rowFromTop) * d.bytew + col];
}

}  // namespace

TEST(KnitConfettiPage, OffByDefaultFollowsGaugeAndUndoesCleanUp) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    form.PageControl2->setCurrentIndex(3);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_FALSE(form.KnitCheck->isChecked());
    EXPECT_FALSE(form.KnitPanel->isVisible());
    EXPECT_EQ(form.FloatLimitEdit->value(), 5);  // 2.5 cm at 23 stitches per 10 cm
    EXPECT_EQ(form.ColourLimitEdit->value(), 2);
    EXPECT_EQ(form.ConfettiSizeEdit->value(), 1);
    form.maschened->setValue(28);
    EXPECT_EQ(form.FloatLimitEdit->value(), 7);
    form.FloatLimitEdit->setValue(9);  // the user's limit stays
    form.maschened->setValue(40);
    EXPECT_EQ(form.FloatLimitEdit->value(), 9);

    // The white start-up grid with one black stitch: 1 of 46 x 38.
    ASSERT_EQ(stitch(form.di3, 5, 7), 11);
    stitch(form.di3, 5, 7) = 10;
    form.updateKnitChecks();  // as after every edit
    EXPECT_EQ(form.ConfettiLabel->text(), QStringLiteral("Konfetti: 0,1 % (1 M.)"));
    const QSize before = form.size();
    QTest::mouseClick(form.KnitCheck, Qt::LeftButton);
    ASSERT_TRUE(form.KnitPanel->isVisible());
    QApplication::processEvents();
    EXPECT_EQ(form.size(), before);  // the strip fits the window as it is
    QTest::mouseClick(form.ConfettiBtn, Qt::LeftButton);
    EXPECT_EQ(stitch(form.di3, 5, 7), 11);
    EXPECT_EQ(form.ConfettiLabel->text(), QStringLiteral("Konfetti: 0,0 % (0 M.)"));
    ASSERT_EQ(form.undoStack->count(), 1);
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(stitch(form.di3, 5, 7), 10);
    EXPECT_EQ(form.ConfettiLabel->text(), QStringLiteral("Konfetti: 0,1 % (1 M.)"));
    form.undoStack->redo();
    EXPECT_EQ(stitch(form.di3, 5, 7), 11);
    // A new grid is one step on top; the undone clean-up cannot come back.
    form.undoStack->undo();
    form.RenderBtnClick(form.BitBtn3);
    EXPECT_EQ(form.undoStack->count(), 1);
}

TEST(KnitFloatsPage, LongFloatsListedAndJumpedTo) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    form.PageControl2->setCurrentIndex(3);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // Bottom row (row 1): black at stitches 1 and 46, white in between: a
    // 44-stitch float of black, which continues in no other row. Row 3:
    // three yarns.
    const int h = dibheight(form.di3), w = dibwidth(form.di3);
    stitch(form.di3, 0, h - 1) = 10;
    stitch(form.di3, w - 1, h - 1) = 10;
    stitch(form.di3, 0, h - 3) = 10;
    stitch(form.di3, 1, h - 3) = 12;
    form.updateKnitChecks();
    EXPECT_EQ(form.FloatLabel->text(), QStringLiteral("M.: 1 Reihen"));
    ASSERT_EQ(form.FloatRowsBox->count(), 1);
    EXPECT_EQ(form.FloatRowsBox->itemText(0), QStringLiteral("Reihe 1: 44 M."));
    EXPECT_EQ(form.ColourRowsBox->itemText(0), QStringLiteral("Reihe 3: 3 Farben"));
    form.NextFloatBtnClick(form.NextFloatBtn);
    EXPECT_TRUE(form.KnitCheck->isChecked());
    EXPECT_EQ(form.knitCurrentFloat, 0);
}

// Figures and a screenshot of page 4 for a real photo at both methods.
TEST(KnitFloatsPage, PhotoScreenshot) {
    const char* env = std::getenv("TRICOMA_SCREENSHOT_DIR");
    if (!env || !*env) GTEST_SKIP() << "TRICOMA_SCREENSHOT_DIR not set";
    const QString photo = QStringLiteral(TRICOMA_TESTDATA_DIR "/photos/Dune.jpg");
    if (!QFileInfo::exists(photo)) GTEST_SKIP() << "no test photo";
    const QString dir = QString::fromLocal8Bit(env);
    QDir().mkpath(dir);
    TMainForm form("/tmp/x/tricoma");
    form.openfilenow(photo);
    const PALETTEENTRY yarns[] = {{0, 0, 0, 0},       {255, 255, 255, 0}, {200, 150, 90, 0},
                                  {120, 80, 40, 0},   {90, 140, 200, 0},  {230, 200, 150, 0}};
    for (int i = 0; i < 6; ++i) form.pal.rgb0[i] = yarns[i];
    form.breited->setValue(60);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.PageControl2->setCurrentIndex(3);
    for (QRadioButton* method : {form.NearCheck, form.FSErrCheck}) {
        method->setChecked(true);
        form.RenderBtnClick(form.BitBtn3);
        form.updateKnitChecks();
        const auto& r = form.knitChecks;
        std::printf("%s, %d x %d stitches, limit %d: floats too long in %zu rows (%lld floats), "
                    "more than 2 yarns in %zu rows, %s\n",
                    method == form.NearCheck ? "nearest colour" : "dithering", r.width(), r.height(),
                    r.options().floatLimit, r.longFloatRows().size(), (long long)r.longFloatCount(),
                    r.crowdedRows().size(), qPrintable(form.ConfettiLabel->text()));
        form.KnitCheck->setChecked(true);
        form.KnitCheckClick(form.KnitCheck);
        form.NextFloatBtnClick(form.NextFloatBtn);
        EXPECT_EQ(form.width(), 622);  // long figures do not widen the window
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            QTest::qWait(20);
        }
        const QString name = method == form.NearCheck ? QStringLiteral("nearest") : QStringLiteral("dither");
        EXPECT_TRUE(form.grab().save(dir + QStringLiteral("/knit-page4-") + name + QStringLiteral(".png")));
    }
}

// Many pages are asked about before anything is written: 30 mm cells with
// an overlap of 10 make well over a thousand pages of the start-up grid.
TEST(OutputStaysResponsive, ManyPagesAskedAboutFirst) {
    TMainForm form("/tmp/x/tricoma");
    testsupport::MessageBoxCapture boxes(platform::IDNO);
    form.savePagesPdf(PdfRequest{30.0, 10, &form});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.endsWith(QStringLiteral("Seiten speichern?"))) << qPrintable(boxes.boxes[0].text);
    EXPECT_EQ(boxes.boxes[0].flags & platform::MB_YESNO, unsigned(platform::MB_YESNO));
}

// The progress dialog: a cancel click makes the callback say stop; shown
// for a person to look at when screenshots are asked for.
TEST(OutputStaysResponsive, ProgressDialogCancels) {
    TMainForm form("/tmp/x/tricoma");
    ProgressGate gate(&form, QStringLiteral("Seiten werden gedruckt …"));
    const pattern::CancellableProgress report = gate.callback();
    EXPECT_TRUE(report(0));
    EXPECT_TRUE(report(40));
    EXPECT_EQ(gate.dialog()->value(), 40);
    if (const char* env = std::getenv("TRICOMA_SCREENSHOT_DIR"); env && *env) {
        gate.dialog()->show();
        QApplication::processEvents();
        EXPECT_TRUE(gate.dialog()->grab().save(QString::fromLocal8Bit(env) + QStringLiteral("/progress.png")));
    }
    gate.dialog()->cancel();
    EXPECT_FALSE(report(41));
    EXPECT_TRUE(gate.cancelled());
}
