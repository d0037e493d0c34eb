// PNG through libpng.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "raster/codecs/codec.h"

namespace pixkit {

bool pngProbe(const uint8_t* data, size_t size);
// Palette files stay palette images (1, 4 or 8 bits; transparent entries are
// composited onto white), grey files become 8-bit grey, colour files 24 bits;
// 16-bit samples are scaled to 8, alpha and tRNS are composited onto white.
// Colour management chunks (gAMA, iCCP, cHRM) are ignored: the stored
// samples are the picture.
Status pngRead(const uint8_t* data, size_t size, dib& out, const Progress& progress);
// An indexed PNG exactly as stored, for files whose indices are data (a
// pattern's yarns), where a reader must neither remap nor widen them.
struct PngIndexed {
    int depth = 0;          // 1, 2, 4 or 8 bits per stored index
    int paletteCount = 0;   // PLTE entries, also set in `image`
    int maxIndex = -1;      // largest index any pixel uses
    std::vector<std::pair<std::string, std::string>> texts;  // tEXt, zTXt, iTXt: key, value
};
// Reads a palette PNG (any depth, interlaced or not) into `out`, 8 bits
// per pixel, one index per byte as stored; `out.pal` holds the PLTE entries
// and black after them. Unsupported for any other colour type; Corrupt or
// Truncated for a damaged file (no partial picture); TooLarge beyond the
// record limits. On failure `out` is empty.
Status pngReadIndexed(const uint8_t* data, size_t size, dib& out, PngIndexed& info);

// Lossless: palette images (1, 4, 8 bits) as palette PNGs of the same
// depth with every entry of the record's palette, 24-bit images as RGB.
Status pngWrite(const dib& d, std::FILE* f);
// The same with text chunks (tEXt, Latin-1 keys of 1..79 characters).
Status pngWriteWithTexts(const dib& d, std::FILE* f, const std::vector<std::pair<std::string, std::string>>& texts);

}  // namespace pixkit
