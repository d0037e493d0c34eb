// The colourwork choice on page 4: off by default, the
// float limit offered follows the check's, and a compute with it on leaves
// the check nothing to find. With TRICOMA_SCREENSHOT_DIR set, pages 4 and 5
// for a photo at K = 2, F = 5.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "pattern/quantize.h"
#include "platform/controls.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"

namespace {

// The knittability check's report over the window's grid.
pattern::knit::Report checked(TMainForm& form) {
    const pattern::knit::Options o{form.FloatLimitEdit->value(), form.ColourLimitEdit->value(), 64};
    return pattern::knit::check(pattern::knit::gridBytes(form.di3), o);
}

void shoot(TMainForm& form, const QString& file) {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(20);
    }
    EXPECT_TRUE(form.grab().save(file));
}

}  // namespace

TEST(ColourworkPage, OffByDefaultThenComputesAKnittableGrid) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    form.PageControl2->setCurrentIndex(3);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_FALSE(form.ColourworkCheck->isChecked());
    EXPECT_FALSE(form.YarnsPerRowEdit->isEnabled());
    EXPECT_EQ(form.YarnsPerRowEdit->value(), 2);
    EXPECT_EQ(form.FloatMaxEdit->value(), 5);  // the check's: 2.5 cm at 23 per 10 cm
    form.maschened->setValue(28);
    EXPECT_EQ(form.FloatMaxEdit->value(), 7);
    form.maschened->setValue(23);

    // A gradient in six yarns: the plain reduction crowds rows.
    for (int y = 0; y < dibheight(form.di); ++y)
        for (int x = 0; x < dibwidth(form.di); ++x)
            setpixel(form.di, x, y, packrgb(uint8_t(x * 255 / 319), uint8_t(y * 255 / 199), uint8_t((x + y) & 255)));
    const PALETTEENTRY yarns[] = {{0, 0, 0, 0},    {255, 255, 255, 0}, {220, 30, 30, 0},
                                  {30, 160, 60, 0}, {40, 60, 200, 0},  {240, 220, 40, 0}};
    for (int i = 0; i < 6; ++i) form.pal.rgb0[i] = yarns[i];
    form.RenderBtnClick(form.BitBtn3);
    EXPECT_FALSE(form.knitChecks.crowdedRows().empty());

    QTest::mouseClick(form.ColourworkCheck, Qt::LeftButton);
    ASSERT_TRUE(form.YarnsPerRowEdit->findChild<QLineEdit*>()->isEnabled());
    ASSERT_TRUE(form.FloatMaxEdit->isEnabled());
    for (QRadioButton* method : {form.NearCheck, form.FSErrCheck}) {
        method->setChecked(true);
        form.RenderBtnClick(form.BitBtn3);
        EXPECT_TRUE(form.knitChecks.crowdedRows().empty());
        const pattern::knit::Report r = checked(form);
        EXPECT_EQ(r.options.floatLimit, 5);
        EXPECT_TRUE(r.crowdedRows.empty());
        EXPECT_TRUE(r.longFloats.empty());
        EXPECT_EQ(r.width, 46);
    }
    // F off: only the yarns per row are held.
    QTest::mouseClick(form.FloatMaxCheck, Qt::LeftButton);
    EXPECT_FALSE(form.FloatMaxEdit->isEnabled());
    form.YarnsPerRowEdit->setValue(1);
    form.RenderBtnClick(form.BitBtn3);
    for (int n : checked(form).yarnsInRow) EXPECT_EQ(n, 1);
}

TEST(ColourworkPage, PhotoScreenshots) {
    const char* env = std::getenv("TRICOMA_SCREENSHOT_DIR");
    if (!env || !*env) GTEST_SKIP() << "TRICOMA_SCREENSHOT_DIR not set";
    const QString photo = QStringLiteral(TRICOMA_TESTDATA_DIR "/photos/Dune.jpg");
    if (!QFileInfo::exists(photo)) GTEST_SKIP() << "no test photo";
    const QString dir = QString::fromLocal8Bit(env);
    QDir().mkpath(dir);
    TMainForm form("/tmp/x/tricoma");
    form.openfilenow(photo);
    pattern::setYarns(form.pal, pattern::coloursFromMotif(form.di, 6));
    form.breited->setValue(40);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.PageControl2->setCurrentIndex(3);
    form.ColourworkCheck->setChecked(true);
    form.NearCheck->setChecked(true);
    form.RenderBtnClick(form.BitBtn3);
    const pattern::knit::Report r = checked(form);
    std::printf("%d x %d stitches: %zu rows over 2 yarns, %zu long floats\n", r.width, r.height, r.crowdedRows.size(),
                r.longFloats.size());
    form.PageControl2->setCurrentIndex(3);
    form.KnitCheck->setChecked(true);
    form.KnitCheckClick(form.KnitCheck);
    for (int i = 0; i < 3; ++i) QTest::mouseClick(form.ZoomInBtn, Qt::LeftButton);
    QApplication::processEvents();
    form.ScrollBox1->verticalScrollBar()->setValue(form.ScrollBox1->verticalScrollBar()->maximum() * 2 / 3);
    shoot(form, dir + QStringLiteral("/colourwork-page4.png"));
    form.PageControl2->setCurrentIndex(4);
    QApplication::processEvents();
    form.ErgScrollBox->verticalScrollBar()->setValue(form.ErgScrollBox->verticalScrollBar()->maximum() * 3 / 4);
    shoot(form, dir + QStringLiteral("/colourwork-page5.png"));
}
