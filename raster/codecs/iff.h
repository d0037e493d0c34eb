// Interchange File Format pictures: FORM ILBM (bit planes, 1 to 8 planes,
// Extra-Half-Brite, HAM, 24 and 32 planes) and FORM PBM (one byte per pixel,
// the .lbm files of PC paint programs), uncompressed or ByteRun1.
// Writes FORM ILBM with ByteRun1: 8 planes and a colour map when the image
// has at most 256 colours, else 24 planes. Used for .iff and .lbm alike.
#pragma once

#include "raster/codecs/codec.h"

namespace pixkit {

// "FORM" with ILBM or PBM inside.
bool iffProbe(const uint8_t* data, std::size_t size);
Status iffRead(const uint8_t* data, std::size_t size, dib& out, const Progress& progress);
Status iffWrite(const dib& d, std::FILE* f);

}  // namespace pixkit
