#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "pattern/colourwork.h"
#include "pattern/depthdown.h"
#include "pattern/knitcheck.h"
#include "pattern_helpers.h"

using namespace pattern::colourwork;
namespace knit = pattern::knit;

namespace {

// Yarns by letter; a picture drawn with the same letters, top row first.
struct Case {
    std::map<char, uint32_t> yarns;
    std::vector<std::string> rows;
};

LPAL paletteOf(const Case& c) {
    LPAL p{};
    p.ver = kPaletteVersion;
    p.num = 64;
    int i = 0;
    for (const auto& [ch, colour] : c.yarns) p.rgb0[i++] = PALETTEENTRY{getr(colour), getg(colour), getb(colour), 0};
    return p;
}

// The reduced grid in the same letters (yarn i is the i-th letter).
std::vector<std::string> reduce(const Case& c, const Options& o) {
    std::vector<char> letters;
    for (const auto& [ch, colour] : c.yarns) letters.push_back(ch);
    dib pic = testimg::make24(int(c.rows[0].size()), int(c.rows.size()),
                              [&](int x, int y) { return c.yarns.at(c.rows[size_t(y)][size_t(x)]); });
    dib grid = reduceRows(pic, paletteOf(c), int(letters.size()), o);
    std::vector<std::string> out;
    for (int y = 0; y < dibheight(grid); ++y) {
        std::string row;
        for (int x = 0; x < dibwidth(grid); ++x) row += letters[size_t(getpixel(grid, x, y) - 10)];
        out.push_back(row);
    }
    freedib(pic);
    freedib(grid);
    return out;
}

int longestFloat(const std::vector<std::string>& rows) {
    knit::Options o;
    o.floatLimit = 0;
    int longest = 0;
    // Letters as yarn digits, bottom row stored first.
    std::vector<uint8_t> bytes;
    for (size_t r = rows.size(); r-- > 0;)
        for (char ch : rows[r]) bytes.push_back(uint8_t(10 + (ch - 'A')));
    const knit::Report rep = knit::check({bytes.data(), int(rows[0].size()), int(rows[0].size()), int(rows.size())}, o);
    for (int l : rep.longestInRow) longest = std::max(longest, l);
    return longest;
}

int changed(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    int n = 0;
    for (size_t r = 0; r < a.size(); ++r)
        for (size_t x = 0; x < a[r].size(); ++x) n += a[r][x] != b[r][x];
    return n;
}

}  // namespace

TEST(ColourworkRows, HandMadeRowsWithKnownAnswers) {
    // Four red, three dark red, two blue: the two most frequent leave the
    // blue far off; red and blue cost only the dark reds' small difference.
    const Case three{{{'A', 0x0000FF}, {'B', 0x0000C8}, {'C', 0xFF0000}}, {"AAAABBBCC"}};
    EXPECT_EQ(reduce(three, {}), std::vector<std::string>{"AAAAAAACC"});

    // The best pair keeps a float of 9; at F = 5 one stitch in the middle
    // breaks it (cheaper than giving up both ends).
    const Case float9{{{'A', 0x000000}, {'B', 0xFFFFFF}}, {"ABBBBBBBBBA"}};
    Options f5;
    f5.floatLimit = 5;
    EXPECT_EQ(longestFloat(reduce(float9, {})), 9);
    const auto fixed = reduce(float9, f5);
    EXPECT_LE(longestFloat(fixed), 5);
    EXPECT_EQ(changed(fixed, float9.rows), 1) << fixed[0];

    // One yarn per row at K = 1: the row's best single yarn.
    Options k1;
    k1.maxYarns = 1;
    EXPECT_EQ(reduce(Case{{{'A', 0x000000}, {'B', 0xFFFFFF}, {'C', 0x0000FF}}, {"ABBCB", "CCABC"}}, k1),
              (std::vector<std::string>{"BBBBB", "CCCCC"}));

    // Row coherence: the background lies between two greys and wavers from
    // row to row; alone each row takes its nearer grey, kept together the
    // background stays one yarn.
    Case bg{{{'A', 0x646464}, {'B', 0x6E6E6E}, {'C', 0x0000FF}}, {}};
    std::vector<std::string> want;
    dib pic = testimg::make24(10, 6, [](int x, int y) {
        const uint8_t level = y % 2 ? 106 : 104;
        return x == 3 || x == 7 ? 0x0000FFu : packrgb(level, level, level);
    });
    const LPAL yarns = paletteOf(bg);
    for (bool coherent : {false, true}) {
        Options o;
        o.coherentRows = coherent;
        dib grid = reduceRows(pic, yarns, 3, o);
        std::set<int> background;
        for (int y = 0; y < 6; ++y) background.insert(getpixel(grid, 0, y));
        EXPECT_EQ(background.size(), coherent ? 1u : 2u) << "coherent " << coherent;
        freedib(grid);
    }
    freedib(pic);
}

TEST(ColourworkRows, FourColourRowsUnchangedAtFourYarns) {
    // Every stitch is one of eight yarns exactly, four per row: at K = 4
    // both methods give what the unconstrained reduction gives.
    std::mt19937 rng(7);
    LPAL yarns = testimg::defaultYarns();
    for (int i = 0; i < 8; ++i) yarns.rgb0[i] = PALETTEENTRY{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    std::vector<std::vector<int>> rowYarns(12);
    for (auto& r : rowYarns) {
        std::vector<int> all{0, 1, 2, 3, 4, 5, 6, 7};
        std::shuffle(all.begin(), all.end(), rng);
        r.assign(all.begin(), all.begin() + 4);
    }
    std::vector<int> pick(31 * 12);
    for (int& p : pick) p = int(rng() % 4);
    dib pic = testimg::make24(31, 12, [&](int x, int y) {
        const PALETTEENTRY& e = yarns.rgb0[rowYarns[size_t(y)][size_t(pick[size_t(y * 31 + x)])]];
        return packrgb(e.peRed, e.peGreen, e.peBlue);
    });
    for (int rolmod : {0, 1}) {
        Options o;
        o.maxYarns = 4;
        o.diffusion = rolmod == 1;
        dib plain = pattern::DepthDownTo(pic, yarns, 64, rolmod);
        dib rows = reduceRows(pic, yarns, 64, o);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 31; ++x) ASSERT_EQ(testimg::gridColour(rows, x, y), testimg::gridColour(plain, x, y)) << x << "," << y;
        freedib(plain);
        freedib(rows);
    }
    freedib(pic);
}

TEST(ColourworkRows, EdgeFloatsAsTheCheckCountsThem) {
    // Yarn A continues from the row below, so it is carried from the left
    // edge to its first stitch (8 stitches); alone, the row is knitted as
    // it is (A is joined at its stitches and floats nowhere).
    const Case c{{{'A', 0x000000}, {'B', 0xFFFFFF}}, {"BBBBBBBBAA", "AAAAAAAAAA"}};
    Options f5;
    f5.floatLimit = 5;
    EXPECT_EQ(longestFloat(c.rows), 8);
    EXPECT_LE(longestFloat(reduce(c, f5)), 5);
    const Case alone{c.yarns, {c.rows[0]}};
    EXPECT_EQ(reduce(alone, f5), alone.rows);

    // The carried yarn per yarn, by the same floats: A passes 8 stitches.
    dib pic = testimg::make24(10, 2, [&](int x, int y) { return c.yarns.at(c.rows[size_t(y)][size_t(x)]); });
    dib grid = pattern::DepthDownTo(pic, paletteOf(c), 2, 0);
    EXPECT_EQ(carriedStitchesPerYarn(grid, 2), (std::vector<int64_t>{8, 0}));
    EXPECT_TRUE(carriedStitchesPerYarn(dib{}, 2).empty());
    EXPECT_DOUBLE_EQ(carriedMetres(8, 20), 0.04);  // 8 stitches of 0.5 cm
    EXPECT_EQ(carriedMetres(8, 0), 0);
    freedib(pic);
    freedib(grid);
}

TEST(ColourworkRandom, CheckFindsNoCrowdedRowAndNoLongFloat) {
    std::mt19937 rng(2026);
    LPAL yarns = testimg::defaultYarns();
    for (int i = 0; i < 12; ++i) yarns.rgb0[i] = PALETTEENTRY{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    yarns.rgb0[5] = yarns.rgb0[2];  // a repeated yarn is never one of a row's
    const int w = 37, h = 23;
    dib pic = testimg::make24(w, h, [&](int x, int y) {
        // Smooth areas with noise, so both short and long runs occur.
        const int n = int(rng() % 60);
        return packrgb(uint8_t(std::min(255, x * 6 + n)), uint8_t(std::min(255, y * 10 + n)), uint8_t((x * y + n) & 255));
    });
    for (int k = 1; k <= 4; ++k)
        for (int f : {-1, 0, 2, 5})
            for (int variant = 0; variant < 4; ++variant) {
                Options o;
                o.maxYarns = k;
                o.floatLimit = f;
                o.diffusion = variant & 1;
                o.coherentRows = variant & 2;
                dib grid = reduceRows(pic, yarns, 12, o);
                knit::Options ko;
                ko.maxYarnsPerRow = k;
                ko.floatLimit = std::max(f, 0);
                ko.yarnCount = 12;
                const knit::Report rep = knit::check(knit::gridBytes(grid), ko);
                const std::string what = "K " + std::to_string(k) + " F " + std::to_string(f) + " variant " +
                                         std::to_string(variant);
                EXPECT_TRUE(rep.crowdedRows.empty()) << what;
                EXPECT_TRUE(f < 0 || rep.longFloats.empty()) << what << ": " << rep.longFloats.size();
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const int v = int(getpixel(grid, x, y));
                        ASSERT_TRUE(v >= 10 && v < 22 && v != 15) << what;
                    }
                for (int n : rep.yarnsInRow) EXPECT_TRUE(k > 1 || n == 1) << what;
                freedib(grid);
            }
    freedib(pic);
}
