// Yarn colours taken from the motif: a few distinct colours that together
// stand for the picture well, and the bookkeeping around them (placing them
// in the yarn palette, counting the stitches of each yarn in a grid).
#pragma once

#include <cstdint>
#include <vector>

#include "raster/dib.h"

namespace pattern {

// Up to `count` colours (clamped to kMotifYarnsMin..kMotifYarnsMax) chosen
// from the motif: fewer when the motif has fewer distinct colours, none for
// a motif without pixels or of a depth other than 1, 4, 8 or 24 bits.
// Deterministic. Colours come sorted dark to light.
//
// Every pixel goes into a histogram of 32 x 32 x 32 cells that keeps the
// mean colour of each cell; the means are clustered in CIELAB, where
// distances follow perceived differences: split by variance (the box with
// the largest error is cut where the two halves have the least error), then
// refined by Lloyd iterations that assign each colour as the compute
// command will (nearest in RGB) and move each yarn toward the median, in
// CIELAB, of what it was given (the mean colour difference is what counts).
std::vector<PALETTEENTRY> coloursFromMotif(const dib& motif, int count);

// Puts `colours` into yarns 0 .. k-1 and gives every further yarn (up to
// yarns.num) yarn 0's
// colour: the nearest-colour search returns the lowest index among equal
// entries, so a repeated yarn is never chosen for a stitch. Flags bytes are
// kept. An empty list changes nothing.
void setYarns(LPAL& yarns, const std::vector<PALETTEENTRY>& colours);

// Stitches of each of the `zcols` yarns in the 8-bit grid: index 10 + i is
// yarn i, every index no yarn owns shows (and counts as) yarn 0. Empty for
// a grid without pixels.
std::vector<int64_t> stitchesPerYarn(const dib& grid, int zcols);

// Mean CIE76 colour difference (Delta E*ab) between a 24-bit picture and
// an 8-bit grid of the same size, pixel for pixel through the grid's
// palette; -1 when the two do not match.
double meanDeltaE(const dib& picture, const dib& grid);
// The same in CIEDE2000.
double meanDeltaE2000(const dib& picture, const dib& grid);

}  // namespace pattern
