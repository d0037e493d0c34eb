// Helpers for the chart tests: stitch grids laid out like the compute
// command makes them, and reading a chart back.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <set>

#include "chart/render.h"
#include "raster/PixKit3.h"

namespace charttest {

// Yarn k sits at grid index k + 10; every other index shows yarn 0.
constexpr int kYarnBase = 10;

// An 8-bit grid of w x h stitches whose palette holds `yarns` (packed
// colours) and whose stitch (x, y) (y from the top) is yarn yarnAt(x, y).
inline dib makeGrid(int w, int h, const std::vector<uint32_t>& yarns,
                    const std::function<int(int, int)>& yarnAt) {
    dib g{};
    newdib(&g, w, h, 8, nullptr, 0);
    if (!g.poi) return g;
    for (int i = 0; i < 256; ++i) {
        int k = i - kYarnBase;
        uint32_t c = (k >= 0 && k < int(yarns.size())) ? yarns[std::size_t(k)] : yarns[0];
        g.pal.rgb0[i] = PALETTEENTRY{getr(c), getg(c), getb(c), 0};
        g.pmi->bmiColors[i] = RGBQUAD{getb(c), getg(c), getr(c), 0};
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(g, x, y, uint32_t(yarnAt(x, y) + kYarnBase));
    return g;
}

inline dib whiteGrid(int w, int h) {
    return makeGrid(w, h, {packrgb(0, 0, 0), packrgb(255, 255, 255)}, [](int, int) { return 1; });
}

// Packed colour of chart pixel (x, y), y from the top.
inline uint32_t px(const dib& d, int x, int y) { return getpixel(d, x, y); }

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

inline std::set<uint32_t> colours(const dib& d) {
    std::set<uint32_t> s;
    for (int y = 0; y < dibheight(d); ++y)
        for (int x = 0; x < dibwidth(d); ++x) s.insert(px(d, x, y));
    return s;
}

// Whether any pixel of the rectangle [x0, x1] x [y0, y1] is black.
inline bool anyBlack(const dib& d, int x0, int x1, int y0, int y1) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (px(d, x, y) == kBlack) return true;
    return false;
}

inline QImage toImage(const dib& d) {
    QImage img(dibwidth(d), dibheight(d), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            uint32_t c = px(d, x, y);
            img.setPixel(x, y, qRgb(getr(c), getg(c), getb(c)));
        }
    return img;
}

// The size page's four inputs.
inline chart::ChartInputs inputs(int m, int r, double b, double h) {
    chart::ChartInputs in;
    in.maschen = m;
    in.reihen = r;
    in.breite = b;
    in.hoch = h;
    return in;
}

}  // namespace charttest
