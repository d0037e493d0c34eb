// Colour reduction to the yarn palette: the resampled 24-bit picture becomes
// the 8-bit stitch grid.
#pragma once

#include "pattern/progress.h"
#include "raster/dib.h"

namespace pattern {

// Lays out the grid palette (record and info block colour table): every
// entry yarn 0's colour, then entry kYarnIndexOffset + i yarn i for i below
// `zcols` (clamped to 0..kMaxYarnColours). Flag and reserved bytes are kept.
void layoutGridPalette(dib& grid, const LPAL& yarns, int zcols);

// Returns the new stitch grid (owned by the caller), as large as `src`.
// `rolmod` 1 diffuses the error (DitherToPalette), anything else gives each
// stitch the nearest palette colour. Only 24-bit sources are read; for any
// other source, and when the grid gets no pixel memory, the result is
// empty. Progress per row, for either method.
dib DepthDownTo(const dib& src, const LPAL& yarns, int zcols, int rolmod, const Progress& progress = {});

}  // namespace pattern
