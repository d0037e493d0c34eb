// The chart with options: the plain chart drawn into a band of a taller (and
// at times wider) picture, then symbols, heavy lines, column numbers and the
// legend drawn over and around it, each a step of its own.
#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "chart/chartoptions.h"
#include "chart/chartstyle.h"
#include "chart/render.h"
#include "raster/PixKit3.h"

namespace chart {

namespace {

constexpr uint32_t kInk = kLineColour;
constexpr uint32_t kPaper = 0xFFFFFFu;
constexpr int kLegendX = 10;        // legend's left edge
constexpr int kLegendPad = 10;      // above and below the legend
constexpr int kColumnGap = 12;      // between the legend's text columns
constexpr int kEntryGap = 24;       // between legend entries side by side
constexpr int kSwatchMax = 60;      // legend swatches: the cell, up to this
constexpr int kNumberGap = 2;       // column numbers off the cells

// Pixel access to a 24-bit picture, y from the top.
struct Canvas {
    uint8_t* poi = nullptr;
    int64_t bytew = 0, width = 0, height = 0;

    uint8_t* row(int64_t y) const { return poi + (height - 1 - y) * bytew; }
    void put(int64_t x, int64_t y, uint32_t c) const {
        uint8_t* p = row(y) + 3 * x;
        p[0] = getb(c);
        p[1] = getg(c);
        p[2] = getr(c);
    }
    uint32_t at(int64_t x, int64_t y) const {
        const uint8_t* p = row(y) + 3 * x;
        return packrgb(p[2], p[1], p[0]);
    }
    void fill(int64_t x0, int64_t y0, int64_t w, int64_t h, uint32_t c) const {
        for (int64_t y = y0; y < y0 + h; ++y)
            for (int64_t x = x0; x < x0 + w; ++x) put(x, y, c);
    }
    // Text box copied in opaque, black on white, as the row numbers are.
    void text(const NumberMask& m, int64_t x0, int64_t y0) const {
        for (int j = 0; j < m.height; ++j) {
            const int64_t y = y0 + j;
            if (y < 0 || y >= height) continue;
            for (int i = 0; i < m.width; ++i) {
                const int64_t x = x0 + i;
                if (x >= 0 && x < width) put(x, y, m.ink[std::size_t(j) * m.width + i] ? kInk : kPaper);
            }
        }
    }
};

struct Layout {
    int64_t band = 0;          // column numbers above and below, each
    int64_t chartTop = 0;      // first row of the plain chart
    int64_t cellsTop = 0;
    int64_t legendTop = -1;
    int64_t width = 0, height = 0;
};

// Pixel offsets of a symbol's ink in a cell of cw x ch: centred in the
// inside, scaled by the largest whole step that fits.
std::vector<int64_t> symbolOffsets(int yarn, int64_t cw, int64_t ch, int64_t bytew) {
    const SymbolPlace place = symbolPlace(double(cw), double(ch), 1, true);
    const int64_t s = int64_t(place.dot), ox = int64_t(place.x), oy = int64_t(place.y);
    const SymbolBitmap& b = symbolBitmap(yarn);
    std::vector<int64_t> off;
    for (int y = 0; y < kSymbolSize; ++y)
        for (int x = 0; x < kSymbolSize; ++x)
            if (b[std::size_t(y)] >> x & 1u)
                for (int64_t j = 0; j < s; ++j)
                    for (int64_t i = 0; i < s; ++i)
                        // Rows are stored bottom-up: one row down is -bytew.
                        off.push_back(-(oy + y * s + j) * bytew + 3 * (ox + x * s + i));
    return off;
}

// One cell as the chart draws it (outline, fill, symbol), for the legend.
void drawSwatch(const Canvas& cv, int64_t x0, int64_t y0, int64_t w, int64_t h, uint32_t fill, int yarn,
                const ChartOptions& o) {
    cv.fill(x0, y0, w, h, outlineColour(fill, o.outline));
    cv.fill(x0 + 1, y0 + 1, w - 2, h - 2, fill);
    if (!o.symbols) return;
    const uint32_t ink = inkOn(fill);
    for (int64_t d : symbolOffsets(yarn, w, h, cv.bytew)) {
        uint8_t* p = cv.row(y0) + 3 * x0 + d;
        p[0] = getb(ink);
        p[1] = getg(ink);
        p[2] = getr(ink);
    }
}

// Symbols and heavy lines, drawn into each picture row of the cells right
// after the plain renderer wrote it: the row is still in the cache.
class CellDecor {
public:
    CellDecor(const ChartGeometry& g, const ChartOptions& o, const std::vector<uint8_t>& yarns)
        : g_(g), mode_(o.heavyLines), yarns_(o.symbols ? &yarns : nullptr) {
        if (yarns_) {
            // Per yarn and row of the cell, the byte offsets of its ink.
            const SymbolPlace place = symbolPlace(double(g.cellWidth), double(g.cellHeight), 1, true);
            const int64_t d = int64_t(place.dot), ox = int64_t(place.x), oy = int64_t(place.y);
            ink_.resize(std::size_t(kSymbolCount) * std::size_t(g.cellHeight));
            for (int k = 0; k < kSymbolCount; ++k) {
                const SymbolBitmap& b = symbolBitmap(k);
                for (int y = 0; y < kSymbolSize; ++y)
                    for (int x = 0; x < kSymbolSize; ++x)
                        if (b[std::size_t(y)] >> x & 1u)
                            for (int64_t j = 0; j < d; ++j)
                                for (int64_t i = 0; i < d; ++i)
                                    inkRow(k, oy + y * d + j).push_back(int32_t(3 * (ox + x * d + i)));
            }
        }
        for (int64_t n = 1; n < g.stitches; ++n) {
            const LineWeight w = lineAfter(n, g.stitches, mode_);
            if (w != LineWeight::none) columns_.push_back({kLeftMargin + (g.stitches - n) * g.cellWidth, w});
        }
    }

    void operator()(uint8_t* row, int64_t r, int64_t k, const std::vector<uint32_t>& fill) {
        if (yarns_) {
            if (r != inksRow_) {
                inks_.resize(fill.size());
                for (std::size_t c = 0; c < fill.size(); ++c) inks_[c] = inkOn(fill[c]);
                inksRow_ = r;
            }
            const uint8_t* yarn = yarns_->data() + r * g_.stitches;
            uint8_t* cell = row + 3 * kLeftMargin;
            for (int64_t c = 0; c < g_.stitches; ++c, cell += 3 * g_.cellWidth) {
                const uint32_t ink = inks_[std::size_t(c)];
                for (int32_t off : inkRow(yarn[c], k)) put(cell + off, ink);
            }
        }
        if (mode_ == HeavyLines::none) return;
        // Along the line from the top of the cells, for the dashes.
        const int64_t along = r * g_.cellHeight + k;
        for (const auto& [x, w] : columns_) {
            const uint32_t c = colour(w, along);
            put(row + 3 * (x - 1), c);
            put(row + 3 * x, c);
        }
        // A row boundary lies between the last pixel row of one cell row
        // and the first of the next.
        const int64_t below = k == 0 ? g_.rows - r : k == g_.cellHeight - 1 ? g_.rows - r - 1 : 0;
        const LineWeight w = below > 0 ? lineAfter(below, g_.rows, mode_) : LineWeight::none;
        if (w == LineWeight::none) return;
        uint8_t* p = row + 3 * kLeftMargin;
        for (int64_t x = 0; x < g_.stitches * g_.cellWidth; ++x, p += 3) put(p, colour(w, x));
    }

private:
    static uint32_t colour(LineWeight w, int64_t along) {
        return w == LineWeight::heavy || (along / kDashPixels) % 2 == 0 ? kInk : kPaper;
    }
    static void put(uint8_t* p, uint32_t c) {
        p[0] = getb(c);
        p[1] = getg(c);
        p[2] = getr(c);
    }
    std::vector<int32_t>& inkRow(int yarn, int64_t k) { return ink_[std::size_t(yarn) * std::size_t(g_.cellHeight) + std::size_t(k)]; }

    const ChartGeometry& g_;
    HeavyLines mode_;
    const std::vector<uint8_t>* yarns_;
    std::vector<std::vector<int32_t>> ink_;
    std::vector<std::pair<int64_t, LineWeight>> columns_;
    std::vector<uint32_t> inks_;
    int64_t inksRow_ = -1;
};

// Stitch numbers counted from the right, centred over and under their column.
void drawColumnNumbers(const Canvas& cv, const ChartGeometry& g, int64_t cellsTop, int step, RowNumberRenderer& text) {
    const int64_t cellsBottom = cellsTop + g.rows * g.cellHeight;
    for (int64_t n = 1; n <= g.stitches; ++n) {
        if (!columnNumbered(step, n)) continue;
        const NumberMask m = text.render(n);
        const int64_t x = kLeftMargin + (g.stitches - n) * g.cellWidth + (g.cellWidth - m.width) / 2;
        cv.text(m, x, cellsTop - kNumberGap - m.height);
        cv.text(m, x, cellsBottom + kNumberGap);
    }
}

struct LegendMasks {
    NumberMask title, total, size;
    std::vector<std::array<NumberMask, 4>> entries;
    std::vector<NumberMask> smallPrint;
    std::array<int, 4> columns{};  // widest text of each column
    int64_t swatchW = 0, swatchH = 0, entryW = 0, pitch = 0, lineH = 0, widest = 0;
};

// Legend lines drawn once and kept: a redraw asks for the same lines again,
// and the font engine costs more than the rest of the legend. One thread
// only, as all rendering.
class LegendCache {
public:
    explicit LegendCache(RowNumberRenderer& r) : r_(r) {}
    NumberMask text(const QString& s) {
        static std::unordered_map<QString, NumberMask> kept;
        if (kept.size() > 4096) kept.clear();
        const QString key = r_.font().key() + QLatin1Char('\n') + s;
        auto it = kept.find(key);
        if (it == kept.end()) it = kept.emplace(key, r_.text(s)).first;
        return it->second;
    }

private:
    RowNumberRenderer& r_;
};

LegendMasks legendMasks(const LegendText& t, const ChartGeometry& g, RowNumberRenderer& renderer) {
    LegendCache text(renderer);
    LegendMasks m;
    m.title = text.text(t.title);
    m.total = text.text(t.total);
    m.size = text.text(t.size);
    for (const QString& s : t.smallPrint) m.smallPrint.push_back(text.text(s));
    for (const LegendEntry& e : t.entries) {
        const std::array<QString, 4> texts = e.texts();
        m.entries.push_back({text.text(texts[0]), text.text(texts[1]), text.text(texts[2]), text.text(texts[3])});
        for (std::size_t i = 0; i < 4; ++i) m.columns[i] = std::max(m.columns[i], m.entries.back()[i].width);
    }
    m.lineH = m.title.height + 2;
    m.swatchW = std::min<int64_t>(g.cellWidth, kSwatchMax);
    m.swatchH = std::min<int64_t>(g.cellHeight, kSwatchMax);
    m.entryW = m.swatchW + kColumnGap / 2;
    for (int w : m.columns) m.entryW += w + kColumnGap;
    m.pitch = std::max<int64_t>(m.swatchH, m.title.height) + 4;
    m.widest = std::max<int64_t>({m.entryW, m.title.width, m.total.width, m.size.width});
    for (const NumberMask& s : m.smallPrint) m.widest = std::max<int64_t>(m.widest, s.width);
    return m;
}

int64_t legendColumns(const LegendMasks& m, int64_t width) {
    return std::max<int64_t>(1, (width - 2 * kLegendX + kEntryGap) / (m.entryW + kEntryGap));
}

int64_t legendHeight(const LegendMasks& m, int64_t width) {
    const int64_t n = int64_t(m.entries.size()), cols = legendColumns(m, width);
    const int64_t rows = (n + cols - 1) / cols;
    return kLegendPad + m.lineH + 4 + rows * m.pitch + 6 + 2 * m.lineH + 4 + int64_t(m.smallPrint.size()) * m.lineH +
           kLegendPad;
}

void drawLegend(const Canvas& cv, int64_t top, const LegendText& t, const LegendMasks& m, const ChartOptions& o) {
    int64_t y = top + kLegendPad;
    cv.text(m.title, kLegendX, y);
    y += m.lineH + 4;
    const int64_t cols = legendColumns(m, cv.width);
    for (std::size_t i = 0; i < m.entries.size(); ++i) {
        const int64_t col = int64_t(i) % cols, row = int64_t(i) / cols;
        const int64_t x0 = kLegendX + col * (m.entryW + kEntryGap), y0 = y + row * m.pitch;
        drawSwatch(cv, x0, y0, m.swatchW, m.swatchH, t.entries[i].colour, t.entries[i].yarn, o);
        int64_t x = x0 + m.swatchW + kColumnGap / 2;
        const int64_t ty = y0 + (m.swatchH - m.title.height) / 2;
        for (std::size_t k = 0; k < 4; ++k) {
            const NumberMask& s = m.entries[i][k];
            cv.text(s, legendRightAligned(k) ? x + m.columns[k] - s.width : x, ty);
            x += m.columns[k] + kColumnGap;
        }
    }
    y += (int64_t(m.entries.size()) + cols - 1) / cols * m.pitch + 6;
    cv.text(m.total, kLegendX, y);
    y += m.lineH;
    cv.text(m.size, kLegendX, y);
    y += m.lineH + 4;
    for (const NumberMask& s : m.smallPrint) {
        cv.text(s, kLegendX, y);
        y += m.lineH;
    }
}

void whiteRows(const Canvas& cv, int64_t y0, int64_t y1) {
    // Padding bytes stay 0, as newdib left them.
    for (int64_t y = y0; y < y1; ++y) std::memset(cv.row(y), 0xFF, std::size_t(3 * cv.width));
}

}  // namespace

ChartResult renderWithOptions(const dib& grid, const ChartInputs& in, const ChartOptions& options, ChartResult res,
                              dib* previous) {
    const ChartOptions o = options.sanitised();
    const ChartGeometry plain = res.geometry;
    // The options only add to the plain chart; beyond the limit already,
    // the grid is not even looked at.
    if (plain.pixelBytes < 0 || plain.pixelBytes > res.limitBytes) {
        res.status = ChartStatus::tooLarge;
        return res;
    }
    RowNumberRenderer text;
    std::vector<uint8_t> cellYarns;
    const std::vector<YarnUse> use = yarnUse(grid, plain, o.symbols ? &cellYarns : nullptr);

    Layout l;
    l.band = o.columnNumbers ? text.render(0).height : 0;
    l.chartTop = l.band;
    l.cellsTop = l.chartTop + kTopMargin;
    l.width = plain.width;
    l.height = plain.height + 2 * l.band;
    LegendText legend;
    LegendMasks masks;
    if (o.legend) {
        legend = legendText(use, in, plain, o.yarnFactor);
        masks = legendMasks(legend, plain, text);
        l.width = std::max<int64_t>(l.width, masks.widest + 2 * kLegendX);
        l.legendTop = l.height;
        l.height += legendHeight(masks, l.width);
    }
    ChartGeometry& g = res.geometry;
    g.width = l.width;
    g.height = l.height;
    const int64_t rowBytes = (g.width * 3 + 3) / 4 * 4;
    g.pixelBytes = rowBytes <= std::numeric_limits<int64_t>::max() / g.height ? rowBytes * g.height : -1;
    if (g.pixelBytes < 0 || g.pixelBytes > res.limitBytes) {
        res.status = ChartStatus::tooLarge;
        return res;
    }
    // Drawn over the previous chart's block when the size is the same.
    dib out = chartBlock(g, grid, previous);
    if (!out.poi) {
        res.status = ChartStatus::noMemory;
        return res;
    }
    const Canvas cv{out.poi, out.bytew, g.width, g.height};

    // The plain chart into its band of rows; right of it (a legend wider
    // than the chart) the plain renderer leaves padding, made white here.
    dib band{};
    band.poi = cv.row(l.chartTop + plain.height - 1);
    band.bytew = out.bytew;
    static_assert(kHeavyLinePixels == 2, "a line takes the outline pixels on both sides of the boundary");
    if (o.symbols || o.heavyLines != HeavyLines::none) drawPlainChart(band, plain, grid, o, CellDecor(plain, o, cellYarns));
    else drawPlainChart(band, plain, grid, o);
    whiteRows(cv, 0, l.chartTop);
    whiteRows(cv, l.chartTop + plain.height, g.height);
    if (g.width > plain.width)
        for (int64_t y = l.chartTop; y < l.chartTop + plain.height; ++y)
            std::memset(cv.row(y) + 3 * plain.width, 0xFF, std::size_t(3 * (g.width - plain.width)));

    if (o.columnNumbers) drawColumnNumbers(cv, plain, l.cellsTop, o.columnNumbers, text);
    if (o.legend) drawLegend(cv, l.legendTop, legend, masks, o);

    res.placement.cellsTop = l.cellsTop;
    res.placement.chartWidth = plain.width;
    res.placement.legendTop = l.legendTop;
    res.chart = out;
    res.status = ChartStatus::ok;
    return res;
}

}  // namespace chart
