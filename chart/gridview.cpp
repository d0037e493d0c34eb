#include "chart/gridview.h"

#include <algorithm>

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

}  // namespace gridview
