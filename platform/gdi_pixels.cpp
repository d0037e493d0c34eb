#include "platform/gdi_pixels.h"

#include <cstring>

namespace gdi {

DibPixels::DibPixels(const BITMAPINFO* info, const void* bits) {
    if (!info || !bits) return;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biCompression != 0) return;
    int b = h.biBitCount;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32) return;
    if (h.biWidth <= 0 || h.biHeight <= 0) return;
    int64_t stride = (int64_t(h.biWidth) * b + 31) / 32 * 4;
    if (stride > INT32_MAX) return;
    width_ = h.biWidth;
    height_ = h.biHeight;
    bitCount_ = b;
    stride_ = std::ptrdiff_t(stride);
    data_ = static_cast<const uint8_t*>(bits);
    if (b <= 8) {
        // A table shorter than the depth allows says so in biClrUsed; never
        // read past it. Indices beyond it show black.
        uint32_t n = 1u << b;
        if (h.biClrUsed != 0 && h.biClrUsed < n) n = h.biClrUsed;
        for (uint32_t i = 0; i < n; ++i) {
            const RGBQUAD& q = info->bmiColors[i];
            table_[i][0] = q.rgbBlue;
            table_[i][1] = q.rgbGreen;
            table_[i][2] = q.rgbRed;
        }
    }
    valid_ = true;
}

void DibPixels::fetchOne(const uint8_t* line, int x, uint8_t* out) const {
    switch (bitCount_) {
    case 1:
        std::memcpy(out, table_[(line[x >> 3] >> (7 - (x & 7))) & 1], 3);
        break;
    case 4:
        std::memcpy(out, table_[(x & 1) ? (line[x >> 1] & 0x0F) : (line[x >> 1] >> 4)], 3);
        break;
    case 8:
        std::memcpy(out, table_[line[x]], 3);
        break;
    case 16: {
        unsigned v = unsigned(line[2 * x]) | (unsigned(line[2 * x + 1]) << 8);
        out[0] = uint8_t((v & 0x1F) * 255 / 31);
        out[1] = uint8_t(((v >> 5) & 0x1F) * 255 / 31);
        out[2] = uint8_t(((v >> 10) & 0x1F) * 255 / 31);
        break;
    }
    case 24:
        std::memcpy(out, line + 3 * std::ptrdiff_t(x), 3);
        break;
    case 32:
        std::memcpy(out, line + 4 * std::ptrdiff_t(x), 3);
        break;
    default:
        break;
    }
}

void DibPixels::fetchRun(const uint8_t* line, int x, int n, uint8_t* out) const {
    if (bitCount_ == 24) {
        std::memcpy(out, line + 3 * std::ptrdiff_t(x), std::size_t(n) * 3);
        return;
    }
    if (bitCount_ == 8) {
        const uint8_t* p = line + x;
        for (int i = 0; i < n; ++i, out += 3) std::memcpy(out, table_[p[i]], 3);
        return;
    }
    for (int i = 0; i < n; ++i, out += 3) fetchOne(line, x + i, out);
}

void DibPixels::fetchColumns(const uint8_t* line, const int* cols, int n, uint8_t* out) const {
    if (bitCount_ == 24) {
        for (int i = 0; i < n; ++i, out += 3) std::memcpy(out, line + 3 * std::ptrdiff_t(cols[i]), 3);
        return;
    }
    if (bitCount_ == 8) {
        for (int i = 0; i < n; ++i, out += 3) std::memcpy(out, table_[line[cols[i]]], 3);
        return;
    }
    for (int i = 0; i < n; ++i, out += 3) fetchOne(line, cols[i], out);
}

}  // namespace gdi
