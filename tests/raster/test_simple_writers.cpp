// Writers of the simple formats: every file is read back by our reader and
// by an independent decoder (netpbm), pixel for pixel where lossless, for
// the two kinds of image the program saves (a 24-bit chart and an 8-bit
// stitch grid) and for a photo with more colours than a palette holds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "raster/PixKit3.h"
#include "raster/codecs/bmp.h"
#include "raster/codecs/gif.h"
#include "raster/codecs/iff.h"
#include "raster/codecs/palettize.h"
#include "raster/codecs/pcx.h"
#include "raster/codecs/tga.h"
#include "support/blockguard.h"
#include "support/refimage.h"

using pixkit::Status;

namespace {

// A chart in miniature: cells of a few yarn colours outlined in their
// inverse, odd and prime sizes so row padding shows.
dib makeChart(int w, int h) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    const uint32_t yarn[] = {packrgb(200, 30, 40), packrgb(250, 250, 250), packrgb(20, 90, 160), packrgb(0, 0, 0)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = yarn[((x / 7) + 3 * (y / 5)) % 4];
            if (x % 7 == 0 || y % 5 == 0) c = ~c & 0xFFFFFF;
            setpixel(d, x, y, c);
        }
    return d;
}

// A stitch grid: 8 bits, yarn colour i at index i + 10.
dib makeGrid(int w, int h) {
    dib d{};
    newdib(&d, w, h, 8, nullptr, 0);
    for (int i = 0; i < 256; ++i) {
        uint8_t r = uint8_t(i * 37), g = uint8_t(255 - i), b = uint8_t(i * 11);
        d.pal.rgb0[i] = PALETTEENTRY{r, g, b, 0};
        d.pmi->bmiColors[i] = RGBQUAD{b, g, r, 0};
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, 10 + uint32_t((x * 3 + y * 5) % 40));
    return d;
}

// Smooth colours: thousands of them.
dib makePhoto(int w, int h) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(d, x, y, packrgb(uint8_t(x * 255 / (w - 1)), uint8_t(y * 255 / (h - 1)), uint8_t((x * y) % 256)));
    return d;
}

dib makeSmallPalette(int w, int h, int bits) {
    dib d{};
    newdib(&d, w, h, bits, nullptr, 0);
    int n = 1 << bits;
    for (int i = 0; i < n; ++i) {
        uint8_t v = uint8_t(i * 255 / (n - 1));
        d.pal.rgb0[i] = PALETTEENTRY{v, uint8_t(255 - v), uint8_t(v / 2), 0};
        d.pmi->bmiColors[i] = RGBQUAD{uint8_t(v / 2), uint8_t(255 - v), v, 0};
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, uint32_t((x + 2 * y) % n));
    return d;
}

struct Format {
    const char* name;
    std::function<Status(const dib&, std::FILE*)> write;
    pixkit::Status (*read)(const uint8_t*, std::size_t, dib&, const pixkit::Progress&);
    const char* tool;  // netpbm decoder
};

const Format kFormats[] = {
    {"bmp", [](const dib& d, std::FILE* f) { return pixkit::bmpWrite(d, f, false); }, pixkit::bmpRead, "bmptoppm"},
    {"rle", [](const dib& d, std::FILE* f) { return pixkit::bmpWrite(d, f, true); }, pixkit::bmpRead, "bmptoppm"},
    {"tga", pixkit::tgaWrite, pixkit::tgaRead, "tgatoppm"},
    {"pcx", pixkit::pcxWrite, pixkit::pcxRead, "pcxtoppm"},
    {"iff", pixkit::iffWrite, pixkit::iffRead, "ilbmtoppm"},
};

struct TempFile {
    std::string path;
    TempFile() {
        char buf[] = "/tmp/tricoma-writer-XXXXXX";
        int fd = mkstemp(buf);
        if (fd >= 0) close(fd);
        path = buf;
    }
    ~TempFile() { std::remove(path.c_str()); }
};

std::vector<uint8_t> writeToFile(const Format& fmt, const dib& d, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (!f) return {};
    Status s = fmt.write(d, f);
    std::fclose(f);
    EXPECT_EQ(s, Status::Ok) << fmt.name << ": " << pixkit::statusText(s);
    return refimage::readFile(path);
}

// Largest channel difference, and whether the mean stays small.
int maxDiff(const refimage::Rgb& a, const refimage::Rgb& b) {
    int m = 0;
    for (std::size_t i = 0; i < a.px.size() && i < b.px.size(); ++i) m = std::max(m, std::abs(int(a.px[i]) - int(b.px[i])));
    return m;
}

void checkFormat(const Format& fmt, const dib& d, bool lossless, const char* what) {
    SCOPED_TRACE(std::string(fmt.name) + " of the " + what);
    TempFile tmp;
    std::vector<uint8_t> bytes = writeToFile(fmt, d, tmp.path);
    ASSERT_FALSE(bytes.empty());
    refimage::Rgb want = refimage::fromDib(d);

    dib back{};
    ASSERT_EQ(fmt.read(bytes.data(), bytes.size(), back, {}), Status::Ok);
    refimage::Rgb got = refimage::fromDib(back);
    if (lossless) {
        EXPECT_EQ(refimage::compare(got, want), "");
    } else {
        EXPECT_EQ(refimage::compare(got, want, 64), "");
        EXPECT_LE(dibbitcount(back), 8);
    }
    freedib(back);

    if (!refimage::haveTool(fmt.tool)) {
        std::printf("  (%s missing: independent check of %s skipped)\n", fmt.tool, fmt.name);
        return;
    }
    refimage::Rgb ext = refimage::loadPpm(refimage::runCapture(std::string(fmt.tool) + " " + tmp.path + " 2>/dev/null"));
    ASSERT_TRUE(ext.ok()) << fmt.tool << " could not read our file";
    if (lossless) EXPECT_EQ(refimage::compare(ext, want), "") << fmt.tool;
    else EXPECT_LE(maxDiff(ext, want), 64) << fmt.tool;
}

TEST(SimpleWriters, ChartIsWrittenLosslesslyByEveryFormat) {
    BlockGuard guard;
    dib chart = makeChart(37, 23);
    for (const Format& fmt : kFormats) checkFormat(fmt, chart, true, "chart");
    freedib(chart);
}

TEST(SimpleWriters, StitchGridIsWrittenLosslesslyByEveryFormat) {
    BlockGuard guard;
    dib grid = makeGrid(29, 17);
    for (const Format& fmt : kFormats) checkFormat(fmt, grid, true, "stitch grid");
    freedib(grid);
}

TEST(SimpleWriters, OneAndFourBitImagesKeepTheirColours) {
    BlockGuard guard;
    for (int bits : {1, 4}) {
        dib d = makeSmallPalette(13, 7, bits);
        for (const Format& fmt : kFormats) checkFormat(fmt, d, true, bits == 1 ? "1-bit image" : "4-bit image");
        freedib(d);
    }
}

TEST(SimpleWriters, PhotoIsQuantisedOnlyByRle) {
    BlockGuard guard;
    dib photo = makePhoto(61, 41);
    for (const Format& fmt : kFormats) checkFormat(fmt, photo, std::string(fmt.name) != "rle", "photo");
    freedib(photo);
}

TEST(SimpleWriters, WideImagesNeedNoRunLongerThanTheFormatAllows) {
    // One colour over many pixels: runs must be split at each format's limit.
    BlockGuard guard;
    dib d{};
    newdib(&d, 1001, 3, 24, nullptr, 0);
    std::memset(d.poi, 0x5A, std::size_t(d.bytew) * 3);
    for (const Format& fmt : kFormats) checkFormat(fmt, d, true, "single-colour image");
    freedib(d);
}

TEST(SimpleWriters, FailedWriteIsReported) {
    BlockGuard guard;
    dib chart = makeChart(20, 10);
    for (const Format& fmt : kFormats) {
        std::FILE* f = std::fopen("/dev/full", "wb");
        if (!f) GTEST_SKIP() << "no /dev/full";
        setvbuf(f, nullptr, _IONBF, 0);
        EXPECT_NE(fmt.write(chart, f), Status::Ok) << fmt.name;
        std::fclose(f);
    }
    dib empty{};
    for (const Format& fmt : kFormats) EXPECT_NE(fmt.write(empty, stdout), Status::Ok) << fmt.name;
    freedib(chart);
}

TEST(Palettizer, ChartColoursAreExactInOrderOfAppearance) {
    BlockGuard guard;
    dib chart = makeChart(37, 23);
    pixkit::Palettizer p;
    ASSERT_TRUE(p.buildExact(chart, 256));
    EXPECT_EQ(p.count(), 8);  // four yarns and their inverses
    uint32_t first = getpixel(chart, 0, 0);
    EXPECT_EQ(p.colours()[0], (pixkit::Rgb{getr(first), getg(first), getb(first)}));
    std::vector<uint8_t> idx(37);
    for (int y = 0; y < 23; ++y) {
        p.mapRow(chart, y, idx.data());
        for (int x = 0; x < 37; ++x) {
            uint32_t c = getpixel(chart, x, y);
            EXPECT_EQ(p.colours()[idx[x]], (pixkit::Rgb{getr(c), getg(c), getb(c)}));
        }
    }
    EXPECT_FALSE(p.buildExact(chart, 7)) << "8 colours do not fit in 7";
    freedib(chart);
}

TEST(Palettizer, ManyColoursAreReducedToAtMost256Close) {
    BlockGuard guard;
    dib photo = makePhoto(61, 41);
    pixkit::Palettizer p;
    EXPECT_FALSE(p.buildExact(photo, 256));
    p.buildQuantized(photo, 256);
    EXPECT_FALSE(p.exact());
    EXPECT_GT(p.count(), 64);
    EXPECT_LE(p.count(), 256);
    std::vector<uint8_t> idx(61);
    double err = 0;
    for (int y = 0; y < 41; ++y) {
        p.mapRow(photo, y, idx.data());
        for (int x = 0; x < 61; ++x) {
            uint32_t c = getpixel(photo, x, y);
            const pixkit::Rgb& q = p.colours()[idx[x]];
            err += std::abs(q.r - getr(c)) + std::abs(q.g - getg(c)) + std::abs(q.b - getb(c));
        }
    }
    EXPECT_LT(err / (61 * 41 * 3), 12.0) << "mean error per channel";
    freedib(photo);
}

// The bytes each writer produced before its encoders were reworked for
// speed, as FNV-1a hashes: files must not change by a single byte.
uint64_t fnv1a(const std::vector<uint8_t>& v) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : v) h = (h ^ b) * 1099511628211ull;
    return h;
}

// Runs of 1 to 4 and now and then 300 pixels in `colours` colours, so that
// literal stretches, short and over-long runs all occur.
dib makeSpeckled(int w, int h, int colours) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    uint32_t s = 12345, c = 0;
    int left = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (left-- <= 0) {
                s = s * 1103515245u + 12345u;
                left = (s >> 16) % 23 == 0 ? 300 : int((s >> 20) % 4);
                c = (s >> 8) % uint32_t(colours);
            }
            setpixel(d, x, y, packrgb(uint8_t(c * 41), uint8_t(c * 97), uint8_t(255 - c)));
        }
    return d;
}

TEST(SimpleWriters, OutputBytesAreUnchanged) {
    BlockGuard guard;
    struct Picture {
        const char* name;
        dib d;
    } pictures[] = {
        {"chart", makeChart(301, 47)},        {"grid", makeGrid(29, 17)},
        {"1-bit", makeSmallPalette(13, 7, 1)}, {"4-bit", makeSmallPalette(13, 7, 4)},
        {"photo", makePhoto(61, 41)},         {"speckled", makeSpeckled(517, 61, 5)},
        {"speckled-200", makeSpeckled(263, 611, 200)},
    };
    Format gif{"gif", pixkit::gifWrite, nullptr, nullptr};
    std::vector<const Format*> formats;
    for (const Format& f : kFormats) formats.push_back(&f);
    formats.push_back(&gif);
    // One row per picture, one column per format (bmp rle tga pcx iff gif).
    const uint64_t want[][6] = {
        {0xc01c98075fda7c0aull, 0x673308d43c0e096cull, 0x0c82bbdb79ff07bdull, 0x9f6da8e542fdfe80ull, 0x95daea675da0afa9ull, 0xa75bf68291a52d79ull},
        {0x476bc44fa87d795eull, 0xc69e054330198acbull, 0x21574dbf93996113ull, 0x04960365e62837c7ull, 0x3bed18a8b71e97a5ull, 0xde740c1ea9cf0967ull},
        {0x6cf2ace2e51de1eeull, 0xc23f8841ea66ca6bull, 0xa8dbe99b9077102dull, 0xeb136248a9187103ull, 0x0d1658bd0dd58da8ull, 0xd4492f5b1a5d8919ull},
        {0xed7940cda4e9d255ull, 0xdbaf65a8325c9746ull, 0x07a6f200a3e0971cull, 0x9ef4e673eeaa5047ull, 0xadfa01dbab835da5ull, 0x1662634635d7f669ull},
        {0xa81d39a90d4e6c8aull, 0xc000d29d670ca04eull, 0x57a97a8692b3f4a3ull, 0xb5bc19a7d5dd20abull, 0xb624f35619107a68ull, 0x3324dde208486f0cull},
        {0x1e83f878b43cedfdull, 0x2bafa755aa94ca47ull, 0x7e250ef04b451875ull, 0xf1e59a725ea77ab8ull, 0xc8d50fdf52753740ull, 0xc3e48f326feb9897ull},
        {0xc6e18546e3b60913ull, 0x5845549293532237ull, 0x7b3465f2590f29d0ull, 0x81327c6760e175f4ull, 0x82774636e2a1e459ull, 0xb627f8c4194d9877ull},
    };
    TempFile tmp;
    for (std::size_t p = 0; p < std::size(pictures); ++p) {
        for (std::size_t f = 0; f < formats.size(); ++f) {
            uint64_t got = fnv1a(writeToFile(*formats[f], pictures[p].d, tmp.path));
            EXPECT_EQ(got, want[p][f]) << formats[f]->name << " of the " << pictures[p].name;
        }
        freedib(pictures[p].d);
    }
}

}  // namespace
