// Reading pixels of device-independent bitmaps for the device contexts:
// every supported depth to blue-green-red bytes. Internal to platform/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/dib.h"

namespace gdi {

// A checked view of an info block and its pixel buffer. Only uncompressed
// bottom-up bitmaps of 1, 4, 8, 16 (5-5-5), 24 and 32 bits are valid.
class DibPixels {
public:
    DibPixels(const BITMAPINFO* info, const void* bits);

    bool valid() const { return valid_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bits() const { return bitCount_; }
    std::ptrdiff_t stride() const { return stride_; }
    // Scan line k of the buffer (counted from its first, bottom, line).
    const uint8_t* line(int k) const { return data_ + std::ptrdiff_t(k) * stride_; }

    // Converts n pixels starting at column x of `line` to 3 bytes each.
    void fetchRun(const uint8_t* line, int x, int n, uint8_t* out) const;
    // Converts the pixels at columns cols[0..n) of `line`.
    void fetchColumns(const uint8_t* line, const int* cols, int n, uint8_t* out) const;

private:
    void fetchOne(const uint8_t* line, int x, uint8_t* out) const;

    bool valid_ = false;
    int width_ = 0, height_ = 0, bitCount_ = 0;
    std::ptrdiff_t stride_ = 0;
    const uint8_t* data_ = nullptr;
    uint8_t table_[256][3] = {};  // colour table as blue, green, red
};

}  // namespace gdi
