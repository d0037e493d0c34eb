// PCX codec: the outside suites, crafted edge cases and round trips.
#include <gtest/gtest.h>

#include "raster/codecs/pcx.h"
#include "support/bytebuilder.h"
#include "support/codeccheck.h"

using codeccheck::Expect;
using codeccheck::FileCase;
using pixkit::Status;

namespace {

std::vector<FileCase> allCases() {
    std::vector<FileCase> out;
    for (const auto& p : codeccheck::listFiles("kimageformats/pcx", ".pcx"))
        out.push_back({p, Expect::Match, {codeccheck::kimageformatsRef(p)}, 0});
    for (const auto& p : codeccheck::listFiles("zigimg/pcx", ".pcx")) out.push_back({p, Expect::Decode, {}, 0});
    for (const char* n : {"pil184.pcx", "odd_stride.pcx", "p_4_planes.pcx"})
        out.push_back({std::string("pillow/pcx/") + n, Expect::Decode, {}, 0});
    out.push_back({"pillow/pcx/01r_00.pcx", Expect::Either, {}, 0});
    out.push_back({"pillow/pcx/pcx_overrun.bin", Expect::Either, {}, 0});
    return out;
}

class PcxSuite : public testing::TestWithParam<FileCase> {};

TEST_P(PcxSuite, ReadsAsTheSuiteExpects) { codeccheck::runCase(GetParam(), pixkit::pcxRead); }

INSTANTIATE_TEST_SUITE_P(Files, PcxSuite, testing::ValuesIn(allCases()), codeccheck::caseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(PcxSuite);

}  // namespace
