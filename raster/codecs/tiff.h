// TIFF through libtiff. Reads the first page; writes LZW-compressed files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "raster/codecs/codec.h"

namespace pixkit {

bool tiffProbe(const uint8_t* data, size_t size);
// Palette files of 1, 2, 4 or 8 bits stay palette images, grey files become
// 8-bit grey (1-bit ones stay 1 bit), everything libtiff can render as RGBA
// becomes 24 bits with alpha composited onto white. Layouts libtiff cannot
// render (float, odd photometrics, unconfigured compressions) are refused as
// unsupported.
Status tiffRead(const uint8_t* data, size_t size, dib& out, const Progress& progress);
// Palette images at their depth with a colour map, grey-ramp images as
// 8-bit grey, 24-bit images as RGB; LZW, with horizontal differencing where
// samples are colours rather than indices.
Status tiffWrite(const dib& d, std::FILE* f);

}  // namespace pixkit
