// A stitch grid as the compute command makes it, for tests of what is done
// with one: 8 bits, yarn i at index i + 10, every other index showing
// yarn 0, stitch (x, y) (y from the top) of yarn yarnAt(x, y).
#pragma once

#include <span>

#include "raster/PixKit3.h"

namespace gridsupport {

inline dib stitchGrid(int w, int h, std::span<const uint32_t> yarns, int (*yarnAt)(int x, int y)) {
    dib d{};
    newdib(&d, w, h, 8, nullptr, 0);
    const int n = int(yarns.size());
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = i >= 10 && i < 10 + n ? yarns[std::size_t(i - 10)] : yarns[0];
        d.pal.rgb0[i] = PALETTEENTRY{getr(c), getg(c), getb(c), 0};
        d.pmi->bmiColors[i] = RGBQUAD{getb(c), getg(c), getr(c), 0};
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, uint32_t(10 + yarnAt(x, y)));
    return d;
}

}  // namespace gridsupport
