// Test images and pixel oracles for the drawing tests.
#pragma once

#include <functional>

#include "raster/PixKit3.h"

namespace dibfix {

// Colour of picture pixel (x, y) (y from the top) as the device shows it.
inline uint32_t truth(const dib& d, int x, int y) {
    uint32_t v = getpixel(d, x, y);
    if (dibcolors(d) > 0 && dibcolors(d) <= 256) {
        const PALETTEENTRY& e = d.pal.rgb0[v];
        return packrgb(e.peRed, e.peGreen, e.peBlue);
    }
    return v;
}

// Distinct colours for every pixel of a small picture.
inline uint32_t pattern24(int x, int y) { return packrgb(uint8_t(x * 9 + 1), uint8_t(y * 13 + 2), uint8_t(x * 5 + y * 3)); }

// An image of `bits` whose picture pixel (x, y) holds value(x, y): a packed
// colour for 16, 24 and 32 bits, a palette index below.
inline dib make(int w, int h, int bits, const std::function<uint32_t(int, int)>& value) {
    dib d{};
    newdib(&d, w, h, bits, nullptr, 0);
    if (!d.poi) return d;
    if (bits <= 8) {
        int n = 1 << bits;
        for (int i = 0; i < n; ++i) {
            uint8_t r = uint8_t(i * 37 + 11), g = uint8_t(255 - i * 3), b = uint8_t(i * 101);
            d.pal.rgb0[i] = PALETTEENTRY{r, g, b, 0};
            d.pmi->bmiColors[i] = RGBQUAD{b, g, r, 0};
        }
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, value(x, y));
    return d;
}

inline dib make24(int w, int h) { return make(w, h, 24, pattern24); }
inline dib make8(int w, int h) {
    return make(w, h, 8, [](int x, int y) { return uint32_t((x * 7 + y * 31) & 0xFF); });
}

}  // namespace dibfix
