#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "pattern/compute.h"
#include "pattern/depthup.h"
#include "pattern_helpers.h"
#include "raster/memblock.h"
#include "raster/limits.h"
#include "support/blockguard.h"

using pattern::ComputeStatus;
using pattern::computeGrid;

TEST(StitchCount, TruncatesTheProduct) {
    using pattern::stitchCount;
    EXPECT_EQ(stitchCount(23, 20.0), 46);
    EXPECT_EQ(stitchCount(31, 12.5), 38);  // 38.75, not 39
    EXPECT_EQ(stitchCount(23, 10.5), 24);  // 24.15
    EXPECT_EQ(stitchCount(2, 4.0), 0);     // 0.8
    EXPECT_EQ(stitchCount(1000, 1000.0), 100000);
    EXPECT_EQ(stitchCount(1, 1.0), 0);
    EXPECT_EQ(stitchCount(10, 1.0), 1);
}

// 4.1 is 4.0999999999999996 in binary: a plain truncation would give 40
// stitches for 4.1 cm at 100 stitches, where the knitter counts 41.
TEST(StitchCount, DecimalInputsAreNotShortenedByTheirBinaryForm) {
    using pattern::stitchCount;
    EXPECT_EQ(stitchCount(100, 4.1), 41);
    EXPECT_EQ(stitchCount(1000, 2.01), 201);
    EXPECT_EQ(stitchCount(10, 4.19), 4);  // 4.19 stays 4
    EXPECT_EQ(stitchCount(33, 9.99), 32); // 32.967
}

TEST(SizeCoupling, ProportionsClampingAndRounding) {
    using pattern::coupledSize;
    EXPECT_DOUBLE_EQ(coupledSize(200, 20.0, 320), 12.5);
    EXPECT_DOUBLE_EQ(coupledSize(320, 25.0, 200), 40.0);
    EXPECT_DOUBLE_EQ(coupledSize(100, 20.0, 333), 6.01);  // 6.006...
    EXPECT_DOUBLE_EQ(coupledSize(1000, 200.0, 100), 1000.0);
    EXPECT_DOUBLE_EQ(coupledSize(1, 10.0, 1000), 1.0);
    EXPECT_DOUBLE_EQ(pattern::sizeFieldValue(2.345L), 2.35);
    EXPECT_DOUBLE_EQ(pattern::sizeFieldValue(999.999L), 1000.0);
}

TEST(ComputeGrid, StartUpMotifGivesAWhiteGrid) {
    BlockGuard guard;
    dib motif = testimg::grey24(320, 200, 255);
    for (int rolmod : {0, 1}) {
        dib grid{};
        ASSERT_EQ(computeGrid(motif, 46, 38, testimg::defaultYarns(), 64, rolmod, grid), ComputeStatus::Ok);
        EXPECT_EQ(dibwidth(grid), 46);
        EXPECT_EQ(dibheight(grid), 38);
        for (int y = 0; y < 38; ++y)
            for (int x = 0; x < 46; ++x) ASSERT_EQ(getpixel(grid, x, y), 11u);
        freedib(grid);
    }
    freedib(motif);
}

TEST(ComputeGrid, IndexedMotifsAreExpandedFirst) {
    BlockGuard guard;
    for (int bits : {1, 4, 8}) {
        dib motif{};
        newdib(&motif, 9, 6, bits, nullptr, 0);
        motif.pal.rgb0[0] = PALETTEENTRY{255, 255, 255, 0};  // index 0 is white here
        motif.pal.rgb0[1] = PALETTEENTRY{0, 0, 0, 0};
        setpixel(motif, 2, 1, 1);
        dib grid{};
        ASSERT_EQ(computeGrid(motif, 9, 6, testimg::defaultYarns(), 64, 0, grid), ComputeStatus::Ok) << bits;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(testimg::gridColour(grid, x, y), x == 2 && y == 1 ? 0u : 0xFFFFFFu) << bits;
        freedib(grid);
        freedib(motif);
    }
}

TEST(ComputeGrid, IndexedMotifsGiveTheGridOfTheirExpansion) {
    // Sampling the indices first must give the very grid that expanding the
    // motif to 24 bits first gives: shrinking and enlarging, odd sizes.
    BlockGuard guard;
    const LPAL yarns = testimg::defaultYarns();
    for (int bits : {1, 4, 8}) {
        dib motif{};
        newdib(&motif, 53, 41, bits, nullptr, 0);
        const int n = 1 << bits;
        for (int i = 0; i < n; ++i)
            motif.pal.rgb0[i] = PALETTEENTRY{uint8_t(i * 97), uint8_t(255 - i * 13), uint8_t(i * 5), 0};
        for (int y = 0; y < 41; ++y)
            for (int x = 0; x < 53; ++x) setpixel(motif, x, y, uint32_t((x * 7 + y * y) % n));
        dib full = pattern::DepthUpTo(motif, 24);
        for (auto [w, h] : {std::pair{17, 13}, std::pair{53, 41}, std::pair{120, 77}}) {
            for (int rolmod : {0, 1}) {
                dib want{}, got{};
                ASSERT_EQ(computeGrid(full, w, h, yarns, 64, rolmod, want), ComputeStatus::Ok);
                ASSERT_EQ(computeGrid(motif, w, h, yarns, 64, rolmod, got), ComputeStatus::Ok);
                for (int y = 0; y < h; ++y)
                    ASSERT_EQ(std::memcmp(want.poi + int64_t(y) * want.bytew, got.poi + int64_t(y) * got.bytew,
                                          std::size_t(w)), 0)
                        << bits << " bits to " << w << " x " << h << ", row " << y;
                freedib(want);
                freedib(got);
            }
        }
        freedib(full);
        freedib(motif);
    }
}

TEST(ComputeGrid, ProgressContract) {
    BlockGuard guard;
    dib motif{};
    newdib(&motif, 30, 20, 8, nullptr, 0);
    testimg::ProgressLog log;
    dib grid{};
    ASSERT_EQ(computeGrid(motif, 7, 5, testimg::defaultYarns(), 64, 0, grid, log.callback()), ComputeStatus::Ok);
    ASSERT_FALSE(log.values.empty());
    EXPECT_EQ(log.values.front(), 0);
    EXPECT_EQ(log.values.back(), 0);
    for (int v : log.values) {
        EXPECT_TRUE(v >= 0 && v <= 100) << v;
    }
    // Three stages, each from 0 up to 100 and back to 0.
    int stages = 0;
    for (std::size_t i = 1; i < log.values.size(); ++i) {
        if (log.values[i] == 100) ++stages;
        if (log.values[i] != 0 && log.values[i - 1] != 0) {
            EXPECT_GT(log.values[i], log.values[i - 1]);
        }
    }
    EXPECT_EQ(stages, 3);
    freedib(grid);
    freedib(motif);
}

TEST(ComputeGrid, RefusalsLeaveTheGridAndMemoryAlone) {
    BlockGuard guard;
    dib motif = testimg::grey24(32, 20, 90);
    dib grid{};
    grid.zoom = 4711;  // marker: the record must not be touched
    const LPAL yarns = testimg::defaultYarns();
    testimg::ProgressLog log;
    EXPECT_EQ(computeGrid(motif, 0, 38, yarns, 64, 1, grid, log.callback()), ComputeStatus::EmptyGrid);
    EXPECT_EQ(computeGrid(motif, 46, 0, yarns, 64, 1, grid), ComputeStatus::EmptyGrid);
    EXPECT_EQ(computeGrid(motif, -3, 5, yarns, 64, 1, grid), ComputeStatus::EmptyGrid);
    EXPECT_EQ(computeGrid(dib{}, 46, 38, yarns, 64, 1, grid), ComputeStatus::NoMotif);
    // The largest counts the fields allow: 30 GB of resampled pixels.
    EXPECT_EQ(computeGrid(motif, 100000, 100000, yarns, 64, 1, grid), ComputeStatus::TooLarge);
    // Past the record limit in one direction only.
    EXPECT_EQ(computeGrid(motif, 100000, 7200, yarns, 64, 1, grid), ComputeStatus::TooLarge);
    // Within the record limit but beyond the memory budget given.
    EXPECT_EQ(computeGrid(motif, 460, 380, yarns, 64, 1, grid, {}, 460 * 380), ComputeStatus::TooLarge);
    EXPECT_EQ(grid.poi, nullptr);
    EXPECT_EQ(grid.zoom, 4711);
    EXPECT_EQ(log.values, (std::vector<int>{0}));

    dib deep{};
    newdib(&deep, 8, 8, 32, nullptr, 0);
    EXPECT_EQ(computeGrid(deep, 8, 8, yarns, 64, 1, grid), ComputeStatus::UnsupportedDepth);
    freedib(deep);
    newdib(&deep, 8, 8, 16, nullptr, 0);
    EXPECT_EQ(computeGrid(deep, 8, 8, yarns, 64, 1, grid), ComputeStatus::UnsupportedDepth);
    freedib(deep);
    EXPECT_EQ(grid.zoom, 4711);
    freedib(motif);
}

TEST(ComputeGrid, EveryFailedAllocationIsRefusedWithoutLeaks) {
    BlockGuard guard;
    const LPAL yarns = testimg::defaultYarns();
    for (int bits : {8, 24}) {
        dib motif{};
        newdib(&motif, 40, 30, bits, nullptr, 0);
        // 8-bit: expansion (2 blocks), resampling (2), grid (2).
        for (long n = 0; n < 6; ++n) {
            if (bits == 24 && n >= 4) break;
            dib grid{};
            memblock::failAfter(n);
            ComputeStatus s = computeGrid(motif, 20, 10, yarns, 64, 1, grid);
            memblock::failAfter(-1);
            EXPECT_EQ(s, ComputeStatus::OutOfMemory) << bits << " bits, " << n;
            EXPECT_EQ(grid.poi, nullptr);
        }
        freedib(motif);
    }
}

TEST(ComputeGrid, PeakBytesFollowTheImages) {
    // 24-bit rows of 460 stitches take 1380 bytes, 8-bit rows 460.
    const int64_t work = 2 * 462 * 3 * int64_t(sizeof(int)) + (int64_t(1) << 20);
    EXPECT_EQ(pattern::computePeakBytes(320, 200, 24, 460, 380), (1380 + 460) * 380 + work);
    // An indexed motif costs its sampled indices, not a 24-bit copy of itself.
    EXPECT_EQ(pattern::computePeakBytes(4000, 3000, 8, 460, 380), (460 + 1380) * 380 + work);
    EXPECT_EQ(pattern::computePeakBytes(320, 200, 24, 100000, 100000), -1);
    EXPECT_GE(pattern::computeMemoryBudget(), int64_t(1) << 20);
}

// A computation cancelled in its resampling or its colour reduction leaves
// the grid untouched and nothing allocated; one that is not cancelled gives
// the plain computation's grid.
TEST(ComputeStaysResponsive, CancelledInAnyStageChangesNothing) {
    BlockGuard guard;
    dib motif = testimg::make24(60, 40, [](int x, int y) { return packrgb(uint8_t(x * 4), uint8_t(y * 6), 90); });
    const LPAL yarns = testimg::defaultYarns();
    dib plain{};
    ASSERT_EQ(computeGrid(motif, 30, 20, yarns, 64, 1, plain), ComputeStatus::Ok);
    for (int stopAt : {1, 20, 40}) {
        int reports = 0;
        dib grid{};
        const ComputeStatus s = pattern::computeGridCancellable(motif, 30, 20, yarns, 64, 1, grid,
                                                                [&](int) { return ++reports < stopAt; });
        EXPECT_EQ(s, ComputeStatus::Cancelled) << stopAt;
        EXPECT_EQ(grid.poi, nullptr);
    }
    dib grid{};
    ASSERT_EQ(pattern::computeGridCancellable(motif, 30, 20, yarns, 64, 1, grid, [](int) { return true; }),
              ComputeStatus::Ok);
    EXPECT_EQ(std::memcmp(grid.poi, plain.poi, size_t(grid.bytew) * 20), 0);
    freedib(grid);
    freedib(plain);
    freedib(motif);
}
