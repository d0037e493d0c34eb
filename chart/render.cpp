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

inline uint32_t inverse(uint32_t c) { return packrgb(255 - getr(c), 255 - getg(c), 255 - getb(c)); }

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

class ChartWriter {
public:
    ChartWriter(dib& out, const ChartGeometry& g, const ChartOptions& o = ChartOptions{})
        : out_(out), g_(g), contrast_(o.outline == Outline::contrast), numbering_(o.rowNumbers) {}

    uint8_t* row(int64_t y) const { return out_.poi + (g_.height - 1 - y) * int64_t(out_.bytew); }

    void cells(const dib& grid) {
        const int64_t bytew = out_.bytew;
        const int64_t pixelBytes = g_.width * 3;
        // Padding bytes stay 0, as newdib left them.
        std::vector<uint8_t> white(std::size_t(bytew), 0);
        std::memset(white.data(), 0xFF, std::size_t(pixelBytes));

        const int64_t cellsTop = kTopMargin;
        const int64_t cellsEnd = kTopMargin + g_.rows * g_.cellHeight;
        for (int64_t y = 0; y < cellsTop; ++y) std::memcpy(row(y), white.data(), std::size_t(bytew));
        for (int64_t y = cellsEnd; y < g_.height; ++y) std::memcpy(row(y), white.data(), std::size_t(bytew));
        if (g_.rows == 0) return;

        // Every picture row of a cell row is one of two patterns: the ring's
        // top and bottom (all outline) or its inside (outline, fill, outline).
        std::vector<uint8_t> edge(white), inner(white);
        std::vector<int> srcx(std::size_t(g_.stitches));
        const int64_t gw = dibwidth(grid), gh = dibheight(grid);
        for (int64_t c = 0; c < g_.stitches; ++c) srcx[std::size_t(c)] = int(gw * c / g_.stitches);
        std::vector<uint32_t> fill(std::size_t(g_.stitches)), last;

        const int64_t cw = g_.cellWidth, ch = g_.cellHeight;
        for (int64_t r = 0; r < g_.rows; ++r) {
            const int sy = int(gh * r / g_.rows);
            for (int64_t c = 0; c < g_.stitches; ++c)
                fill[std::size_t(c)] = fillColour(grid, sourceValue(grid, srcx[std::size_t(c)], sy));
            if (r == 0 || fill != last) {
                for (int64_t c = 0; c < g_.stitches; ++c) {
                    const uint32_t f = fill[std::size_t(c)], o = contrast_ ? contrastColour(f) : inverse(f);
                    uint8_t* e = edge.data() + (kLeftMargin + c * cw) * 3;
                    uint8_t* i = inner.data() + (kLeftMargin + c * cw) * 3;
                    for (int64_t k = 0; k < cw; ++k) putPixel(e + 3 * k, o);
                    putPixel(i, o);
                    for (int64_t k = 1; k < cw - 1; ++k) putPixel(i + 3 * k, f);
                    putPixel(i + 3 * (cw - 1), o);
                }
                last = fill;
            }
            const int64_t y0 = kTopMargin + r * ch;
            std::memcpy(row(y0), edge.data(), std::size_t(bytew));
            for (int64_t k = 1; k < ch - 1; ++k) std::memcpy(row(y0 + k), inner.data(), std::size_t(bytew));
            std::memcpy(row(y0 + ch - 1), edge.data(), std::size_t(bytew));
        }
    }

    // Row numbers counted from the bottom (plain: odd ones only), then the
    // row line over the number's top pixel row: in that order, per side.
    void numbersAndLines() {
        if (g_.rows == 0) return;
        RowNumberRenderer numbers;
        const int64_t W = g_.width;
        for (int64_t r = 0; r < g_.rows; ++r) {
            const int64_t y = kTopMargin + r * g_.cellHeight;
            const int64_t n = g_.rows - r;
            const bool left = numberedLeft(numbering_, n), right = numberedRight(numbering_, n);
            NumberMask m;
            if (left || right) m = numbers.render(n);
            if (left) number(m, kLeftNumberX, y);
            line(y, 0, kLeftLineEnd);
            if (right) number(m, W - kRightNumberX, y);
            line(y, W - kRightLineStart, W - 2);
        }
    }

private:
    void number(const NumberMask& m, int64_t x0, int64_t y0) {
        for (int j = 0; j < m.height; ++j) {
            const int64_t y = y0 + j;
            if (y < 0 || y >= g_.height) continue;
            uint8_t* p = row(y);
            for (int i = 0; i < m.width; ++i) {
                const int64_t x = x0 + i;
                if (x < 0 || x >= g_.width) continue;
                std::memset(p + 3 * x, m.ink[std::size_t(j) * m.width + i] ? 0x00 : 0xFF, 3);
            }
        }
    }

    void line(int64_t y, int64_t x0, int64_t x1) {
        x0 = std::max<int64_t>(x0, 0);
        x1 = std::min<int64_t>(x1, g_.width - 1);
        if (y < 0 || y >= g_.height || x1 < x0) return;
        std::memset(row(y) + 3 * x0, 0, std::size_t(3 * (x1 - x0 + 1)));
    }

    dib& out_;
    const ChartGeometry& g_;
    bool contrast_;
    RowNumbering numbering_;
};

}  // namespace

void drawPlainChart(dib& out, const ChartGeometry& g, const dib& grid, const ChartOptions& o) {
    ChartWriter writer(out, g, o);
    writer.cells(grid);
    writer.numbersAndLines();
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

ChartResult renderChart(const dib& grid, const ChartInputs& in, int64_t limitBytes, const ChartOptions& options) {
    ChartResult res;
    res.limitBytes = std::min<int64_t>(limitBytes, pixkit::kMaxImageBytes);
    if (!chartGeometry(in, res.geometry)) {
        res.status = ChartStatus::badInputs;
        return res;
    }
    const ChartGeometry& g = res.geometry;
    res.placement.chartWidth = g.width;
    if (!options.plain()) return renderWithOptions(grid, in, options, res);
    if (g.pixelBytes < 0 || g.pixelBytes > res.limitBytes) {
        res.status = ChartStatus::tooLarge;
        return res;
    }
    dib out{};
    newdib(&out, int(g.width), int(g.height), 24, nullptr, 0);
    if (!out.poi) {
        freedib(out);
        res.status = ChartStatus::noMemory;
        return res;
    }
    ChartWriter writer(out, g);
    writer.cells(grid);
    writer.numbersAndLines();
    res.chart = out;
    res.status = ChartStatus::ok;
    return res;
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
