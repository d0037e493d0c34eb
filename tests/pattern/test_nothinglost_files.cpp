// Nothing lost in pattern and palette files: full disks keep the old file,
// large patterns open again, and what no pattern can be is refused.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "pattern/patternfile.h"
#include "pattern/yarnfile.h"
#include "pattern_helpers.h"
#include "raster/codecs/png.h"
#include "support/blockguard.h"
#include "support/fulldisk.h"

using namespace pattern;

namespace {

dib stripes(int w, int h) {
    dib grid{};
    newdib(&grid, w, h, 8, nullptr, 0);
    for (int i = 0; i < 256; ++i) grid.pal.rgb0[i] = PALETTEENTRY{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) grid.poi[int64_t(y) * grid.bytew + x] = uint8_t(10 + (x / 7 + y * 3) % 64);
    return grid;
}

// A picture with the pattern's text chunks, as another program would save it.
QImage withTexts(QImage image) {
    for (auto [k, v] : {std::pair{"Tricoma Maschen je 10 cm", "23"}, {"Tricoma Reihen je 10 cm", "31"},
                        {"Tricoma Breite cm", "20"}, {"Tricoma Hoehe cm", "20"}})
        image.setText(k, v);
    return image;
}

int pngBitDepth(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray head = f.read(25);
    return head.size() == 25 ? uint8_t(head[24]) : -1;
}

}  // namespace

TEST(NothingLostFiles, PatternAndPaletteKeepTheOldFileOnAFullDisk) {
    BlockGuard guard;
    dib grid = stripes(211, 173);
    const PatternInfo info{23, 31, 20, 20};
    QTemporaryDir dir;
    const QString probe = dir.filePath("probe");
    ASSERT_EQ(savePattern(probe, grid, info), PatternFileStatus::Ok);
    fulldisk::expectNothingLost(
        [&](const std::string& path, std::string& reason) {
            QString why;
            const bool ok = savePattern(QString::fromStdString(path), grid, info, &why) == PatternFileStatus::Ok;
            reason = why.toStdString();
            return ok;
        },
        "Muster", QFileInfo(probe).size());

    const LPAL yarns = testimg::defaultYarns();
    ASSERT_EQ(saveYarnFile(probe, yarns).status, YarnFileStatus::Ok);
    fulldisk::expectNothingLost(
        [&](const std::string& path, std::string& reason) {
            const YarnFileResult r = saveYarnFile(QString::fromStdString(path), yarns);
            reason = r.reason.toStdString();
            return r.status == YarnFileStatus::Ok;
        },
        "Palette", QFileInfo(probe).size());
    freedib(grid);
}

TEST(NothingLostFiles, APatternOfSixThousandSquaredSavesAndOpens) {
    BlockGuard guard;
    QTemporaryDir dir;
    const QString path = dir.filePath("gross.png");
    dib grid = stripes(6000, 6000);  // 36,000,000 stitches
    ASSERT_EQ(savePattern(path, grid, PatternInfo{60, 60, 1000, 1000}), PatternFileStatus::Ok);
    dib back{};
    PatternInfo got;
    ASSERT_EQ(loadPattern(path, back, got), PatternFileStatus::Ok);
    ASSERT_EQ(dibwidth(back), 6000);
    ASSERT_EQ(dibheight(back), 6000);
    EXPECT_EQ(std::memcmp(back.poi, grid.poi, size_t(grid.bytew) * 6000), 0);
    EXPECT_EQ(got.maschen, 60);
    freedib(back);
    freedib(grid);
}

TEST(NothingLostFiles, ShortPalettesAreRefusedAndSmallDepthsRead) {
    BlockGuard guard;
    QTemporaryDir dir;
    // 20 colours, but a stitch names index 200: no yarn can be meant.
    QImage shortTable(9, 5, QImage::Format_Indexed8);
    QList<QRgb> twenty;
    for (int i = 0; i < 20; ++i) twenty << qRgb(i * 10, 0, 0);
    shortTable.setColorTable(twenty);
    shortTable.fill(3);
    shortTable.scanLine(2)[4] = 200;
    ASSERT_TRUE(withTexts(shortTable).save(dir.filePath("short.png")));
    dib grid{};
    PatternInfo info{1, 2, 3, 4};
    EXPECT_EQ(loadPattern(dir.filePath("short.png"), grid, info), PatternFileStatus::ShortPalette);
    EXPECT_EQ(grid.poi, nullptr);
    EXPECT_EQ(info.maschen, 1);

    // Re-saved by a program that packs few colours tightly: 1 and 4 bits.
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"Tricoma Maschen je 10 cm", "23"}, {"Tricoma Reihen je 10 cm", "31"},
        {"Tricoma Breite cm", "20"}, {"Tricoma Hoehe cm", "20"}};
    for (int bits : {1, 4}) {
        const int colours = 1 << bits;
        dib small{};
        newdib(&small, 13, 6, bits, nullptr, 0);
        for (int i = 0; i < colours; ++i) small.pal.rgb0[i] = PALETTEENTRY{uint8_t(255 - i * 15), uint8_t(i * 15), 7, 0};
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 13; ++x) setpixel(small, x, y, uint32_t((x + y) % colours));
        const QString path = dir.filePath(QStringLiteral("klein%1.png").arg(bits));
        const pixkit::SaveResult saved = pixkit::saveFileVia(
            path.toStdString(), [&](std::FILE* f) { return pixkit::pngWriteWithTexts(small, f, texts); });
        freedib(small);
        ASSERT_TRUE(saved.ok);
        ASSERT_EQ(pngBitDepth(path), bits);
        ASSERT_EQ(loadPattern(path, grid, info), PatternFileStatus::Ok) << bits;
        EXPECT_EQ(info.maschen, 23);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 13; ++x) EXPECT_EQ(getpixel(grid, x, y), uint32_t((x + y) % colours)) << x << "," << y;
        EXPECT_EQ(grid.pal.rgb0[1].peGreen, 15);
        EXPECT_EQ(grid.pal.rgb0[200].peRed, 255) << "a missing entry shows entry 0";
        freedib(grid);
    }
}

TEST(NothingLostFiles, PaletteFilesWithOldLineEndsOrThatAreNoFileAreTold) {
    QTemporaryDir dir;
    const QString cr = dir.filePath("mac.gpl");
    QFile f(cr);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("GIMP Palette\rName: alt\r# Mac\r 12  34  56 eins\r255 0 0\r");
    f.close();
    LPAL yarns = testimg::defaultYarns();
    ASSERT_EQ(loadYarnFile(cr, yarns).status, YarnFileStatus::Ok);
    EXPECT_EQ(packrgb(yarns.rgb0[0].peRed, yarns.rgb0[0].peGreen, yarns.rgb0[0].peBlue), packrgb(12, 34, 56));
    EXPECT_EQ(yarns.rgb0[1].peRed, 255);

    // A pipe under a palette's name must not wait for a writer.
    const QString fifo = dir.filePath("pipe.gpl");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(loadYarnFile(fifo, yarns).status, YarnFileStatus::NotAFile);
    EXPECT_EQ(loadYarnFile(dir.path(), yarns).status, YarnFileStatus::NotAFile);
    const YarnFileResult missing = loadYarnFile(dir.filePath("fehlt.gpl"), yarns);
    EXPECT_EQ(missing.status, YarnFileStatus::CannotRead);
    EXPECT_FALSE(missing.reason.isEmpty());
}
