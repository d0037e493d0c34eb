#include "pattern/mydither.h"

#include <vector>

#include "platform/logpalette.h"

namespace {

// Weights of the error, in sixteenths, relative to the scan direction.
constexpr int kAhead = 7;        // next stitch in the same row
constexpr int kBelowBehind = 3;  // row below, one stitch back
constexpr int kBelow = 5;        // row below, same column
constexpr int kBelowAhead = 1;   // row below, one stitch ahead (assigned, it is touched first)
static_assert(kAhead + kBelowBehind + kBelow + kBelowAhead == 16);

int clampChannel(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

}  // namespace

void DitherToPalette(const dib& src, const dib& dst) {
    if (!src.poi || !dst.poi || dibbitcount(src) != 24 || dibbitcount(dst) != 8) return;
    const int w = dibwidth(src), h = dibheight(src);
    if (w <= 0 || h <= 0 || dibwidth(dst) != w || dibheight(dst) != h) return;

    // Two error rows of w + 2 slots, three cells (blue, green, red) each.
    // Slot k + 1 belongs to the k-th stitch processed in a row; slots 0 and
    // w + 1 catch what falls off the ends and are never read. "+2 slots"
    // spares every bounds check in the inner loop. Cells stay within
    // 16 * 255 in magnitude; int keeps the spares from overflowing too.
    std::vector<int> rowA(std::size_t(w + 2) * 3, 0), rowB(std::size_t(w + 2) * 3, 0);
    const platform::LogPalette palette(dst.pal);
    const PALETTEENTRY* entries = dst.pal.rgb0;

    bool rightToLeft = false;
    for (int y = 0; y < h; ++y) {
        // Picture rows run from the top; storage rows from the bottom.
        const uint8_t* in = src.poi + int64_t(h - 1 - y) * src.bytew;
        uint8_t* out = dst.poi + int64_t(h - 1 - y) * dst.bytew;
        int* cur = rightToLeft ? rowB.data() : rowA.data();
        int* next = rightToLeft ? rowA.data() : rowB.data();
        int x = rightToLeft ? w - 1 : 0;
        const int step = rightToLeft ? -1 : 1;
        rightToLeft = !rightToLeft;

        // Slot w is the first "+= 5" target of the row and must start at 0;
        // the spare w + 1 is cleared too so that it cannot grow without bound.
        for (int c = 0; c < 6; ++c) next[3 * w + c] = 0;

        for (int k = 0; k < w; ++k, x += step) {
            const int* acc = cur + 3 * (k + 1);
            const uint8_t* px = in + 3 * x;
            int v[3];
            for (int c = 0; c < 3; ++c) v[c] = clampChannel((acc[c] + 8) / 16 + px[c]);  // "/" truncates

            const int idx = palette.nearest(uint8_t(v[2]), uint8_t(v[1]), uint8_t(v[0]));
            out[x] = uint8_t(idx);

            const PALETTEENTRY& e = entries[idx];
            const int err[3] = {v[0] - e.peBlue, v[1] - e.peGreen, v[2] - e.peRed};
            // The stitch processed k-th lies above the one processed
            // (w - 1 - k)-th in the next row.
            int* nAhead = next + 3 * (w - k - 1);
            int* nBelow = next + 3 * (w - k);
            int* nBehind = next + 3 * (w - k + 1);
            int* ahead = cur + 3 * (k + 2);
            for (int c = 0; c < 3; ++c) {
                nAhead[c] = kBelowAhead * err[c];
                nBehind[c] += kBelowBehind * err[c];
                nBelow[c] += kBelow * err[c];
                ahead[c] += kAhead * err[c];
            }
        }
    }
}
