// Small image builders and readers for the pattern tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pattern/limits.h"
#include "raster/PixKit3.h"

namespace testimg {

// A 24-bit picture; colour(x, y) gives the packed colour, y from the top.
inline dib make24(int w, int h, const std::function<uint32_t(int, int)>& colour) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    if (!d.poi) return d;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, colour(x, y));
    return d;
}

inline dib grey24(int w, int h, uint8_t level) {
    return make24(w, h, [&](int, int) { return packrgb(level, level, level); });
}

// Yarn palette as the window starts with it: black, white, 62 x black.
inline LPAL defaultYarns() {
    LPAL p{};
    p.ver = kPaletteVersion;
    p.num = 64;
    p.rgb0[1] = PALETTEENTRY{255, 255, 255, 0};
    return p;
}

// Packed colour a grid stitch shows (y from the top).
inline uint32_t gridColour(const dib& grid, int x, int y) {
    const PALETTEENTRY& e = grid.pal.rgb0[getpixel(grid, x, y)];
    return packrgb(e.peRed, e.peGreen, e.peBlue);
}

// Rows of 'W' (white) / 'B' (black) / '?' (anything else), top row first.
inline std::vector<std::string> blackWhite(const dib& grid) {
    std::vector<std::string> rows;
    for (int y = 0; y < dibheight(grid); ++y) {
        std::string row;
        for (int x = 0; x < dibwidth(grid); ++x) {
            uint32_t c = gridColour(grid, x, y);
            row += c == 0xFFFFFF ? 'W' : c == 0 ? 'B' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

// Records every progress report.
struct ProgressLog {
    std::vector<int> values;
    std::function<void(int)> callback() {
        return [this](int p) { values.push_back(p); };
    }
};

}  // namespace testimg
