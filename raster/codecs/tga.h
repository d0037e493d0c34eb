// Truevision TGA.
//
// Reads image types 1, 2, 3 (colour-mapped, true colour, grey) and their RLE
// forms 9, 10, 11, with 8 to 32 bits per pixel and any of the four origins.
// Writes RLE: type 9 (8-bit colour map) for palette images, type 10 with
// 24 bits otherwise, bottom-left origin.
//
// TGA has no magic number, so the probe is weak: the dispatcher asks it
// after every format with a signature.
#pragma once

#include "raster/codecs/codec.h"

namespace pixkit {

bool tgaProbe(const uint8_t* data, std::size_t size);
Status tgaRead(const uint8_t* data, std::size_t size, dib& out, const Progress& progress);
Status tgaWrite(const dib& d, std::FILE* f);

}  // namespace pixkit
