// The program's limits and defaults, named once: the size page's fields
// take their ranges and start values from here, the compute command and the
// chart their memory shares. (The raster library's own size limits and
// depths are in raster/limits.h.)
#pragma once

#include <cstdint>

namespace pattern {

// Grid palette layout: yarn i sits at index kYarnIndexOffset + i; every
// other index shows yarn 0's colour.
constexpr int kYarnIndexOffset = 10;
constexpr int kGridPaletteSize = 256;
constexpr int kMaxYarnColours = kGridPaletteSize - kYarnIndexOffset;  // 246
// Yarn colours the compute command places.
constexpr int kYarnColours = 64;
// Yarn colours taken from the motif: how many the user may ask for, and
// the count the page offers first.
constexpr int kMotifYarnsMin = 2;
constexpr int kMotifYarnsMax = 64;
constexpr int kMotifYarnsDefault = 8;

// Size fields (cm) and gauge fields (stitches or rows per 10 cm), with the
// values the size page starts with.
constexpr double kSizeMin = 1.0;
constexpr double kSizeMax = 1000.0;
constexpr int kSizeDecimals = 2;
constexpr int kGaugeMin = 1;
constexpr int kGaugeMax = 1000;
constexpr int kDefaultStitches = 23;  // per 10 cm
constexpr int kDefaultRows = 31;      // per 10 cm
constexpr double kDefaultSizeCm = 20.0;

// Factor k of the chart legend's yarn estimate (yarn per stitch = k times a
// stitch's width plus height): about 2 for plain stockinette; the user
// corrects it for a yarn or for the floats of colour work.
constexpr double kDefaultYarnFactor = 2.0;
constexpr double kYarnFactorMin = 0.5;
constexpr double kYarnFactorMax = 20.0;

// The compute command's intermediate images may claim at most this share
// of the machine's physical memory (1 / kMemoryShareDivisor): the images
// are zero-filled lazily by the system, so an allocation that "succeeds"
// beyond physical memory would only fail later, while the pixels are
// written. Each single image is further bounded by the raster library's
// record limit (pixkit::kMaxImageBytes).
constexpr int64_t kMemoryShareDivisor = 2;
// The chart may take at most 1 / kChartMemoryShareDivisor of physical
// memory: saving and printing need room for their own copies beside it.
constexpr int64_t kChartMemoryShareDivisor = 4;

// Bytes the compute command may use for its intermediate images on this
// machine.
int64_t computeMemoryBudget();

}  // namespace pattern
