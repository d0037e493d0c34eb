// Yarn colours taken from the motif, their place in the yarn palette and
// the count of stitches per yarn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "pattern/depthdown.h"
#include "pattern/quantize.h"
#include "pattern_helpers.h"
#include "support/blockguard.h"

using namespace pattern;

namespace {

// A motif of known colour clusters: bands of `colours` in the given shares,
// each pixel moved by up to +-`noise` per channel.
dib clusters(const std::vector<uint32_t>& colours, const std::vector<int>& shares, int noise, unsigned seed = 7) {
    int total = 0;
    for (int s : shares) total += s;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> jitter(-noise, noise);
    return testimg::make24(120, total, [&](int, int y) {
        size_t band = 0;
        for (int acc = shares[0]; y >= acc; acc += shares[++band]) {
        }
        const uint32_t c = colours[band];
        auto ch = [&](uint8_t v) { return uint8_t(std::clamp(int(v) + jitter(rng), 0, 255)); };
        return packrgb(ch(getr(c)), ch(getg(c)), ch(getb(c)));
    });
}

int farthest(const std::vector<PALETTEENTRY>& got, uint32_t want) {
    int best = 1 << 30;
    for (const PALETTEENTRY& e : got)
        best = std::min(best, std::max({std::abs(e.peRed - getr(want)), std::abs(e.peGreen - getg(want)),
                                        std::abs(e.peBlue - getb(want))}));
    return best;
}

}  // namespace

TEST(YarnsFromMotif, FindsKnownClustersDarkToLightAndDeterministic) {
    BlockGuard guard;
    struct Case {
        std::vector<uint32_t> colours;
        std::vector<int> shares;
    } cases[] = {
        {{packrgb(200, 30, 30), packrgb(10, 70, 20), packrgb(240, 230, 200)}, {10, 30, 60}},
        // A small but distinct cluster is not swallowed by the large ones.
        {{packrgb(10, 10, 60), packrgb(250, 250, 250), packrgb(255, 200, 0), packrgb(0, 160, 200),
          packrgb(120, 60, 20)},
         {70, 70, 3, 20, 30}},
    };
    for (const Case& c : cases) {
        dib m = clusters(c.colours, c.shares, 6);
        const auto got = coloursFromMotif(m, int(c.colours.size()));
        ASSERT_EQ(got.size(), c.colours.size());
        for (uint32_t want : c.colours) EXPECT_LE(farthest(got, want), 4) << std::hex << want;
        // Dark to light: the darkest cluster first, the lightest last.
        auto sum = [](const PALETTEENTRY& e) { return e.peRed + e.peGreen + e.peBlue; };
        for (const PALETTEENTRY& e : got) {
            EXPECT_LE(sum(got.front()), sum(e));
            EXPECT_GE(sum(got.back()), sum(e));
        }
        const auto again = coloursFromMotif(m, int(c.colours.size()));
        EXPECT_EQ(std::memcmp(again.data(), got.data(), got.size() * sizeof(PALETTEENTRY)), 0);
        // More yarns than clusters still serve every cluster.
        LPAL yarns = testimg::defaultYarns();
        setYarns(yarns, coloursFromMotif(m, 8));
        dib grid = DepthDownTo(m, yarns, 64, 0);
        EXPECT_LE(meanDeltaE(m, grid), 3.0);
        freedib(grid);
        freedib(m);
    }
}

TEST(YarnsFromMotif, FewColoursIndexedMotifsAndNothingToTake) {
    BlockGuard guard;
    // Two colours only: two yarns, whatever is asked.
    dib two = testimg::make24(9, 9, [](int x, int) { return x < 4 ? packrgb(0, 0, 255) : packrgb(255, 255, 0); });
    auto got = coloursFromMotif(two, 16);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(packrgb(got[0].peRed, got[0].peGreen, got[0].peBlue), packrgb(0, 0, 255));  // the darker first
    EXPECT_EQ(packrgb(got[1].peRed, got[1].peGreen, got[1].peBlue), packrgb(255, 255, 0));
    // The same picture as 8 and 1 bit per pixel gives the same yarns.
    for (int bits : {8, 1}) {
        dib indexed{};
        newdib(&indexed, 9, 9, bits, nullptr, 0);
        indexed.pal.rgb0[0] = PALETTEENTRY{0, 0, 255, 0};
        indexed.pal.rgb0[1] = PALETTEENTRY{255, 255, 0, 0};
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x) setpixel(indexed, x, y, x < 4 ? 0 : 1);
        const auto same = coloursFromMotif(indexed, 16);
        ASSERT_EQ(same.size(), 2u) << bits;
        EXPECT_EQ(std::memcmp(same.data(), got.data(), 2 * sizeof(PALETTEENTRY)), 0) << bits;
        freedib(indexed);
    }
    EXPECT_TRUE(coloursFromMotif(dib{}, 8).empty());
    dib sixteen{};
    newdib(&sixteen, 4, 4, 16, nullptr, 0);
    EXPECT_TRUE(coloursFromMotif(sixteen, 8).empty());
    freedib(sixteen);
    freedib(two);
}

TEST(YarnsFromMotif, UnusedYarnsAreNeverPickedAndStitchesAddUp) {
    BlockGuard guard;
    dib m = clusters({packrgb(30, 30, 30), packrgb(200, 40, 40), packrgb(40, 200, 40), packrgb(230, 230, 230)},
                     {20, 20, 20, 20}, 40);
    const auto colours = coloursFromMotif(m, 4);
    ASSERT_EQ(colours.size(), 4u);
    LPAL yarns = testimg::defaultYarns();
    yarns.rgb0[50].peFlags = 3;
    setYarns(yarns, colours);
    EXPECT_EQ(yarns.rgb0[50].peFlags, 3);  // flags are kept
    for (int i = 4; i < 64; ++i) EXPECT_EQ(yarns.rgb0[i].peRed, colours[0].peRed) << i;
    for (int rolmod : {0, 1}) {
        dib grid = DepthDownTo(m, yarns, 64, rolmod);
        const auto counts = stitchesPerYarn(grid, 64);
        ASSERT_EQ(counts.size(), 64u);
        int64_t sum = 0;
        for (int i = 0; i < 64; ++i) {
            sum += counts[size_t(i)];
            if (i >= 4) EXPECT_EQ(counts[size_t(i)], 0) << "yarn " << i << " rolmod " << rolmod;
            else EXPECT_GT(counts[size_t(i)], 0) << "yarn " << i << " rolmod " << rolmod;
        }
        EXPECT_EQ(sum, int64_t(dibwidth(m)) * dibheight(m));
        freedib(grid);
    }
    EXPECT_TRUE(stitchesPerYarn(dib{}, 64).empty());
    freedib(m);
}
