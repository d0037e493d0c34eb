#include "pattern/resize.h"

#include <cstring>
#include <vector>

#include "raster/PixKit3.h"

namespace pattern {

namespace {

constexpr int kFixedBits = 10;  // steps in 1/1024 source pixels

template <int Bytes>
void sampleRow(const uint8_t* in, uint8_t* out, const std::vector<int64_t>& columns) {
    for (std::size_t x = 0; x < columns.size(); ++x) std::memcpy(out + x * Bytes, in + columns[x], Bytes);
}

}  // namespace

dib Resize(const dib& src, int breit, int hoch, const Progress& progress) {
    report(progress, 0);
    dib out{};
    const int w = dibwidth(src), h = dibheight(src), bits = dibbitcount(src);
    if (breit <= 0 || hoch <= 0 || !src.poi || w <= 0 || h <= 0 || bits % 8 != 0) {
        report(progress, 0);
        return out;
    }
    // 64-bit so that wide sources cannot overflow the fixed-point products.
    const int64_t sx = (int64_t(w) << kFixedBits) / breit;
    const int64_t sy = (int64_t(h) << kFixedBits) / hoch;
    int colours = dibcolors(src);
    if (colours > 256) colours = 0;
    newdib(&out, breit, hoch, bits, src.pmi, colours);
    if (out.poi) {
        const int bytes = bits / 8;
        std::vector<int64_t> columns(static_cast<std::size_t>(breit));
        for (int x = 0; x < breit; ++x) columns[std::size_t(x)] = ((int64_t(x) * sx) >> kFixedBits) * bytes;
        for (int y = 0; y < hoch; ++y) {
            report(progress, rowPercent(y, hoch));
            const uint8_t* in = src.poi + ((int64_t(y) * sy) >> kFixedBits) * src.bytew;
            uint8_t* row = out.poi + int64_t(y) * out.bytew;
            switch (bytes) {
            case 1: sampleRow<1>(in, row, columns); break;
            case 2: sampleRow<2>(in, row, columns); break;
            case 3: sampleRow<3>(in, row, columns); break;
            default: sampleRow<4>(in, row, columns); break;
            }
        }
    }
    report(progress, 0);
    return out;
}

}  // namespace pattern
