// Families of valid pictures the readers show instead of refusing: TIFF of
// any sample depth and layout, the first frame of an animated WebP, the
// first page of a DCX, ILBM with CMYK colours, and PNG cut short.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>

#include "raster/PixKit3.h"
#include "raster/codecs/gif.h"
#include "raster/codecs/iff.h"
#include "raster/codecs/pcx.h"
#include "raster/codecs/png.h"
#include "raster/codecs/tiff.h"
#include "raster/codecs/webp.h"
#include "raster/limits.h"
#include "raster/memblock.h"
#include "support/blockguard.h"
#include "support/bytebuilder.h"

using pixkit::Status;

namespace {

struct Rgb {
    int r, g, b;
};

Rgb rgbAt(const dib& d, int x, int y) {
    uint32_t c = getpixel(d, x, y);
    if (dibbitcount(d) <= 8) {
        const PALETTEENTRY& e = d.pal.rgb0[c];
        return {e.peRed, e.peGreen, e.peBlue};
    }
    return {int(getr(c)), int(getg(c)), int(getb(c))};
}

// Colours of a 4 x 2 test page as fractions of full scale.
constexpr double kPage[8][3] = {{1, 1, 1},         {0, 0, 0},         {1, 0, 0}, {0, 1.0 / 3, 2.0 / 3},
                                {2.0 / 3, 1.0 / 3, 0}, {1, 1, 0}, {0, 0, 1}, {1.0 / 3, 1.0 / 3, 1.0 / 3}};

struct TiffCase {
    const char* name;
    uint16_t photometric, bits, format, planar;
    bool tiled;
    bool alpha;  // one unassociated alpha sample after the colours
};

uint16_t toHalf(double f) {
    // Values 0..1 only: exponent and 10 mantissa bits.
    if (f <= 0) return 0;
    int e = 0;
    double m = std::frexp(f, &e);  // f = m * 2^e, m in [0.5, 1)
    return uint16_t(((e + 14) << 10) | (int(std::lround((m * 2 - 1) * 1024)) & 0x3FF));
}

// Packs the samples of one row (or plane row) as the page stores them.
void packSample(std::vector<uint8_t>& row, size_t i, int bits, uint16_t format, double f) {
    if (format == SAMPLEFORMAT_IEEEFP) {
        if (bits == 16) {
            uint16_t h = toHalf(f);
            std::memcpy(&row[2 * i], &h, 2);
        } else if (bits == 32) {
            float v = float(f);
            std::memcpy(&row[4 * i], &v, 4);
        } else {
            std::memcpy(&row[8 * i], &f, 8);
        }
        return;
    }
    const int valueBits = format == SAMPLEFORMAT_INT ? bits - 1 : bits;
    const uint64_t max = valueBits >= 64 ? ~uint64_t(0) : (uint64_t(1) << valueBits) - 1;
    const uint64_t v = f >= 1 ? max : uint64_t(std::round(f * double(max)));
    if (bits % 8 == 0) {
        for (int k = 0; k < bits / 8; ++k) row[i * size_t(bits / 8) + size_t(k)] = uint8_t(v >> (8 * k));
        return;
    }
    for (int k = 0; k < bits; ++k) {
        size_t bit = i * size_t(bits) + size_t(k);
        if ((v >> (bits - 1 - k)) & 1) row[bit >> 3] |= uint8_t(0x80 >> (bit & 7));
    }
}

std::vector<uint8_t> fileBytes(std::FILE* f) {
    std::vector<uint8_t> v(size_t(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(v.data(), 1, v.size(), f), v.size());
    return v;
}

// Writes the page with libtiff: one strip (or one 16 x 16 tile) per plane.
std::vector<uint8_t> writeTiff(const TiffCase& c) {
    const int w = 4, h = 2;
    const bool palette = c.photometric == PHOTOMETRIC_PALETTE;
    const int colours = c.photometric == PHOTOMETRIC_RGB ? 3 : c.photometric == PHOTOMETRIC_SEPARATED ? 4 : 1;
    const int spp = colours + (c.alpha ? 1 : 0);
    std::FILE* f = std::tmpfile();
    TIFF* tif = TIFFFdOpen(fileno(f), "mem", "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, c.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, c.format);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, c.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, c.planar);
    if (c.alpha) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    std::vector<uint16_t> map;
    if (palette) {
        const size_t n = size_t(1) << c.bits;
        map.assign(3 * n, 0);
        for (int i = 0; i < 8; ++i)
            for (int k = 0; k < 3; ++k) map[size_t(k) * n + 1000 + size_t(i)] = uint16_t(std::lround(kPage[i][k] * 65535));
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    }
    const int unitW = c.tiled ? 16 : w, unitH = c.tiled ? 16 : h;
    if (c.tiled) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
    }
    const int planes = c.planar == PLANARCONFIG_SEPARATE ? spp : 1, perUnit = spp / planes;
    const size_t rowBytes = (size_t(unitW) * size_t(perUnit) * c.bits + 7) / 8;
    for (int p = 0; p < planes; ++p) {
        std::vector<uint8_t> unit(rowBytes * size_t(unitH), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < perUnit; ++k) {
                    const int s = p + k, i = y * w + x;
                    double v = s < 3 ? kPage[i][s] : 0;
                    if (c.photometric == PHOTOMETRIC_SEPARATED && s < 3) v = 1 - v;  // inks
                    if (c.alpha && s == colours) v = i == 1 ? 1.0 / 3 : 1;  // the black pixel shows through
                    std::vector<uint8_t> row(rowBytes, 0);
                    uint8_t* dst = unit.data() + size_t(y) * rowBytes;
                    const size_t at = size_t(x) * size_t(perUnit) + size_t(k);
                    if (palette) {
                        uint16_t idx = uint16_t(1000 + i);
                        std::memcpy(dst + 2 * at, &idx, 2);
                    } else {
                        packSample(row, at, c.bits, c.format, v);
                        for (size_t b = 0; b < rowBytes; ++b) dst[b] |= row[b];
                    }
                }
        if (c.tiled) TIFFWriteEncodedTile(tif, uint32_t(p), unit.data(), tmsize_t(unit.size()));
        else TIFFWriteEncodedStrip(tif, uint32_t(p), unit.data(), tmsize_t(unit.size()));
    }
    TIFFWriteDirectory(tif);
    TIFFFlush(tif);
    std::fseek(f, 0, SEEK_END);
    std::vector<uint8_t> bytes = fileBytes(f);
    TIFFClose(tif);
    std::fclose(f);
    return bytes;
}

TEST(ReaderFamilies, TiffOfAnySampleDepthAndLayoutIsShown) {
    BlockGuard guard;
    const TiffCase cases[] = {
        {"grey 12 bit", PHOTOMETRIC_MINISBLACK, 12, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, false, false},
        {"grey 3 bit min-is-white", PHOTOMETRIC_MINISWHITE, 3, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, false, false},
        {"grey 24 bit tiled", PHOTOMETRIC_MINISBLACK, 24, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, true, false},
        {"grey signed 32 bit", PHOTOMETRIC_MINISBLACK, 32, SAMPLEFORMAT_INT, PLANARCONFIG_CONTIG, false, false},
        {"grey half float", PHOTOMETRIC_MINISBLACK, 16, SAMPLEFORMAT_IEEEFP, PLANARCONFIG_CONTIG, false, false},
        {"grey double tiled", PHOTOMETRIC_MINISBLACK, 64, SAMPLEFORMAT_IEEEFP, PLANARCONFIG_CONTIG, true, false},
        {"rgb 10 bit", PHOTOMETRIC_RGB, 10, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, false, false},
        {"rgb 4 bit planar", PHOTOMETRIC_RGB, 4, SAMPLEFORMAT_UINT, PLANARCONFIG_SEPARATE, false, false},
        {"rgb float planar tiled", PHOTOMETRIC_RGB, 32, SAMPLEFORMAT_IEEEFP, PLANARCONFIG_SEPARATE, true, false},
        {"rgb 64 bit", PHOTOMETRIC_RGB, 64, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, false, false},
        {"rgba 12 bit", PHOTOMETRIC_RGB, 12, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, false, true},
        {"cmyk 16 bit", PHOTOMETRIC_SEPARATED, 16, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, false, false},
        {"palette 16 bit", PHOTOMETRIC_PALETTE, 16, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, false, false},
    };
    for (const TiffCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = writeTiff(c);
        dib d{};
        ASSERT_EQ(pixkit::tiffRead(bytes.data(), bytes.size(), d, {}), Status::Ok);
        ASSERT_EQ(dibwidth(d), 4);
        ASSERT_EQ(dibheight(d), 2);
        const bool grey = c.photometric == PHOTOMETRIC_MINISBLACK || c.photometric == PHOTOMETRIC_MINISWHITE;
        for (int i = 0; i < 8; ++i) {
            Rgb got = rgbAt(d, i % 4, i / 4);
            int want[3];
            for (int k = 0; k < 3; ++k) {
                double v = kPage[i][grey ? 0 : k];
                if (c.format != SAMPLEFORMAT_IEEEFP && c.bits < 8) {
                    const double max = double((1 << c.bits) - 1);
                    v = std::round(v * max) / max;  // what the few bits hold
                }
                if (c.photometric == PHOTOMETRIC_MINISWHITE) v = 1 - v;
                want[k] = int(std::lround(v * 255));
                if (c.alpha && i == 1) want[k] = 170;  // black at a third over white
            }
            EXPECT_NEAR(got.r, want[0], 1) << "pixel " << i;
            EXPECT_NEAR(got.g, want[1], 1) << "pixel " << i;
            EXPECT_NEAR(got.b, want[2], 1) << "pixel " << i;
        }
        freedib(d);
    }
}

TEST(ReaderFamilies, TiffDeclaringAHugePageInAFewBytesAllocatesNothing) {
    BlockGuard guard;
    TiffCase c{"", PHOTOMETRIC_MINISBLACK, 12, SAMPLEFORMAT_UINT, PLANARCONFIG_CONTIG, false, false};
    std::vector<uint8_t> bytes = writeTiff(c);
    // Width and length are the first two entries of the directory.
    uint32_t ifd = 0;
    std::memcpy(&ifd, &bytes[4], 4);
    const uint32_t huge = 20000;
    std::memcpy(&bytes[ifd + 2 + 8], &huge, 4);
    std::memcpy(&bytes[ifd + 2 + 12 + 8], &huge, 4);
    memblock::resetPeak();
    const std::size_t before = memblock::liveBytes();
    dib d{};
    EXPECT_NE(pixkit::tiffRead(bytes.data(), bytes.size(), d, {}), Status::Ok);
    EXPECT_EQ(d.poi, nullptr);
    EXPECT_LT(memblock::peakBytes(), before + (1u << 20));
}

TEST(ReaderFamilies, GifDeclaringAHugeScreenInAFewBytesAllocatesNothing) {
    // Found by the fuzzer at full size: 65535 x 65535 screen, 1 x 1 image.
    BlockGuard guard;
    ByteBuilder gif;
    gif.str("GIF89a").le16(65535).le16(65535).bytes({0x80, 0, 0}).fill(6, 0);
    gif.u8(',').le16(0).le16(0).le16(1).le16(1).u8(0).bytes({2, 2, 0x44, 0x01, 0}).u8(';');
    memblock::resetPeak();
    const std::size_t before = memblock::liveBytes();
    dib d{};
    EXPECT_EQ(pixkit::gifRead(gif.data(), gif.size(), d, {}), Status::Truncated);
    EXPECT_EQ(d.poi, nullptr);
    EXPECT_LT(memblock::peakBytes(), before + (1u << 20));
}

// RIFF chunk: tag, little-endian size, payload padded to even length.
void riffChunk(ByteBuilder& b, const char* tag, const std::vector<uint8_t>& payload) {
    b.str(tag).le32(uint32_t(payload.size())).append(payload);
    if (payload.size() & 1) b.u8(0);
}

void le24(ByteBuilder& b, unsigned v) { b.u8(v & 0xFF).u8((v >> 8) & 0xFF).u8((v >> 16) & 0xFF); }

TEST(ReaderFamilies, AnimatedWebpShowsItsFirstFrameOnWhite) {
    BlockGuard guard;
    // Frames: red 4 x 2 at (2, 2) on an 8 x 6 canvas, then blue over all.
    auto frame = [](int w, int h, uint8_t r, uint8_t g, uint8_t b) {
        std::vector<uint8_t> px;
        for (int i = 0; i < w * h; ++i) px.insert(px.end(), {r, g, b});
        uint8_t* out = nullptr;
        size_t n = WebPEncodeLosslessRGB(px.data(), w, h, w * 3, &out);
        std::vector<uint8_t> riff(out, out + n);
        WebPFree(out);
        return std::vector<uint8_t>(riff.begin() + 12, riff.end());  // the VP8L chunk
    };
    ByteBuilder body;
    body.str("WEBP");
    ByteBuilder vp8x;
    vp8x.u8(0x02).fill(3);  // animation
    le24(vp8x, 8 - 1);
    le24(vp8x, 6 - 1);
    riffChunk(body, "VP8X", vp8x.v);
    riffChunk(body, "ANIM", ByteBuilder().le32(0xFFFFFFFF).le16(0).v);
    for (auto [x, y, w, h, blue] : {std::tuple{2, 2, 4, 2, false}, std::tuple{0, 0, 8, 6, true}}) {
        ByteBuilder anmf;
        le24(anmf, unsigned(x / 2));
        le24(anmf, unsigned(y / 2));
        le24(anmf, unsigned(w - 1));
        le24(anmf, unsigned(h - 1));
        le24(anmf, 100);
        anmf.u8(0);
        anmf.append(frame(w, h, blue ? 0 : 255, 0, blue ? 255 : 0));
        riffChunk(body, "ANMF", anmf.v);
    }
    ByteBuilder file;
    file.str("RIFF").le32(uint32_t(body.size())).append(body.v);
    dib d{};
    ASSERT_EQ(pixkit::webpRead(file.data(), file.size(), d, {}), Status::Ok);
    ASSERT_EQ(dibwidth(d), 8);
    ASSERT_EQ(dibheight(d), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inFrame = x >= 2 && x < 6 && y >= 2 && y < 4;
            EXPECT_EQ(getpixel(d, x, y), inFrame ? packrgb(255, 0, 0) : packrgb(255, 255, 255)) << x << "," << y;
        }
    freedib(d);
}

// Uncompressed 8-bit grey PCX of w x 1 pixels, values 0, 40, 80, ...
std::vector<uint8_t> pcxPage(int w) {
    ByteBuilder b;
    b.bytes({0x0A, 5, 0, 8}).le16(0).le16(0).le16(unsigned(w - 1)).le16(0).le16(72).le16(72).fill(48).u8(0);
    b.u8(1).le16(unsigned(w)).le16(2).fill(128 - 70);
    for (int x = 0; x < w; ++x) b.u8(unsigned(40 * x));
    b.u8(0x0C);
    for (int i = 0; i < 256; ++i) b.u8(unsigned(i)).u8(unsigned(i)).u8(unsigned(i));
    return b.v;
}

TEST(ReaderFamilies, DcxShowsItsFirstPageAndRefusesBrokenTables) {
    BlockGuard guard;
    const std::vector<uint8_t> first = pcxPage(4), second = pcxPage(6);
    ByteBuilder dcx;
    dcx.le32(0x3ADE68B1).le32(16).le32(uint32_t(16 + first.size())).le32(0).append(first).append(second);
    ASSERT_TRUE(pixkit::pcxProbe(dcx.data(), dcx.size()));
    dib d{};
    ASSERT_EQ(pixkit::pcxRead(dcx.data(), dcx.size(), d, {}), Status::Ok);
    ASSERT_EQ(dibwidth(d), 4);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(rgbAt(d, x, 0).r, 40 * x);
    freedib(d);

    struct Broken {
        const char* what;
        uint32_t first;
    } broken[] = {{"offset past the end", 100000}, {"offset into the table", 4}, {"offset to itself", 0}};
    for (const Broken& b : broken) {
        ByteBuilder v;
        v.le32(0x3ADE68B1).le32(b.first).le32(0).append(first);
        EXPECT_FALSE(pixkit::pcxProbe(v.data(), v.size())) << b.what;
        EXPECT_NE(pixkit::pcxRead(v.data(), v.size(), d, {}), Status::Ok) << b.what;
        EXPECT_EQ(d.poi, nullptr);
    }
}

// ILBM of 16 x 1 pixels, uncompressed; `extra` chunks go before BODY.
std::vector<uint8_t> ilbm(int planes, uint32_t camg, const char* mapId, const std::vector<uint8_t>& map,
                          const std::vector<uint32_t>& pixels) {
    ByteBuilder form;
    form.str("ILBM").str("BMHD").be32(20).be16(16).be16(1).be32(0).u8(unsigned(planes)).u8(0).u8(0).u8(0);
    form.be16(0).u8(1).u8(1).be16(16).be16(1);
    if (mapId) form.str(mapId).be32(uint32_t(map.size())).append(map);
    if (camg) form.str("CAMG").be32(4).be32(camg);
    form.str("BODY").be32(uint32_t(2 * planes));
    for (int k = 0; k < planes; ++k) {
        unsigned bits = 0;
        for (int x = 0; x < 16; ++x) bits |= ((pixels[size_t(x)] >> k) & 1u) << (15 - x);
        form.be16(bits);
    }
    ByteBuilder file;
    file.str("FORM").be32(uint32_t(form.size())).append(form.v);
    return file.v;
}

TEST(ReaderFamilies, IlbmWithCmykColoursIsConvertedOrRefused) {
    BlockGuard guard;
    // Inks: none (white), full black, full cyan, half magenta with half black.
    const std::vector<uint8_t> inks = {0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0, 128, 0, 128};
    const Rgb want[4] = {{255, 255, 255}, {0, 0, 0}, {0, 255, 255}, {127, 63, 127}};
    std::vector<uint32_t> idx(16), cmyk(16);
    for (int x = 0; x < 16; ++x) {
        idx[size_t(x)] = uint32_t(x % 4);
        const uint8_t* e = &inks[size_t(4 * (x % 4))];
        cmyk[size_t(x)] = e[0] | e[1] << 8 | e[2] << 16 | uint32_t(e[3]) << 24;
    }
    for (auto [what, bytes] : {std::pair{"CMYK colour map", ilbm(2, 0, "CMYK", inks, idx)},
                               std::pair{"32 planes of inks", ilbm(32, 0, "CMYK", {}, cmyk)}}) {
        dib d{};
        ASSERT_EQ(pixkit::iffRead(bytes.data(), bytes.size(), d, {}), Status::Ok) << what;
        for (int x = 0; x < 16; ++x) {
            Rgb got = rgbAt(d, x, 0);
            EXPECT_NEAR(got.r, want[x % 4].r, 1) << what << " " << x;
            EXPECT_NEAR(got.g, want[x % 4].g, 1) << what << " " << x;
            EXPECT_NEAR(got.b, want[x % 4].b, 1) << what << " " << x;
        }
        freedib(d);
    }
    // Hold-and-modify cannot start from inks: refused, not shown grey.
    std::vector<uint8_t> ham = ilbm(6, 0x800, "CMYK", inks, idx);
    dib d{};
    EXPECT_EQ(pixkit::iffRead(ham.data(), ham.size(), d, {}), Status::Unsupported);
    EXPECT_EQ(d.poi, nullptr);
}

// 64 x 64 picture by libpng: colour, palette or interlaced colour.
std::vector<uint8_t> encodePng(bool palette, bool interlaced) {
    std::FILE* f = std::tmpfile();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_compression_level(png, 0);  // the cut lands inside the image data
    png_set_IHDR(png, info, 64, 64, 8, palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    png_color pal[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {130, 125, 128}};
    if (palette) png_set_PLTE(png, info, pal, 4);
    png_write_info(png, info);
    std::vector<uint8_t> row(64 * 3);
    for (int p = 0, passes = png_set_interlace_handling(png); p < passes; ++p)
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                if (palette) row[size_t(x)] = uint8_t((x + y) % 3);
                else for (int k = 0; k < 3; ++k) row[size_t(3 * x + k)] = uint8_t(x * 4 + y * k);
            }
            png_write_row(png, row.data());
        }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::vector<uint8_t> bytes = fileBytes(f);
    std::fclose(f);
    return bytes;
}

TEST(ReaderFamilies, PngCutInsideItsImageDataKeepsTheRowsItHolds) {
    BlockGuard guard;
    for (bool palette : {false, true})
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::string(palette ? "palette" : "colour") + (interlaced ? " interlaced" : ""));
            std::vector<uint8_t> whole = encodePng(palette, interlaced);
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() * 2 / 3));
            dib full{}, part{};
            ASSERT_EQ(pixkit::pngRead(whole.data(), whole.size(), full, {}), Status::Ok);
            ASSERT_EQ(pixkit::pngRead(cut.data(), cut.size(), part, {}), Status::Ok);
            ASSERT_EQ(dibwidth(part), 64);
            // The first pass of an interlaced picture holds pixel 0 of every
            // eighth row; a plain one holds whole rows from the top.
            for (int x = 0; x < 64; x += interlaced ? 8 : 1) {
                Rgb a = rgbAt(full, x, 0), b = rgbAt(part, x, 0);
                EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << x;
            }
            // The bottom row never arrived: grey (the palette's nearest);
            // interlaced, it repeats the row above from an earlier pass.
            Rgb last = rgbAt(part, 63, 63), above = rgbAt(full, 63, 62);
            EXPECT_NEAR(last.r, interlaced ? above.r : 128, 3);
            EXPECT_NEAR(last.g, interlaced ? above.g : 128, 3);
            EXPECT_NEAR(last.b, interlaced ? above.b : 128, 3);
            freedib(full);
            freedib(part);
        }
}

}  // namespace
