#include "raster/codecs/orient.h"

#include <algorithm>
#include <cstring>

#include "raster/codecs/dibrows.h"

namespace pixkit {

namespace {

void swapPixels(uint8_t* a, uint8_t* b, int bpp) {
    for (int i = 0; i < bpp; ++i) std::swap(a[i], b[i]);
}

void mirrorRows(const dib& d, int bpp) {
    const int w = dibwidth(d);
    for (int y = 0; y < dibheight(d); ++y) {
        uint8_t* r = dibRow(d, y);
        for (int x = 0; x < w / 2; ++x) swapPixels(r + x * bpp, r + (w - 1 - x) * bpp, bpp);
    }
}

void flipRows(const dib& d) {
    const int h = dibheight(d);
    const size_t n = size_t(d.bytew);
    for (int y = 0; y < h / 2; ++y) std::swap_ranges(dibRow(d, y), dibRow(d, y) + n, dibRow(d, h - 1 - y));
}

}  // namespace

Status orientDib(dib& d, int orientation) {
    const int bits = dibbitcount(d);
    if (orientation < 2 || orientation > 8 || (bits != 8 && bits != 24)) return Status::Ok;
    const int bpp = bits / 8;
    if (orientation <= 4) {
        if (orientation != 4) mirrorRows(d, bpp);
        if (orientation != 2) flipRows(d);
        return Status::Ok;
    }
    const int w = dibwidth(d), h = dibheight(d);
    dib o{};
    const Status s = allocDib(o, h, w, bits);
    if (s != Status::Ok) return s == Status::TooLarge ? Status::NoMemory : s;
    o.pal = d.pal;
    if (bits == 8) std::memcpy(o.pmi->bmiColors, d.pmi->bmiColors, 256 * sizeof(RGBQUAD));
    o.pmi->bmiHeader.biClrUsed = d.pmi->bmiHeader.biClrUsed;
    o.readflags = d.readflags;
    // Output pixel (x, y) of the h x w picture comes from stored (sx, sy).
    for (int y = 0; y < w; ++y) {
        uint8_t* dst = dibRow(o, y);
        for (int x = 0; x < h; ++x) {
            int sx, sy;
            switch (orientation) {
            case 5: sx = y; sy = x; break;                  // transposed
            case 6: sx = y; sy = h - 1 - x; break;          // turned a quarter clockwise
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;  // transversed
            default: sx = w - 1 - y; sy = x; break;         // 8: a quarter anticlockwise
            }
            std::memcpy(dst + x * bpp, dibRow(d, sy) + sx * bpp, size_t(bpp));
        }
    }
    freedib(d);
    d = o;
    return Status::Ok;
}

}  // namespace pixkit
