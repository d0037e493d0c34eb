// Yarn palette files (.gpl): round trip and files that are refused.
#include <gtest/gtest.h>

#include <cstring>

#include <QFile>
#include <QTemporaryDir>

#include "pattern/yarnfile.h"
#include "pattern_helpers.h"

using namespace pattern;

namespace {

void write(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

}  // namespace

TEST(YarnFile, RoundTripAndForeignButValidFiles) {
    QTemporaryDir dir;
    LPAL yarns = testimg::defaultYarns();
    for (int i = 0; i < 64; ++i) yarns.rgb0[i] = PALETTEENTRY{uint8_t(i * 4), uint8_t(255 - i), uint8_t(i * 3), uint8_t(i)};
    const QString path = dir.filePath("garn.gpl");
    ASSERT_EQ(saveYarnFile(path, yarns).status, YarnFileStatus::Ok);
    LPAL back = testimg::defaultYarns();
    for (int i = 0; i < 64; ++i) back.rgb0[i].peFlags = uint8_t(i);
    ASSERT_EQ(loadYarnFile(path, back).status, YarnFileStatus::Ok);
    EXPECT_EQ(std::memcmp(&back, &yarns, sizeof yarns), 0);

    // As other programs write them: CRLF, a BOM, comments, names with
    // spaces, tabs, fewer colours than yarns.
    write(path, "\xEF\xBB\xBFGIMP Palette\r\nName: Herbst\r\nColumns: 4\r\n# a comment\r\n\r\n"
                "255   0   0\tKr" "\xC3\xA4" "ftiges Rot\r\n  0 128 255 Blau\r\n");
    LPAL some = testimg::defaultYarns();
    ASSERT_EQ(loadYarnFile(path, some).status, YarnFileStatus::Ok);
    EXPECT_EQ(packrgb(some.rgb0[0].peRed, some.rgb0[0].peGreen, some.rgb0[0].peBlue), packrgb(255, 0, 0));
    EXPECT_EQ(packrgb(some.rgb0[1].peRed, some.rgb0[1].peGreen, some.rgb0[1].peBlue), packrgb(0, 128, 255));
    EXPECT_EQ(packrgb(some.rgb0[63].peRed, some.rgb0[63].peGreen, some.rgb0[63].peBlue), packrgb(255, 0, 0));
}

TEST(YarnFile, BrokenFilesChangeNothing) {
    QTemporaryDir dir;
    QByteArray tooMany = "GIMP Palette\n";
    for (int i = 0; i < 65; ++i) tooMany += "1 2 3\n";
    const struct {
        const char* name;
        QByteArray text;
        YarnFileStatus status;
        int line;
    } cases[] = {
        {"empty", "", YarnFileStatus::NotAPalette, 1},
        {"no header", "255 0 0\n", YarnFileStatus::NotAPalette, 1},
        {"png", "\x89PNG\r\n\x1a\n", YarnFileStatus::NotAPalette, 1},
        {"value 256", "GIMP Palette\n0 0 0\n10 256 0\n", YarnFileStatus::BadLine, 3},
        {"negative", "GIMP Palette\n-1 0 0\n", YarnFileStatus::BadLine, 2},
        {"two values", "GIMP Palette\n10 20\n", YarnFileStatus::BadLine, 2},
        {"words", "GIMP Palette\nrot gruen blau\n", YarnFileStatus::BadLine, 2},
        {"no colours", "GIMP Palette\nName: leer\n# nichts\n", YarnFileStatus::NoColours, 0},
        {"65 colours", tooMany, YarnFileStatus::TooManyColours, 66},
        {"too large", QByteArray("GIMP Palette\n") + QByteArray(kYarnFileMaxBytes, '#'), YarnFileStatus::TooLarge, 0},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + ".gpl");
        write(path, c.text);
        LPAL yarns = testimg::defaultYarns();
        const LPAL before = yarns;
        const YarnFileResult r = loadYarnFile(path, yarns);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.line, c.line) << c.name;
        EXPECT_EQ(std::memcmp(&yarns, &before, sizeof yarns), 0) << c.name;
    }
    LPAL yarns = testimg::defaultYarns();
    EXPECT_EQ(loadYarnFile(dir.filePath("missing.gpl"), yarns).status, YarnFileStatus::CannotRead);
    EXPECT_EQ(saveYarnFile(dir.filePath("no/such/folder/x.gpl"), yarns).status, YarnFileStatus::CannotWrite);
}
