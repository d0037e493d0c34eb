// ZSoft PCX.
//
// Reads 1 bit with 1 to 4 planes, 2 bits (CGA), 4 bits, 8 bits with the
// palette at the end of the file, and 24/32 bits as 3/4 planes of 8 bits.
// Writes version 5, RLE: 8 bits with a palette when the image has at most
// 256 colours, else 24 bits as three planes.
#pragma once

#include "raster/codecs/codec.h"

namespace pixkit {

bool pcxProbe(const uint8_t* data, std::size_t size);
Status pcxRead(const uint8_t* data, std::size_t size, dib& out, const Progress& progress);
Status pcxWrite(const dib& d, std::FILE* f);

}  // namespace pixkit
