// The row-by-row knittability check against the whole-grid check, over
// random edits, undos and switches; the clean-up's cancel.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pattern/knitlive.h"

using namespace pattern::knit;

namespace {

struct Grid {
    int w, h, bytew;
    std::vector<uint8_t> bytes;
    GridBytes view() const { return GridBytes{bytes.data(), bytew, w, h}; }
};

// What the whole-grid check says, compared figure by figure.
void expectSame(const LiveCheck& live, const Grid& g, const Options& o, const char* step) {
    SCOPED_TRACE(step);
    const Report full = check(g.view(), o);
    ASSERT_EQ(live.width(), full.width);
    ASSERT_EQ(live.height(), full.height);
    std::vector<Float> floats;
    for (int row = 1; row <= g.h; ++row) {
        ASSERT_EQ(live.yarnsInRow(row), full.yarnsInRow[size_t(row) - 1]) << "row " << row;
        ASSERT_EQ(live.longestInRow(row), full.longestInRow[size_t(row) - 1]) << "row " << row;
        const auto want = full.floatsOfRow(row);
        const auto got = live.yarnsOfRow(row);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].yarn, want[i].yarn);
            EXPECT_EQ(got[i].longest, want[i].longest);
        }
        const auto rowFloats = live.longFloatsOfRow(g.view(), row);
        EXPECT_EQ(int64_t(rowFloats.size()), live.longFloatsInRow(row));
        floats.insert(floats.end(), rowFloats.begin(), rowFloats.end());
    }
    ASSERT_EQ(floats.size(), full.longFloats.size());
    for (size_t i = 0; i < floats.size(); ++i) {
        EXPECT_EQ(floats[i].row, full.longFloats[i].row);
        EXPECT_EQ(floats[i].from, full.longFloats[i].from);
        EXPECT_EQ(floats[i].to, full.longFloats[i].to);
        EXPECT_EQ(floats[i].yarn, full.longFloats[i].yarn);
    }
    EXPECT_EQ(live.longFloatCount(), int64_t(full.longFloats.size()));
    EXPECT_EQ(live.longFloatRows(), full.longFloatRows);
    EXPECT_EQ(live.crowdedRows(), full.crowdedRows);
    EXPECT_EQ(live.confetti(), full.confetti);
    EXPECT_DOUBLE_EQ(live.confettiPercent(), full.confettiPercent);
    std::vector<int64_t> perYarn(live.stitchesPerYarn().size());
    for (int r = 0; r < g.h; ++r)
        for (int x = 0; x < g.w; ++x) {
            const int yarn = g.bytes[size_t(r * g.bytew + x)] - 10;
            ++perYarn[yarn >= 0 && yarn < int(perYarn.size()) ? size_t(yarn) : 0];
        }
    EXPECT_EQ(std::vector<int64_t>(live.stitchesPerYarn().begin(), live.stitchesPerYarn().end()), perYarn);
}

}  // namespace

// Edits of a stitch, a block or whole rows, each undone or kept, with the
// figures hidden for a while and the limits changed: the row-by-row
// figures are the whole check's after every step.
TEST(KnitStaysResponsive, RowByRowEqualsWholeCheckOverRandomEdits) {
    std::mt19937 rng(7);
    const struct {
        int w, h, yarns;
    } sizes[] = {{1, 9, 3}, {9, 1, 3}, {2, 2, 2}, {23, 17, 3}, {40, 31, 6}, {64, 5, 64}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.w << " x " << size.h);
        Grid g{size.w, size.h, (size.w + 3) & ~3, {}};
        g.bytes.assign(size_t(g.bytew * g.h), 0xEE);
        auto yarnByte = [&] {
            // Mostly owned yarns, now and then a byte no yarn owns.
            const int v = int(rng() % unsigned(size.yarns + 1));
            return uint8_t(v == size.yarns ? (rng() % 2 ? 3 : 250) : 10 + v);
        };
        for (int r = 0; r < g.h; ++r)
            for (int x = 0; x < g.w; ++x) g.bytes[size_t(r * g.bytew + x)] = yarnByte();
        Options o{3, 2, 64};
        LiveCheck live;
        live.reset(g.view(), o);
        expectSame(live, g, o, "start");
        for (int step = 0; step < 60; ++step) {
            const int kind = int(rng() % 8);
            if (kind == 6) {  // hide or show the figures
                live.setFloats(g.view(), !live.floatsOn());
                if (live.floatsOn()) expectSame(live, g, o, "shown again");
                continue;
            }
            if (kind == 7) {
                o.floatLimit = int(rng() % 6);
                o.maxYarnsPerRow = 1 + int(rng() % 4);
                live.setOptions(g.view(), o);
                if (live.floatsOn()) expectSame(live, g, o, "new limits");
                continue;
            }
            // A block of rows lo..hi (stored, 0-based), columns x0..x1.
            const int lo = int(rng() % unsigned(g.h)), hi = std::min(g.h - 1, lo + (kind < 3 ? 0 : int(rng() % 3)));
            const int x0 = kind == 5 ? 0 : int(rng() % unsigned(g.w));
            const int x1 = kind == 5 ? g.w - 1 : std::min(g.w - 1, x0 + int(rng() % 3));
            const std::vector<uint8_t> before = g.bytes;
            for (int r = lo; r <= hi; ++r)
                for (int x = x0; x <= x1; ++x) g.bytes[size_t(r * g.bytew + x)] = yarnByte();
            live.rowsChanged(g.view(), lo + 1, hi + 1);
            if (live.floatsOn()) expectSame(live, g, o, "edit");
            if (kind % 2) {  // undone
                g.bytes = before;
                live.rowsChanged(g.view(), lo + 1, hi + 1);
                if (live.floatsOn()) expectSame(live, g, o, "undo");
            }
        }
        live.setFloats(g.view(), true);
        expectSame(live, g, o, "end");
    }
}

// A cancelled clean-up changes nothing and holds nothing; a grid of
// another size is checked afresh.
TEST(KnitStaysResponsive, CancelledCleanUpLeavesNothing) {
    Grid g{50, 40, 52, {}};
    g.bytes.resize(size_t(g.bytew * g.h));
    for (size_t i = 0; i < g.bytes.size(); ++i) g.bytes[i] = uint8_t(10 + (i * 7919) % 5);
    const std::vector<uint8_t> before = g.bytes;
    LPAL yarns{};
    yarns.num = 64;
    ConfettiCleanup cleanup;
    int reports = 0;
    EXPECT_EQ(cleanup.run(g.view(), 2, yarns, 64, [&](int) { return ++reports < 5; }),
              ConfettiCleanup::Status::Cancelled);
    EXPECT_EQ(reports, 5);
    EXPECT_EQ(cleanup.changeCount(), 0);
    EXPECT_EQ(cleanup.memoryBytes(), 0u);
    EXPECT_EQ(g.bytes, before);
    ASSERT_EQ(cleanup.run(g.view(), 2, yarns, 64), ConfettiCleanup::Status::Ok);
    EXPECT_GT(cleanup.changeCount(), 0);

    LiveCheck live;
    live.reset(g.view(), Options{});
    g.h = 20;
    live.rowsChanged(g.view(), 3, 3);
    EXPECT_EQ(live.height(), 20);
}
