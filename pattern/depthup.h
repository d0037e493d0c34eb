// Depth expansion: a motif of 1, 4 or 8 bits per pixel becomes a 24-bit
// picture with the colours of its palette.
#pragma once

#include "pattern/progress.h"
#include "raster/dib.h"

namespace pattern {

// Returns a new image (owned by the caller) of the motif at `nbpp` bits per
// pixel. Only 24 is a real target: for any other target, and for motifs of
// other depths, the result keeps the blank pixels newdib gave it. Without
// pixel memory for the result, the result comes back empty.
// Progress per motif row.
dib DepthUpTo(const dib& motif, int nbpp, const Progress& progress = {});

}  // namespace pattern
