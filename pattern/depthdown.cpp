#include "pattern/depthdown.h"

#include <algorithm>

#include "pattern/limits.h"
#include "pattern/mydither.h"
#include "pattern/logpalette.h"
#include "raster/PixKit3.h"

namespace pattern {

void layoutGridPalette(dib& grid, const LPAL& yarns, int zcols) {
    if (!grid.poi || !grid.pmi) return;
    zcols = std::clamp(zcols, 0, kMaxYarnColours);
    auto put = [&](int index, const PALETTEENTRY& yarn) {
        PALETTEENTRY& e = grid.pal.rgb0[index];
        e.peRed = yarn.peRed;
        e.peGreen = yarn.peGreen;
        e.peBlue = yarn.peBlue;
        RGBQUAD& q = grid.pmi->bmiColors[index];
        q.rgbRed = yarn.peRed;
        q.rgbGreen = yarn.peGreen;
        q.rgbBlue = yarn.peBlue;
    };
    for (int i = 0; i < kGridPaletteSize; ++i) put(i, yarns.rgb0[0]);
    for (int i = 0; i < zcols; ++i) put(kYarnIndexOffset + i, yarns.rgb0[i]);
}

dib DepthDownTo(const dib& src, const LPAL& yarns, int zcols, int rolmod, const Progress& progress) {
    // The yarn colours as they are at the start of the call.
    const LPAL colours = yarns;
    report(progress, 0);
    dib grid{};
    if (!src.poi || dibbitcount(src) != 24) {
        report(progress, 0);
        return grid;
    }
    const int w = dibwidth(src), h = dibheight(src);
    newdib(&grid, w, h, 8, nullptr, 0);
    if (grid.poi) {
        layoutGridPalette(grid, colours, zcols);
        if (rolmod == 1) {
            DitherToPalette(src, grid, progress);
        } else {
            const pattern::LogPalette palette(grid.pal);
            for (int y = 0; y < h; ++y) {
                report(progress, rowPercent(y, h));
                const uint8_t* in = src.poi + int64_t(y) * src.bytew;
                uint8_t* out = grid.poi + int64_t(y) * grid.bytew;
                for (int x = 0; x < w; ++x, in += 3) out[x] = uint8_t(palette.nearest(in[2], in[1], in[0]));
            }
        }
    }
    report(progress, 0);
    return grid;
}

}  // namespace pattern
