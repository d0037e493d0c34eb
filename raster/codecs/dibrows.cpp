#include "raster/codecs/dibrows.h"

#include <cstring>

#include "raster/PixKit3.h"
#include "raster/limits.h"

namespace pixkit {

namespace {
int64_t gPixelLimit = kMaxDecodePixels;
}

int64_t decodePixelLimit() { return gPixelLimit; }

void setDecodePixelLimit(int64_t pixels) {
    gPixelLimit = pixels > 0 && pixels < kMaxDecodePixels ? pixels : kMaxDecodePixels;
}

Status allocDib(dib& out, int64_t width, int64_t height, int bits) {
    out = dib{};
    if (width <= 0 || height <= 0) return Status::Corrupt;
    if (!decodeSizeOk(width, height, bits) || width * height > gPixelLimit) return Status::TooLarge;
    newdib(&out, int(width), int(height), bits, nullptr, 0);
    if (!out.poi) {
        out = dib{};
        return Status::NoMemory;
    }
    return Status::Ok;
}

void setDibColour(dib& d, int i, uint8_t r, uint8_t g, uint8_t b) {
    if (i < 0 || i > 255 || !d.pmi) return;
    d.pal.rgb0[i] = PALETTEENTRY{r, g, b, 0};
    if (i < (1 << dibbitcount(d)) && dibbitcount(d) <= 8) d.pmi->bmiColors[i] = RGBQUAD{b, g, r, 0};
}

void setDibColourCount(dib& d, int n) {
    if (!d.pmi || dibbitcount(d) > 8) return;
    int max = 1 << dibbitcount(d);
    if (n > max) n = max;
    if (n < 0) n = 0;
    d.pal.num = uint16_t(n);
    d.pmi->bmiHeader.biClrUsed = uint32_t(n);
}

void setGreyPalette(dib& d) {
    int bits = dibbitcount(d);
    if (bits > 8 || bits <= 0) return;
    int n = 1 << bits;
    for (int i = 0; i < n; ++i) {
        auto v = uint8_t(i * 255 / (n - 1));
        setDibColour(d, i, v, v, v);
    }
    setDibColourCount(d, n);
}

int bitsForColours(int colours) { return colours <= 2 ? 1 : colours <= 16 ? 4 : 8; }

void putIndexRow(const dib& d, int y, const uint8_t* idx) {
    uint8_t* row = dibRow(d, y);
    int w = dibwidth(d);
    switch (dibbitcount(d)) {
    case 8:
        std::memcpy(row, idx, std::size_t(w));
        break;
    case 4:
        for (int x = 0; x + 1 < w; x += 2) row[x >> 1] = uint8_t((idx[x] << 4) | (idx[x + 1] & 0x0F));
        if (w & 1) row[w >> 1] = uint8_t(idx[w - 1] << 4);
        break;
    case 1: {
        int x = 0;
        for (; x + 8 <= w; x += 8) {
            unsigned v = 0;
            for (int k = 0; k < 8; ++k) v = (v << 1) | (idx[x + k] & 1u);
            row[x >> 3] = uint8_t(v);
        }
        if (x < w) {
            unsigned v = 0;
            for (int k = 0; k < 8; ++k) v = (v << 1) | (x + k < w ? (idx[x + k] & 1u) : 0u);
            row[x >> 3] = uint8_t(v);
        }
        break;
    }
    default:
        break;
    }
}

void getIndexRow(const dib& d, int y, uint8_t* idx) {
    const uint8_t* row = dibRow(d, y);
    int w = dibwidth(d);
    switch (dibbitcount(d)) {
    case 8:
        std::memcpy(idx, row, std::size_t(w));
        break;
    case 4:
        for (int x = 0; x < w; ++x) idx[x] = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        break;
    case 1:
        for (int x = 0; x < w; ++x) idx[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    default:
        std::memset(idx, 0, std::size_t(w));
        break;
    }
}

void getBgrRow(const dib& d, int y, uint8_t* bgr) {
    const uint8_t* row = dibRow(d, y);
    int w = dibwidth(d);
    int bits = dibbitcount(d);
    if (bits == 24) {
        std::memcpy(bgr, row, std::size_t(w) * 3);
        return;
    }
    if (bits <= 8) {
        for (int x = 0; x < w; ++x) {
            unsigned i = bits == 8 ? row[x]
                         : bits == 4 ? ((x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4u))
                                     : ((row[x >> 3] >> (7 - (x & 7))) & 1u);
            const PALETTEENTRY& e = d.pal.rgb0[i];
            bgr[3 * x] = e.peBlue;
            bgr[3 * x + 1] = e.peGreen;
            bgr[3 * x + 2] = e.peRed;
        }
        return;
    }
    for (int x = 0; x < w; ++x) {
        uint32_t c = getpixel(d, x, y);
        bgr[3 * x] = getb(c);
        bgr[3 * x + 1] = getg(c);
        bgr[3 * x + 2] = getr(c);
    }
}

bool isGreyRamp(const dib& d) {
    int bits = dibbitcount(d);
    if (bits != 8 || !d.pmi) return false;
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = d.pal.rgb0[i];
        if (i < d.pal.num && (e.peRed != i || e.peGreen != i || e.peBlue != i)) return false;
    }
    return true;
}

}  // namespace pixkit
