// Floyd-Steinberg error diffusion onto the grid palette, serpentine, in
// integer arithmetic with errors kept in sixteenths.
#pragma once

#include "pattern/progress.h"
#include "raster/dib.h"

// Fills the prepared 8-bit grid `dst` (palette laid out) from the 24-bit
// picture `src` of the same size; `src` is only read. Does nothing unless
// both have pixels, the depths are 24 and 8 and the sizes agree.
// Progress per row (picture rows from the top), without the closing 0.
void DitherToPalette(const dib& src, const dib& dst, const pattern::Progress& progress = {});
