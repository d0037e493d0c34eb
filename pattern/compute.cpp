#include "pattern/compute.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "pattern/colourwork.h"
#include "pattern/depthdown.h"
#include "pattern/depthup.h"
#include "pattern/resize.h"
#include "raster/memblock.h"
#include "raster/limits.h"

namespace pattern {

int64_t computeMemoryBudget() {
    const int64_t physical = memblock::physicalBytes();
    if (physical <= 0) return pixkit::kMaxImageBytes;  // unknown: one record's worth
    return physical / kMemoryShareDivisor;
}

int stitchCount(int perTenCm, double cm) {
    long double count = (long double)perTenCm * (long double)cm / 10.0L;
    if (!std::isfinite(count) || count <= 0) return 0;
    // Decimal inputs of a few places give exact products that are multiples
    // of 1/1000; a shortfall below 1e-6 is binary representation, not size.
    long double whole = std::nearbyint(count);
    if (whole > count && whole - count < 1e-6L) count = whole;
    if (count >= (long double)std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return int(count);  // truncation toward zero
}

double sizeFieldValue(long double cm) {
    if (std::isnan(cm)) return kSizeMin;
    cm = std::clamp<long double>(cm, kSizeMin, kSizeMax);
    constexpr long double kScale = 100.0L;  // 10^kSizeDecimals
    static_assert(kSizeDecimals == 2);
    return double(std::round(cm * kScale) / kScale);
}

double coupledSize(int otherPixels, double cm, int pixels) {
    long double v = (long double)otherPixels * (long double)cm / (long double)pixels;
    return sizeFieldValue(v);
}

int64_t computePeakBytes(int /*motifWidth*/, int /*motifHeight*/, int motifBits, int stitches, int rows) {
    // An indexed motif is sampled to 8 bits per stitch before expansion.
    const int64_t sampled = motifBits < 24 ? pixkit::imageBytes(stitches, rows, 8) : 0;
    const int64_t resampled = pixkit::imageBytes(stitches, rows, 24);
    const int64_t grid = pixkit::imageBytes(stitches, rows, 8);
    if (sampled < 0 || resampled < 0 || grid < 0) return -1;
    // Two error rows of int cells while dithering, plus the palette's cells.
    const int64_t work = 2 * (int64_t(stitches) + 2) * 3 * int64_t(sizeof(int)) + (int64_t(1) << 20);
    // The sampled indices are released before the grid is made.
    return std::max(sampled + resampled, resampled + grid) + work;
}

namespace {

// The computation; `cancelled` (may be null) is looked at between the stages.
// `reduce` makes the grid from the resampled motif.
using Reduce = std::function<dib(const dib& resampled, const Progress& progress)>;
ComputeStatus compute(const dib& motif, int stitches, int rows, const Reduce& reduce, dib& grid,
                      const Progress& progress, int64_t memoryBudget, const bool* cancelled) {
    auto stop = [&] { return cancelled && *cancelled; };
    ComputeStatus status = ComputeStatus::Ok;
    const int bits = dibbitcount(motif);
    if (!motif.poi || dibwidth(motif) <= 0 || dibheight(motif) <= 0) {
        status = ComputeStatus::NoMotif;
    } else if (stitches <= 0 || rows <= 0) {
        status = ComputeStatus::EmptyGrid;
    } else if (!pixkit::isWorkingDepth(bits)) {
        // Resampling and reduction read 3 bytes per pixel: only a true
        // 24-bit picture may reach them.
        status = ComputeStatus::UnsupportedDepth;
    } else {
        const int64_t peak = computePeakBytes(dibwidth(motif), dibheight(motif), bits, stitches, rows);
        if (peak < 0 || peak > memoryBudget) status = ComputeStatus::TooLarge;
    }
    if (status != ComputeStatus::Ok) {
        report(progress, 0);
        return status;
    }

    dib resampled{};
    if (bits < 24) {
        // Sampled first, so that only the stitches are expanded, not the
        // whole motif.
        dib sampled = ResizeIndexed(motif, stitches, rows, progress);
        if (sampled.poi && !stop()) resampled = DepthUpTo(sampled, 24, progress);
        freedib(sampled);
    } else {
        resampled = Resize(motif, stitches, rows, progress);
    }
    if (stop()) {
        freedib(resampled);
        report(progress, 0);
        return ComputeStatus::Cancelled;
    }
    if (!resampled.poi) {
        report(progress, 0);
        return ComputeStatus::OutOfMemory;
    }
    dib result = reduce(resampled, progress);
    freedib(resampled);
    if (stop()) {
        freedib(result);
        report(progress, 0);
        return ComputeStatus::Cancelled;
    }
    if (!result.poi) {
        report(progress, 0);
        return ComputeStatus::OutOfMemory;
    }
    grid = result;
    return ComputeStatus::Ok;
}

Reduce plainReduction(const LPAL& yarns, int zcols, int rolmod) {
    return [&yarns, zcols, rolmod](const dib& resampled, const Progress& progress) {
        return DepthDownTo(resampled, yarns, zcols, rolmod, progress);
    };
}

Reduce colourworkReduction(const LPAL& yarns, int zcols, const colourwork::Options& options) {
    return [&yarns, zcols, options](const dib& resampled, const Progress& progress) {
        return colourwork::reduceRows(resampled, yarns, zcols, options, progress);
    };
}

ComputeStatus cancellable(const dib& motif, int stitches, int rows, const Reduce& reduce, dib& grid,
                          const CancellableProgress& progress, int64_t memoryBudget) {
    bool cancelled = false;
    const Progress each = [&](int percent) {
        if (!proceed(progress, percent)) cancelled = true;
    };
    return compute(motif, stitches, rows, reduce, grid, each, memoryBudget, &cancelled);
}

}  // namespace

ComputeStatus computeGrid(const dib& motif, int stitches, int rows, const LPAL& yarns, int zcols, int rolmod,
                          dib& grid, const Progress& progress, int64_t memoryBudget) {
    return compute(motif, stitches, rows, plainReduction(yarns, zcols, rolmod), grid, progress, memoryBudget, nullptr);
}

ComputeStatus computeGridCancellable(const dib& motif, int stitches, int rows, const LPAL& yarns, int zcols,
                                     int rolmod, dib& grid, const CancellableProgress& progress,
                                     int64_t memoryBudget) {
    return cancellable(motif, stitches, rows, plainReduction(yarns, zcols, rolmod), grid, progress, memoryBudget);
}

ComputeStatus computeGrid(const dib& motif, int stitches, int rows, const LPAL& yarns, int zcols,
                          const colourwork::Options& colourwork, dib& grid, const Progress& progress,
                          int64_t memoryBudget) {
    return compute(motif, stitches, rows, colourworkReduction(yarns, zcols, colourwork), grid, progress, memoryBudget,
                   nullptr);
}

ComputeStatus computeGridCancellable(const dib& motif, int stitches, int rows, const LPAL& yarns, int zcols,
                                     const colourwork::Options& colourwork, dib& grid,
                                     const CancellableProgress& progress, int64_t memoryBudget) {
    return cancellable(motif, stitches, rows, colourworkReduction(yarns, zcols, colourwork), grid, progress,
                       memoryBudget);
}

}  // namespace pattern
