// PNG through libpng.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>

#include "raster/codecs/codec.h"

namespace pixkit {

bool pngProbe(const uint8_t* data, size_t size);
// Palette files stay palette images (1, 4 or 8 bits; transparent entries are
// composited onto white), grey files become 8-bit grey, colour files 24 bits;
// 16-bit samples are scaled to 8, alpha and tRNS are composited onto white.
// Colour management chunks (gAMA, iCCP, cHRM) are ignored: the stored
// samples are the picture.
Status pngRead(const uint8_t* data, size_t size, dib& out, const Progress& progress);
// Lossless: palette images (1, 4, 8 bits) as palette PNGs of the same
// depth with every entry of the record's palette, 24-bit images as RGB.
Status pngWrite(const dib& d, std::FILE* f);

}  // namespace pixkit
