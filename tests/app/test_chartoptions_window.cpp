// The chart options on page 5: the button, the dialog, remembering them, and
// the view, saving and printing all getting the same optioned chart.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "app/ButtonsXP.h"
#include "app/ChartOptionsUnit.h"
#include "app/TMainForm.h"
#include "output/PrintFUnit.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/printsupport.h"

namespace {

// Everything on, as a user would tick it in the dialog.
void tickAll(TChartOptionsForm* d) {
    d->ContrastCheck->setChecked(true);
    d->HeavyLinesBox->setCurrentIndex(2);
    d->ColumnNumbersBox->setCurrentIndex(1);
    d->RowNumbersBox->setCurrentIndex(1);
    d->SymbolsCheck->setChecked(true);
    d->LegendCheck->setChecked(true);
    d->FactorEdit->setValue(2.5);
}

// A motif with a few yarns to see, computed into the grid.
void colourfulPattern(TMainForm& form) {
    for (int y = 0; y < dibheight(form.di); ++y)
        for (int x = 0; x < dibwidth(form.di); ++x)
            setpixel(form.di, x, y, packrgb(uint8_t(x * 255 / 319), uint8_t(y * 255 / 199), uint8_t(255 - x * 255 / 319)));
    const PALETTEENTRY yarns[] = {{0, 0, 0, 0},     {255, 255, 255, 0}, {220, 30, 30, 0}, {30, 160, 60, 0},
                                  {40, 60, 200, 0}, {240, 220, 40, 0},  {150, 60, 170, 0}, {128, 128, 128, 0}};
    for (int i = 0; i < 8; ++i) form.pal.rgb0[i] = yarns[i];
    form.RenderBtnClick(form.BitBtn3);
}

}  // namespace

TEST(ChartOptionWindow, ButtonBesideTheTwoAndDialogDefaults) {
    printsupport::PrivateSettings settings;
    TMainForm form("/tmp/x/tricoma");
    EXPECT_EQ(form.SaveAsBtn->geometry(), QRect(8, 8, 145, 25));
    EXPECT_EQ(form.PrintBtn->geometry(), QRect(160, 8, 145, 25));
    EXPECT_EQ(form.ChartOptBtn->parentWidget(), form.SaveAsBtn->parentWidget());
    EXPECT_FALSE(form.ChartOptBtn->geometry().intersects(form.PrintBtn->geometry()));
    // Whole inside the result page at the window's first size.
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.PageControl2->setCurrentIndex(4);
    QApplication::processEvents();
    EXPECT_LT(form.ChartOptBtn->geometry().right(), form.ChartOptBtn->parentWidget()->width());
    EXPECT_EQ(form.ChartOptBtn->text(), QStringLiteral("Dars&tellung..."));
    EXPECT_EQ(form.chartopts, chart::ChartOptions{});
    // The start-up chart as ever.
    EXPECT_EQ(dibwidth(form.rdi), 1040);
    EXPECT_EQ(dibheight(form.rdi), 590);

    TChartOptionsForm d(&form, chart::ChartOptions{});
    EXPECT_TRUE(d.InverseCheck->isChecked());
    EXPECT_EQ(d.options(), chart::ChartOptions{});
    EXPECT_FALSE(d.FactorEdit->isEnabled());
    tickAll(&d);
    const chart::ChartOptions all = d.options();
    EXPECT_EQ(all.rowNumbers, chart::RowNumbering::flat);
    EXPECT_TRUE(all.symbols && all.legend && all.columnNumbers == 5 && all.yarnFactor == 2.5);
    d.setOptions(chart::ChartOptions{});
    EXPECT_EQ(d.options(), chart::ChartOptions{});
}

TEST(ChartOptionWindow, ChosenOptionsAreRememberedAndReachViewSaveAndPrint) {
    BlockGuard guard;
    printsupport::PrivateSettings settings;
    platform::ImagePrinterService printer{4800, 6600};
    platform::SetPrinter(&printer);
    QTemporaryDir dir;
    {
        TMainForm form("/tmp/x/tricoma");
        colourfulPattern(form);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.PageControl2->setCurrentIndex(4);
        const int plainH = dibheight(form.rdi);

        // Cancel changes nothing.
        printsupport::whenModal<TChartOptionsForm>([](TChartOptionsForm* d) {
            tickAll(d);
            d->reject();
        });
        form.ChartOptBtnClick(form.ChartOptBtn);
        EXPECT_EQ(form.chartopts, chart::ChartOptions{});
        EXPECT_EQ(dibheight(form.rdi), plainH);

        printsupport::whenModal<TChartOptionsForm>([](TChartOptionsForm* d) {
            tickAll(d);
            d->accept();
        });
        form.ChartOptBtnClick(form.ChartOptBtn);
        ASSERT_TRUE(form.chartopts.legend);
        EXPECT_EQ(chart::loadChartOptions(), form.chartopts);
        EXPECT_GT(dibheight(form.rdi), plainH);

        EXPECT_TRUE(QTest::qWaitFor([&] { return form.ErgPaintBox->size() == QSize(dibwidth(form.rdi), dibheight(form.rdi)); }, 5000));

        // Saved: the file holds the optioned chart.
        TSaveDialog::setHook([&](TSaveDialog& d) {
            d.FileName = dir.filePath("muster");
            d.FilterIndex = 1;
            return true;
        });
        form.SaveAsBtnClick(form.SaveAsBtn);
        TSaveDialog::setHook({});
        QImage saved(dir.filePath("muster.bmp"));
        if (!saved.isNull()) {
            ASSERT_EQ(saved.size(), QSize(dibwidth(form.rdi), dibheight(form.rdi)));
            for (int y = 0; y < saved.height(); y += 7)
                for (int x = 0; x < saved.width(); x += 5) {
                    const uint32_t c = getpixel(form.rdi, x, y);
                    ASSERT_EQ(saved.pixel(x, y) & 0xFFFFFF, qRgb(getr(c), getg(c), getb(c)) & 0xFFFFFF);
                }
            if (const char* shots = std::getenv("TRICOMA_SCREENSHOT_DIR")) {
                QDir().mkpath(QString::fromLocal8Bit(shots));
                QFile::copy(dir.filePath("muster.bmp"), QString::fromLocal8Bit(shots) + "/chartopt-saved.bmp");
                saved.save(QString::fromLocal8Bit(shots) + "/chartopt-saved-opened.png");
            }
        }

        // Printed: the preview and the page get the same chart.
        printsupport::whenModal<TPrintForm>([&](TPrintForm* d) {
            EXPECT_EQ(d->di.poi, form.rdi.poi);
            EXPECT_EQ(dibheight(d->di), dibheight(form.rdi));
            d->OkBitBtn1->click();
        });
        form.PrintBtnClick(form.PrintBtn);
        EXPECT_EQ(printer.jobs.size(), 1u);

        if (const char* shots = std::getenv("TRICOMA_SCREENSHOT_DIR")) {
            for (int i = 0; i < 5; ++i) {
                QApplication::processEvents();
                QTest::qWait(20);
            }
            EXPECT_TRUE(form.grab().save(QString::fromLocal8Bit(shots) + "/chartopt-page5.png"));
            TChartOptionsForm d(&form, form.chartopts);
            d.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
            QApplication::processEvents();
            EXPECT_TRUE(d.grab().save(QString::fromLocal8Bit(shots) + "/chartopt-dialog.png"));
        }
    }
    // The next start draws with them.
    {
        TMainForm again("/tmp/x/tricoma");
        EXPECT_TRUE(again.chartopts.symbols);
        EXPECT_GT(dibheight(again.rdi), 590);
    }
    platform::SetPrinter(nullptr);
}
