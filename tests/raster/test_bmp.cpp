// BMP/DIB/RLE codec: the outside suites, crafted edge cases, round trips and
// the written files read back by independent decoders.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "raster/codecs/bmp.h"
#include "raster/limits.h"
#include "support/blockguard.h"
#include "support/codeccheck.h"
#include "support/refimage.h"
#include "support/bytebuilder.h"

using codeccheck::Expect;
using codeccheck::FileCase;
using pixkit::Status;

namespace {

// bmpsuite's html lists each reference rendering before the bitmap it shows.
std::vector<FileCase> bmpsuiteCases() {
    std::vector<FileCase> out;
    std::ifstream f(refimage::testdata("bmpsuite/html/bmpsuite.html"));
    if (!f) return out;
    std::string html((std::istreambuf_iterator<char>(f)), {});
    std::vector<std::string> refs;
    const std::string tag = "<img src=\"";
    for (std::size_t at = html.find(tag); at != std::string::npos; at = html.find(tag, at + 1)) {
        std::size_t begin = at + tag.size(), end = html.find('"', begin);
        if (end == std::string::npos) break;
        std::string src = html.substr(begin, end - begin);
        if (src.ends_with(".png")) {
            refs.push_back("bmpsuite/html/" + src);
            continue;
        }
        if (!src.ends_with(".bmp") || src.rfind("../", 0) != 0) continue;
        FileCase c;
        c.path = "bmpsuite/" + src.substr(3);
        char folder = src[3];
        c.expect = folder == 'g' ? Expect::Match : Expect::Either;
        c.refs = refs;
        refs.clear();
        // Unusual field widths: references differ by one in rounding.
        if (folder == 'q') c.tolerance = 1;
        if (folder == 'b') {
            static const char* mustFail[] = {"badbitcount", "badheadersize", "badwidth", "reallybig"};
            for (const char* m : mustFail)
                if (c.path.find(std::string("/") + m + ".") != std::string::npos) c.expect = Expect::Reject;
            if (c.path.find("rgb16-880") == std::string::npos) c.refs.clear();
        }
        // Colours that depend on applying the embedded profile.
        if (c.path.find("rgb24prof2") != std::string::npos) c.refs.clear();
        out.push_back(c);
    }
    return out;
}

std::vector<FileCase> allCases() {
    std::vector<FileCase> out = bmpsuiteCases();
    for (const auto& p : codeccheck::listFiles("bmptestsuite/valid", ".bmp"))
        out.push_back({p, Expect::Decode, {}, 0});
    for (const auto& p : codeccheck::listFiles("image-rs/bmp/images", ".bmp")) {
        std::string name = p.substr(p.rfind('/') + 1);
        if (name.find("imagemagick_invalid") != std::string::npos) out.push_back({p, Expect::Either, {}, 0});
        // Alpha masks whose every pixel is 0: we show such pictures opaque
        // (writers that leave the byte 0 mean no transparency), the
        // reference shows them fully transparent. Must still decode.
        else if (name.starts_with("V3_A1_") || name.starts_with("V3_A4_")) out.push_back({p, Expect::Decode, {}, 0});
        else out.push_back({p, Expect::Match, {"image-rs/bmp/reference/" + name + ".png"}, 0});
    }
    for (const auto& p : codeccheck::listFiles("image-rs/bmp/images/lenient", ".bmp"))
        out.push_back({p, Expect::Either, {}, 0});
    for (const auto& p : codeccheck::listFiles("image-rs/bmp/bad", ".bmp"))
        out.push_back({p, Expect::Reject, {}, 0});
    for (const auto& p : codeccheck::listFiles("go-x-image", ".bmp"))
        out.push_back({p, Expect::Match, {p.substr(0, p.size() - 4) + ".png"}, 0});
    for (const char* n : {"bricks-color", "bricks-dither", "bricks-gray", "bricks-nodither", "hat",
                          "hibiscus.primitive", "pjw-thumbnail"})
        out.push_back({std::string("wuffs/") + n + ".bmp", Expect::Match, {std::string("wuffs/") + n + ".png"}, 0});
    out.push_back({"wuffs/hippopotamus.bmp", Expect::Match, {"wuffs/hippopotamus.regular.png"}, 0});
    out.push_back({"pillow/bmp/hopper.bmp", Expect::Match, {"pillow/hopper.png"}, 0});
    out.push_back({"pillow/bmp/hopper_rle8.bmp", Expect::Decode, {}, 0});
    out.push_back({"pillow/bmp/hopper_rle8_grayscale.bmp", Expect::Decode, {}, 0});
    out.push_back({"pillow/bmp/rgb32bf-abgr.bmp", Expect::Decode, {}, 0});
    out.push_back({"pillow/bmp/rgb32bf-rgba.bmp", Expect::Decode, {}, 0});
    out.push_back({"pillow/bmp/mmap_error.bmp", Expect::Either, {}, 0});
    out.push_back({"pillow/bmp/l2rgb_read.bmp", Expect::Reject, {}, 0});
    return out;
}

class BmpSuite : public testing::TestWithParam<FileCase> {};

TEST_P(BmpSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::bmpRead); }

INSTANTIATE_TEST_SUITE_P(Files, BmpSuite, testing::ValuesIn(allCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(BmpSuite);

}  // namespace
