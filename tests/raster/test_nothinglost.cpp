// Nothing lost: every picture format over an old file on a full disk, the
// Exif orientation of photos, and JPEGs with no row to show.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "raster/PixKit3.h"
#include "raster/codecs/dispatch.h"
#include "raster/codecs/png.h"
#include "raster/formats.h"
#include "support/fulldisk.h"
#include "support/refimage.h"

namespace {

// Keeps the library's last message box text.
struct LastBox : PlatformWindow {
    std::string text;
    void sendMessage(uint32_t, uintptr_t, intptr_t) override {}
    void messageBox(const std::string& t, const std::string&) override { text = t; }
};

dib noise(int w, int h) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    uint32_t v = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            v = v * 1103515245u + 12345u;
            setpixel(d, x, y, (v >> 8) & 0xFFFFFF);
        }
    return d;
}

dib readFile(const std::string& path) {
    dib d{};
    OpenDib(&d, path.c_str(), 0, nullptr);
    return d;
}

// Mean absolute difference per channel of two 24-bit pictures of one size,
// on a coarse grid of samples.
double meanDifference(const dib& a, const dib& b) {
    double sum = 0;
    int n = 0;
    for (int y = 5; y < dibheight(a); y += 37)
        for (int x = 5; x < dibwidth(a); x += 37) {
            const uint32_t p = getpixel(a, x, y), q = getpixel(b, x, y);
            for (int s = 0; s < 24; s += 8) sum += std::abs(int((p >> s) & 0xFF) - int((q >> s) & 0xFF));
            n += 3;
        }
    return sum / n;
}

}  // namespace

TEST(NothingLostPictures, EveryFormatKeepsTheOldFileOnAFullDisk) {
    dib d = noise(149, 101);  // incompressible, odd and prime sizes
    for (const pixkit::SaveFormat& f : pixkit::saveFormats()) {
        // The size of the format's output, for a disk with room for half.
        char tmpl[] = "/tmp/tricoma-size-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        const std::string probe = std::string(tmpl) + "/x";
        ASSERT_TRUE(SaveDib(d, probe.c_str(), f.number, nullptr)) << f.dotted;
        const int64_t bytes = int64_t(fulldisk::readAll(probe).size());
        unlink(probe.c_str());
        rmdir(tmpl);
        fulldisk::expectNothingLost(
            [&](const std::string& path, std::string& reason) {
                LastBox box;
                const bool ok = SaveDib(d, path.c_str(), f.number, &box);
                reason = box.text;
                return ok;
            },
            f.dotted, bytes);
    }
    freedib(d);
}

TEST(NothingLostOrientation, EveryExifOrientationShowsThePhotoUpright) {
    const std::string dir = std::string(TRICOMA_TESTDATA_DIR) + "/exif-orientation/";
    dib upright = readFile(dir + "Landscape_1.jpg");
    if (!upright.poi) GTEST_SKIP() << "test data missing: " << dir;
    ASSERT_EQ(dibwidth(upright), 1800);
    ASSERT_EQ(dibheight(upright), 1200);
    // 0 is no defined orientation: shown as stored.
    for (int n : {0, 2, 3, 4, 5, 6, 7, 8}) {
        dib d = readFile(dir + "Landscape_" + std::to_string(n) + ".jpg");
        ASSERT_TRUE(d.poi) << n;
        ASSERT_EQ(dibwidth(d), 1800) << n;
        ASSERT_EQ(dibheight(d), 1200) << n;
        // The same photo, up to JPEG noise; a wrong turn or mirror differs
        // by far more.
        EXPECT_LT(meanDifference(d, upright), 6.0) << n;
        freedib(d);
    }
    freedib(upright);
}

TEST(NothingLostOrientation, AJpegWithoutARowToShowIsRefusedAsDamaged) {
    const std::string dir = std::string(TRICOMA_TESTDATA_DIR) + "/exif-orientation/";
    const std::string whole = fulldisk::readAll(dir + "Landscape_1.jpg");
    if (whole.empty()) GTEST_SKIP() << "test data missing: " << dir;
    // The end of the first scan header: the SOS marker and its length.
    size_t sos = whole.find("\xFF\xDA");
    ASSERT_NE(sos, std::string::npos);
    const size_t scan = sos + 2 + ((uint8_t(whole[sos + 2]) << 8) | uint8_t(whole[sos + 3]));
    // Cut at the scan's start, a few bytes in, and inside the first row of
    // blocks: no row is there. Cut far later: the rows read are kept.
    for (size_t cut : {scan, scan + 2, scan + 40, scan + 300}) {
        dib d{};
        OpenDibMemory(&d, reinterpret_cast<const uint8_t*>(whole.data()), cut, nullptr);
        EXPECT_EQ(d.poi, nullptr) << cut;
        EXPECT_EQ(std::string(diberrortext(d)), pixkit::statusText(pixkit::Status::Corrupt)) << cut;
    }
    dib half{};
    OpenDibMemory(&half, reinterpret_cast<const uint8_t*>(whole.data()), whole.size() / 2, nullptr);
    ASSERT_NE(half.poi, nullptr);
    EXPECT_TRUE(dibpartial(half));
    freedib(half);
}

// The pattern reader hands out indices exactly as stored: the library's
// own PNG reader (which keeps palette files indexed) is the oracle. Other
// colour types, damaged files and every cut are refused without a partial
// picture.
TEST(NothingLostPatternPng, IndexedFilesReadAsStoredAndDamagedOnesRefused) {
    const std::string dir = refimage::testdata("pngsuite/");
    if (!refimage::exists(dir + "basn3p01.png")) GTEST_SKIP() << "test data missing: " << dir;
    int indexed = 0;
    for (const std::string& name : fulldisk::filesIn(dir)) {
        if (name.size() < 9 || name.substr(name.size() - 4) != ".png") continue;
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = refimage::readFile(dir + name);
        dib d{};
        pixkit::PngIndexed info;
        const pixkit::Status s = pixkit::pngReadIndexed(bytes.data(), bytes.size(), d, info);
        if (name[0] == 'x' || name.substr(4, 2) != "3p") {
            EXPECT_NE(s, pixkit::Status::Ok);
            EXPECT_EQ(d.poi, nullptr);
            continue;
        }
        ASSERT_EQ(s, pixkit::Status::Ok);
        ++indexed;
        dib ref{};
        ASSERT_EQ(pixkit::pngRead(bytes.data(), bytes.size(), ref, {}), pixkit::Status::Ok);
        ASSERT_EQ(dibwidth(d), dibwidth(ref));
        ASSERT_EQ(dibheight(d), dibheight(ref));
        EXPECT_EQ(dibbitcount(d), 8);
        int wrong = 0;
        for (int y = 0; y < dibheight(d); ++y)
            for (int x = 0; x < dibwidth(d); ++x) wrong += getpixel(d, x, y) != getpixel(ref, x, y);
        EXPECT_EQ(wrong, 0);
        EXPECT_LT(info.maxIndex, info.paletteCount);
        for (size_t cut : {size_t(8), bytes.size() / 2, bytes.size() - 13}) {
            dib part{};
            EXPECT_NE(pixkit::pngReadIndexed(bytes.data(), cut, part, info), pixkit::Status::Ok) << cut;
            EXPECT_EQ(part.poi, nullptr);
        }
        freedib(ref);
        freedib(d);
    }
    EXPECT_GE(indexed, 10);
}
