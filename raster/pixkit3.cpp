// Core record operations of the raster library.
#include <cstring>

#include "raster/memblock.h"
#include "raster/PixKit3.h"
#include "raster/limits.h"

namespace {

int paletteSize(int bits) { return bits <= 8 ? 1 << bits : 0; }

bool supportedDepth(int bits) { return pixkit::isRecordDepth(bits); }

// Byte address of picture pixel row y (from the top), or nullptr.
uint8_t* rowAddress(const dib& d, int x, int y) {
    if (!d.poi || !d.pmi) return nullptr;
    int w = dibwidth(d), h = dibheight(d);
    if (x < 0 || y < 0 || x >= w || y >= h) return nullptr;
    return d.poi + int64_t(h - 1 - y) * d.bytew;
}

}  // namespace

void newdib(dib* out, int width, int height, int bits, const BITMAPINFO* colours, int count) {
    if (!out) return;
    *out = dib{};
    if (!supportedDepth(bits)) return;
    int64_t bytes = pixkit::imageBytes(width, height, bits);
    if (bytes < 0) return;
    int ncol = paletteSize(bits);
    std::size_t infoBytes = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * std::size_t(ncol);

    HGLOBAL hi = GlobalAlloc(infoBytes, true);
    if (!hi) return;
    HGLOBAL hp = GlobalAlloc(std::size_t(bytes), true);
    if (!hp) {
        GlobalFree(hi);
        return;
    }
    auto* bi = static_cast<BITMAPINFO*>(GlobalLock(hi));
    BITMAPINFOHEADER& h = bi->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = uint16_t(bits);
    h.biCompression = 0;
    h.biSizeImage = uint32_t(bytes);
    h.biXPelsPerMeter = 3780;  // 96 dpi
    h.biYPelsPerMeter = 3780;
    h.biClrUsed = uint32_t(ncol);
    h.biClrImportant = 0;

    out->pmi = bi;
    out->pmih = hi;
    out->poih = hp;
    out->poi = static_cast<uint8_t*>(GlobalLock(hp));
    out->bytew = int32_t(pixkit::rowBytes(width, bits));
    out->ispal = ncol > 0 ? 1 : 0;
    out->pal.ver = kPaletteVersion;
    out->pal.num = uint16_t(ncol);

    if (colours && count > 0) {
        int n = count < ncol ? count : ncol;
        for (int i = 0; i < n; ++i) {
            const RGBQUAD& q = colours->bmiColors[i];
            bi->bmiColors[i] = q;
            out->pal.rgb0[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
        }
    }
}

void deldib(dib d) { freedib(d); }

uint32_t getpixel(dib d, int x, int y) {
    uint8_t* row = rowAddress(d, x, y);
    if (!row) return 0;
    switch (dibbitcount(d)) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8:
        return row[x];
    case 16: {
        // 5-5-5, blue in the low bits
        uint32_t v = uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
        uint32_t b = (v & 0x1F) * 255 / 31, g = ((v >> 5) & 0x1F) * 255 / 31,
                 r = ((v >> 10) & 0x1F) * 255 / 31;
        return packrgb(uint8_t(r), uint8_t(g), uint8_t(b));
    }
    case 24: {
        const uint8_t* p = row + 3 * x;
        return packrgb(p[2], p[1], p[0]);
    }
    case 32: {
        const uint8_t* p = row + 4 * x;
        return packrgb(p[2], p[1], p[0]);
    }
    default:
        return 0;
    }
}

void setpixel(dib d, int x, int y, uint32_t value) {
    uint8_t* row = rowAddress(d, x, y);
    if (!row) return;
    switch (dibbitcount(d)) {
    case 1: {
        uint8_t mask = uint8_t(0x80u >> (x & 7));
        if (value & 1) row[x >> 3] |= mask;
        else row[x >> 3] &= uint8_t(~mask);
        break;
    }
    case 4: {
        uint8_t& b = row[x >> 1];
        if (x & 1) b = uint8_t((b & 0xF0) | (value & 0x0F));
        else b = uint8_t((b & 0x0F) | ((value & 0x0F) << 4));
        break;
    }
    case 8:
        row[x] = uint8_t(value);
        break;
    case 16: {
        uint32_t v = (uint32_t(getb(value)) >> 3) | ((uint32_t(getg(value)) >> 3) << 5) |
                     ((uint32_t(getr(value)) >> 3) << 10);
        row[2 * x] = uint8_t(v);
        row[2 * x + 1] = uint8_t(v >> 8);
        break;
    }
    case 24: {
        uint8_t* p = row + 3 * x;
        p[0] = getb(value);
        p[1] = getg(value);
        p[2] = getr(value);
        break;
    }
    case 32: {
        uint8_t* p = row + 4 * x;
        p[0] = getb(value);
        p[1] = getg(value);
        p[2] = getr(value);
        p[3] = 0xFF;
        break;
    }
    default:
        break;
    }
}
