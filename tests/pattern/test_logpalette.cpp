#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "pattern/logpalette.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"

using pattern::LogPalette;
using pattern::nearestIndexBrute;

namespace {

LPAL paletteOf(std::initializer_list<PALETTEENTRY> entries) {
    LPAL p{};
    p.ver = kPaletteVersion;
    for (const PALETTEENTRY& e : entries) p.rgb0[p.num++] = e;
    return p;
}

// The grid palette the colour reduction queries: yarn 0 everywhere, yarn i
// at 10 + i.
LPAL gridPalette(const LPAL& yarns) {
    LPAL p{};
    p.ver = kPaletteVersion;
    p.num = 256;
    for (auto& e : p.rgb0) e = yarns.rgb0[0];
    for (int i = 0; i < yarns.num; ++i) p.rgb0[10 + i] = yarns.rgb0[i];
    return p;
}

LPAL randomYarns(std::mt19937& rng, int n) {
    LPAL p{};
    p.ver = kPaletteVersion;
    p.num = uint16_t(n);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < n; ++i) p.rgb0[i] = PALETTEENTRY{uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng)), 0};
    return p;
}

// Compares the fast query with the brute-force walk on `samples` random
// colours and on every colour whose channels sit at a cell border.
void expectSameAsBrute(const LPAL& palette, int samples, uint32_t seed) {
    const LogPalette fast(palette);
    std::mt19937 rng(seed);
    for (int i = 0; i < samples; ++i) {
        uint32_t c = rng() & 0xFFFFFF;
        int want = nearestIndexBrute(palette, getr(c), getg(c), getb(c));
        ASSERT_EQ(fast.nearest(c), want) << std::hex << "colour " << c;
    }
    // Every cell border lies at a multiple of 8: values 0, 7, 8, 15, ... 248, 255.
    for (int r = 0; r < 256; r += (r % 8 == 0 ? 7 : 1))
        for (int g = 0; g < 256; g += (g % 8 == 0 ? 7 : 1))
            for (int b = 0; b < 256; b += (b % 8 == 0 ? 7 : 1))
                ASSERT_EQ(fast.nearest(uint8_t(r), uint8_t(g), uint8_t(b)),
                          nearestIndexBrute(palette, uint8_t(r), uint8_t(g), uint8_t(b)))
                    << r << "," << g << "," << b;
}

}  // namespace

TEST(NearestEntry, DistanceTiesAndExactColours) {
    const LPAL bw = gridPalette(paletteOf({{0, 0, 0, 0}, {255, 255, 255, 0}}));
    const LogPalette p(bw);
    // A grey of 127 is nearer to black, 128 to white.
    EXPECT_EQ(bw.rgb0[p.nearest(127, 127, 127)].peRed, 0);
    EXPECT_EQ(p.nearest(128, 128, 128), 11);
    EXPECT_EQ(p.nearest(255, 255, 255), 11);
    // Black is at 0..10 and 12..255: the lowest index wins.
    EXPECT_EQ(p.nearest(0, 0, 0), 0);

    // Equal distances: the lower index wins, whichever order they come in.
    const LPAL tie = paletteOf({{10, 0, 0, 0}, {0, 0, 0, 0}, {20, 0, 0, 0}});
    EXPECT_EQ(LogPalette(tie).nearest(packrgb(10, 0, 0)), 0);
    EXPECT_EQ(LogPalette(tie).nearest(5, 0, 0), 0);
    EXPECT_EQ(LogPalette(tie).nearest(15, 0, 0), 0);
    EXPECT_EQ(nearestIndexBrute(tie, 15, 0, 0), 0);

    // An exact entry is always found, even among near ones.
    const LPAL near = paletteOf({{100, 100, 100, 0}, {101, 100, 100, 0}, {100, 101, 100, 0}});
    EXPECT_EQ(LogPalette(near).nearest(101, 100, 100), 1);
    EXPECT_EQ(LogPalette(near).nearest(packrgb(100, 101, 100)), 2);
}

TEST(NearestEntry, EmptyAndOversizedPalettes) {
    LPAL empty{};
    EXPECT_EQ(LogPalette(empty).nearest(1, 2, 3), 0);
    EXPECT_EQ(nearestIndexBrute(empty, 1, 2, 3), 0);
    // num beyond 256 reads only the 256 entries there are.
    LPAL big{};
    big.num = 4000;
    big.rgb0[255] = PALETTEENTRY{9, 9, 9, 0};
    EXPECT_EQ(LogPalette(big).entries(), 256);
    EXPECT_EQ(LogPalette(big).nearest(9, 9, 9), 255);
    // Only the first num entries take part.
    LPAL two = paletteOf({{0, 0, 0, 0}, {255, 255, 255, 0}});
    two.rgb0[2] = PALETTEENTRY{200, 0, 0, 0};
    EXPECT_EQ(LogPalette(two).nearest(200, 0, 0), 0);
}

TEST(NearestEntry, FastQueryEqualsBruteForce) {
    std::mt19937 rng(20240601);
    // 256 distinct random colours: the longest candidate lists.
    LPAL full = randomYarns(rng, 256);
    full.num = 256;
    expectSameAsBrute(full, 1'000'000, 1);
    // The compute command's case: 64 random yarns in the grid layout.
    expectSameAsBrute(gridPalette(randomYarns(rng, 64)), 1'000'000, 2);
}

TEST(NearestEntry, FastQueryEqualsBruteForceOnPaletteEdgeCases) {
    std::mt19937 rng(7);
    // Default yarns: black, white, 62 x black.
    expectSameAsBrute(gridPalette(paletteOf({{0, 0, 0, 0}, {255, 255, 255, 0}})), 100'000, 3);
    // All black.
    LPAL black{};
    black.num = 256;
    expectSameAsBrute(black, 100'000, 4);
    // Duplicate yarns, and yarn 0's colour again among the yarns.
    LPAL dup = randomYarns(rng, 64);
    for (int i = 32; i < 64; ++i) dup.rgb0[i] = dup.rgb0[i - 32];
    dup.rgb0[5] = dup.rgb0[0];
    expectSameAsBrute(gridPalette(dup), 100'000, 5);
    // A tight cluster: many entries near one cell, some exactly on borders.
    LPAL cluster{};
    cluster.num = 256;
    std::uniform_int_distribution<int> off(-6, 6);
    for (auto& e : cluster.rgb0)
        e = PALETTEENTRY{uint8_t(128 + off(rng)), uint8_t(64 + off(rng)), uint8_t(200 + off(rng)), 0};
    expectSameAsBrute(cluster, 100'000, 6);
    // Cube corners and a single entry.
    expectSameAsBrute(paletteOf({{0, 0, 0, 0},
                                 {255, 0, 0, 0},
                                 {0, 255, 0, 0},
                                 {0, 0, 255, 0},
                                 {255, 255, 0, 0},
                                 {255, 0, 255, 0},
                                 {0, 255, 255, 0},
                                 {255, 255, 255, 0}}),
                      100'000, 7);
    expectSameAsBrute(paletteOf({{17, 99, 250, 0}}), 10'000, 8);
}

TEST(NearestEntry, FastQueryEqualsBruteForceOnClusteredYarns) {
    // Yarns picked from a photograph crowd where its colours do: here three
    // clouds (skin, sky, foliage) of different spread, and the queries come
    // mostly from in and around the clouds, where the candidate lists are
    // longest.
    std::mt19937 rng(11);
    const int centres[3][3] = {{210, 160, 130}, {110, 160, 225}, {60, 110, 40}};
    for (int spread : {4, 12, 30}) {
        LPAL yarns{};
        yarns.ver = kPaletteVersion;
        yarns.num = 64;
        std::uniform_int_distribution<int> off(-spread, spread);
        auto jitter = [&](int v) { return uint8_t(std::clamp(v + off(rng), 0, 255)); };
        for (int i = 0; i < 64; ++i) {
            const int* c = centres[i % 3];
            yarns.rgb0[i] = PALETTEENTRY{jitter(c[0]), jitter(c[1]), jitter(c[2]), 0};
        }
        const LPAL grid = gridPalette(yarns);
        const LogPalette fast(grid);
        std::uniform_int_distribution<int> near(-3 * spread - 8, 3 * spread + 8);
        for (int i = 0; i < 300'000; ++i) {
            const int* c = centres[i % 3];
            uint8_t r = uint8_t(std::clamp(c[0] + near(rng), 0, 255)), g = uint8_t(std::clamp(c[1] + near(rng), 0, 255)),
                    b = uint8_t(std::clamp(c[2] + near(rng), 0, 255));
            ASSERT_EQ(fast.nearest(r, g, b), nearestIndexBrute(grid, r, g, b)) << spread << ": " << int(r) << ","
                                                                             << int(g) << "," << int(b);
        }
        expectSameAsBrute(grid, 100'000, uint32_t(20 + spread));
    }
}
