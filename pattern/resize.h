// Resampling to one pixel per stitch: nearest neighbour on a 10-bit fixed
// point grid anchored at the bottom-left pixel, no averaging.
#pragma once

#include "pattern/progress.h"
#include "raster/dib.h"

namespace pattern {

// Returns a new `breit` x `hoch` image (owned by the caller) of the source's
// depth, sampled from `src`: destination column x takes source column
// (x * sx) >> 10 with sx = width * 1024 / breit, rows likewise in storage
// order. Sources of whole-byte depths (8, 16, 24, 32 bits) are copied pixel
// by pixel. Empty result for a size of 0 or less, a source without pixels
// or of 1 or 4 bits, and when the result gets no pixel memory.
// Progress per destination row.
dib Resize(const dib& src, int breit, int hoch, const Progress& progress = {});

// The same sampling for a motif of 1, 4 or 8 bits: an 8-bit result whose
// pixels are the sampled indices and whose palette is the motif's. Expanding
// it to 24 bits gives exactly what expanding the motif first and resampling
// that would, at the cost of the stitches instead of the motif. Empty result
// as for Resize, and for other depths.
dib ResizeIndexed(const dib& src, int breit, int hoch, const Progress& progress = {});

}  // namespace pattern
