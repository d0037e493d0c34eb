#include "chart/swatches.h"

namespace swatches {

int columns(int boxWidth) {
    int c = boxWidth / kPitch;
    return c < 1 ? 1 : c;
}

Square square(int i, int cols) { return Square{(i % cols) * kPitch, (i / cols) * kPitch}; }

int hit(int x, int y, int cols, int count) {
    if (x < 0 || y < 0) return -1;
    int col = x / kPitch, row = y / kPitch;
    if (col >= cols) return -1;
    if (x - col * kPitch >= kHitSize || y - row * kPitch >= kHitSize) return -1;
    long long i = (long long)row * cols + col;
    return i < count ? int(i) : -1;
}

}  // namespace swatches
