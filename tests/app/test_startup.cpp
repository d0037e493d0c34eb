#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTabWidget>

#include "app/TMainForm.h"
#include "platform/controls.h"
#include "raster/memblock.h"
#include "support/blockguard.h"

TEST(ProgramFolder, EndsInOneSeparator) {
    EXPECT_EQ(TMainForm::programFolder("/opt/tricoma/bin/tricoma"), "/opt/tricoma/bin/");
    EXPECT_EQ(TMainForm::programFolder("/tricoma"), "/");
}

TEST(Zweihoch, DoublesInThirtyTwoBits) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    EXPECT_EQ(form.zweihoch(24), 16777216);
    EXPECT_EQ(form.zweihoch(8), 256);
    EXPECT_EQ(form.zweihoch(1), 2);
    EXPECT_EQ(form.zweihoch(0), 1);
    EXPECT_EQ(form.zweihoch(-3), 1);
    EXPECT_EQ(form.zweihoch(31), int32_t(0x80000000u));
    EXPECT_EQ(form.zweihoch(32), 0);
}

TEST(StartUp, FieldsAndImagesAfterCreation) {
    BlockGuard guard;
    TMainForm form("/tmp/x/tricoma");
    EXPECT_EQ(form.progpath, "/tmp/x/");
    EXPECT_EQ(form.windowTitle(), "Ornavo Tricoma 1.0");
    EXPECT_EQ(form.PageControl2->count(), 5);
    EXPECT_EQ(form.PageControl2->currentIndex(), 0);
    EXPECT_EQ(form.Breit->text(), "320 Pixels");
    EXPECT_EQ(form.Hoch->text(), "200 Pixels");
    EXPECT_EQ(form.tief->text(), "16777216");

    ASSERT_TRUE(form.di.poi);
    EXPECT_EQ(dibwidth(form.di), 320);
    EXPECT_EQ(dibheight(form.di), 200);
    EXPECT_EQ(dibbitcount(form.di), 24);
    for (uint32_t i = 0; i < form.di.pmi->bmiHeader.biSizeImage; ++i) ASSERT_EQ(form.di.poi[i], 0xFF);
    ASSERT_TRUE(form.rdi.poi);
    EXPECT_EQ(dibbitcount(form.rdi), 24);
    ASSERT_TRUE(form.di3.poi);
    EXPECT_EQ(dibbitcount(form.di3), 8);

    EXPECT_EQ(form.pal.ver, 0x300);
    EXPECT_EQ(form.pal.num, 64);
    EXPECT_EQ(form.pal.rgb0[0].peRed, 0);
    EXPECT_EQ(form.pal.rgb0[1].peRed, 255);
    EXPECT_EQ(form.pal.rgb0[1].peGreen, 255);
    EXPECT_EQ(form.pal.rgb0[1].peBlue, 255);
    for (int i = 2; i < 256; ++i) {
        const PALETTEENTRY& e = form.pal.rgb0[i];
        ASSERT_EQ(e.peRed | e.peGreen | e.peBlue | e.peFlags, 0) << i;
    }
    EXPECT_FALSE(form.init);
    EXPECT_EQ(form.colornr, 0);
    EXPECT_FALSE(form.ziehen);
    EXPECT_FALSE(form.ziehen2);
}

TEST(Shutdown, ReleasesEveryImage) {
    std::size_t before = memblock::liveBlocks();
    std::size_t bad = memblock::badReleases();
    {
        TMainForm form("/tmp/x/tricoma");
        EXPECT_GT(memblock::liveBlocks(), before);
    }
    EXPECT_EQ(memblock::liveBlocks(), before);
    EXPECT_EQ(memblock::badReleases(), bad);
}

TEST(StartUp, SurvivesImagesWithoutMemory) {
    BlockGuard guard;
    memblock::failAfter(0);
    {
        TMainForm form("/tmp/x/tricoma");
        memblock::failAfter(-1);
        EXPECT_EQ(form.di.poi, nullptr);
        EXPECT_EQ(form.Breit->text(), "0 Pixels");
    }
    memblock::failAfter(-1);
}
