// GIF: read through giflib, written by our own encoder. Reads the first
// frame: every image up to the first one that carries a display delay,
// composed on the logical screen, with transparent and uncovered pixels
// shown white. Writes GIF87a with 8 or fewer bits per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "raster/codecs/codec.h"

namespace pixkit {

bool gifProbe(const uint8_t* data, size_t size);
// A frame of one image stays a palette image (1, 4 or 8 bits; white takes
// the transparent entry, or one more entry when the table has room); frames
// of several images, whose tables may differ, become 24 bits. Pixel data
// that stops early leaves the rest white; broken codes or pixels beyond the
// colour table are refused.
Status gifRead(const uint8_t* data, size_t size, dib& out, const Progress& progress);
// Exact colours when the image has at most 256 of them, else reduced by
// median cut (Palettizer::buildQuantized), without dithering.
Status gifWrite(const dib& d, std::FILE* f);

}  // namespace pixkit
