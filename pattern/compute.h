// The compute command as a whole: motif in, stitch grid out.
#pragma once

#include <cstdint>

#include "pattern/colourwork.h"
#include "pattern/limits.h"
#include "pattern/progress.h"
#include "raster/dib.h"

namespace pattern {

// truncate(perTenCm * cm / 10): stitches (or rows) of `cm` centimetres at a
// gauge of `perTenCm` per 10 cm, truncated toward zero. Evaluated in
// extended precision; a product that misses a whole number only by the
// binary representation of a decimal input (4.1 cm at 100 per 10 cm is
// 40.99999999999999 in binary) counts as that whole number.
int stitchCount(int perTenCm, double cm);

// Value written into a size field: clamped to kSizeMin..kSizeMax, then
// rounded to kSizeDecimals decimals.
double sizeFieldValue(long double cm);

// Coupled size: otherPixels * cm / pixels (the other field's value for a
// motif of `pixels` along this field and `otherPixels` along the other),
// in extended precision, multiplication first, then clamped and rounded as
// a size field keeps it.
double coupledSize(int otherPixels, double cm, int pixels);

enum class ComputeStatus {
    Ok,
    NoMotif,           // the motif has no pixels
    EmptyGrid,         // a stitch or row count of 0
    UnsupportedDepth,  // not 1, 4, 8 or 24 bits per pixel
    TooLarge,          // the intermediate images would not fit in memory
    OutOfMemory,       // an allocation failed nevertheless
    Cancelled,         // the progress report said stop
};

// Largest number of bytes the intermediate images of one computation hold at
// the same time, or -1 when one of them cannot be a single image record.
int64_t computePeakBytes(int motifWidth, int motifHeight, int motifBits, int stitches, int rows);

// Resamples the motif to stitches x rows (a motif of 1, 4 or 8 bits as
// indices, then expanded to 24 bits: never the whole motif), reduces it to the yarn palette (`rolmod` 1 = dithering) and stores the new
// grid in `grid` (owned by the caller). On any status but Ok, `grid` is not
// touched and nothing stays allocated. Progress per row of every stage;
// the last report is 0.
ComputeStatus computeGrid(const dib& motif, int stitches, int rows, const LPAL& yarns, int zcols, int rolmod,
                          dib& grid, const Progress& progress = {},
                          int64_t memoryBudget = computeMemoryBudget());
// The same with a report that may cancel, looked at between the stages:
// cancelled, it returns Cancelled with `grid` untouched and nothing left
// allocated.
ComputeStatus computeGridCancellable(const dib& motif, int stitches, int rows, const LPAL& yarns, int zcols,
                                     int rolmod, dib& grid, const CancellableProgress& progress,
                                     int64_t memoryBudget = computeMemoryBudget());

// The same, reducing under the colourwork limits (yarns per row, floats;
// pattern/colourwork.h) instead of DepthDownTo.
ComputeStatus computeGrid(const dib& motif, int stitches, int rows, const LPAL& yarns, int zcols,
                          const colourwork::Options& colourwork, dib& grid, const Progress& progress = {},
                          int64_t memoryBudget = computeMemoryBudget());
ComputeStatus computeGridCancellable(const dib& motif, int stitches, int rows, const LPAL& yarns, int zcols,
                                     const colourwork::Options& colourwork, dib& grid,
                                     const CancellableProgress& progress,
                                     int64_t memoryBudget = computeMemoryBudget());

}  // namespace pattern
