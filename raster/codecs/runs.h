// Runs of equal pixels, found eight bytes at a time. A chart is long runs of
// one colour, and the run-length and palette writers spend most of their time
// finding where each run ends.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pixkit {

// Number of leading bytes in which a and b agree, at most n.
inline std::size_t equalPrefix(const uint8_t* a, const uint8_t* b, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (uint64_t d = x ^ y) {
            int bit = std::endian::native == std::endian::little ? std::countr_zero(d) : std::countl_zero(d);
            return i + std::size_t(bit >> 3);
        }
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

// Pixels of bpp bytes from p on that equal the one at p, that one included:
// between 1 and min(avail, max) (0 when nothing is available).
inline int runLength(const uint8_t* p, int avail, int max, int bpp) {
    int limit = avail < max ? avail : max;
    if (limit <= 1) return limit < 0 ? 0 : limit;
    // Every pixel equals the one before it exactly when every byte equals
    // the byte bpp places before it.
    std::size_t same = equalPrefix(p, p + bpp, std::size_t(limit - 1) * std::size_t(bpp));
    return 1 + int(same / std::size_t(bpp));
}

// Bytes of a row of w pixels of the given depth that hold pixels. Rows
// whose bytes agree hold the same pixels: a chart repeats each row of a
// stitch many times, so the writers map and encode it once.
inline std::size_t usedRowBytes(int w, int bits) { return (std::size_t(w) * std::size_t(bits) + 7) / 8; }

inline bool samePixel(const uint8_t* a, const uint8_t* b, int bpp) {
    return bpp == 1 ? a[0] == b[0] : a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

}  // namespace pixkit
