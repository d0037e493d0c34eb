// The format table: the texts and numbers derived from it are what the
// program and its saved settings rely on, so they are pinned here literally.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "raster/PixKit3.h"
#include "raster/formats.h"

namespace {

TEST(FormatTable, FilterTextsStayByteForByte) {
    EXPECT_STREQ(GetDIBOpenFilter(),
                 "Alle Bilder|*.bmp;*.dib;*.rle;*.gif;*.iff;*.lbm;*.jpg;*.jpeg;*.jpe;*.jif;*.pcx;*.tga;*.tif;*.tiff;"
                 "*.png;*.webp|"
                 "Windows Bitmap (*.bmp;*.dib;*.rle)|*.bmp;*.dib;*.rle|"
                 "CompuServe GIF (*.gif)|*.gif|"
                 "Amiga IFF / Deluxe Paint (*.iff;*.lbm)|*.iff;*.lbm|"
                 "JPEG (*.jpg;*.jpeg;*.jpe;*.jif)|*.jpg;*.jpeg;*.jpe;*.jif|"
                 "ZSoft PCX (*.pcx)|*.pcx|"
                 "Truevision Targa (*.tga)|*.tga|"
                 "TIFF (*.tif;*.tiff)|*.tif;*.tiff|"
                 "Portable Network Graphics (*.png)|*.png|"
                 "WebP (*.webp)|*.webp");
    EXPECT_STREQ(GetDIBSaveFilter(),
                 "Windows Bitmap (*.bmp)|*.bmp|Device Independent Bitmap (*.dib)|*.dib|"
                 "CompuServe GIF (*.gif)|*.gif|Amiga IFF (*.iff)|*.iff|JPEG (*.jif)|*.jif|"
                 "JPEG (*.jpg)|*.jpg|Deluxe Paint LBM (*.lbm)|*.lbm|ZSoft PCX (*.pcx)|*.pcx|"
                 "RLE Bitmap (*.rle)|*.rle|Truevision Targa (*.tga)|*.tga|TIFF (*.tif)|*.tif|"
                 "Portable Network Graphics (*.png)|*.png");
}

// Name of the row whose reader claims `bytes` first, as OpenDib picks it.
std::string readerOf(const std::vector<uint8_t>& bytes) {
    for (const pixkit::Format* f : pixkit::probeOrder())
        if (f->probe(bytes.data(), bytes.size())) return f->name;
    return "-";
}

TEST(FormatTable, EverySaveIndexKeepsItsNumberExtensionAndWriter) {
    struct Case {
        const char* ext;
        const char* family;  // whose reader recognises the written bytes
        int bmpCompression;  // BMP family: 0 plain, 1 RLE8
    } cases[] = {
        {".bmp", "Windows Bitmap", 0}, {".dib", "Windows Bitmap", 0},  {".gif", "CompuServe GIF", -1},
        {".iff", "Amiga IFF / Deluxe Paint", -1}, {".jif", "JPEG", -1}, {".jpg", "JPEG", -1},
        {".lbm", "Amiga IFF / Deluxe Paint", -1}, {".pcx", "ZSoft PCX", -1}, {".rle", "Windows Bitmap", 1},
        {".tga", "Truevision Targa", -1},         {".tif", "TIFF", -1},
        {".png", "Portable Network Graphics", -1},
    };
    const auto saves = pixkit::saveFormats();
    ASSERT_EQ(saves.size(), std::size(cases));
    EXPECT_EQ(pixkit::findSaveFormat(2), nullptr);
    EXPECT_EQ(pixkit::findSaveFormat(15), nullptr);

    dib image{};
    newdib(&image, 6, 5, 24, nullptr, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) setpixel(image, x, y, packrgb(40 * x, 50 * y, 200));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const int number = int(i) + 3;  // filter index i + 1
        EXPECT_EQ(saves[i].number, number) << c.ext;
        EXPECT_STREQ(saves[i].dotted, c.ext);
        ASSERT_EQ(pixkit::findSaveFormat(number), &saves[i]) << c.ext;

        std::FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(saves[i].write(image, f), pixkit::Status::Ok) << c.ext;
        std::vector<uint8_t> bytes(size_t(std::ftell(f)));
        std::rewind(f);
        ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
        EXPECT_EQ(readerOf(bytes), c.family) << c.ext;
        if (c.bmpCompression >= 0) {
            ASSERT_GT(bytes.size(), 34u);
            EXPECT_EQ(bytes[30], c.bmpCompression) << c.ext;
        }
    }
    freedib(image);
}

TEST(FormatTable, EveryExtensionIsReadableOnceAndTheProbeOrderHolds) {
    const std::string open = GetDIBOpenFilter();
    // The first filter's pattern list, between its text and the next '|'.
    const std::size_t patterns = open.find('|');
    ASSERT_NE(patterns, std::string::npos) << open;
    const std::size_t end = open.find('|', patterns + 1);
    ASSERT_NE(end, std::string::npos) << open;
    // Appended, not ";" + substr(): GCC 12 at -O3 sees a false overlap in
    // operator+(const char*, string&&) (-Wrestrict).
    std::string all = ";";
    all.append(open, patterns + 1, end - patterns - 1).append(";");
    std::set<std::string> seen;
    for (const pixkit::Format& f : pixkit::formats()) {
        EXPECT_TRUE(f.probe && f.read) << f.name;
        ASSERT_GT(f.extensionCount(), 0) << f.name;
        for (int i = 0; i < f.extensionCount(); ++i) {
            const std::string ext = f.exts[i].dotted;
            EXPECT_TRUE(seen.insert(ext).second) << ext << " in two rows";
            EXPECT_NE(all.find(";*" + ext + ";"), std::string::npos) << ext;
            const pixkit::SaveAs& s = f.exts[i].save;
            EXPECT_EQ(s.number != 0, s.text != nullptr && s.write != nullptr) << ext;
        }
    }
    std::vector<std::string> order;
    for (const pixkit::Format* f : pixkit::probeOrder()) order.push_back(f->name);
    // Strong signatures first; a TGA header proves nothing, so it is last.
    const std::vector<std::string> expected = {
        "Portable Network Graphics", "CompuServe GIF", "JPEG",      "TIFF",             "WebP",
        "Amiga IFF / Deluxe Paint",  "Windows Bitmap", "ZSoft PCX", "Truevision Targa",
    };
    EXPECT_EQ(order, expected);
}

}  // namespace
