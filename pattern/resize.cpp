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

// Storage row y of the result samples storage row rowOf(y) of the source.
struct Sampling {
    int64_t sx, sy;
    int64_t column(int x) const { return (int64_t(x) * sx) >> kFixedBits; }
    int64_t row(int y) const { return (int64_t(y) * sy) >> kFixedBits; }
};

Sampling samplingFor(int w, int h, int breit, int hoch) {
    // 64-bit so that wide sources cannot overflow the fixed-point products.
    return Sampling{(int64_t(w) << kFixedBits) / breit, (int64_t(h) << kFixedBits) / hoch};
}

}  // namespace

dib ResizeIndexed(const dib& src, int breit, int hoch, const Progress& progress) {
    report(progress, 0);
    dib out{};
    const int w = dibwidth(src), h = dibheight(src), bits = dibbitcount(src);
    if (breit <= 0 || hoch <= 0 || !src.poi || w <= 0 || h <= 0 || (bits != 1 && bits != 4 && bits != 8)) {
        report(progress, 0);
        return out;
    }
    const Sampling s = samplingFor(w, h, breit, hoch);
    newdib(&out, breit, hoch, 8, nullptr, 0);
    if (out.poi) {
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY& e = src.pal.rgb0[i];
            out.pal.rgb0[i] = e;
            out.pmi->bmiColors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
        std::vector<int64_t> columns(static_cast<std::size_t>(breit));
        for (int x = 0; x < breit; ++x) columns[std::size_t(x)] = s.column(x);
        for (int y = 0; y < hoch; ++y) {
            report(progress, rowPercent(y, hoch));
            const uint8_t* in = src.poi + s.row(y) * src.bytew;
            uint8_t* row = out.poi + int64_t(y) * out.bytew;
            for (int x = 0; x < breit; ++x) {
                const int64_t c = columns[std::size_t(x)];
                if (bits == 8) row[x] = in[c];
                else if (bits == 4) row[x] = uint8_t((c & 1) ? (in[c >> 1] & 0x0F) : (in[c >> 1] >> 4));
                else row[x] = uint8_t((in[c >> 3] >> (7 - (c & 7))) & 1);
            }
        }
    }
    report(progress, 0);
    return out;
}

dib Resize(const dib& src, int breit, int hoch, const Progress& progress) {
    report(progress, 0);
    dib out{};
    const int w = dibwidth(src), h = dibheight(src), bits = dibbitcount(src);
    if (breit <= 0 || hoch <= 0 || !src.poi || w <= 0 || h <= 0 || bits % 8 != 0) {
        report(progress, 0);
        return out;
    }
    const Sampling s = samplingFor(w, h, breit, hoch);
    int colours = dibcolors(src);
    if (colours > 256) colours = 0;
    newdib(&out, breit, hoch, bits, src.pmi, colours);
    if (out.poi) {
        const int bytes = bits / 8;
        std::vector<int64_t> columns(static_cast<std::size_t>(breit));
        for (int x = 0; x < breit; ++x) columns[std::size_t(x)] = s.column(x) * bytes;
        for (int y = 0; y < hoch; ++y) {
            report(progress, rowPercent(y, hoch));
            const uint8_t* in = src.poi + s.row(y) * src.bytew;
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
