// Size limits of the raster library, and the checked arithmetic that keeps
// every allocation honest. All image sizes pass through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace pixkit {

// A record's pixel block must stay addressable with 32-bit signed offsets
// (row * bytew is computed in int32 by callers), so no block passes 2 GiB.
constexpr int64_t kMaxImageBytes = std::numeric_limits<int32_t>::max();
// Decoders refuse pictures larger than this before allocating anything.
// What the program writes it must read: every 24-bit record there can be
// (a chart is one) passes. The readers check their data can fill a large
// picture before they allocate it, so a tiny file stays tiny in memory.
constexpr int64_t kMaxDecodePixels = kMaxImageBytes / 3;
constexpr int64_t kMaxDecodeBytes = kMaxImageBytes;
// Largest file read whole: a record of kMaxDecodeBytes with the worst
// run-length expansion of the writers (PCX doubles bytes of 0xC0 and up).
constexpr int64_t kMaxDecodeFileBytes = 2 * kMaxDecodeBytes + (int64_t(1) << 20);

// Depths a record may have at all (the record layouts know these).
constexpr bool isRecordDepth(int64_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Depths every reader delivers, every writer takes and the compute command
// works from: palette images of 1, 4 or 8 bits and 24-bit colour.
constexpr bool isWorkingDepth(int64_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

// Bytes per stored row: pixel bytes rounded up to a multiple of 4.
// Returns -1 when width or bits are out of range or the row overflows.
constexpr int64_t rowBytes(int64_t width, int64_t bits) {
    if (width <= 0 || bits <= 0 || bits > 32) return -1;
    int64_t b = (width * bits + 31) / 32 * 4;
    return b > kMaxImageBytes ? -1 : b;
}

// Pixel bytes of a whole image, or -1 when it cannot be allocated as one
// record.
constexpr int64_t imageBytes(int64_t width, int64_t height, int64_t bits) {
    int64_t row = rowBytes(width, bits);
    if (row < 0 || height <= 0) return -1;
    if (row > kMaxImageBytes / height) return -1;
    return row * height;
}

// Whether a decoder may allocate a picture of this size.
constexpr bool decodeSizeOk(int64_t width, int64_t height, int64_t bits) {
    if (width <= 0 || height <= 0) return false;
    if (width > kMaxDecodePixels || height > kMaxDecodePixels) return false;
    if (width * height > kMaxDecodePixels) return false;
    int64_t bytes = imageBytes(width, height, bits);
    return bytes > 0 && bytes <= kMaxDecodeBytes;
}

}  // namespace pixkit
