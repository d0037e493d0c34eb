#include "chart/chartstyle.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "chart/render.h"
#include "pattern/colourwork.h"
#include "pattern/yarnname.h"
#include "platform/controls.h"
#include "raster/PixKit3.h"

namespace chart {

uint32_t inverseColour(uint32_t c) { return packrgb(255 - getr(c), 255 - getg(c), 255 - getb(c)); }

uint32_t contrastColour(uint32_t fill) {
    // Rec. 601 weights; the switch at 118 lies where black and white stand
    // out about equally from a grey.
    const int lum = 299 * getr(fill) + 587 * getg(fill) + 114 * getb(fill);
    return lum >= 118 * 1000 ? 0x000000u : 0xFFFFFFu;
}

uint32_t outlineColour(uint32_t fill, Outline kind) {
    return kind == Outline::contrast ? contrastColour(fill) : inverseColour(fill);
}

LineWeight lineAfter(int64_t n, int64_t total, HeavyLines mode) {
    if (mode == HeavyLines::none || n <= 0 || n >= total) return LineWeight::none;
    if (n % 10 == 0) return LineWeight::heavy;
    return mode == HeavyLines::fivesAndTens && n % 5 == 0 ? LineWeight::dashed : LineWeight::none;
}

double lineMm(LineWeight w) {
    switch (w) {
    case LineWeight::heavy: return kHeavyLineMm;
    case LineWeight::dashed: return kDashedLineMm;
    case LineWeight::none: break;
    }
    return 0;
}

bool columnNumbered(int every, int64_t n) { return every > 0 && n > 0 && n % every == 0; }

ChartOptions pageOptions(const ChartOptions& in) {
    ChartOptions o = in.sanitised();
    if (o.heavyLines == HeavyLines::none) o.heavyLines = HeavyLines::tens;
    if (o.columnNumbers == 0) o.columnNumbers = 10;
    o.legend = true;
    return o;
}

SymbolPlace symbolPlace(double w, double h, double ring, bool wholeDots) {
    const double iw = w - 2 * ring, ih = h - 2 * ring;
    SymbolPlace p;
    if (wholeDots) {
        p.dot = std::max(1.0, std::floor(std::min(iw, ih) / kSymbolSize));
        p.x = ring + std::floor((iw - p.dot * kSymbolSize) / 2);
        p.y = ring + std::floor((ih - p.dot * kSymbolSize) / 2);
    } else {
        p.dot = std::min(w, h) / (kSymbolSize + 2);
        p.x = (w - p.dot * kSymbolSize) / 2;
        p.y = (h - p.dot * kSymbolSize) / 2;
    }
    return p;
}

bool numberedLeft(RowNumbering mode, int64_t n) {
    switch (mode) {
    case RowNumbering::flat: return n % 2 == 0;
    case RowNumbering::everyRow: return true;
    case RowNumbering::oddBothSides: break;
    }
    return n % 2 == 1;
}

bool numberedRight(RowNumbering mode, int64_t n) {
    return mode == RowNumbering::everyRow || n % 2 == 1;
}

// ---- symbols

namespace {

// Eight shapes by eight marks. Shapes 0-4 are outlines and take the mark
// on top; 5-7 are solid and have it cut out, so it shows on them too. All
// ink keeps one pixel off the cell's outline.
bool shapeInk(int shape, int x, int y) {
    const int dx = x - 6, dy = y - 6, ax = std::abs(dx), ay = std::abs(dy), d2 = dx * dx + dy * dy;
    switch (shape) {
    case 0: return std::max(ax, ay) == 5;                                  // square
    case 1: return d2 >= 20 && d2 <= 30;                                   // circle
    case 2: return ax + ay == 5;                                           // diamond
    case 3: return y >= 1 && y <= 11 && (ax == (y - 1) / 2 || (y == 11 && ax <= 5));       // triangle
    case 4: return y >= 1 && y <= 11 && (ax == (11 - y) / 2 || (y == 1 && ax <= 5));       // upside down
    case 5: return ax <= 4 && ay <= 4;                                     // solid square
    case 6: return d2 <= 26;                                               // disc
    default: return ax + ay <= 5;                                          // solid diamond
    }
}

bool markInk(int mark, int x, int y) {
    const int dx = x - 6, dy = y - 6, ax = std::abs(dx), ay = std::abs(dy);
    switch (mark) {
    case 0: return false;
    case 1: return ax <= 1 && ay <= 1;                              // dot
    case 2: return (ax == 0 && ay <= 3) || (ay == 0 && ax <= 3);   // plus
    case 3: return ax == ay && ax <= 3;                             // cross
    case 4: return ay == 0 && ax <= 5;                              // bar
    case 5: return ax == 0 && ay <= 5;                              // upright bar
    case 6: return dx == -dy && ax <= 5;                            // slash
    default: return dx == dy && ax <= 5;                            // backslash
    }
}

std::array<SymbolBitmap, kSymbolCount> makeSymbols() {
    std::array<SymbolBitmap, kSymbolCount> all{};
    for (int k = 0; k < kSymbolCount; ++k) {
        const int shape = k % 8, mark = k / 8;
        for (int y = 0; y < kSymbolSize; ++y)
            for (int x = 0; x < kSymbolSize; ++x) {
                const bool s = shapeInk(shape, x, y), m = markInk(mark, x, y);
                if (shape >= 5 ? s != m : s || m) all[std::size_t(k)][std::size_t(y)] |= uint16_t(1u << x);
            }
    }
    return all;
}

}  // namespace

const SymbolBitmap& symbolBitmap(int yarn) {
    static const std::array<SymbolBitmap, kSymbolCount> all = makeSymbols();
    return all[std::size_t(std::clamp(yarn, 0, kSymbolCount - 1))];
}

// ---- yarns in use

namespace {

// Palette index or packed colour of grid stitch (x, y), y from the top;
// the usual 8-bit grid read in place (getpixel copies the whole record).
uint32_t stitchValue(const dib& grid, int x, int y) {
    if (!grid.poi) return 0;
    if (dibbitcount(grid) == 8) {
        const int w = dibwidth(grid), h = dibheight(grid);
        if (x < 0 || y < 0 || x >= w || y >= h) return 0;
        return grid.poi[int64_t(h - 1 - y) * grid.bytew + x];
    }
    return getpixel(grid, x, y);
}

}  // namespace

std::vector<YarnUse> yarnUse(const dib& grid, const ChartGeometry& g, std::vector<uint8_t>* cellYarns) {
    std::vector<YarnUse> use(static_cast<std::size_t>(kSymbolCount));
    for (int i = 0; i < kSymbolCount; ++i) use[std::size_t(i)].yarn = i;
    if (cellYarns) cellYarns->clear();
    if (g.stitches <= 0 || g.rows <= 0) return {};
    if (cellYarns) cellYarns->resize(std::size_t(g.stitches * g.rows));
    const int gw = dibwidth(grid), gh = dibheight(grid);
    const int n = dibcolors(grid);
    const bool indexed = n > 0 && n <= 256;
    // Yarn of each grid index; grids without a palette number their colours
    // as they come, and past 64 colours the rest share the last symbol.
    std::array<uint8_t, 256> yarnOfIndex{};
    for (int i = 0; i < 256; ++i) {
        const int k = i - pattern::kYarnIndexOffset;
        yarnOfIndex[std::size_t(i)] = uint8_t(k >= 0 && k < kSymbolCount ? k : 0);
    }
    std::unordered_map<uint32_t, int> direct;
    std::vector<int> srcx(std::size_t(g.stitches));
    for (int64_t c = 0; c < g.stitches; ++c) srcx[std::size_t(c)] = int(int64_t(gw) * c / g.stitches);
    uint8_t* out = cellYarns ? cellYarns->data() : nullptr;
    for (int64_t r = 0; r < g.rows; ++r) {
        const int sy = int(int64_t(gh) * r / g.rows);
        for (int64_t c = 0; c < g.stitches; ++c) {
            const uint32_t v = stitchValue(grid, srcx[std::size_t(c)], sy);
            int yarn = 0;
            if (indexed) {
                yarn = yarnOfIndex[v & 0xFF];
            } else {
                const uint32_t colour = v & 0xFFFFFFu;
                auto it = direct.find(colour);
                if (it != direct.end()) {
                    yarn = it->second;
                } else {
                    yarn = std::min<int>(int(direct.size()), kSymbolCount - 1);
                    direct.emplace(colour, yarn);
                    if (use[std::size_t(yarn)].stitches == 0) use[std::size_t(yarn)].colour = colour;
                }
            }
            use[std::size_t(yarn)].stitches += 1;
            if (out) *out++ = uint8_t(yarn);
        }
    }
    if (indexed)
        for (int k = 0; k < kSymbolCount; ++k) {
            const PALETTEENTRY& e = grid.pal.rgb0[k + pattern::kYarnIndexOffset];
            use[std::size_t(k)].colour = packrgb(e.peRed, e.peGreen, e.peBlue);
        }
    if (indexed && g.stitches == gw && g.rows == gh) {
        const std::vector<int64_t> carried = pattern::colourwork::carriedStitchesPerYarn(grid, kSymbolCount);
        for (std::size_t k = 0; k < carried.size() && k < use.size(); ++k) use[k].carried = carried[k];
    }
    std::erase_if(use, [](const YarnUse& u) { return u.stitches == 0; });
    return use;
}

double yarnPerStitchCm(const ChartInputs& in, double k) {
    return k * (10.0 / in.maschen + 10.0 / in.reihen);
}

double yarnMetres(int64_t stitches, const ChartInputs& in, double k) {
    return double(stitches) * yarnPerStitchCm(in, k) / 100.0;
}

// ---- legend text

LegendText legendText(const std::vector<YarnUse>& use, const ChartInputs& in, const ChartGeometry& g, double k) {
    const QLocale de = platform::uiLocale();
    auto metres = [&](int64_t n) { return de.toString(yarnMetres(n, in, k), 'f', 1) + QStringLiteral(" m"); };
    auto cm = [&](double v, int decimals) { return de.toString(v, 'f', decimals); };
    LegendText t;
    t.title = QStringLiteral("Farben und Wollbedarf");
    int64_t total = 0, carried = 0;
    for (const YarnUse& u : use) {
        LegendEntry e;
        e.yarn = u.yarn;
        e.colour = u.colour;
        e.number = pattern::yarnName(u.yarn);
        e.colourText = QStringLiteral("RGB %1, %2, %3").arg(getr(u.colour)).arg(getg(u.colour)).arg(getb(u.colour));
        e.stitches = de.toString(qlonglong(u.stitches)) + QStringLiteral(" Maschen");
        e.metres = QStringLiteral("ca. ") + metres(u.stitches);
        t.entries.push_back(e);
        total += u.stitches;
        carried += u.carried;
    }
    t.total = QStringLiteral("Zusammen: %1 Maschen, ca. %2").arg(de.toString(qlonglong(total)), metres(total));
    t.size = QStringLiteral("%1 Maschen × %2 Reihen, fertig %3 × %4 cm")
                 .arg(de.toString(qlonglong(g.stitches)), de.toString(qlonglong(g.rows)),
                      cm(double(g.stitches) * 10.0 / in.maschen, 1), cm(double(g.rows) * 10.0 / in.reihen, 1));
    t.smallPrint.push_back(QStringLiteral("Wollbedarf je Masche geschätzt: k × (10 cm / Maschen je 10 cm + "
                                          "10 cm / Reihen je 10 cm)"));
    t.smallPrint.push_back(QStringLiteral("= %1 × (10 cm / %2 + 10 cm / %3) = %4 cm; k unter \u201eDarstellung...\u201c "
                                          "an die eigene Wolle anpassen.")
                               .arg(cm(k, 2), QString::number(in.maschen), QString::number(in.reihen),
                                    cm(yarnPerStitchCm(in, k), 3)));
    // The yarn carried at the back (stranded knitting) is bought as well:
    // one stitch width for every stitch a float passes; four yarns a line.
    if (carried) {
        t.smallPrint.push_back(QStringLiteral("Dazu die Spannfäden auf der Rückseite, je überspannte Masche eine "
                                              "Maschenbreite:"));
        QStringList line;
        for (const YarnUse& u : use) {
            if (!u.carried) continue;
            line << QStringLiteral("%1 ca. %2 m").arg(pattern::yarnName(u.yarn),
                                                      de.toString(pattern::colourwork::carriedMetres(u.carried, in.maschen), 'f', 1));
            if (line.size() == 4) {
                t.smallPrint.push_back(line.join(QStringLiteral(", ")));
                line.clear();
            }
        }
        if (!line.isEmpty()) t.smallPrint.push_back(line.join(QStringLiteral(", ")));
    }
    return t;
}

}  // namespace chart
