// Codecs over reference libraries (JPEG, GIF, TIFF, PNG, WebP): the outside
// suites, each file as its suite expects, plus crafted edge cases.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "raster/codecs/gif.h"
#include "raster/codecs/jpeg.h"
#include "raster/codecs/png.h"
#include "raster/codecs/tiff.h"
#include "raster/codecs/webp.h"
#include "support/blockguard.h"
#include "support/codeccheck.h"
#include "support/refimage.h"

using codeccheck::Expect;
using codeccheck::FileCase;
using pixkit::Status;

namespace {

bool contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }
std::string stem(const std::string& p, size_t extLen) { return p.substr(0, p.size() - extLen); }

// ------------------------------------------------------------------ PNG

std::vector<FileCase> pngCases() {
    std::vector<FileCase> out;
    // libpng in the test helper decodes independently of our transforms
    // (expand, 16 -> 8 scaling, compositing onto white): the file is its
    // own reference.
    for (const auto& p : codeccheck::listFiles("pngsuite", ".png")) {
        std::string name = p.substr(p.rfind('/') + 1);
        if (name[0] == 'x') out.push_back({p, Expect::Reject, {}, 0});
        else out.push_back({p, Expect::Match, {p}, 0});
    }
    for (const auto& p : codeccheck::listFiles("png-misc/image-png-pngsuite-extra", ".png"))
        out.push_back({p, Expect::Match, {p}, 0});
    for (const auto& p : codeccheck::listFiles("wuffs", ".png")) {
        if (contains(p, ".decoded-by-")) continue;
        if (contains(p, "truncated")) out.push_back({p, Expect::Either, {}, 0});
        else out.push_back({p, Expect::Match, {p}, 0});
    }
    out.push_back({"wuffs/animated-red-blue.apng", Expect::Decode, {}, 0});
    out.push_back({"wuffs/muybridge.apng", Expect::Decode, {}, 0});
    return out;
}

// ------------------------------------------------------------------ JPEG

std::vector<FileCase> jpegCases() {
    std::vector<FileCase> out;
    // Decoders differ in IDCT and upsampling; a few levels are allowed.
    for (const char* dir : {"jpeg-decoder/reftest", "jpeg-decoder/reftest/mozilla"})
        for (const auto& p : codeccheck::listFiles(dir, ".jpg")) {
            // A PNG under a .jpg name: the JPEG reader refuses it, OpenDib
            // reads it by content (see the dispatcher tests).
            if (contains(p, "jpg-size-6x6")) out.push_back({p, Expect::Reject, {}, 0});
            else out.push_back({p, Expect::Match, {stem(p, 4) + ".png"}, 12});
        }
    for (const char* dir : {"jpegsuite/baseline", "jpegsuite/extended_huffman", "jpegsuite/progressive_huffman"})
        for (const auto& p : codeccheck::listFiles(dir, ".jpg")) {
            bool twelve = contains(p, "x12_");
            bool dnl = contains(p, "_dnl");
            out.push_back({p, twelve || dnl ? Expect::Either : Expect::Decode, {}, 0});
        }
    // Coding processes beyond baseline and progressive Huffman: libjpeg-turbo
    // also decodes arithmetic coding, lossless ones it refuses. Either way
    // nothing may crash or leak.
    for (const char* dir : {"jpegsuite/extended_arithmetic", "jpegsuite/progressive_arithmetic",
                            "jpegsuite/lossless_huffman", "jpegsuite/lossless_arithmetic", "jpegsuite/ls"})
        for (const auto& p : codeccheck::listFiles(dir, ".jpg")) out.push_back({p, Expect::Either, {}, 0});
    for (const auto& p : codeccheck::listFiles("wuffs", ".jpeg")) {
        // peacock.png is the picture before compression, not a decode: the
        // JPEG versions only resemble it.
        if (contains(p, "truncated")) out.push_back({p, Expect::Either, {}, 0});
        else out.push_back({p, Expect::Decode, {}, 0});
    }
    return out;
}

// ------------------------------------------------------------------ TIFF

std::vector<FileCase> tiffCases() {
    std::vector<FileCase> out;
    const std::string gx = "go-x-image/";
    for (const char* n : {"video-001.tiff", "video-001-strip-64.tiff", "video-001-tile-64x64.tiff",
                          "video-001-uncompressed.tiff"})
        out.push_back({gx + n, Expect::Match, {gx + "video-001.png"}, 0});
    out.push_back({gx + "video-001-16bit.tiff", Expect::Match, {gx + "video-001.png"}, 1});
    for (const char* n : {"video-001-gray.tiff", "video-001-gray-16bit.tiff", "video-001-paletted.tiff",
                          "bw-uncompressed.tiff", "bw-packbits.tiff", "bw-deflate.tiff", "no_rps.tiff",
                          "no_compress.tiff"})
        out.push_back({gx + n, Expect::Decode, {}, 0});
    out.push_back({gx + "blue-purple-pink.lzwcompressed.tiff", Expect::Match, {gx + "blue-purple-pink.png"}, 0});
    for (const char* n : {"bw-gopher_ccittGroup3.tiff", "bw-gopher_ccittGroup4.tiff"})
        out.push_back({gx + n, Expect::Either, {gx + "bw-gopher.png"}, 0});
    out.push_back({gx + "invalid-palette-ref.tiff", Expect::Either, {}, 0});

    const std::string lp = "libtiff-pics/";
    for (const char* n : {"cramps.tif", "cramps-tile.tif", "jello.tif", "jim___ah.tif", "jim___cg.tif",
                          "jim___dg.tif", "jim___gg.tif", "pc260001.tif", "oxford.tif", "strike.tif",
                          "quad-tile.tif"})
        out.push_back({lp + n, Expect::Decode, {}, 0});
    for (const char* n : {"quad-lzw.tif", "ycbcr-cat.tif", "dscf0013.tif", "quad-jpeg.tif", "smallliz.tif",
                          "zackthecat.tif", "fax2d.tif", "g3test.tif", "text.tif", "off_l16.tif", "off_luv24.tif",
                          "off_luv32.tif", "ladoga.tif", "caspian.tif"})
        out.push_back({lp + n, Expect::Either, {}, 0});
    out.push_back({lp + "g3test.g3", Expect::Reject, {}, 0});
    for (const auto& p : codeccheck::listFiles("libtiff-pics/depth", ".tif")) {
        bool eight = contains(p, "-08.");
        out.push_back({p, eight ? Expect::Decode : Expect::Either, {}, 0});
    }
    for (const char* n : {"minisblack-1c-8b.tiff", "miniswhite-1c-1b.tiff", "rgb-3c-8b.tiff", "palette-1c-1b.tiff",
                          "palette-1c-4b.tiff", "palette-1c-8b.tiff", "issue_69_lzw.tiff", "issue_69_packbits.tiff"})
        out.push_back({std::string("image-tiff/images/") + n, Expect::Decode, {}, 0});
    for (const auto& p : codeccheck::listFiles("image-tiff/images", ".tiff")) {
        bool listed = false;
        for (const auto& c : out) listed = listed || c.path == p;
        if (!listed) out.push_back({p, Expect::Either, {}, 0});
    }
    for (const auto& p : codeccheck::listFiles("image-tiff/images", ".tif")) out.push_back({p, Expect::Either, {}, 0});
    for (const auto& p : codeccheck::listFiles("image-tiff/images/seq", ".tiff")) out.push_back({p, Expect::Either, {}, 0});
    for (const auto& p : codeccheck::listFiles("image-tiff/images/bigtiff", ".tif")) out.push_back({p, Expect::Either, {}, 0});
    for (const auto& p : codeccheck::listFiles("image-tiff/fuzz_images/oom_crash", ".tif"))
        out.push_back({p, Expect::Either, {}, 0});
    for (const char* n : {"bricks-color", "bricks-gray", "hat", "hibiscus.primitive", "pjw-thumbnail"})
        out.push_back({std::string("wuffs/") + n + ".tiff", Expect::Match, {std::string("wuffs/") + n + ".png"}, 0});
    out.push_back({"wuffs/hippopotamus.tiff", Expect::Match, {"wuffs/hippopotamus.regular.png"}, 0});
    return out;
}

// ------------------------------------------------------------------ WebP

std::vector<FileCase> webpCases() {
    std::vector<FileCase> out;
    for (const auto& p : codeccheck::listFiles("libwebp-test-data", ".webp")) {
        std::string name = p.substr(p.rfind('/') + 1);
        if (name.starts_with("lossless_vec_1_")) out.push_back({p, Expect::Match, {"libwebp-test-data/grid.png"}, 0});
        else if (name.starts_with("lossless_vec_2_")) out.push_back({p, Expect::Match, {"libwebp-test-data/peak.png"}, 0});
        else out.push_back({p, Expect::Decode, {}, 0});
    }
    const std::string gx = "go-x-image/";
    for (const char* n : {"1bpp", "2bpp", "4bpp", "8bpp", "with-alpha"})
        out.push_back({gx + "gopher-doc." + n + ".lossless.webp", Expect::Match, {gx + "gopher-doc." + n + ".png"}, 0});
    out.push_back({gx + "gopher-doc.skip-hgroup.lossless.webp", Expect::Match, {gx + "gopher-doc.8bpp.png"}, 0});
    out.push_back({gx + "yellow_rose.lossless.webp", Expect::Match, {gx + "yellow_rose.png"}, 0});
    out.push_back({gx + "blue-purple-pink.lossless.webp", Expect::Match, {gx + "blue-purple-pink.png"}, 0});
    out.push_back({gx + "tux.lossless.webp", Expect::Decode, {}, 0});
    for (const char* n : {"blue-purple-pink.lossy.webp", "video-001.lossy.webp", "yellow_rose.lossy.webp",
                          "yellow_rose.lossy-with-alpha.webp"})
        out.push_back({gx + n, Expect::Decode, {}, 0});
    for (const auto& p : codeccheck::listFiles("wuffs", ".lossless.webp")) {
        std::string base = stem(p, std::strlen(".lossless.webp"));
        std::string ref = contains(base, "hippopotamus") ? "wuffs/hippopotamus.regular.png" : base + ".png";
        out.push_back({p, Expect::Match, {ref}, 0});
    }
    for (const auto& p : codeccheck::listFiles("wuffs", ".lossy.webp")) out.push_back({p, Expect::Decode, {}, 0});
    return out;
}

// ------------------------------------------------------------------ GIF (pillow, wuffs)

std::vector<FileCase> gifCases() {
    std::vector<FileCase> out;
    for (const auto& p : codeccheck::listFiles("pillow/gif", ".gif")) {
        bool hostile = contains(p, "decompression_bomb") || contains(p, "zero_width");
        bool noPalette = contains(p, "no_palette");
        // issue_2811 starts its pixel data with an LZW code size of 11,
        // which giflib refuses.
        bool lzw11 = contains(p, "issue_2811");
        out.push_back({p, hostile || noPalette || lzw11 ? Expect::Either : Expect::Decode, {}, 0});
    }
    for (const char* n : {"bricks-gray", "bricks-nodither", "bricks-dither", "pjw-thumbnail"})
        out.push_back({std::string("wuffs/") + n + ".gif", Expect::Match, {std::string("wuffs/") + n + ".png"}, 0});
    for (const char* n : {"hat.gif", "hibiscus.primitive.gif", "hippopotamus.regular.gif", "hippopotamus.interlaced.gif",
                          "animated-red-blue.gif", "muybridge.gif", "gifplayer-muybridge.gif"})
        out.push_back({std::string("wuffs/") + n, Expect::Decode, {}, 0});
    out.push_back({"wuffs/hippopotamus.interlaced.truncated.gif", Expect::Either, {}, 0});
    return out;
}

class PngSuite : public testing::TestWithParam<FileCase> {};
TEST_P(PngSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::pngRead); }
INSTANTIATE_TEST_SUITE_P(Files, PngSuite, testing::ValuesIn(pngCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(PngSuite);

class JpegSuite : public testing::TestWithParam<FileCase> {};
TEST_P(JpegSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::jpegRead); }
INSTANTIATE_TEST_SUITE_P(Files, JpegSuite, testing::ValuesIn(jpegCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(JpegSuite);

class TiffSuite : public testing::TestWithParam<FileCase> {};
TEST_P(TiffSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::tiffRead); }
INSTANTIATE_TEST_SUITE_P(Files, TiffSuite, testing::ValuesIn(tiffCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TiffSuite);

class WebpSuite : public testing::TestWithParam<FileCase> {};
TEST_P(WebpSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::webpRead); }
INSTANTIATE_TEST_SUITE_P(Files, WebpSuite, testing::ValuesIn(webpCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(WebpSuite);

class GifSuite : public testing::TestWithParam<FileCase> {};
TEST_P(GifSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::gifRead); }
INSTANTIATE_TEST_SUITE_P(Files, GifSuite, testing::ValuesIn(gifCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GifSuite);

// ------------------------------------------------------------------ GIF (pygif)

// pygif's .conf files: size, frames, and each frame's expected pixels as a
// PNG or raw RGBA of the whole logical screen.
struct PygifCase {
    std::string name;
    std::map<std::string, std::string> keys;  // "config.width", "frame0.pixels", ...
};

void PrintTo(const PygifCase& c, std::ostream* os) { *os << c.name; }

std::vector<PygifCase> pygifCases() {
    std::vector<PygifCase> out;
    std::ifstream list(refimage::testdata("gif-pygif/TESTS"));
    std::string name;
    while (list >> name) {
        std::ifstream conf(refimage::testdata("gif-pygif/" + name + ".conf"));
        if (!conf) continue;
        PygifCase c;
        c.name = name;
        std::string line, section;
        while (std::getline(conf, line)) {
            if (line.empty() || line[0] == '#') continue;
            if (line[0] == '[') {
                section = line.substr(1, line.find(']') - 1);
                continue;
            }
            auto eq = line.find('=');
            if (eq == std::string::npos) continue;
            auto trim = [](std::string s) {
                s.erase(0, s.find_first_not_of(" \t"));
                s.erase(s.find_last_not_of(" \t\r") + 1);
                return s;
            };
            c.keys[section + "." + trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
        }
        out.push_back(c);
    }
    return out;
}

refimage::Rgb loadRgba(const std::string& path, int w, int h) {
    refimage::Rgb out;
    std::vector<uint8_t> raw = refimage::readFile(path);
    if (w <= 0 || h <= 0 || raw.size() != size_t(w) * size_t(h) * 4) return out;
    out.w = w;
    out.h = h;
    out.px.resize(size_t(w) * size_t(h) * 3);
    for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
        for (int k = 0; k < 3; ++k) out.px[3 * i + size_t(k)] = refimage::overWhite(raw[4 * i + size_t(k)], raw[4 * i + 3]);
    return out;
}

class Pygif : public testing::TestWithParam<PygifCase> {};

TEST_P(Pygif, FirstFrameAsTheSuiteExpects) {
    const PygifCase& c = GetParam();
    std::string path = refimage::testdata("gif-pygif/" + c.name + ".gif");
    if (!refimage::exists(path)) GTEST_SKIP() << "test data missing: " << path;
    std::vector<uint8_t> bytes = refimage::readFile(path);
    BlockGuard guard;
    dib d{};
    Status s = pixkit::gifRead(bytes.data(), bytes.size(), d, {});
    auto frames = c.keys.count("config.frames") ? c.keys.at("config.frames") : std::string();
    // Where giflib itself refuses the file: images of zero width or height
    // plain-text has an ordinary image record after its text extension,
    // which giflib reads as a frame.
    static const char* const giflibLimits[] = {"image-zero-width", "image-zero-height", "image-zero-size",
                                               "plain-text"};
    for (const char* n : giflibLimits)
        if (c.name == n) {
            if (s == Status::Ok) codeccheck::checkRecord(d);
            else EXPECT_EQ(d.poi, nullptr);
            freedib(d);
            codeccheck::checkMutations(bytes, pixkit::gifRead);
            return;
        }
    if (frames.empty()) {
        EXPECT_NE(s, Status::Ok) << c.name << " has no frame and must be refused";
        EXPECT_EQ(d.poi, nullptr);
        freedib(d);
        return;
    }
    ASSERT_EQ(s, Status::Ok) << c.name << ": " << pixkit::statusText(s);
    codeccheck::checkRecord(d);
    int w = std::atoi(c.keys.at("config.width").c_str()), h = std::atoi(c.keys.at("config.height").c_str());
    EXPECT_EQ(dibwidth(d), w);
    EXPECT_EQ(dibheight(d), h);
    // Files that only "most readers" animate have no first-frame rule of
    // their own: they must decode, nothing more.
    bool forced = c.keys.count("config.force-animation") && c.keys.at("config.force-animation") == "yes";
    std::string first = frames.substr(0, frames.find(','));
    refimage::Rgb want;
    if (c.keys.count(first + ".image")) want = refimage::loadPng(refimage::testdata("gif-pygif/" + c.keys.at(first + ".image")));
    else if (c.keys.count(first + ".pixels")) want = loadRgba(refimage::testdata("gif-pygif/" + c.keys.at(first + ".pixels")), w, h);
    if (!forced && want.ok()) {
        std::string diff = refimage::compare(refimage::fromDib(d), want, 0);
        EXPECT_TRUE(diff.empty()) << c.name << ": " << diff;
    }
    freedib(d);
    codeccheck::checkMutations(bytes, pixkit::gifRead);
}

INSTANTIATE_TEST_SUITE_P(Files, Pygif, testing::ValuesIn(pygifCases()),
                         [](const testing::TestParamInfo<PygifCase>& i) {
                             std::string n;
                             for (char ch : i.param.name) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return n;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Pygif);

// ------------------------------------------------------------------ large photos

// Real photographs: decoded in full, without the mutation runs (too slow
// at this size under the sanitizers).
TEST(JpegPhotos, DecodeFullyAtTheirStoredSize) {
    struct P { const char* path; int w, h; } photos[] = {
        {"photos/42_IndexError.jpg", 4032, 3024}, {"photos/Dune.jpg", 1680, 1050},
        {"exif-orientation/Landscape_1.jpg", 1800, 1200}, {"exif-orientation/Landscape_6.jpg", 1800, 1200}};
    int found = 0;
    for (const P& p : photos) {
        std::string path = refimage::testdata(p.path);
        if (!refimage::exists(path)) continue;
        ++found;
        BlockGuard guard;
        std::vector<uint8_t> bytes = refimage::readFile(path);
        dib d{};
        ASSERT_EQ(pixkit::jpegRead(bytes.data(), bytes.size(), d, {}), Status::Ok) << p.path;
        // The orientation tag is applied: Landscape_6, stored 1200 x 1800,
        // comes back upright.
        EXPECT_EQ(dibwidth(d), p.w) << p.path;
        EXPECT_EQ(dibheight(d), p.h) << p.path;
        EXPECT_EQ(dibbitcount(d), 24);
        freedib(d);
    }
    if (!found) GTEST_SKIP() << "photos missing";
}

}  // namespace

// ------------------------------------------------------------------ crafted GIFs

#include <gif_lib.h>

namespace {

struct GifImage {
    int left, top, w, h;
    std::vector<uint8_t> px;
    int transparent = -1;  // GCE transparent index, -1 = none
    int delay = 0;
};

int gifToVector(GifFileType* g, const GifByteType* b, int n) {
    static_cast<std::vector<uint8_t>*>(g->UserData)->insert(static_cast<std::vector<uint8_t>*>(g->UserData)->end(), b, b + n);
    return n;
}

// Encodes a GIF with giflib: screen, global table, images in order.
std::vector<uint8_t> makeGif(int sw, int sh, const std::vector<GifColorType>& table, const std::vector<GifImage>& images) {
    std::vector<uint8_t> out;
    int err = 0;
    GifFileType* g = EGifOpen(&out, gifToVector, &err);
    int bits = 1;
    while ((1 << bits) < int(table.size())) ++bits;
    std::vector<GifColorType> full(table);
    full.resize(size_t(1) << bits, GifColorType{0, 0, 0});
    ColorMapObject* map = GifMakeMapObject(int(full.size()), full.data());
    EGifSetGifVersion(g, true);
    EGifPutScreenDesc(g, sw, sh, bits, 0, map);
    for (const GifImage& im : images) {
        if (im.transparent >= 0 || im.delay) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
            gcb.DelayTime = im.delay;
            gcb.TransparentColor = im.transparent;
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        }
        EGifPutImageDesc(g, im.left, im.top, im.w, im.h, false, nullptr);
        for (int y = 0; y < im.h; ++y) EGifPutLine(g, const_cast<GifPixelType*>(im.px.data() + y * im.w), im.w);
    }
    EGifCloseFile(g, &err);
    GifFreeMapObject(map);
    return out;
}

uint32_t colourAt(const dib& d, int x, int y) {
    uint32_t v = getpixel(d, x, y);
    if (dibbitcount(d) > 8) return v;
    const PALETTEENTRY& e = d.pal.rgb0[v];
    return packrgb(e.peRed, e.peGreen, e.peBlue);
}

const uint32_t kWhite = packrgb(255, 255, 255), kBlack = 0, kRed = packrgb(255, 0, 0), kBlue = packrgb(0, 0, 255);

TEST(GifCrafted, TransparencyAndUncoveredScreenShowWhite) {
    BlockGuard guard;
    // 4 x 2 screen, one 3 x 1 image at (1, 1); index 1 (red) is transparent.
    auto bytes = makeGif(4, 2, {{0, 0, 0}, {255, 0, 0}}, {{1, 1, 3, 1, {0, 1, 0}, 1, 0}});
    dib d{};
    ASSERT_EQ(pixkit::gifRead(bytes.data(), bytes.size(), d, {}), Status::Ok);
    codeccheck::checkRecord(d);
    EXPECT_LE(dibbitcount(d), 4) << "one image with a small table stays a palette image";
    const uint32_t want[2][4] = {{kWhite, kWhite, kWhite, kWhite}, {kWhite, kBlack, kWhite, kBlack}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(colourAt(d, x, y), want[y][x]) << x << "," << y;
    freedib(d);
}

TEST(GifCrafted, TransparentIndexBeyondTheTableIsStillTransparent) {
    BlockGuard guard;
    // Two-entry table, transparent index 3, which pixels use.
    auto bytes = makeGif(2, 1, {{0, 0, 0}, {255, 0, 0}}, {{0, 0, 2, 1, {1, 3}, 3, 0}});
    dib d{};
    Status s = pixkit::gifRead(bytes.data(), bytes.size(), d, {});
    ASSERT_EQ(s, Status::Ok);
    EXPECT_EQ(colourAt(d, 0, 0), kRed);
    EXPECT_EQ(colourAt(d, 1, 0), kWhite);
    freedib(d);
}

TEST(GifCrafted, ImagesWithoutDelayFormOneFrameAndTheFirstDelayEndsIt) {
    BlockGuard guard;
    const std::vector<GifColorType> table = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}};
    // Left half red, then right half blue with a delay, then all black.
    auto bytes = makeGif(2, 1, table,
                         {{0, 0, 1, 1, {1}, -1, 0}, {1, 0, 1, 1, {2}, -1, 10}, {0, 0, 2, 1, {0, 0}, -1, 10}});
    dib d{};
    ASSERT_EQ(pixkit::gifRead(bytes.data(), bytes.size(), d, {}), Status::Ok);
    codeccheck::checkRecord(d);
    EXPECT_EQ(colourAt(d, 0, 0), kRed);
    EXPECT_EQ(colourAt(d, 1, 0), kBlue);
    freedib(d);
}

// Pixels beyond the colour table: pygif's invalid-colors (giflib's encoder
// masks such values, so they cannot be made here).

TEST(LibraryCodecs, EmptyAndTinyInputsAreRefused) {
    BlockGuard guard;
    using ReadFn = Status (*)(const uint8_t*, size_t, dib&, const pixkit::Progress&);
    const std::pair<const char*, ReadFn> readers[] = {{"jpeg", pixkit::jpegRead}, {"gif", pixkit::gifRead},
                                                      {"tiff", pixkit::tiffRead}, {"png", pixkit::pngRead},
                                                      {"webp", pixkit::webpRead}};
    const uint8_t magic[][12] = {{0xFF, 0xD8, 0xFF}, {'G', 'I', 'F', '8', '9', 'a'}, {'I', 'I', 42, 0, 8, 0, 0, 0},
                                 {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A},
                                 {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'E', 'B', 'P'}};
    for (size_t i = 0; i < 5; ++i) {
        dib d{};
        EXPECT_NE(readers[i].second(nullptr, 0, d, {}), Status::Ok) << readers[i].first;
        EXPECT_EQ(d.poi, nullptr);
        // Only the signature: recognised, then refused as cut short or broken.
        EXPECT_TRUE(readers[i].second(magic[i], 12, d, {}) != Status::Ok) << readers[i].first;
        EXPECT_EQ(d.poi, nullptr);
    }
}

}  // namespace
