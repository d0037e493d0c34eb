// IFF ILBM/PBM codec: the outside suite, crafted edge cases and round trips.
#include <gtest/gtest.h>

#include "raster/codecs/iff.h"
#include "support/bytebuilder.h"
#include "support/codeccheck.h"

using codeccheck::Expect;
using codeccheck::FileCase;
using pixkit::Status;

namespace {

std::vector<FileCase> allCases() {
    std::vector<FileCase> out;
    for (const auto& p : codeccheck::listFiles("kimageformats/iff", ".iff")) {
        std::string n = p.substr(p.rfind('/') + 1);
        auto is = [&](const char* prefix) { return n.rfind(prefix, 0) == 0; };
        if (is("testcard_indexed") || is("ps_testcard_bitmap") || is("ps_testcard_gray") ||
            is("ps_testcard_indexed") || is("ps_testcard_rgb_amiga") || is("ham") || is("flag_ham") ||
            is("meta_rgba") || is("testcard_pbm") || is("testcard_rlepbm"))
            // HAM8 widens 6-bit channel values; the reference rounds some
            // of them the other way.
            out.push_back({p, Expect::Match, {codeccheck::kimageformatsRef(p)}, is("ham8") ? 1 : 0});
        else if (n.find("pchg") != std::string::npos)
            out.push_back({p, Expect::Decode, {}, 0});  // per-line palettes are not applied
        else if (is("ps_testcard_cmyk") || is("sv5_testcard_rgb16") || is("sv5_testcard_rgba16") ||
                 is("testcard_acbm") || is("cat_ilbm"))
            out.push_back({p, Expect::Either, {}, 0});
        else
            out.push_back({p, Expect::Reject, {}, 0});  // other FORM types
    }
    return out;
}

class IffSuite : public testing::TestWithParam<FileCase> {};

TEST_P(IffSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::iffRead); }

INSTANTIATE_TEST_SUITE_P(Files, IffSuite, testing::ValuesIn(allCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(IffSuite);

}  // namespace
