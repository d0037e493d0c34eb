#include "pattern/depthup.h"

#include "raster/PixKit3.h"

namespace pattern {

namespace {

// One palette lookup per pixel: the motif's palette as stored pixel bytes.
struct Bgr {
    uint8_t b, g, r;
};

template <int Bits>
void expandRow(const uint8_t* in, uint8_t* out, int width, const Bgr* colours) {
    for (int x = 0; x < width; ++x) {
        int index;
        if constexpr (Bits == 8) index = in[x];
        else if constexpr (Bits == 4) index = (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
        else index = (in[x >> 3] >> (7 - (x & 7))) & 1;
        const Bgr& c = colours[index];
        out[3 * x] = c.b;
        out[3 * x + 1] = c.g;
        out[3 * x + 2] = c.r;
    }
}

}  // namespace

dib DepthUpTo(const dib& motif, int nbpp, const Progress& progress) {
    report(progress, 0);
    const int w = dibwidth(motif), h = dibheight(motif), b = dibbitcount(motif);
    dib out{};
    newdib(&out, w, h, nbpp, nullptr, 0);
    const bool convertible = b == 1 || b == 4 || b == 8;
    if (out.poi && motif.poi && nbpp == 24 && convertible) {
        // 1-bit motifs take their palette's colours too: a two-colour file
        // whose palette says white for 0 and black for 1 stays as drawn
        // instead of coming out inverted.
        Bgr colours[256];
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY& e = motif.pal.rgb0[i];
            colours[i] = Bgr{e.peBlue, e.peGreen, e.peRed};
        }
        for (int y = 0; y < h; ++y) {
            report(progress, rowPercent(y, h));
            const uint8_t* in = motif.poi + int64_t(y) * motif.bytew;
            uint8_t* row = out.poi + int64_t(y) * out.bytew;
            if (b == 8) expandRow<8>(in, row, w, colours);
            else if (b == 4) expandRow<4>(in, row, w, colours);
            else expandRow<1>(in, row, w, colours);
        }
    }
    report(progress, 0);
    return out;
}

}  // namespace pattern
