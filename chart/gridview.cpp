#include "chart/gridview.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/PixKit3.h"

namespace gridview {

namespace {

int extent(long long v) { return int(std::clamp<long long>(v, 0, kMaxExtent)); }

// Trunc(cm x 10 / 25 x 75), evaluated left to right.
int knittedPixels(double cm) {
    long double v = (long double)cm * kMmPerCm / kMmPerInch * kPixelsPerInch;
    if (!(v > 0)) return 0;
    if (v >= kMaxExtent) return kMaxExtent;
    return int(v);
}

}  // namespace

ViewSize viewSize(int w, int h, bool editMode, double breite, double hoch) {
    ViewSize s{};
    if (editMode) {
        s.bigW = extent((long long)kStitchPixels * w);
        s.bigH = extent((long long)kStitchPixels * h);
    } else {
        s.bigW = knittedPixels(breite);
        s.bigH = knittedPixels(hoch);
    }
    s.boxW = s.bigW;
    s.boxH = extent((long long)std::max(h, 0) + s.bigH);
    return s;
}

Stitch stitchAt(int x, int y, int w, int h) {
    if (x < 0 || y < h) return Stitch{0, 0, false};
    int col = x / kStitchPixels, row = (y - h) / kStitchPixels;
    if (col >= w || row >= h) return Stitch{col, row, false};
    return Stitch{col, row, true};
}

int dragScroll(int pos, int grab, int now, int range) {
    long long v = (long long)pos + grab - now;
    if (v < 0) v = 0;
    if (v > (long long)range - 1) v = (long long)range - 1;
    return int(v);
}

int sourceIndex(int i, int srcLen, int dstLen) {
    if (dstLen <= 0) return 0;
    return int((long long)srcLen * i / dstLen);
}

dib stretchedPart(const dib& src, int dstW, int dstH, int x0, int y0, int cw, int ch) {
    const int bits = dibbitcount(src);
    const int W = dibwidth(src), H = dibheight(src);
    if (!src.poi || (bits != 8 && bits != 24) || W <= 0 || H <= 0 || cw <= 0 || ch <= 0 || dstW <= 0 ||
        dstH <= 0)
        return dib{};
    dib part{};
    newdib(&part, cw, ch, bits, src.pmi, dibcolors(src));
    if (!part.poi) return dib{};

    const int bpp = bits / 8;
    std::vector<int> offset(std::size_t(cw), -1);
    for (int i = 0; i < cw; ++i) {
        int c = sourceIndex(x0 + i, W, dstW);
        if (c >= 0 && c < W) offset[std::size_t(i)] = c * bpp;
    }
    int lastRow = -1;
    const uint8_t* lastOut = nullptr;
    for (int j = 0; j < ch; ++j) {
        uint8_t* out = part.poi + std::ptrdiff_t(ch - 1 - j) * part.bytew;
        int r = sourceIndex(y0 + j, H, dstH);
        if (r < 0 || r >= H) continue;  // stays 0, like a row outside the image
        if (r == lastRow) {
            std::memcpy(out, lastOut, std::size_t(cw) * std::size_t(bpp));
        } else {
            const uint8_t* in = src.poi + std::ptrdiff_t(H - 1 - r) * src.bytew;
            for (int i = 0; i < cw; ++i) {
                int o = offset[std::size_t(i)];
                if (o < 0) continue;
                if (bpp == 1) {
                    out[i] = in[o];
                } else {
                    uint8_t* p = out + std::ptrdiff_t(i) * 3;
                    p[0] = in[o];
                    p[1] = in[o + 1];
                    p[2] = in[o + 2];
                }
            }
            lastRow = r;
        }
        lastOut = out;
    }
    return part;
}

}  // namespace gridview
