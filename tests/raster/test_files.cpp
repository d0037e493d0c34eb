// OpenDib / SaveDib: choosing codecs by content, round trips in all eleven
// save formats checked by our reader and by independent decoders, the safe
// replacement of existing files, progress messages, error texts, filters.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "raster/memblock.h"
#include "raster/PixKit3.h"
#include "raster/codecs/codec.h"
#include "support/blockguard.h"
#include "support/bytebuilder.h"
#include "support/refimage.h"

namespace {

// A window that records what the library tells it.
class RecordingWindow : public PlatformWindow {
public:
    void sendMessage(uint32_t msg, uintptr_t wParam, intptr_t) override {
        if (msg == WM_USER) progress.push_back(int(wParam));
    }
    void messageBox(const std::string& text, const std::string& caption) override {
        boxes.push_back(caption + ": " + text);
    }
    std::vector<int> progress;
    std::vector<std::string> boxes;
};

// A fresh folder per test, removed with everything in it.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tricoma-files-XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() {
        chmod(path_.c_str(), 0755);
        for (const auto& n : entries()) std::remove((path_ + "/" + n).c_str());
        rmdir(path_.c_str());
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        if (DIR* d = opendir(path_.c_str())) {
            while (dirent* e = readdir(d))
                if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) out.push_back(e->d_name);
            closedir(d);
        }
        return out;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A small knitting chart: cells of a few yarn colours with one-pixel
// outlines in the inverse colour. Prime sizes catch row padding faults.
dib makeChart(int w = 61, int h = 37) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    const uint32_t yarns[] = {packrgb(200, 30, 40), packrgb(250, 250, 250), packrgb(20, 90, 160),
                              packrgb(240, 200, 0), packrgb(0, 0, 0)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = yarns[((x / 6) * 7 + (y / 5) * 3) % 5];
            if (x % 6 == 0 || y % 5 == 0) c = packrgb(uint8_t(255 - getr(c)), uint8_t(255 - getg(c)), uint8_t(255 - getb(c)));
            setpixel(d, x, y, c);
        }
    return d;
}

// A stitch grid: 8 bits with a palette of 64 yarn colours.
dib makeGrid(int w = 53, int h = 29) {
    BITMAPINFO* info = static_cast<BITMAPINFO*>(std::calloc(1, sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)));
    for (int i = 0; i < 256; ++i)
        info->bmiColors[i] = RGBQUAD{uint8_t(i * 37), uint8_t(i * 91), uint8_t(i * 13), 0};
    dib d{};
    newdib(&d, w, h, 8, info, 256);
    std::free(info);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, uint32_t(10 + (x * 3 + y * 5) % 64));
    return d;
}

// A photo-like gradient with thousands of colours.
dib makePhoto(int w = 67, int h = 41) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, packrgb(uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t((x + y) * 2)));
    return d;
}

struct Format {
    int number;
    const char* ext;
    bool lossless;
    // Command printing a P6 PPM of the file "%s" with a decoder of its own.
    const char* decoder;
};

const Format kFormats[] = {
    {3, "bmp", true, "bmptopnm %s 2>/dev/null | ppmtoppm"},
    {4, "dib", true, "bmptopnm %s 2>/dev/null | ppmtoppm"},
    {5, "gif", true, "giftopnm %s 2>/dev/null | ppmtoppm"},
    {6, "iff", true, "ilbmtoppm %s 2>/dev/null"},
    {7, "jif", false, "jpegtopnm %s 2>/dev/null | ppmtoppm"},
    {8, "jpg", false, "jpegtopnm %s 2>/dev/null | ppmtoppm"},
    {9, "lbm", true, "ilbmtoppm %s 2>/dev/null"},
    {10, "pcx", true, "pcxtoppm %s 2>/dev/null | ppmtoppm"},
    // bmptopnm knows no RLE compression; ImageMagick is told the format, as
    // it would take .rle for another file type.
    {11, "rle", true, "convert bmp:%s ppm:- 2>/dev/null"},
    {12, "tga", true, "tgatoppm %s 2>/dev/null"},
    {13, "tif", true, "tifftopnm %s 2>/dev/null | ppmtoppm"},
};

std::string formatName(const testing::TestParamInfo<Format>& i) { return i.param.ext; }

// Largest and mean per-channel difference.
std::pair<int, double> difference(const refimage::Rgb& a, const refimage::Rgb& b) {
    if (a.w != b.w || a.h != b.h) return {999, 999.0};
    int worst = 0;
    double sum = 0;
    for (size_t i = 0; i < a.px.size(); ++i) {
        int d = std::abs(int(a.px[i]) - int(b.px[i]));
        worst = std::max(worst, d);
        sum += d;
    }
    return {worst, a.px.empty() ? 0.0 : sum / double(a.px.size())};
}

void expectClose(const refimage::Rgb& got, const refimage::Rgb& want, bool lossless, const std::string& what) {
    ASSERT_EQ(got.w, want.w) << what;
    ASSERT_EQ(got.h, want.h) << what;
    if (lossless) {
        EXPECT_EQ(refimage::compare(got, want, 0), "") << what;
    } else {
        // Quality 95 with full-resolution chroma: outlines ring a little,
        // flat cells stay flat (the grid, a new colour in every pixel, is
        // the hard case).
        auto [worst, mean] = difference(got, want);
        EXPECT_LT(mean, 4.0) << what;
        EXPECT_LT(worst, 80) << what;
    }
}

class SaveFormats : public testing::TestWithParam<Format> {};

// Every format: the chart and the stitch grid come back through our own
// reader and through an independent decoder.
TEST_P(SaveFormats, RoundTripsThroughOurReaderAndAnIndependentDecoder) {
    const Format& f = GetParam();
    TempDir dir;
    BlockGuard guard;
    for (int kind = 0; kind < 2; ++kind) {
        dib src = kind == 0 ? makeChart() : makeGrid();
        std::string what = std::string(kind == 0 ? "chart as " : "grid as ") + f.ext;
        std::string name = dir.file(std::string("motif.") + f.ext);
        RecordingWindow win;
        ASSERT_TRUE(SaveDib(src, name.c_str(), f.number, &win)) << what << ": " << (win.boxes.empty() ? "" : win.boxes[0]);
        EXPECT_TRUE(win.boxes.empty());
        refimage::Rgb want = refimage::fromDib(src);

        dib back{};
        OpenDib(&back, name.c_str(), 0, nullptr);
        ASSERT_NE(back.poi, nullptr) << what << ": " << diberrortext(back);
        expectClose(refimage::fromDib(back), want, f.lossless, what + " (our reader)");
        freedib(back);

        char cmd[512];
        std::snprintf(cmd, sizeof cmd, f.decoder, name.c_str());
        std::string tool = std::string(f.decoder).substr(0, std::string(f.decoder).find(' '));
        if (!refimage::haveTool(tool)) {
            freedib(src);
            GTEST_SKIP() << tool << " not installed";
        }
        refimage::Rgb other = refimage::loadPpm(refimage::runCapture(cmd));
        ASSERT_TRUE(other.ok()) << what << ": " << cmd << " could not read the file";
        expectClose(other, want, f.lossless, what + " (" + tool + ")");
        freedib(src);
    }
    EXPECT_EQ(dir.entries().size(), 1u) << "only the saved file stays in the folder";
}

INSTANTIATE_TEST_SUITE_P(All, SaveFormats, testing::ValuesIn(kFormats), formatName);

TEST(SaveDib, ManyColoursAreQuantisedByGifAndRleAndKeptByTheOthers) {
    TempDir dir;
    BlockGuard guard;
    dib photo = makePhoto();
    refimage::Rgb want = refimage::fromDib(photo);
    for (const Format& f : kFormats) {
        std::string name = dir.file(std::string("photo.") + f.ext);
        ASSERT_TRUE(SaveDib(photo, name.c_str(), f.number, nullptr)) << f.ext;
        dib back{};
        OpenDib(&back, name.c_str(), 0, nullptr);
        ASSERT_NE(back.poi, nullptr) << f.ext;
        auto [worst, mean] = difference(refimage::fromDib(back), want);
        bool palette = f.number == 5 || f.number == 11;
        if (palette) {
            EXPECT_EQ(dibbitcount(back), 8) << f.ext;
            EXPECT_LT(mean, 6.0) << f.ext << ": median cut keeps colours close";
        } else if (f.lossless) {
            EXPECT_EQ(worst, 0) << f.ext;
        } else {
            EXPECT_LT(mean, 3.0) << f.ext;
        }
        freedib(back);
    }
    freedib(photo);
}

TEST(SaveDib, WrongFormatNumberWritesNothingAndFails) {
    TempDir dir;
    dib chart = makeChart();
    for (int format : {-1, 0, 1, 2, 15, 99}) {
        RecordingWindow win;
        std::string name = dir.file("chart.bmp");
        EXPECT_FALSE(SaveDib(chart, name.c_str(), format, &win)) << format;
        ASSERT_EQ(win.boxes.size(), 1u);
        EXPECT_NE(win.boxes[0].find(name), std::string::npos) << "names the file";
        EXPECT_NE(win.boxes[0].find("Unbekanntes Dateiformat"), std::string::npos);
        EXPECT_FALSE(SaveDib(chart, name.c_str(), format, nullptr)) << "quiet without a window";
    }
    EXPECT_TRUE(dir.entries().empty());
    freedib(chart);
}

TEST(SaveDib, EmptyImageIsNotWritten) {
    TempDir dir;
    RecordingWindow win;
    EXPECT_FALSE(SaveDib(dib{}, dir.file("x.tif").c_str(), 13, &win));
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_TRUE(dir.entries().empty());
}

// A write that fails half-way (here: the process may not write a file
// larger than 2 KB, as on a full disk) leaves the old file untouched and no
// temporary file behind, and tells the user why in German.
TEST(SaveDib, FailedWriteKeepsTheExistingFileAndLeavesNoTemporary) {
    TempDir dir;
    BlockGuard guard;
    std::string name = dir.file("chart.tif");
    const std::vector<uint8_t> old = {'a', 'l', 't', 'e', 's', ' ', 'B', 'i', 'l', 'd'};
    writeBytes(name, old);
    dib chart = makeChart(401, 301);
    for (const Format& f : kFormats) {
        struct rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = 2048;
        auto oldHandler = signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        RecordingWindow win;
        bool ok = SaveDib(chart, name.c_str(), f.number, &win);
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(ok) << f.ext;
        EXPECT_EQ(refimage::readFile(name), old) << f.ext << ": the old file must survive";
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"chart.tif"}) << f.ext << ": temporary left behind";
        ASSERT_EQ(win.boxes.size(), 1u) << f.ext;
        EXPECT_NE(win.boxes[0].find(name), std::string::npos);
        EXPECT_NE(win.boxes[0].find("konnte nicht gespeichert werden"), std::string::npos) << win.boxes[0];
    }
    freedib(chart);
}

TEST(SaveDib, SuccessReplacesTheFileKeepingItsPermissions) {
    TempDir dir;
    std::string name = dir.file("chart.gif");
    writeBytes(name, {'x'});
    chmod(name.c_str(), 0640);
    dib chart = makeChart();
    ASSERT_TRUE(SaveDib(chart, name.c_str(), 5, nullptr));
    struct stat st {};
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_GT(st.st_size, 100);
    EXPECT_EQ(dir.entries().size(), 1u);
    freedib(chart);
}

TEST(SaveDib, UnwritablePlacesAreReportedWithTheName) {
    TempDir dir;
    dib chart = makeChart();
    const std::string missing = dir.file("no-such-folder/chart.bmp");
    RecordingWindow win;
    EXPECT_FALSE(SaveDib(chart, missing.c_str(), 3, &win));
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_NE(win.boxes[0].find(missing), std::string::npos);
    EXPECT_NE(win.boxes[0].find("Der Ordner existiert nicht"), std::string::npos) << win.boxes[0];

    // A folder of that name is not replaced.
    mkdir(dir.file("taken.bmp").c_str(), 0755);
    win.boxes.clear();
    EXPECT_FALSE(SaveDib(chart, dir.file("taken.bmp").c_str(), 3, &win));
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_NE(win.boxes[0].find("Ordner"), std::string::npos);
    rmdir(dir.file("taken.bmp").c_str());
    EXPECT_TRUE(dir.entries().empty());
    freedib(chart);
}

// ------------------------------------------------------------------ OpenDib

TEST(OpenDib, ChoosesTheCodecByContentNotByName) {
    TempDir dir;
    BlockGuard guard;
    dib chart = makeChart();
    // GIF bytes under a TIFF name, TIFF bytes under a BMP name, ...
    const struct { int format; const char* name; } cases[] = {
        {5, "a.tif"}, {13, "b.bmp"}, {8, "c.png"}, {3, "d.gif"}, {10, "e.jpg"}, {12, "f"}, {6, "g.pcx"}};
    for (const auto& c : cases) {
        std::string name = dir.file(c.name);
        ASSERT_TRUE(SaveDib(chart, name.c_str(), c.format, nullptr));
        dib back{};
        OpenDib(&back, name.c_str(), 0, nullptr);
        EXPECT_NE(back.poi, nullptr) << c.name << ": " << diberrortext(back);
        EXPECT_EQ(dibwidth(back), dibwidth(chart));
        freedib(back);
    }
    freedib(chart);
    std::string png = refimage::testdata("jpeg-decoder/reftest/mozilla/jpg-size-6x6.jpg");
    if (refimage::exists(png)) {
        dib d{};
        OpenDib(&d, png.c_str(), 0, nullptr);
        EXPECT_NE(d.poi, nullptr) << "a PNG named .jpg";
        freedib(d);
    }
}

TEST(OpenDib, FailuresLeaveAnEmptyRecordWithAGermanText) {
    TempDir dir;
    BlockGuard guard;
    writeBytes(dir.file("empty.bmp"), {});
    writeBytes(dir.file("text.jpg"), {'h', 'a', 'l', 'l', 'o', ' ', 'w', 'e', 'l', 't'});
    // A PNG header declaring 70000 x 70000 pixels.
    ByteBuilder big;
    big.bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}).be32(13).str("IHDR").be32(70000).be32(70000).bytes({8, 2, 0, 0, 0});
    big.be32(uint32_t(crc32(crc32(0, nullptr, 0), big.data() + 12, 17)));
    big.be32(0).str("IDAT").be32(uint32_t(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>("IDAT"), 4)));
    writeBytes(dir.file("big.png"), big.v);
    // A GIF that stops inside its header.
    writeBytes(dir.file("cut.gif"), {'G', 'I', 'F', '8', '9', 'a', 10, 0});
    mkdir(dir.file("folder.png").c_str(), 0755);

    const struct { std::string name; const char* text; } cases[] = {
        {dir.file("missing.png"), "Datei kann nicht geöffnet werden"},
        {dir.file("folder.png"), "Datei kann nicht geöffnet werden"},
        {dir.file("empty.bmp"), "Datei ist beschädigt oder unvollständig"},
        {dir.file("text.jpg"), "Unbekanntes Dateiformat"},
        {dir.file("big.png"), "Bild ist zu groß"},
        {dir.file("cut.gif"), "Datei ist beschädigt oder unvollständig"},
    };
    for (const auto& c : cases) {
        dib d{};
        RecordingWindow win;
        OpenDib(&d, c.name.c_str(), 0, &win);
        EXPECT_EQ(d.poi, nullptr) << c.name;
        EXPECT_EQ(d.pmi, nullptr);
        EXPECT_EQ(diberrortext(d), c.text) << c.name;
        EXPECT_GT(diberrortext(d).size(), 5u);
        // The text starts at byte 26 of the 32-bit record, i.e. pal.rgb0.
        EXPECT_STREQ(reinterpret_cast<const char*>(d.pal.rgb0), c.text);
        EXPECT_TRUE(win.boxes.empty()) << "reading never shows a box itself";
        for (int p : win.progress) EXPECT_EQ(p, 0);
        ASSERT_FALSE(win.progress.empty());
    }
    rmdir(dir.file("folder.png").c_str());
    dib d{};
    OpenDib(&d, nullptr, 0, nullptr);
    EXPECT_EQ(d.poi, nullptr);
    EXPECT_GT(diberrortext(d).size(), 5u);
}

TEST(OpenDib, OutOfMemoryIsReportedAndNothingLeaks) {
    TempDir dir;
    dib chart = makeChart();
    std::string name = dir.file("chart.png.tif");
    ASSERT_TRUE(SaveDib(chart, name.c_str(), 13, nullptr));
    freedib(chart);
    BlockGuard guard;
    for (long n = 0; n < 2; ++n) {
        memblock::failAfter(n);
        dib d{};
        OpenDib(&d, name.c_str(), 0, nullptr);
        memblock::failAfter(-1);
        EXPECT_EQ(d.poi, nullptr);
        EXPECT_EQ(diberrortext(d), "Nicht genügend Speicher für das Bild");
    }
}

// 0 first, then rising percentages within 0..100, 100, and 0 at the end.
void expectProgressContract(const std::vector<int>& p, const std::string& what) {
    ASSERT_GE(p.size(), 3u) << what;
    EXPECT_EQ(p.front(), 0) << what;
    EXPECT_EQ(p.back(), 0) << what;
    EXPECT_EQ(p[p.size() - 2], 100) << what;
    for (size_t i = 1; i + 1 < p.size(); ++i) {
        EXPECT_GE(p[i], 0);
        EXPECT_LE(p[i], 100);
        EXPECT_GT(p[i], p[i - 1]) << what << ": progress must rise";
    }
}

TEST(OpenDib, ReportsProgressToTheWindowOnly) {
    TempDir dir;
    BlockGuard guard;
    dib chart = makeChart(97, 211);
    for (const Format& f : kFormats) {
        std::string name = dir.file(std::string("p.") + f.ext);
        ASSERT_TRUE(SaveDib(chart, name.c_str(), f.number, nullptr));
        RecordingWindow win;
        dib d{};
        OpenDib(&d, name.c_str(), 0, &win);
        ASSERT_NE(d.poi, nullptr) << f.ext;
        expectProgressContract(win.progress, f.ext);
        // Readers that go row by row report many steps.
        if (f.number != 7 && f.number != 8) {
            EXPECT_GT(win.progress.size(), 6u) << f.ext;
        }
        freedib(d);
        OpenDib(&d, name.c_str(), 0, nullptr);  // no window: nothing to send to
        EXPECT_NE(d.poi, nullptr);
        freedib(d);
    }
    freedib(chart);
}

// ------------------------------------------------------------------ filters

std::vector<std::string> splitBars(const std::string& s) {
    std::vector<std::string> out;
    std::stringstream in(s);
    std::string item;
    while (std::getline(in, item, '|')) out.push_back(item);
    return out;
}

TEST(Filters, SaveFilterHasTheElevenFormatsInTheirNumberOrder) {
    std::vector<std::string> parts = splitBars(GetDIBSaveFilter());
    // The eleven first, PNG (14) appended after them.
    ASSERT_EQ(parts.size(), 24u);
    EXPECT_EQ(parts[23], "*.png");
    for (size_t i = 0; i < 11; ++i) {
        EXPECT_EQ(parts[2 * i + 1], std::string("*.") + kFormats[i].ext) << "entry " << i + 1;
        EXPECT_EQ(kFormats[i].number, int(i) + 3);
        EXPECT_NE(parts[2 * i].find(kFormats[i].ext), std::string::npos);
    }
    EXPECT_EQ(GetDIBSaveFilter(), GetDIBSaveFilter()) << "one text owned by the library";
}

TEST(Filters, OpenFilterStartsWithAllPicturesAndCoversEveryFamily) {
    std::vector<std::string> parts = splitBars(GetDIBOpenFilter());
    ASSERT_GE(parts.size(), 4u);
    ASSERT_EQ(parts.size() % 2, 0u) << "description and mask pairs";
    EXPECT_EQ(parts[0], "Alle Bilder");
    std::string all = ";" + parts[1] + ";";
    for (size_t i = 3; i < parts.size(); i += 2) {
        std::stringstream masks(parts[i]);
        std::string m;
        while (std::getline(masks, m, ';')) EXPECT_NE(all.find(";" + m + ";"), std::string::npos) << m;
    }
    for (const char* ext : {"bmp", "dib", "rle", "gif", "iff", "lbm", "jpg", "jif", "pcx", "tga", "tif", "png", "webp"})
        EXPECT_NE(all.find(std::string(";*.") + ext + ";"), std::string::npos) << ext;
}

// ------------------------------------------------------------------ halftoning

TEST(Halftone, GivesAnEightBitCopyOnAFixedPalette) {
    BlockGuard guard;
    dib chart = makeChart();
    dib h{};
    DIBHalftoneDIB(&h, chart);
    ASSERT_NE(h.poi, nullptr);
    EXPECT_EQ(dibbitcount(h), 8);
    EXPECT_EQ(dibwidth(h), dibwidth(chart));
    EXPECT_EQ(dibheight(h), dibheight(chart));
    EXPECT_EQ(h.pal.num, 256);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(h.pal.rgb0[i].peRed, h.pmi->bmiColors[i].rgbRed);
        EXPECT_EQ(h.pal.rgb0[i].peBlue, h.pmi->bmiColors[i].rgbBlue);
    }
    // Black and white are on the palette: they come through unchanged.
    refimage::Rgb src = refimage::fromDib(chart), out = refimage::fromDib(h);
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            const uint8_t* s = src.at(x, y);
            bool pure = (s[0] == 0 || s[0] == 255) && (s[1] == 0 || s[1] == 255) && (s[2] == 0 || s[2] == 255);
            if (pure) {
                ASSERT_EQ(std::memcmp(s, out.at(x, y), 3), 0) << x << "," << y;
            }
        }
    deldib(h);
    freedib(chart);
}

TEST(Halftone, DitheringKeepsTheMeanOfFlatAreas) {
    BlockGuard guard;
    const uint32_t colours[] = {packrgb(128, 128, 128), packrgb(200, 30, 40), packrgb(17, 99, 180)};
    for (uint32_t c : colours) {
        dib flat{};
        newdib(&flat, 32, 32, 24, nullptr, 0);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) setpixel(flat, x, y, c);
        dib h{};
        DIBHalftoneDIB(&h, flat);
        ASSERT_NE(h.poi, nullptr);
        refimage::Rgb out = refimage::fromDib(h);
        double sum[3] = {0, 0, 0};
        for (size_t i = 0; i < out.px.size(); ++i) sum[i % 3] += out.px[i];
        const double n = 32 * 32;
        EXPECT_NEAR(sum[0] / n, getr(c), 4.0);
        EXPECT_NEAR(sum[1] / n, getg(c), 4.0);
        EXPECT_NEAR(sum[2] / n, getb(c), 4.0);
        deldib(h);
        freedib(flat);
    }
}

TEST(Halftone, ScaledCopyAveragesWhenShrinkingAndRepeatsWhenEnlarging) {
    BlockGuard guard;
    // Fine black and white stripes average to grey when shrunk 4:1.
    dib stripes{};
    newdib(&stripes, 64, 64, 8, nullptr, 0);
    stripes.pal.rgb0[1] = PALETTEENTRY{255, 255, 255, 0};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) setpixel(stripes, x, y, uint32_t(x & 1));
    dib small{};
    DIBHalftoneDIBXY(&small, stripes, 16, 16);
    ASSERT_NE(small.poi, nullptr);
    EXPECT_EQ(dibwidth(small), 16);
    refimage::Rgb s = refimage::fromDib(small);
    double mean = 0;
    for (uint8_t v : s.px) mean += v;
    mean /= double(s.px.size());
    EXPECT_NEAR(mean, 127.5, 6.0);
    int extremes = 0;
    for (uint8_t v : s.px) extremes += v == 0 || v == 255;
    EXPECT_LT(extremes, int(s.px.size()) / 4) << "greys, not stripes";
    deldib(small);

    dib big{};
    DIBHalftoneDIBXY(&big, stripes, 128, 96);
    ASSERT_NE(big.poi, nullptr);
    EXPECT_EQ(dibwidth(big), 128);
    EXPECT_EQ(dibheight(big), 96);
    refimage::Rgb b = refimage::fromDib(big);
    for (int x = 0; x < 128; ++x) EXPECT_EQ(b.at(x, 50)[0], (x / 2) & 1 ? 255 : 0) << x;
    deldib(big);

    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 4}}) {
        dib none{};
        DIBHalftoneDIBXY(&none, stripes, w, h);
        EXPECT_EQ(none.poi, nullptr);
    }
    dib none{};
    DIBHalftoneDIB(&none, dib{});
    EXPECT_EQ(none.poi, nullptr);
    freedib(stripes);
}

}  // namespace
