// Halftoning for displays of at most 256 colours: a fixed palette of a
// 6 x 6 x 6 colour cube and a finer grey ramp, reached by ordered (Bayer)
// dithering so that flat areas get a steady pattern instead of noise.
#include <cstring>
#include <vector>

#include "raster/PixKit3.h"
#include "raster/codecs/dibrows.h"

namespace {

constexpr int kCubeLevels = 6;                 // per channel: 0, 51, ..., 255
constexpr int kCubeSize = kCubeLevels * kCubeLevels * kCubeLevels;  // 216
// Grey steps of 255/37: 37 is prime, so no inner step falls on a cube
// level and the 36 inner greys plus the cube's black and white fill 252
// entries.
constexpr int kGreySteps = 37;

// 8 x 8 Bayer matrix, thresholds 0..63.
constexpr uint8_t kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

// Level of value v on a ramp of `steps` intervals, dithered by threshold t.
constexpr uint8_t level(int v, int steps, int t) { return uint8_t((v * steps * 64 + (2 * t + 1) * 255 / 2) / (255 * 64)); }

struct Tables {
    uint8_t cube[64][256];
    uint8_t grey[64][256];
    Tables() {
        for (int t = 0; t < 64; ++t)
            for (int v = 0; v < 256; ++v) {
                cube[t][v] = level(v, kCubeLevels - 1, t);
                grey[t][v] = level(v, kGreySteps, t);
            }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

uint8_t greyIndex(int step) {
    if (step <= 0) return 0;
    if (step >= kGreySteps) return kCubeSize - 1;
    return uint8_t(kCubeSize + step - 1);
}

void setPalette(dib& out) {
    for (int r = 0; r < kCubeLevels; ++r)
        for (int g = 0; g < kCubeLevels; ++g)
            for (int b = 0; b < kCubeLevels; ++b)
                pixkit::setDibColour(out, (r * kCubeLevels + g) * kCubeLevels + b, uint8_t(r * 51),
                                     uint8_t(g * 51), uint8_t(b * 51));
    for (int s = 1; s < kGreySteps; ++s) {
        auto v = uint8_t((s * 255 + kGreySteps / 2) / kGreySteps);
        pixkit::setDibColour(out, greyIndex(s), v, v, v);
    }
    // The four spare entries stay black; pal.num covers all 256 so the
    // record is a normal 8-bit image.
    pixkit::setDibColourCount(out, 256);
}

// Dithers one row of blue-green-red triples into palette indices.
void ditherRow(const uint8_t* bgr, uint8_t* idx, int w, int y) {
    const Tables& tab = tables();
    for (int x = 0; x < w; ++x) {
        int t = kBayer[y & 7][x & 7];
        int b = bgr[3 * x], g = bgr[3 * x + 1], r = bgr[3 * x + 2];
        if (r == g && g == b) {
            idx[x] = greyIndex(tab.grey[t][r]);
        } else {
            idx[x] = uint8_t((tab.cube[t][r] * kCubeLevels + tab.cube[t][g]) * kCubeLevels + tab.cube[t][b]);
        }
    }
}

}  // namespace

void DIBHalftoneDIBXY(dib* out, dib d, int width, int height) {
    if (!out) return;
    *out = dib{};
    const int sw = dibwidth(d), sh = dibheight(d);
    if (!d.poi || sw <= 0 || sh <= 0 || width <= 0 || height <= 0) return;
    newdib(out, width, height, 8, nullptr, 0);
    if (!out->poi) {
        *out = dib{};
        return;
    }
    setPalette(*out);

    // Each target pixel averages the source box it covers (a box of one
    // pixel when enlarging, which makes it nearest-neighbour).
    std::vector<int> x0(static_cast<size_t>(width) + 1);
    for (int x = 0; x <= width; ++x) x0[size_t(x)] = int(int64_t(x) * sw / width);
    std::vector<uint8_t> src(static_cast<size_t>(sw) * 3), dst(static_cast<size_t>(width) * 3),
        idx(static_cast<size_t>(width));
    std::vector<uint32_t> sum(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        int ya = int(int64_t(y) * sh / height), yb = int(int64_t(y + 1) * sh / height);
        if (yb <= ya) yb = ya + 1;
        std::fill(sum.begin(), sum.end(), 0u);
        for (int sy = ya; sy < yb; ++sy) {
            pixkit::getBgrRow(d, sy, src.data());
            for (int x = 0; x < width; ++x) {
                int xa = x0[size_t(x)], xb = x0[size_t(x) + 1];
                if (xb <= xa) xb = xa + 1;
                uint32_t* s = &sum[size_t(3 * x)];
                for (int sx = xa; sx < xb; ++sx) {
                    s[0] += src[size_t(3 * sx)];
                    s[1] += src[size_t(3 * sx + 1)];
                    s[2] += src[size_t(3 * sx + 2)];
                }
            }
        }
        for (int x = 0; x < width; ++x) {
            int xa = x0[size_t(x)], xb = x0[size_t(x) + 1];
            if (xb <= xa) xb = xa + 1;
            uint32_t n = uint32_t(xb - xa) * uint32_t(yb - ya);
            for (int c = 0; c < 3; ++c) dst[size_t(3 * x + c)] = uint8_t((sum[size_t(3 * x + c)] + n / 2) / n);
        }
        ditherRow(dst.data(), idx.data(), width, y);
        std::memcpy(pixkit::dibRow(*out, y), idx.data(), size_t(width));
    }
}

void DIBHalftoneDIB(dib* out, dib d) { DIBHalftoneDIBXY(out, d, dibwidth(d), dibheight(d)); }
