// JPEG (and JIF, the same bytes under another name) through libjpeg-turbo.
// Reads baseline, extended and progressive files, greyscale, YCbCr, RGB,
// CMYK and YCCK; writes baseline YCbCr (or greyscale for grey palettes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "raster/codecs/codec.h"

namespace pixkit {

// Quality used for every JPEG the library writes.
constexpr int kJpegQuality = 95;

bool jpegProbe(const uint8_t* data, size_t size);
// Greyscale files become 8-bit images with a grey palette, all others 24 bits.
// A file that ends early gives what libjpeg decoded up to that point (the
// library's convention; the rest stays as libjpeg fills it).
Status jpegRead(const uint8_t* data, size_t size, dib& out, const Progress& progress);
Status jpegWrite(const dib& d, std::FILE* f);

}  // namespace pixkit
