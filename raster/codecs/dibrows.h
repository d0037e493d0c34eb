// Row-level helpers shared by the codecs that wrap reference libraries:
// allocating the output record within the decode limits, addressing picture
// rows, filling palettes and converting rows between depths.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/codecs/codec.h"
#include "raster/dib.h"

namespace pixkit {

// Pixel count above which decoders refuse a picture. Starts at
// kMaxDecodePixels; the fuzz target lowers it so that hostile headers cannot
// push the harness over its memory limit.
int64_t decodePixelLimit();
void setDecodePixelLimit(int64_t pixels);

// Allocates `out` as a blank width x height image of 1, 4, 8 or 24 bits after
// checking the decode limits. TooLarge for sizes over the limits, Corrupt for
// zero or negative sizes, NoMemory when the blocks cannot be had.
Status allocDib(dib& out, int64_t width, int64_t height, int bits);

// First byte of picture row y (0 = top row) of a valid record.
inline uint8_t* dibRow(const dib& d, int y) {
    return d.poi + int64_t(dibheight(d) - 1 - y) * d.bytew;
}

// Sets palette entry i in both the logical palette and the colour table.
void setDibColour(dib& d, int i, uint8_t r, uint8_t g, uint8_t b);
// Number of palette entries in use (pal.num and biClrUsed).
void setDibColourCount(dib& d, int n);
// Grey ramp over all 2^bits entries of a palette image.
void setGreyPalette(dib& d);

// Smallest of 1, 4, 8 bits that holds `colours` palette entries.
int bitsForColours(int colours);

// Stores one row of 8-bit indices into picture row y, packed to the depth of
// the record (1, 4 or 8 bits).
void putIndexRow(const dib& d, int y, const uint8_t* idx);
// Reads picture row y as 8-bit indices (records of up to 8 bits).
void getIndexRow(const dib& d, int y, uint8_t* idx);
// Reads picture row y as blue, green, red triples, whatever the depth.
void getBgrRow(const dib& d, int y, uint8_t* bgr);

// Whether a palette record's used entries are all grey and equal to their
// index scaled to 0..255 (so the indices can be written as grey samples).
bool isGreyRamp(const dib& d);

// Composites a colour channel with alpha onto white.
inline uint8_t overWhite(unsigned c, unsigned a) {
    return uint8_t((c * a + 255u * (255u - a) + 127u) / 255u);
}

}  // namespace pixkit
