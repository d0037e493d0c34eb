// Building the record a reader hands back, shared by the simple codecs.
//
// DibBuilder checks the size against the decode limits before it allocates,
// keeps `pal` and the colour table in step, and frees the image unless the
// reader releases it on success, so no error path can leak a block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/codecs/codec.h"
#include "raster/codecs/dibrows.h"
#include "raster/dib.h"

namespace pixkit {

class DibBuilder {
public:
    DibBuilder() = default;
    ~DibBuilder() { freedib(d_); }
    DibBuilder(const DibBuilder&) = delete;
    DibBuilder& operator=(const DibBuilder&) = delete;

    // Allocates a blank image of 1, 4, 8 or 24 bits; TooLarge beyond the
    // decode limits, NoMemory when the blocks cannot be had.
    Status create(int64_t width, int64_t height, int bits);

    int width() const { return w_; }
    int height() const { return h_; }
    int bits() const { return bits_; }
    int stride() const { return d_.bytew; }

    // Palette entry i in both the logical palette and the colour table.
    void setColour(int i, uint8_t r, uint8_t g, uint8_t b);
    // 2^bits grey levels from black to white.
    void setGreyPalette();
    // Bytes of picture row y, counted from the top.
    uint8_t* row(int y) { return d_.poi + int64_t(h_ - 1 - y) * d_.bytew; }
    // Bytes of stored row r, counted from the bottom.
    uint8_t* storedRow(int r) { return d_.poi + int64_t(r) * d_.bytew; }
    // Sets every pixel byte (0xFF = white in 24 bits).
    void fill(uint8_t v);

    // Hands the finished image over; the builder is empty afterwards.
    void releaseTo(dib& out);

private:
    dib d_{};
    int w_ = 0, h_ = 0, bits_ = 0;
};

// Expands an n-bit channel value to 8 bits by bit replication.
constexpr uint8_t expandBits(unsigned v, unsigned bits) {
    if (bits == 0) return 0;
    if (bits >= 8) return uint8_t(v >> (bits - 8));
    unsigned out = 0;
    int shift = 8 - int(bits);
    while (shift > -int(bits)) {
        out |= shift >= 0 ? v << shift : v >> -shift;
        shift -= int(bits);
    }
    return uint8_t(out & 0xFF);
}

// Stores a palette index into a row of 1, 4 or 8 bits per pixel.
inline void putIndex(uint8_t* row, int bits, int x, unsigned v) {
    switch (bits) {
    case 1:
        if (v & 1) row[x >> 3] |= uint8_t(0x80u >> (x & 7));
        else row[x >> 3] &= uint8_t(~(0x80u >> (x & 7)));
        break;
    case 4:
        if (x & 1) row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (v & 0x0F));
        else row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
        break;
    default:
        row[x] = uint8_t(v);
        break;
    }
}

// Smallest record depth that holds palette indices of `bits` bits.
constexpr int paletteDepthFor(int bits) { return bits <= 1 ? 1 : bits <= 4 ? 4 : 8; }

// Pictures up to this many pixels may be allocated on the word of any header.
constexpr int64_t kSmallPicturePixels = int64_t(1) << 22;

// Whether compressed input of `dataBytes` can plausibly describe `pixels`
// pixels when the format's best case packs `pixelsPerByte` pixels into one
// input byte. Keeps a few bytes of hostile header from claiming a huge
// allocation; small pictures always pass.
constexpr bool compressedSizePlausible(int64_t pixels, std::size_t dataBytes,
                                       int64_t pixelsPerByte) {
    return pixels <= kSmallPicturePixels || pixels / pixelsPerByte <= int64_t(dataBytes);
}

// Reports reading progress per row: 0 .. 100 as rows pass, each value
// once. The final 0 is the dispatcher's.
class RowProgress {
public:
    RowProgress(const Progress& p, int rows) : p_(p), rows_(rows) {}
    void row(int y) {
        if (!p_) return;
        int pct = rows_ > 1 ? int(int64_t(y) * 100 / (rows_ - 1)) : 100;
        if (pct != last_) {
            last_ = pct;
            p_(pct);
        }
    }

private:
    const Progress& p_;
    int rows_;
    int last_ = -1;
};

}  // namespace pixkit
