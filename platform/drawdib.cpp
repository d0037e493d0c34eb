// Drawing bitmaps stretched onto devices.
//
// Four ways, chosen by depth, display and device: halftoning through the
// library for 24-bit images on displays of at most 256 colours; two row
// paths that stretch 24- and 8-bit images themselves and send one row at a
// time; and the platform's stretched transfer with its fallbacks for
// printers and all other depths.
#include "platform/drawdib_testing.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "platform/errorreport.h"
#include "raster/PixKit3.h"

namespace {

drawdibtest::Trace* g_trace = nullptr;
drawdibtest::HalftoneFn g_halftone = nullptr;
drawdibtest::HalftoneXYFn g_halftoneXY = nullptr;

drawdibtest::Trace& trace() {
    static drawdibtest::Trace sink;
    return g_trace ? *g_trace : sink;
}

// Round(a * b / c), halves to the even neighbour. The product is taken in
// 64 bits: large pictures times large sizes must not wrap around.
int scaled(int64_t a, int64_t b, int64_t c) {
    double v = std::nearbyint(double(a * b) / double(c));
    if (!(v >= double(std::numeric_limits<int>::min()))) return std::numeric_limits<int>::min();
    if (v > double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    return int(v);
}

// Colour-table entries actually present in the image's info block, at most
// `wanted`: a table shorter than its depth allows says so in biClrUsed.
int tableEntries(const dib& d, int wanted) {
    uint32_t used = d.pmi->bmiHeader.biClrUsed;
    int bits = dibbitcount(d);
    int present = bits <= 8 ? (1 << bits) : 0;
    if (used != 0 && used < uint32_t(present)) present = int(used);
    return std::clamp(wanted, 0, present);
}

void message(const char* text) { errorreport::Report(QString::fromLatin1(text), nullptr, QString()); }

// Bits per pixel of the display.
int screenbits(HDC dc) { return GetDisplayBitsPerPixel(dc); }

// Row paths: bpp is 3 (24-bit) or 1 (8-bit, palette indices). T is the
// source's top picture row. Only the destination rows and columns inside
// the device's clip box are produced; they get exactly the pixels a full
// draw would give them.
void drawrows(HDC dc, int x, int y, int DW, int DH, const dib& d, int SX, int T, int SW, int SH, int bpp) {
    const int W = dibwidth(d), H = dibheight(d);
    int64_t i0 = 0, i1 = DW, j0 = 0, j1 = DH;
    RECT clip{};
    int region = GetClipBox(dc, &clip);
    if (region == NULLREGION) return;
    if (region != CLIP_ERROR) {
        i0 = std::max<int64_t>(0, int64_t(clip.left) - x);
        i1 = std::min<int64_t>(DW, int64_t(clip.right) - x);
        j0 = std::max<int64_t>(0, int64_t(clip.top) - y);
        j1 = std::min<int64_t>(DH, int64_t(clip.bottom) - y);
        if (i1 <= i0 || j1 <= j0) return;
    }
    const int vw = int(i1 - i0);

    dib row{};
    if (bpp == 3) newdib(&row, DW, 1, 24, nullptr, 0);
    else newdib(&row, DW, 1, 8, d.pmi, tableEntries(d, 256));
    if (!row.poi) {
        deldib(row);
        return;
    }

    // Column table: source byte offset of every visible destination column;
    // the run [first, last] is where the source column lies in the image.
    std::unique_ptr<int32_t[]> table(new (std::nothrow) int32_t[std::size_t(vw)]);
    if (!table) {
        deldib(row);
        return;
    }
    int first = -1, last = -1;
    for (int k = 0; k < vw; ++k) {
        int64_t c = SX + int64_t(SW) * (i0 + k) / DW;
        if (c >= 0 && c < W) {
            table[std::size_t(k)] = int32_t(c * bpp);
            if (first < 0) first = k;
            last = k;
        }
    }

    // Columns before wordEnd are copied as whole words (see below): their
    // source pixel is not the row's last and theirs not the run's last.
    int wordEnd = first;
    while (first >= 0 && wordEnd < last && table[std::size_t(wordEnd)] < 3 * (W - 1)) ++wordEnd;

    int64_t lastRow = -1;  // stored row now in the buffer, -1 for none
    uint8_t* out = row.poi;
    for (int64_t j = j0; j < j1; ++j) {
        int64_t r = T + int64_t(SH) * j / DH;
        int64_t s = H - 1 - r;
        if (s < 0 || s > H - 1) {
            std::memset(row.poi, 0, std::size_t(row.bytew));
            lastRow = -1;
        } else if (s != lastRow && first >= 0) {
            const uint8_t* src = d.poi + s * d.bytew;
            if (bpp == 3) {
                // Whole words where both sides have a byte to spare: the
                // fourth byte is overwritten by the next pixel.
                uint8_t* o = out + 3 * (i0 + first);
                int k = first;
                for (; k < wordEnd; ++k, o += 3) std::memcpy(o, src + table[std::size_t(k)], 4);
                for (; k <= last; ++k, o += 3) std::memcpy(o, src + table[std::size_t(k)], 3);
            } else {
                for (int k = first; k <= last; ++k) out[i0 + k] = src[table[std::size_t(k)]];
            }
            lastRow = s;
            ++trace().conversions;
        }
        SetDIBitsToDevice(dc, int(x + i0), int(y + j), vw, 1, int(i0), 0, 0, 1, row.poi, row.pmi, DIB_RGB_COLORS);
        ++trace().rowsSent;
    }
    deldib(row);
}

void halftonepath(HDC dc, int x, int y, int dstw, int dsth, const dib& d, int srcx, int srcy, int srcw, int srch,
                  uint32_t rop) {
    const int W = dibwidth(d), H = dibheight(d);
    auto ht = g_halftone ? g_halftone : DIBHalftoneDIB;
    auto htXY = g_halftoneXY ? g_halftoneXY : DIBHalftoneDIBXY;
    dib copy{};
    ++trace().halftoneCalls;
    if (dstw < srcw || dsth < srch) {
        // Halftone at the size the whole image has on the device, then copy
        // one to one.
        int hw = scaled(W, dstw, srcw), hh = scaled(H, dsth, srch);
        trace().halftoneXY = true;
        trace().halftoneWidth = hw;
        trace().halftoneHeight = hh;
        htXY(&copy, d, hw, hh);
        if (!copy.poi || !copy.pmi) {
            deldib(copy);
            return;
        }
        int w = dibwidth(copy), h = dibheight(copy);
        StretchDIBits(dc, x, y, dstw, dsth, scaled(w, srcx, W), scaled(h, srcy, H), dstw, dsth, copy.poi, copy.pmi,
                      DIB_RGB_COLORS, rop);
    } else {
        ht(&copy, d);
        if (!copy.poi || !copy.pmi) {
            deldib(copy);
            return;
        }
        StretchDIBits(dc, x, y, dstw, dsth, srcx, srcy, srcw, srch, copy.poi, copy.pmi, DIB_RGB_COLORS, rop);
    }
    deldib(copy);
}

// The image resampled to the destination size by the routine itself, for
// devices whose stretched transfer failed. Returns an empty record when the
// copy cannot be made.
dib resample(const dib& d, int dstw, int dsth, int srcx, int srcy, int srcw, int srch) {
    const int H = dibheight(d), bits = dibbitcount(d);
    int colours = dibcolors(d);
    dib res{};
    newdib(&res, dstw, dsth, bits, d.pmi, colours <= 256 ? tableEntries(d, colours) : 0);
    if (!res.poi) return res;
    auto srcCol = [&](int i) { return srcx + (dstw == 1 ? 0 : int(int64_t(srcw - 1) * i / (dstw - 1))); };
    auto srcRow = [&](int j) { return dsth == 1 ? 0 : int(int64_t(srch - 1) * j / (dsth - 1)); };
    if (bits == 1) {
        // getpixel and setpixel count rows from the top: start at the
        // source's top picture row so a partial source stays upright.
        int top = H - srcy - srch;
        for (int j = 0; j < dsth; ++j)
            for (int i = 0; i < dstw; ++i) setpixel(res, i, j, getpixel(d, srcCol(i), top + srcRow(j)));
        return res;
    }
    for (int j = 0; j < dsth; ++j) {
        const uint8_t* src = d.poi + int64_t(srcy + srcRow(j)) * d.bytew;
        uint8_t* dst = res.poi + int64_t(j) * res.bytew;
        for (int i = 0; i < dstw; ++i) {
            int c = srcCol(i);
            switch (bits) {
            case 4: {
                int nib = (c & 1) ? (src[c >> 1] & 0x0F) : (src[c >> 1] >> 4);
                dst[i >> 1] |= uint8_t((i & 1) ? nib : nib << 4);
                break;
            }
            case 8: dst[i] = src[c]; break;
            case 16: std::memcpy(dst + 2 * i, src + 2 * c, 2); break;
            case 24: std::memcpy(dst + 3 * i, src + 3 * c, 3); break;
            case 32: std::memcpy(dst + 4 * i, src + 4 * c, 4); break;
            default: break;
            }
        }
    }
    return res;
}

void generalpath(HDC dc, int x, int y, int dstw, int dsth, const dib& d, int srcx, int srcy, int srcw, int srch,
                 uint32_t rop) {
    const int W = dibwidth(d), H = dibheight(d);
    if (StretchDIBits(dc, x, y, dstw, dsth, srcx, srcy, srcw, srch, d.poi, d.pmi, DIB_RGB_COLORS, rop) != GDI_ERROR)
        return;

    if (GetDeviceCaps(dc, RASTERCAPS) & RC_DIBTODEV) {
        dib res = resample(d, dstw, dsth, srcx, srcy, srcw, srch);
        if (!res.poi) return;
        int n = SetDIBitsToDevice(dc, x, y, dstw, dsth, 0, 0, 0, unsigned(dsth), res.poi, res.pmi, DIB_RGB_COLORS);
        deldib(res);
        if (n != 0) return;
    }

    HBITMAP bmp = CreateCompatibleBitmap(dc, W, H);
    if (!bmp) {
        message("Could not create bitmap.");
        return;
    }
    HDC mem = CreateCompatibleDC(dc);
    if (SetDIBits(mem, bmp, 0, unsigned(H), d.poi, d.pmi, DIB_RGB_COLORS) == 0) {
        message("The device does not support the Funtkion setdibits!");
    } else {
        HGDIOBJ old = SelectObject(mem, bmp);
        // The bitmap's rows run top-down: its source top is the picture row
        // above the rectangle's lower edge.
        bool ok = old && StretchBlt(dc, x, y, dstw, dsth, mem, srcx, H - srcy - srch, srcw, srch, rop);
        if (!ok) message("The device does not support the function StretchBlt!");
        if (old) SelectObject(mem, old);
    }
    DeleteDC(mem);
    DeleteObject(bmp);
}

}  // namespace

void drawdib(HDC dc, int x, int y, int dstw, int dsth, dib d, int srcx, int srcy, int srcw, int srch, bool halftone,
             uint32_t rop) {
    drawdibtest::Trace& t = trace();
    t = drawdibtest::Trace{};
    if (!dc) return;
    bool printer = GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER;
    SetStretchBltMode(dc, COLORONCOLOR);

    const int W = dibwidth(d), H = dibheight(d);
    if (!d.poi || W <= 0 || H <= 0) return;
    if (dstw <= 0 || dsth <= 0 || srcw <= 0 || srch <= 0) return;

    // Clip the source rectangle to the image; the destination shrinks in
    // proportion. A rectangle outside the image leaves nothing.
    if (srcx + int64_t(srcw) > W) {
        int dd = W - srcx;
        dstw = scaled(dstw, dd, srcw);
        srcw = dd;
        if (srcw <= 0) return;
    }
    if (srcy < 0) {
        dsth = scaled(dsth, int64_t(srch) + srcy, srch);
        srch = srch + srcy;
        srcy = 0;
        if (srch <= 0) return;
    }
    if (srcy + int64_t(srch) > H) {
        int dd = H - srcy;
        int n = scaled(dsth, dd, srch);
        y += dsth - n;
        dsth = n;
        srch = dd;
        if (srch <= 0) return;
    }
    if (srcx < 0) {
        int n = scaled(dstw, int64_t(srcw) + srcx, srcw);
        x += dstw - n;
        dstw = n;
        srcw = srcw + srcx;
        srcx = 0;
        if (srcw <= 0) return;
    }
    if (dstw <= 0 || dsth <= 0) return;

    int bits = dibbitcount(d);
    if (bits == 24 && halftone && screenbits(dc) <= 8) {
        t.path = drawdibtest::Path::Halftone;
        halftonepath(dc, x, y, dstw, dsth, d, srcx, srcy, srcw, srch, rop);
    } else if (bits == 24 && !printer) {
        t.path = drawdibtest::Path::Rows24;
        drawrows(dc, x, y, dstw, dsth, d, srcx, H - srcy - srch, srcw, srch, 3);
    } else if (bits == 8 && !printer) {
        t.path = drawdibtest::Path::Rows8;
        drawrows(dc, x, y, dstw, dsth, d, srcx, H - srcy - srch, srcw, srch, 1);
    } else {
        t.path = drawdibtest::Path::General;
        generalpath(dc, x, y, dstw, dsth, d, srcx, srcy, srcw, srch, rop);
    }
    // Whatever the device batched must show before the caller draws on.
    GdiFlush(dc);
}

namespace drawdibtest {
void setTrace(Trace* t) { g_trace = t; }
void setHalftone(HalftoneFn halftone, HalftoneXYFn halftoneXY) {
    g_halftone = halftone;
    g_halftoneXY = halftoneXY;
}
}  // namespace drawdibtest
