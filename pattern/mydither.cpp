#include "pattern/mydither.h"

#include <vector>

#include "pattern/logpalette.h"

namespace {

// Weights of the error, in sixteenths, relative to the scan direction.
constexpr int kAhead = 7;        // next stitch in the same row
constexpr int kBelowBehind = 3;  // row below, one stitch back
constexpr int kBelow = 5;        // row below, same column
constexpr int kBelowAhead = 1;   // row below, one stitch ahead (assigned, it is touched first)
static_assert(kAhead + kBelowBehind + kBelow + kBelowAhead == 16);

int clampChannel(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

}  // namespace

void DitherToPalette(const dib& src, const dib& dst, const pattern::Progress& progress) {
    if (!src.poi || !dst.poi || dibbitcount(src) != 24 || dibbitcount(dst) != 8) return;
    const int w = dibwidth(src), h = dibheight(src);
    if (w <= 0 || h <= 0 || dibwidth(dst) != w || dibheight(dst) != h) return;

    // Two error rows of w + 2 slots, three cells (blue, green, red) each.
    // Slot k + 1 belongs to the k-th stitch processed in a row; slots 0 and
    // w + 1 catch what falls off the ends and are never read. "+2 slots"
    // spares every bounds check in the inner loop. Cells stay within
    // 16 * 255 in magnitude.
    std::vector<int> rowA(std::size_t(w + 2) * 3, 0), rowB(std::size_t(w + 2) * 3, 0);
    const pattern::LogPalette palette(dst.pal);
    const PALETTEENTRY* entries = dst.pal.rgb0;

    bool rightToLeft = false;
    for (int y = 0; y < h; ++y) {
        pattern::report(progress, pattern::rowPercent(y, h));
        // Picture rows run from the top; storage rows from the bottom.
        const uint8_t* in = src.poi + int64_t(h - 1 - y) * src.bytew;
        uint8_t* out = dst.poi + int64_t(h - 1 - y) * dst.bytew;
        int* cur = rightToLeft ? rowB.data() : rowA.data();
        int* next = rightToLeft ? rowA.data() : rowB.data();
        int x = rightToLeft ? w - 1 : 0;
        const int step = rightToLeft ? -1 : 1;
        rightToLeft = !rightToLeft;

        // The shares of the row below are summed in registers and each slot
        // is stored once, when its last share is known: slot w - k + 1 gets
        // 1/16 from stitch k - 2, 5/16 from k - 1 and 3/16 from k. The 7/16
        // for the stitch ahead is carried straight into its value. Integer
        // sums in another order, so the cells come out as the textbook
        // in-place updates would leave them.
        int carry[3] = {0, 0, 0};  // 7 * error of the previous stitch
        int s1[3] = {0, 0, 0};     // slot w - k + 1 so far (starts at the spare w + 1)
        int s0[3] = {0, 0, 0};     // slot w - k so far (slot w starts at 0)
        for (int k = 0; k < w; ++k, x += step) {
            const int* acc = cur + 3 * (k + 1);
            const uint8_t* px = in + 3 * x;
            int v[3];
            for (int c = 0; c < 3; ++c) v[c] = clampChannel((acc[c] + carry[c] + 8) / 16 + px[c]);  // "/" truncates

            const int idx = palette.nearest(uint8_t(v[2]), uint8_t(v[1]), uint8_t(v[0]));
            out[x] = uint8_t(idx);

            const PALETTEENTRY& e = entries[idx];
            const int err[3] = {v[0] - e.peBlue, v[1] - e.peGreen, v[2] - e.peRed};
            // The stitch processed k-th lies above the one processed
            // (w - 1 - k)-th in the next row.
            int* done = next + 3 * (w - k + 1);
            for (int c = 0; c < 3; ++c) {
                done[c] = s1[c] + kBelowBehind * err[c];
                s1[c] = s0[c] + kBelow * err[c];
                s0[c] = kBelowAhead * err[c];
                carry[c] = kAhead * err[c];
            }
        }
        // Slot 1 has had all its shares; slot 0 and the last carry fall off.
        for (int c = 0; c < 3; ++c) next[3 + c] = s1[c];
    }
}
