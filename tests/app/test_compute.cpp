#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "platform/controls.h"
#include "raster/memblock.h"
#include "platform/msgbox.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/msgboxcapture.h"

namespace {

// Captures message boxes so no test blocks on a modal dialog.
class ComputeForm : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setMessageBoxHook([this](const QString& text, const QString&, unsigned) {
            messages.push_back(text);
            return int(platform::IDOK);
        });
    }
    void TearDown() override { testsupport::installQuietMessageBoxes(); }  // never the real, blocking box

    // Replaces the form's motif.
    static void setMotif(TMainForm& form, dib motif) {
        freedib(form.di);
        form.di = motif;
    }
    static dib blank24(int w, int h, uint8_t level) {
        dib d{};
        newdib(&d, w, h, 24, nullptr, 0);
        if (d.poi) std::memset(d.poi, level, d.pmi->bmiHeader.biSizeImage);
        return d;
    }
    // Types into a spin field as a user would.
    static void type(TFloatSpinEdit* field, const QString& text) {
        QLineEdit* edit = field->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setText(text);
    }

    std::vector<QString> messages;
};

}  // namespace

TEST_F(ComputeForm, StartUpComputesTheWhiteGrid) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    EXPECT_DOUBLE_EQ(form.breited->value(), 20.0);
    EXPECT_DOUBLE_EQ(form.hoched->value(), 12.5);
    ASSERT_TRUE(form.di3.poi);
    EXPECT_EQ(dibwidth(form.di3), 46);
    EXPECT_EQ(dibheight(form.di3), 38);
    EXPECT_EQ(dibbitcount(form.di3), 8);
    for (int y = 0; y < 38; ++y)
        for (int x = 0; x < 46; ++x) ASSERT_EQ(getpixel(form.di3, x, y), 11u);
    EXPECT_EQ(form.di3.pal.rgb0[11].peRed, 255);
    EXPECT_EQ(form.di3.pal.rgb0[10].peRed, 0);
    EXPECT_EQ(form.StatusPosition, 0);
    EXPECT_FALSE(form.init);
    EXPECT_TRUE(messages.empty());

    // The controls the command reads, where the user finds them.
    EXPECT_EQ(form.NearCheck->text(), QString::fromUtf8("Am besten &passenste Farbe"));
    EXPECT_EQ(form.FSErrCheck->text(), QStringLiteral("Dithering"));
    EXPECT_FALSE(form.NearCheck->isChecked());
    EXPECT_TRUE(form.FSErrCheck->isChecked());
    EXPECT_TRUE(form.TabSheet3->isAncestorOf(form.NearCheck));
    EXPECT_TRUE(form.TabSheet3->isAncestorOf(form.FSErrCheck));
    EXPECT_EQ(form.BitBtn3->text(), QStringLiteral("Berechnen"));
    EXPECT_TRUE(form.TabSheet4->isAncestorOf(form.BitBtn3));
    EXPECT_EQ(form.breited->decimals(), 2);
    EXPECT_DOUBLE_EQ(form.hoched->minimum(), 1.0);
    EXPECT_DOUBLE_EQ(form.hoched->maximum(), 1000.0);
}

TEST_F(ComputeForm, SizeFieldsKeepTheMotifsProportions) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    form.breited->setValue(32);
    EXPECT_DOUBLE_EQ(form.hoched->value(), 20.0);
    form.hoched->setValue(25);
    EXPECT_DOUBLE_EQ(form.breited->value(), 40.0);
    type(form.breited, "20");
    EXPECT_DOUBLE_EQ(form.hoched->value(), 12.5);

    setMotif(form, blank24(333, 100, 255));
    form.breitedChange(form.breited);  // as after loading a motif
    EXPECT_DOUBLE_EQ(form.hoched->value(), 6.01);

    setMotif(form, blank24(100, 1000, 255));
    form.breited->setValue(200);
    EXPECT_DOUBLE_EQ(form.hoched->value(), 1000.0);  // not 2000
    form.hoched->setValue(5);
    EXPECT_DOUBLE_EQ(form.breited->value(), 1.0);  // 0.5 clamped up
    EXPECT_FALSE(form.init);

    form.sverhCheck->setChecked(false);
    form.breited->setValue(30);
    EXPECT_DOUBLE_EQ(form.hoched->value(), 5.0);
    form.hoched->setValue(7.25);
    EXPECT_DOUBLE_EQ(form.breited->value(), 30.0);
    // Ticking again restores nothing until the next edit.
    form.sverhCheck->setChecked(true);
    EXPECT_DOUBLE_EQ(form.hoched->value(), 7.25);
    form.breited->setValue(3);
    EXPECT_DOUBLE_EQ(form.hoched->value(), 30.0);
}

TEST_F(ComputeForm, TextThatIsNoNumberReadsAsOne) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    form.sverhCheck->setChecked(false);
    for (const char* text : {"abc", "nan", "inf", ""}) {
        type(form.breited, "17");
        type(form.breited, QString::fromLatin1(text));
        EXPECT_DOUBLE_EQ(form.breited->value(), 1.0) << text;
    }
    type(form.hoched, "12,5");
    EXPECT_DOUBLE_EQ(form.hoched->value(), 12.5);
}

TEST_F(ComputeForm, ButtonComputesFromSizeGaugeAndMethod) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    form.sverhCheck->setChecked(false);
    form.breited->setValue(10.5);  // 24.15 stitches
    form.hoched->setValue(12.5);   // 38.75 rows
    form.BitBtn3->click();
    EXPECT_EQ(dibwidth(form.di3), 24);
    EXPECT_EQ(dibheight(form.di3), 38);

    // Grey 128 everywhere: nearest colour makes it all white, dithering mixes.
    setMotif(form, blank24(320, 200, 128));
    form.maschened->setValue(20);
    form.reihened->setValue(20);
    form.breited->setValue(4);
    form.hoched->setValue(2);
    form.NearCheck->setChecked(true);
    form.BitBtn3->click();
    ASSERT_EQ(dibwidth(form.di3), 8);
    ASSERT_EQ(dibheight(form.di3), 4);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(getpixel(form.di3, x, 0), 11u);
    form.FSErrCheck->setChecked(true);
    form.BitBtn3->click();
    EXPECT_EQ(getpixel(form.di3, 0, 0), 11u);
    EXPECT_NE(getpixel(form.di3, 1, 0), 11u);
    EXPECT_EQ(form.StatusPosition, 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ComputeForm, IndexedMotifGoesThroughTheExpansion) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    dib motif{};
    newdib(&motif, 46, 38, 4, nullptr, 0);
    motif.pal.rgb0[3] = PALETTEENTRY{255, 255, 255, 0};
    std::memset(motif.poi, 0x33, motif.pmi->bmiHeader.biSizeImage);
    setpixel(motif, 5, 0, 0);
    setMotif(form, motif);
    form.BitBtn3->click();
    EXPECT_EQ(getpixel(form.di3, 4, 0), 11u);
    EXPECT_EQ(form.di3.pal.rgb0[getpixel(form.di3, 5, 0)].peRed, 0);
    // The wrappers work on the window's own motif and palette.
    dib wide = form.DepthUpTo(24);
    EXPECT_EQ(getpixel(wide, 4, 0), 0xFFFFFFu);
    dib small = form.Resize(wide, 23, 19);
    EXPECT_EQ(dibwidth(small), 23);
    dib grid = form.DepthDownTo(small, 64, 0);
    EXPECT_EQ(getpixel(grid, 0, 0), 11u);
    EXPECT_EQ(form.StatusPosition, 0);
    freedib(grid);
    freedib(small);
    freedib(wide);
}

TEST_F(ComputeForm, RefusalsExplainAndKeepTheGrid) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    form.sverhCheck->setChecked(false);
    const dib before = form.di3;
    const std::size_t blocks = memblock::liveBlocks();
    auto unchanged = [&] {
        EXPECT_EQ(form.di3.poi, before.poi);
        EXPECT_EQ(form.di3.pmi, before.pmi);
        EXPECT_EQ(dibwidth(form.di3), 46);
        EXPECT_EQ(memblock::liveBlocks(), blocks);
        EXPECT_EQ(form.StatusPosition, 0);
    };

    // 4 cm at 2 stitches per 10 cm: 0.8 stitches.
    form.maschened->setValue(2);
    form.breited->setValue(4);
    form.BitBtn3->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QString::fromUtf8("Das Muster hätte keine Maschen oder keine Reihen. Bitte Größe oder "
                                             "Maschenprobe ändern."));
    unchanged();

    // The largest sizes and gauges: 100000 x 100000 stitches.
    form.maschened->setValue(1000);
    form.reihened->setValue(1000);
    form.breited->setValue(1000);
    form.hoched->setValue(1000);
    form.BitBtn3->click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].contains(QString::fromUtf8("100.000 Maschen und 100.000 Reihen ist zu groß")));
    unchanged();

    // A computation that fits but finds no memory.
    form.breited->setValue(20);
    form.hoched->setValue(12.5);
    for (long n = 0; n < 4; ++n) {
        memblock::failAfter(n);
        form.BitBtn3->click();
        memblock::failAfter(-1);
        ASSERT_EQ(messages.size(), 3u + std::size_t(n));
        EXPECT_TRUE(messages.back().contains(QString::fromUtf8("nicht genügend Arbeitsspeicher")));
        unchanged();
    }

    // Depths the loader never delivers are refused, not misread.
    dib deep{};
    newdib(&deep, 40, 40, 32, nullptr, 0);
    setMotif(form, deep);
    form.BitBtn3->click();
    EXPECT_TRUE(messages.back().contains(QString::fromUtf8("Farbtiefe")));
    EXPECT_EQ(form.di3.poi, before.poi);
}
