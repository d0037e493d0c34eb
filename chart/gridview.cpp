#include "chart/gridview.h"

#include <algorithm>

namespace gridview {

namespace {

int extent(long long v) { return int(std::clamp<long long>(v, 0, kMaxExtent)); }

// Trunc(cm x 10 / 25 x 75), evaluated left to right; zoomed when the
// stitch size is not the default.
int knittedPixels(double cm, int stitch) {
    long double v = (long double)cm * kMmPerCm / kMmPerInch * kPixelsPerInch;
    if (stitch != kStitchPixels) v = v * stitch / kStitchPixels;
    if (!(v > 0)) return 0;
    if (v >= kMaxExtent) return kMaxExtent;
    return int(v);
}

}  // namespace

ViewSize viewSize(int w, int h, bool editMode, double breite, double hoch, int stitch) {
    ViewSize s{};
    if (editMode) {
        s.bigW = extent((long long)stitch * w);
        s.bigH = extent((long long)stitch * h);
    } else {
        s.bigW = knittedPixels(breite, stitch);
        s.bigH = knittedPixels(hoch, stitch);
    }
    s.boxW = s.bigW;
    s.boxH = extent((long long)std::max(h, 0) + s.bigH);
    return s;
}

Stitch stitchAt(int x, int y, int w, int h, int stitch) {
    if (x < 0 || y < h || stitch <= 0) return Stitch{0, 0, false};
    int col = x / stitch, row = (y - h) / stitch;
    if (col >= w || row >= h) return Stitch{col, row, false};
    return Stitch{col, row, true};
}

Stitch stitchUnder(int x, int y, int w, int h, int bigW, int bigH) {
    if (x < 0 || y < 0 || w <= 0 || h <= 0) return Stitch{0, 0, false};
    if (y < h) return Stitch{x, y, x < w};
    if (x >= bigW || y - h >= bigH) return Stitch{0, 0, false};
    return Stitch{int((long long)x * w / bigW), int((long long)(y - h) * h / bigH), true};
}

int zoomIn(int stitch) {
    for (int s : kZoomSteps)
        if (s > stitch) return s;
    return stitch;
}

int zoomOut(int stitch) {
    int out = stitch;
    for (int s : kZoomSteps)
        if (s < stitch) out = s;
    return out;
}

int dragScroll(int pos, int grab, int now, int range) {
    long long v = (long long)pos + grab - now;
    if (v < 0) v = 0;
    if (v > (long long)range - 1) v = (long long)range - 1;
    return int(v);
}

}  // namespace gridview
