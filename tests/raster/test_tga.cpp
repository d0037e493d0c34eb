// TGA codec: the outside suites, crafted edge cases and round trips.
#include <gtest/gtest.h>

#include "raster/codecs/tga.h"
#include "support/bytebuilder.h"
#include "support/codeccheck.h"

using codeccheck::Expect;
using codeccheck::FileCase;
using pixkit::Status;

namespace {

std::vector<FileCase> allCases() {
    std::vector<FileCase> out;
    for (const auto& p : codeccheck::listFiles("image-rs/tga/images/testsuite", ".tga")) {
        std::string name = p.substr(p.rfind('/') + 1);
        std::string ref = "image-rs/tga/reference/testsuite/" + name + ".png";
        // The colour-mapped pair shows the true-colour picture.
        if (name == "ccm8.tga" || name == "ucm8.tga") ref = "image-rs/tga/reference/testsuite/ctc24.tga.png";
        // utc32's alpha is 0 everywhere; we take that as "no transparency"
        // (as for bitmaps), its reference as fully transparent.
        if (name == "utc32.tga") ref.clear();
        if (!ref.empty() && refimage::exists(refimage::testdata(ref))) out.push_back({p, Expect::Match, {ref}, 0});
        else out.push_back({p, Expect::Decode, {}, 0});
    }
    for (const auto& p : codeccheck::listFiles("image-rs/tga/regression", ".tga"))
        out.push_back({p, Expect::Either, {}, 0});
    for (const auto& p : codeccheck::listFiles("kimageformats/tga", ".tga")) {
        // rgba.tga declares 4 alpha bits but stores 8; its reference scales
        // them in a way of its own. We take the byte as it is.
        if (p.ends_with("/rgba.tga")) out.push_back({p, Expect::Decode, {}, 0});
        // 5-bit channels: its reference widens them by bit replication, we
        // scale with rounding; they differ by at most one.
        else out.push_back({p, Expect::Match, {codeccheck::kimageformatsRef(p)}, p.ends_with("rgb16.tga") ? 1 : 0});
    }
    for (const auto& p : codeccheck::listFiles("pillow/tga/common", ".tga")) {
        std::string name = p.substr(p.rfind('/') + 1);
        std::string stem = name.substr(0, name.find('_', name.find('_') + 1));
        out.push_back({p, Expect::Match, {"pillow/tga/common/" + stem + ".png"}, 0});
    }
    for (const char* n : {"bricks-color", "bricks-gray", "bricks-nodither"})
        out.push_back({std::string("wuffs/") + n + ".tga", Expect::Match, {std::string("wuffs/") + n + ".png"}, 0});
    return out;
}

class TgaSuite : public testing::TestWithParam<FileCase> {};

TEST_P(TgaSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::tgaRead); }

INSTANTIATE_TEST_SUITE_P(Files, TgaSuite, testing::ValuesIn(allCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TgaSuite);

}  // namespace
