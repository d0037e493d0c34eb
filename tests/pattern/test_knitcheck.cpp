#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pattern/knitcheck.h"

using namespace pattern::knit;

namespace {

// A grid drawn as the chart shows it: top row first, yarn digits, '.' for
// byte 0 and '*' for byte 200 (both owned by no yarn: they count as yarn 0).
// Stored bottom-up with padded rows, like the grid record.
struct Grid {
    int w = 0, h = 0, bytew = 0;
    std::vector<uint8_t> bytes;
    GridBytes view() const { return GridBytes{bytes.data(), bytew, w, h}; }
};

Grid grid(const std::vector<std::string>& topFirst) {
    Grid g;
    g.h = int(topFirst.size());
    g.w = int(topFirst[0].size());
    g.bytew = (g.w + 3) & ~3;
    g.bytes.assign(size_t(g.bytew) * size_t(g.h), 0xEE);
    for (int r = 0; r < g.h; ++r)
        for (int x = 0; x < g.w; ++x) {
            const char ch = topFirst[size_t(g.h - 1 - r)][size_t(x)];
            g.bytes[size_t(r * g.bytew + x)] = ch == '.' ? 0 : ch == '*' ? 200 : uint8_t(10 + ch - '0');
        }
    return g;
}

Grid checkerboard(int w, int h) {
    std::vector<std::string> rows(size_t(h), std::string(size_t(w), '0'));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rows[size_t(y)][size_t(x)] = char('0' + ((x + y) & 1));
    return grid(rows);
}

LPAL yarnColours() {
    LPAL p{};
    p.num = 64;
    p.rgb0[0] = {0, 0, 0, 0};
    p.rgb0[1] = {255, 255, 255, 0};
    p.rgb0[2] = {230, 230, 230, 0};  // near white
    p.rgb0[3] = {200, 0, 0, 0};
    return p;
}

std::string str(const Float& f) {
    // Appended: GCC 12 at -O3 sees a false overlap in "r" + string (-Wrestrict).
    std::string s = "r";
    s.append(std::to_string(f.row)).append(" ").append(std::to_string(f.from)).append("-");
    s.append(std::to_string(f.to)).append(" y").append(std::to_string(f.yarn));
    return s;
}

}  // namespace

TEST(KnitFloats, LongFloatsAndTheirPlaces) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        int limit;
        std::vector<std::string> longFloats;
        std::vector<int> longestInRow;  // bottom row first
    };
    const Case cases[] = {
        {"9-stitch float over a 5 limit, counted from the right", {"1000000000100"}, 5, {"r1 4-12 y1"}, {9}},
        {"a float of just the limit is fine", {"1000001"}, 5, {}, {5}},
        {"yarn used in one row only: no floats to the edges", {"0001000"}, 2, {}, {1}},
        {"continuing yarn floats to both edges", {"0001000", "1111111"}, 2, {"r2 1-3 y1", "r2 5-7 y1"}, {0, 3}},
        {"bytes owned by no yarn are yarn 0", {"*.0.*1*"}, 0, {"r1 2-2 y0"}, {1}},
        {"two yarns, both carried",
         {"1100011", "0011100"},
         1,
         {"r1 1-2 y1", "r1 3-5 y0", "r1 6-7 y1", "r2 1-2 y0", "r2 3-5 y1", "r2 6-7 y0"},
         {3, 3}},
    };
    for (const Case& c : cases) {
        const Grid g = grid(c.rows);
        const Report rep = check(g.view(), Options{c.limit, 2, 64});
        std::vector<std::string> got;
        for (const Float& f : rep.longFloats) got.push_back(str(f));
        EXPECT_EQ(got, c.longFloats) << c.what;
        EXPECT_EQ(rep.longestInRow, c.longestInRow) << c.what;
    }
}

TEST(KnitFloats, PerYarnLongestAndDefaultLimit) {
    const Grid g = grid({"1000000000100"});
    const Report rep = check(g.view(), Options{5, 2, 64});
    ASSERT_EQ(rep.floatsOfRow(1).size(), 2u);
    EXPECT_EQ(rep.floatsOfRow(1)[0].yarn, 0);
    EXPECT_EQ(rep.floatsOfRow(1)[0].longest, 1);
    EXPECT_EQ(rep.floatsOfRow(1)[1].longest, 9);
    EXPECT_EQ(rep.longFloatRows, std::vector<int>{1});
    EXPECT_TRUE(rep.floatsOfRow(2).empty());
    // Stitches in 2.5 cm, truncated.
    EXPECT_EQ(defaultFloatLimit(23), 5);
    EXPECT_EQ(defaultFloatLimit(28), 7);
    EXPECT_EQ(defaultFloatLimit(3), 0);
}

TEST(KnitColoursPerRow, CrowdedRowsCounted) {
    // Yarn 63 is the last owned byte (73); byte 74 belongs to no yarn.
    Grid g = grid({"012", "011", "000", "1.2"});
    g.bytes[0] = 73;
    const Report rep = check(g.view(), Options{5, 2, 64});
    EXPECT_EQ(rep.yarnsInRow, (std::vector<int>{3, 1, 2, 3}));
    EXPECT_EQ(rep.crowdedRows, (std::vector<int>{1, 4}));
    g.bytes[0] = 74;
    EXPECT_EQ(check(g.view(), Options{5, 2, 64}).crowdedRows, std::vector<int>{4});
    EXPECT_TRUE(check(g.view(), Options{5, 3, 64}).crowdedRows.empty());
}

TEST(KnitConfetti, CountAndShare) {
    struct Case {
        Grid g;
        int64_t count;
        double percent;
    };
    const Case cases[] = {
        {checkerboard(7, 5), 35, 100.0},
        {grid({"0000", "0100", "0000"}), 1, 100.0 / 12},
        {grid({"0000", "0110", "0000"}), 0, 0},
        {grid({"1"}), 1, 100.0},
        {grid({"10", "01"}), 4, 100.0},  // edges have fewer neighbours
    };
    for (const Case& c : cases) {
        const Report rep = check(c.g.view(), Options{});
        EXPECT_EQ(rep.confetti, c.count);
        EXPECT_DOUBLE_EQ(rep.confettiPercent, c.percent);
    }
    EXPECT_EQ(check(GridBytes{}, Options{}).confettiPercent, 0);
}

TEST(KnitConfetti, CleanUpIslandsUpToS) {
    const LPAL pal = yarnColours();
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        int s;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"island of 2, S = 1: stays", {"0000", "0110", "0000"}, 1, {"0000", "0110", "0000"}},
        {"island of 2, S = 2: goes", {"0000", "0110", "0000"}, 2, {"0000", "0000", "0000"}},
        {"most frequent neighbour", {"1110", "1300", "1110"}, 1, {"1110", "1100", "1110"}},
        {"tie: red goes to near-white", {"1111", "1322", "2222"}, 1, {"1111", "1222", "2222"}},
        {"tie: black goes to red", {"3333", "3022", "2222"}, 1, {"3333", "3322", "2222"}},
        {"corner stitch", {"1000", "0000"}, 1, {"0000", "0000"}},
        {"nothing around it", {"1"}, 1, {"1"}},
    };
    for (const Case& c : cases) {
        Grid g = grid(c.rows);
        const std::vector<StitchChange> changes = removeConfetti(g.view(), c.s, pal, 64);
        applyChanges(g.bytes.data(), g.bytew, g.w, g.h, changes, false);
        EXPECT_EQ(g.bytes, grid(c.after).bytes) << c.what;
    }
    // The knitter's numbers, with the bytes before and after.
    Grid g = grid({"0000", "0030", "0000"});
    const std::vector<StitchChange> changes = removeConfetti(g.view(), 1, pal, 64);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].row, 2);
    EXPECT_EQ(changes[0].stitch, 2);
    EXPECT_EQ(changes[0].before, 13);
    EXPECT_EQ(changes[0].after, 10);
}

TEST(KnitConfetti, CleanUpLeavesNoConfettiAndRevertsExactly) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> yarn(0, 4);
    std::vector<std::string> rows(23, std::string(31, '0'));
    for (std::string& r : rows)
        for (char& ch : r) ch = "0123*"[yarn(rng)];
    for (Grid g : {checkerboard(10, 9), grid(rows)}) {
        const std::vector<uint8_t> original = g.bytes;
        const std::vector<StitchChange> changes = removeConfetti(g.view(), 1, yarnColours(), 64);
        ASSERT_FALSE(changes.empty());
        applyChanges(g.bytes.data(), g.bytew, g.w, g.h, changes, false);
        EXPECT_EQ(check(g.view(), Options{}).confetti, 0);
        applyChanges(g.bytes.data(), g.bytew, g.w, g.h, changes, true);
        EXPECT_EQ(g.bytes, original);
    }
}
