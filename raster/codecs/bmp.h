// Windows and OS/2 bitmaps (.bmp, .dib, .rle).
//
// Reads 1, 2, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, RLE4, RLE8,
// OS/2 RLE24 and bit fields, bottom-up and top-down, with Windows headers of
// 40 to 124 bytes and OS/2 1.x and 2.x headers; also the header-less layout
// of the clipboard that starts with the info header. Writes uncompressed
// bitmaps, or RLE8-compressed ones for the .rle format.
#pragma once

#include "raster/codecs/codec.h"

namespace pixkit {

// "BM" file header, or a plausible info header at offset 0 (header-less).
bool bmpProbe(const uint8_t* data, std::size_t size);
Status bmpRead(const uint8_t* data, std::size_t size, dib& out, const Progress& progress);
// rle = false: the image at its own depth, uncompressed.
// rle = true: 8 bits per pixel, RLE8. A 24-bit image keeps its colours when
// it has at most 256 of them; otherwise it is reduced by median cut (see
// Palettizer::buildQuantized).
Status bmpWrite(const dib& d, std::FILE* f, bool rle);

}  // namespace pixkit
