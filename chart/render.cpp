#include "chart/render.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "pattern/compute.h"
#include "raster/memblock.h"
#include "raster/PixKit3.h"
#include "raster/limits.h"

namespace chart {

namespace {

// Larger sides are not worth counting in bytes: far past any memory.
constexpr int64_t kBeyondMeasure = int64_t(1) << 50;

// Glyph images are made at 96 dpi whatever the screen says, so that 8 points
// are the same pixels on every machine.
constexpr int kDotsPerMeter = 3780;

QImage glyphImage(int w, int h) {
    QImage img(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    img.setDotsPerMeterX(kDotsPerMeter);
    img.setDotsPerMeterY(kDotsPerMeter);
    img.fill(Qt::white);
    return img;
}

// `text` drawn black on white at (0, ascent) of `img`, and the w x h box at
// its top-left corner read back as ink. The threshold keeps the chart's
// margins two-coloured even if a font engine should smooth glyphs despite
// being told not to.
NumberMask readText(QImage& img, const QFont& font, const QString& text, int w, int h, int ascent) {
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        // Clipped like a box of its own, so wider images change nothing.
        p.setClipRect(0, 0, w, h);
        p.drawText(0, ascent, text);
    }
    NumberMask m;
    m.width = w;
    m.height = h;
    m.ink.assign(std::size_t(w) * std::size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) m.ink[std::size_t(y) * w + x] = qGray(line[x]) < 128 ? 1 : 0;
    }
    return m;
}

inline void putPixel(uint8_t* p, uint32_t c) {
    p[0] = getb(c);
    p[1] = getg(c);
    p[2] = getr(c);
}

// n pixels of colour c from p on, eight at a time.
void fillPixels(uint8_t* p, uint32_t c, int64_t n) {
    uint8_t eight[24];
    for (int k = 0; k < 8; ++k) putPixel(eight + 3 * k, c);
    for (; n >= 8; n -= 8, p += 24) std::memcpy(p, eight, 24);
    std::memcpy(p, eight, std::size_t(3 * n));
}

// Palette index or packed colour of a grid stitch; y from the top.
uint32_t sourceValue(const dib& grid, int x, int y) {
    // The usual 8-bit grid is read in place: getpixel takes the whole record
    // by value, which would cost more than the cell it colours.
    if (grid.poi && dibbitcount(grid) == 8) {
        int w = dibwidth(grid), h = dibheight(grid);
        if (x < 0 || y < 0 || x >= w || y >= h) return 0;
        return grid.poi[int64_t(h - 1 - y) * grid.bytew + x];
    }
    return getpixel(grid, x, y);
}

uint32_t fillColour(const dib& grid, uint32_t v) {
    // Palette images count 2 to 256 colours (1 for an empty record). A
    // 32-bit grid counts 0 and carries packed colours, not indices.
    int n = dibcolors(grid);
    if (n > 0 && n <= 256) {
        const PALETTEENTRY& e = grid.pal.rgb0[v & 0xFF];
        return packrgb(e.peRed, e.peGreen, e.peBlue);
    }
    return v & 0xFFFFFFu;
}

// Writes the chart row by row in the order of its pixel memory, each row
// once and whole: its cell pattern, then whatever number boxes and row lines
// cross it, in the order they overlap (rows from the top, per row the left
// number, the left line, the right number, the right line). Every byte of
// the block is written, padding included, so a block that held an older
// chart comes out as a fresh one would.
class ChartWriter {
public:
    ChartWriter(dib& out, const ChartGeometry& g, const ChartOptions& o = ChartOptions{}, CellRowHook hook = {})
        : out_(out), g_(g), outline_(o.outline), numbering_(o.rowNumbers), hook_(std::move(hook)) {}

    uint8_t* row(int64_t y) const { return out_.poi + (g_.height - 1 - y) * int64_t(out_.bytew); }

    void render(const dib& grid) {
        const int64_t bytew = out_.bytew;
        // Padding bytes are 0, as newdib leaves them.
        std::vector<uint8_t> white(std::size_t(bytew), 0);
        std::memset(white.data(), 0xFF, std::size_t(g_.width * 3));

        // Every picture row of a cell row is one of two patterns: the ring's
        // top and bottom (all outline) or its inside (outline, fill, outline).
        std::vector<uint8_t> edge(white), inner(white);
        std::vector<int> srcx(std::size_t(g_.stitches));
        const int64_t gw = dibwidth(grid), gh = dibheight(grid);
        for (int64_t c = 0; c < g_.stitches; ++c) srcx[std::size_t(c)] = int(gw * c / g_.stitches);
        std::vector<uint32_t> fill(std::size_t(g_.stitches)), last;
        int64_t patternRow = -1;

        const int64_t cw = g_.cellWidth, ch = g_.cellHeight;
        const int64_t cellsEnd = kTopMargin + g_.rows * ch;
        // Number boxes reach this many rows down from their cell row's top
        // (the line alone reaches one).
        const int64_t reach = std::max(1, numbers_.height());

        for (int64_t y = g_.height - 1; y >= 0; --y) {
            const uint8_t* pattern = white.data();
            if (y >= kTopMargin && y < cellsEnd) {
                const int64_t r = (y - kTopMargin) / ch, k = (y - kTopMargin) % ch;
                if (r != patternRow) {
                    fillsOf(grid, int(gh * r / g_.rows), srcx, fill);
                    // The hook writes the cells itself; only the margins are taken.
                    if (!hook_ && (patternRow < 0 || fill != last)) {
                        for (int64_t c = 0; c < g_.stitches; ++c) {
                            const uint32_t f = fill[std::size_t(c)], o = outlineColour(f, outline_);
                            if (patternRow >= 0 && f == last[std::size_t(c)]) continue;
                            fillPixels(edge.data() + (kLeftMargin + c * cw) * 3, o, cw);
                            uint8_t* i = inner.data() + (kLeftMargin + c * cw) * 3;
                            fillPixels(i, f, cw);
                            putPixel(i, o);
                            putPixel(i + 3 * (cw - 1), o);
                        }
                        last = fill;
                    }
                    patternRow = r;
                }
                pattern = k == 0 || k == ch - 1 ? edge.data() : inner.data();
            }
            uint8_t* p = row(y);
            if (hook_ && y >= kTopMargin && y < cellsEnd) {
                // The margins from the pattern, the cells from the hook,
                // each byte written once.
                const std::size_t cellsFrom = std::size_t(3 * kLeftMargin);
                const std::size_t cellsTo = std::size_t(3 * (kLeftMargin + g_.stitches * cw));
                std::memcpy(p, pattern, cellsFrom);
                hook_(p, (y - kTopMargin) / ch, (y - kTopMargin) % ch, fill);
                std::memcpy(p + cellsTo, pattern + cellsTo, std::size_t(bytew) - cellsTo);
            } else {
                std::memcpy(p, pattern, std::size_t(bytew));
            }
            if (g_.rows == 0 || y < kTopMargin) continue;

            // Cell rows whose top lies within `reach` rows above y.
            const int64_t hi = std::min((y - kTopMargin) / ch, g_.rows - 1);
            const int64_t from = y - kTopMargin - reach + 1;
            const int64_t lo = from <= 0 ? 0 : (from + ch - 1) / ch;
            for (int64_t r = lo; r <= hi; ++r) {
                const int64_t top = kTopMargin + r * ch;
                const int64_t n = g_.rows - r;
                const bool left = numberedLeft(numbering_, n), right = numberedRight(numbering_, n);
                const NumberMask* m = left || right ? &mask(n) : nullptr;
                if (left) number(p, *m, kLeftNumberX, y - top);
                if (y == top) line(p, 0, kLeftLineEnd);
                if (right) number(p, *m, g_.width - kRightNumberX, y - top);
                if (y == top) line(p, g_.width - kRightLineStart, g_.width - 2);
            }
            // Masks of rows below y are done with.
            std::erase_if(masks_, [&](const auto& e) { return e.first < g_.rows - hi; });
        }
    }

private:
    // Fill colours of the stitches of grid row sy (from the top).
    void fillsOf(const dib& grid, int sy, const std::vector<int>& srcx, std::vector<uint32_t>& fill) {
        if (grid.poi && dibbitcount(grid) == 8 && sy >= 0 && sy < dibheight(grid)) {
            // The usual 8-bit grid: its row in place, its palette once.
            if (colour_.empty())
                for (int i = 0; i < 256; ++i) colour_.push_back(fillColour(grid, uint32_t(i)));
            const uint32_t* colour = colour_.data();
            const uint8_t* row = grid.poi + int64_t(dibheight(grid) - 1 - sy) * grid.bytew;
            const int w = dibwidth(grid);
            for (std::size_t c = 0; c < fill.size(); ++c) fill[c] = srcx[c] < w ? colour[row[srcx[c]]] : colour[0];
            return;
        }
        for (std::size_t c = 0; c < fill.size(); ++c) fill[c] = fillColour(grid, sourceValue(grid, srcx[c], sy));
    }

    // Mask of row number n, drawn once while its box is being written.
    const NumberMask& mask(int64_t n) {
        for (const auto& e : masks_)
            if (e.first == n) return e.second;
        masks_.emplace_back(n, numbers_.render(n));
        return masks_.back().second;
    }

    // Row j of a number box at x0 into picture row p.
    void number(uint8_t* p, const NumberMask& m, int64_t x0, int64_t j) const {
        if (j < 0 || j >= m.height) return;
        for (int i = 0; i < m.width; ++i) {
            const int64_t x = x0 + i;
            if (x < 0 || x >= g_.width) continue;
            std::memset(p + 3 * x, m.ink[std::size_t(j) * m.width + i] ? 0x00 : 0xFF, 3);
        }
    }

    void line(uint8_t* p, int64_t x0, int64_t x1) const {
        x0 = std::max<int64_t>(x0, 0);
        x1 = std::min<int64_t>(x1, g_.width - 1);
        if (x1 < x0) return;
        std::memset(p + 3 * x0, 0, std::size_t(3 * (x1 - x0 + 1)));
    }

    dib& out_;
    const ChartGeometry& g_;
    RowNumberRenderer numbers_;
    std::vector<std::pair<int64_t, NumberMask>> masks_;
    std::vector<uint32_t> colour_;  // fill colour per index of an 8-bit grid
    Outline outline_;
    RowNumbering numbering_;
    CellRowHook hook_;
};

}  // namespace

void drawPlainChart(dib& out, const ChartGeometry& g, const dib& grid, const ChartOptions& o, CellRowHook hook) {
    ChartWriter writer(out, g, o, std::move(hook));
    writer.render(grid);
}

bool chartGeometry(const ChartInputs& in, ChartGeometry& g) {
    g = ChartGeometry{};
    if (in.maschen <= 0 || in.reihen <= 0) return false;

    // pattern::stitchCount is 0 for a size that is negative or not a number.
    const int64_t stitches = pattern::stitchCount(in.maschen, in.breite);
    const int64_t rows = pattern::stitchCount(in.reihen, in.hoch);
    int64_t cw = kCellMin;
    int64_t ch = int64_t(in.maschen) * kCellMin / in.reihen;
    if (ch < kCellMin) {
        ch = kCellMin;
        cw = int64_t(in.reihen) * kCellMin / in.maschen;
    }
    g.stitches = stitches;
    g.rows = rows;
    g.cellWidth = cw;
    g.cellHeight = ch;
    // Gauges far past the size page's range could overflow even 64 bits;
    // such a chart is only ever refused, so -1 stands for "beyond measure".
    if (__builtin_mul_overflow(cw, stitches, &g.width) || __builtin_mul_overflow(ch, rows, &g.height) ||
        g.width > kBeyondMeasure || g.height > kBeyondMeasure) {
        g.width = g.height = -1;
        return true;
    }
    g.width += kLeftMargin + kRightMargin;
    g.height += kTopMargin + kBottomMargin;
    // Counted here rather than by the raster library, which gives up past
    // its record limit: the refusal should say how much it would have been.
    const int64_t rowBytes = (g.width * 3 + 3) / 4 * 4;
    g.pixelBytes = rowBytes <= std::numeric_limits<int64_t>::max() / g.height ? rowBytes * g.height : -1;
    return true;
}

int64_t chartByteLimit() {
    const int64_t physical = memblock::physicalBytes();
    return physical > 0 ? std::min<int64_t>(pixkit::kMaxImageBytes, physical / pattern::kChartMemoryShareDivisor) : pixkit::kMaxImageBytes;
}

// A record that can become the new chart: one newdib made for the same
// size, as every chart is, header for header.
bool fitsChart(const dib& d, const ChartGeometry& g, const dib& grid) {
    if (!d.poi || !d.pmi || d.poi == grid.poi || d.poih == d.pmih || d.ispal != 0) return false;
    const BITMAPINFOHEADER& h = d.pmi->bmiHeader;
    return h.biSize == sizeof(BITMAPINFOHEADER) && h.biWidth == g.width && h.biHeight == g.height &&
           h.biPlanes == 1 && h.biBitCount == 24 && h.biCompression == 0 && h.biSizeImage == g.pixelBytes &&
           h.biXPelsPerMeter == 3780 && h.biYPelsPerMeter == 3780 && h.biClrUsed == 0 && h.biClrImportant == 0 &&
           int64_t(d.bytew) * g.height == g.pixelBytes && int64_t(GlobalSize(d.poih)) == g.pixelBytes;
}

dib chartBlock(const ChartGeometry& g, const dib& grid, dib* previous) {
    dib out{};
    if (previous && fitsChart(*previous, g, grid)) {
        out = *previous;
        *previous = dib{};
        out.pal = LPAL{};  // a 24-bit record's, as newdib leaves it
        out.pal.ver = kPaletteVersion;
        return out;
    }
    newdib(&out, int(g.width), int(g.height), 24, nullptr, 0);
    if (!out.poi) {
        freedib(out);
        return dib{};
    }
    return out;
}

namespace {

ChartResult render(const dib& grid, const ChartInputs& in, dib* previous, int64_t limitBytes,
                   const ChartOptions& options) {
    ChartResult res;
    res.limitBytes = std::min<int64_t>(limitBytes, pixkit::kMaxImageBytes);
    if (!chartGeometry(in, res.geometry)) {
        res.status = ChartStatus::badInputs;
        return res;
    }
    const ChartGeometry& g = res.geometry;
    res.placement.chartWidth = g.width;
    if (!options.plain()) return renderWithOptions(grid, in, options, res, previous);
    if (g.pixelBytes < 0 || g.pixelBytes > res.limitBytes) {
        res.status = ChartStatus::tooLarge;
        return res;
    }
    dib out = chartBlock(g, grid, previous);
    if (!out.poi) {
        res.status = ChartStatus::noMemory;
        return res;
    }
    ChartWriter writer(out, g);
    writer.render(grid);
    res.chart = out;
    res.status = ChartStatus::ok;
    return res;
}

}  // namespace

ChartResult renderChart(const dib& grid, const ChartInputs& in, int64_t limitBytes, const ChartOptions& options) {
    return render(grid, in, nullptr, limitBytes, options);
}

ChartResult renderChart(const dib& grid, const ChartInputs& in, dib& previous, int64_t limitBytes,
                        const ChartOptions& options) {
    return render(grid, in, &previous, limitBytes, options);
}

QFont rowNumberFont() {
    QFont f = QGuiApplication::font();
    f.setPointSize(kNumberPointSize);
    // Hard-edged glyphs: the chart keeps its few colours and the palette
    // formats save it losslessly.
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return f;
}

RowNumberRenderer::RowNumberRenderer() : font_(rowNumberFont()) {
    QImage probe = glyphImage(1, 1);
    QFontMetrics fm(font_, &probe);
    height_ = fm.height();
    ascent_ = fm.ascent();
}

NumberMask RowNumberRenderer::render(int64_t n) { return text(QString::number(n)); }

NumberMask RowNumberRenderer::text(const QString& s) {
    if (image_.isNull()) image_ = glyphImage(1, 1);
    const int w = QFontMetrics(font_, &image_).horizontalAdvance(s);
    if (image_.width() < w || image_.height() < height_) image_ = glyphImage(std::max(w, 64), height_);
    return readText(image_, font_, s, w, height_, ascent_);
}

}  // namespace chart
