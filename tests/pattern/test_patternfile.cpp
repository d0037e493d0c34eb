// Pattern files: grid, yarns, gauge and size in one indexed PNG.
#include <gtest/gtest.h>

#include <cstring>

#include <QImage>
#include <QTemporaryDir>

#include "pattern/depthdown.h"
#include "pattern/patternfile.h"
#include "pattern_helpers.h"
#include "support/blockguard.h"

using namespace pattern;

TEST(PatternFile, RoundTripRestoresGridYarnsGaugeAndSizeExactly) {
    BlockGuard guard;
    QTemporaryDir dir;
    LPAL yarns = testimg::defaultYarns();
    for (int i = 0; i < 64; ++i) yarns.rgb0[i] = PALETTEENTRY{uint8_t(i * 4), uint8_t(i * 2 + 1), uint8_t(255 - i), 0};
    dib src = testimg::make24(13, 7, [](int x, int y) { return packrgb(uint8_t(x * 19), uint8_t(y * 37), 90); });
    dib grid = DepthDownTo(src, yarns, 64, 1);
    grid.poi[0] = 73;  // a post-edit: yarn 63, bottom-left
    const PatternInfo info{27, 35, 12.34, 987.65};
    const QString path = dir.filePath("muster.png");
    ASSERT_EQ(savePattern(path, grid, info), PatternFileStatus::Ok);

    // Any viewer shows it: an indexed picture with the yarn colours.
    const QImage seen(path);
    EXPECT_EQ(seen.format(), QImage::Format_Indexed8);
    EXPECT_EQ(seen.pixelIndex(0, 6), 73);

    dib back{};
    PatternInfo got;
    ASSERT_EQ(loadPattern(path, back, got), PatternFileStatus::Ok);
    ASSERT_EQ(dibwidth(back), 13);
    ASSERT_EQ(dibheight(back), 7);
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(std::memcmp(back.poi + y * back.bytew, grid.poi + y * grid.bytew, 13), 0) << y;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(back.pal.rgb0[i].peRed, grid.pal.rgb0[i].peRed) << i;
        EXPECT_EQ(back.pal.rgb0[i].peBlue, grid.pal.rgb0[i].peBlue) << i;
        EXPECT_EQ(back.pmi->bmiColors[i].rgbGreen, grid.pal.rgb0[i].peGreen) << i;
    }
    EXPECT_EQ(got.maschen, 27);
    EXPECT_EQ(got.reihen, 35);
    EXPECT_EQ(got.breite, 12.34);
    EXPECT_EQ(got.hoch, 987.65);
    LPAL restored = testimg::defaultYarns();
    yarnsOfGrid(back, restored);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(std::memcmp(&restored.rgb0[i], &yarns.rgb0[i], 3), 0) << i;
    freedib(back);
    freedib(grid);
    freedib(src);
}

TEST(PatternFile, WhatIsNoPatternIsRefusedAndChangesNothing) {
    BlockGuard guard;
    QTemporaryDir dir;
    QImage plain(4, 4, QImage::Format_Indexed8);
    plain.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    plain.fill(1);
    ASSERT_TRUE(plain.save(dir.filePath("plain.png")));
    QImage badGauge = plain;
    for (auto [k, v] : {std::pair{"Tricoma Maschen je 10 cm", "0"}, {"Tricoma Reihen je 10 cm", "31"},
                        {"Tricoma Breite cm", "20"}, {"Tricoma Hoehe cm", "20"}})
        badGauge.setText(k, v);
    ASSERT_TRUE(badGauge.save(dir.filePath("gauge.png")));
    QImage rgb = badGauge.convertToFormat(QImage::Format_RGB32);
    rgb.setText("Tricoma Maschen je 10 cm", "23");
    ASSERT_TRUE(rgb.save(dir.filePath("rgb.png")));
    const struct {
        const char* file;
        PatternFileStatus status;
    } cases[] = {{"missing.png", PatternFileStatus::CannotRead},
                 {"plain.png", PatternFileStatus::NotAPattern},
                 {"gauge.png", PatternFileStatus::BadValues},
                 {"rgb.png", PatternFileStatus::NotAPattern}};
    for (const auto& c : cases) {
        dib grid{};
        PatternInfo info{1, 2, 3, 4};
        EXPECT_EQ(loadPattern(dir.filePath(c.file), grid, info), c.status) << c.file;
        EXPECT_EQ(grid.poi, nullptr) << c.file;
        EXPECT_EQ(info.maschen, 1) << c.file;
    }
    EXPECT_EQ(savePattern(dir.filePath("x.png"), dib{}, PatternInfo{}), PatternFileStatus::NoGrid);
}
