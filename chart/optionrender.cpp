// The chart with options: the plain chart drawn into a band of a taller (and
// at times wider) picture, then symbols, heavy lines, column numbers and the
// legend drawn over and around it, each a step of its own.
#include <algorithm>
#include <array>
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
        const uint8_t px[3] = {uint8_t(getb(c)), uint8_t(getg(c)), uint8_t(getr(c))};
        for (int64_t y = y0; y < y0 + h; ++y) {
            uint8_t* p = row(y) + 3 * x0;
            for (int64_t x = 0; x < w; ++x, p += 3) std::memcpy(p, px, 3);
        }
    }
    // Text box copied in opaque, black on white, as the row numbers are.
    void text(const NumberMask& m, int64_t x0, int64_t y0) const {
        // Black and white are each one byte thrice: ink 1 gives 0x00, 0 gives 0xFF.
        static_assert(kInk == 0x000000u && kPaper == 0xFFFFFFu);
        const int64_t i0 = std::max<int64_t>(0, -x0), i1 = std::min<int64_t>(m.width, width - x0);
        for (int j = 0; j < m.height; ++j) {
            const int64_t y = y0 + j;
            if (y < 0 || y >= height) continue;
            const uint8_t* s = m.ink.data() + std::size_t(j) * std::size_t(m.width);
            uint8_t* p = row(y) + 3 * (x0 + i0);
            for (int64_t i = i0; i < i1; ++i, p += 3) p[0] = p[1] = p[2] = uint8_t(s[i] - 1);
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

// 3 * cw bytes (at least 16) in 16-byte steps, the last one flush with the
// end: a cell is too short for memcpy's call to pay.
inline void copyCellRow(uint8_t* d, const uint8_t* s, std::size_t n) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) std::memcpy(d + i, s + i, 16);
    if (i < n) std::memcpy(d + n - 16, s + n - 16, 16);
}

// The cells of each picture row with their symbols and heavy lines. A cell
// is a fixed picture per fill and yarn (outline, fill, symbol ink), made
// once as a tile; a picture row copies row k of its cells' tiles, then the
// heavy lines go over it.
class CellDecor {
public:
    CellDecor(const ChartGeometry& g, const ChartOptions& o, const std::vector<uint8_t>& yarns)
        : g_(g), outline_(o.outline), mode_(o.heavyLines), yarns_(o.symbols ? &yarns : nullptr),
          cellBytes_(std::size_t(3 * g.cellWidth)), tileBytes_(cellBytes_ * std::size_t(g.cellHeight)) {
        if (yarns_) {
            // Per yarn and row of the cell, the byte offsets of its ink.
            const SymbolPlace place = symbolPlace(double(g.cellWidth), double(g.cellHeight), 1, true);
            const int64_t d = int64_t(place.dot), ox = int64_t(place.x), oy = int64_t(place.y);
            ink_.resize(std::size_t(kSymbolCount));
            for (int k = 0; k < kSymbolCount; ++k) {
                const SymbolBitmap& b = symbolBitmap(k);
                for (int y = 0; y < kSymbolSize; ++y)
                    for (int x = 0; x < kSymbolSize; ++x)
                        if (b[std::size_t(y)] >> x & 1u)
                            for (int64_t j = 0; j < d; ++j)
                                for (int64_t i = 0; i < d; ++i)
                                    ink_[std::size_t(k)].push_back((oy + y * d + j) * int64_t(cellBytes_) + 3 * (ox + x * d + i));
            }
        }
        for (int64_t n = 1; n < g.stitches; ++n) {
            const LineWeight w = lineAfter(n, g.stitches, mode_);
            if (w != LineWeight::none) columns_.push_back({kLeftMargin + (g.stitches - n) * g.cellWidth, w});
        }
        if (mode_ != HeavyLines::none) {
            // The rows of a row boundary's line, across the cells.
            const std::size_t n = std::size_t(g.stitches * g.cellWidth);
            heavyRow_.resize(3 * n);
            dashedRow_.resize(3 * n);
            for (std::size_t x = 0; x < n; ++x) {
                put(heavyRow_.data() + 3 * x, colour(LineWeight::heavy, int64_t(x)));
                put(dashedRow_.data() + 3 * x, colour(LineWeight::dashed, int64_t(x)));
            }
        }
    }

    void operator()(uint8_t* row, int64_t r, int64_t k, const std::vector<uint32_t>& fill) {
        uint8_t* cells = row + 3 * kLeftMargin;
        if (mode_ != HeavyLines::none) {
            // A row boundary lies between the last pixel row of one cell row
            // and the first of the next; its line covers the cells whole.
            const int64_t below = k == 0 ? g_.rows - r : k == g_.cellHeight - 1 ? g_.rows - r - 1 : 0;
            const LineWeight w = below > 0 ? lineAfter(below, g_.rows, mode_) : LineWeight::none;
            if (w != LineWeight::none) {
                const std::vector<uint8_t>& line = w == LineWeight::heavy ? heavyRow_ : dashedRow_;
                std::memcpy(cells, line.data(), line.size());
                return;
            }
        }
        if (r != tilesRow_) tilesOf(r, fill);
        const std::size_t from = std::size_t(k) * cellBytes_;
        uint8_t* cell = cells;
        for (const uint32_t t : rowTiles_) {
            copyCellRow(cell, tiles_.data() + t + from, cellBytes_);
            cell += cellBytes_;
        }
        if (mode_ == HeavyLines::none) return;
        // Along the line from the top of the cells, for the dashes.
        const int64_t along = r * g_.cellHeight + k;
        for (const auto& [x, w] : columns_) {
            const uint32_t c = colour(w, along);
            put(row + 3 * (x - 1), c);
            put(row + 3 * x, c);
        }
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

    // The tile of every cell of row r, made where new.
    void tilesOf(int64_t r, const std::vector<uint32_t>& fill) {
        // Kept tiles stay few; a grid of very many colours starts afresh.
        if (keys_.size() > kMaxTiles) {
            recent_.fill(Recent{});
            keys_.clear();
            tiles_.clear();
            slots_.clear();
        }
        const uint8_t* yarn = yarns_ ? yarns_->data() + r * g_.stitches : nullptr;
        rowTiles_.resize(fill.size());
        for (std::size_t c = 0; c < fill.size(); ++c) {
            // A yarn mostly has one fill: its last tile is tried first.
            const int y = yarn ? yarn[c] : 0;
            Recent& last = recent_[std::size_t(y)];
            if (last.tile == kEmpty || last.fill != fill[c]) last = {fill[c], tile(fill[c], y)};
            rowTiles_[c] = last.tile;
        }
        tilesRow_ = r;
    }

    uint32_t tile(uint32_t fill, int yarn) {
        const uint64_t key = uint64_t(fill) << 8 | uint64_t(yarn);
        if (slots_.size() < 2 * keys_.size() + 2) rehash();
        std::size_t i = slotOf(key);
        for (; slots_[i] != kEmpty; i = (i + 1) & (slots_.size() - 1))
            if (keys_[slots_[i]] == key) return uint32_t(std::size_t(slots_[i]) * tileBytes_);
        slots_[i] = uint32_t(keys_.size());
        keys_.push_back(key);
        const std::size_t at = tiles_.size();
        tiles_.resize(at + tileBytes_);
        uint8_t* t = tiles_.data() + at;
        // As the plain renderer draws a cell: the ring's top and bottom all
        // outline, the rows between outline, fill, outline.
        const uint32_t o = outlineColour(fill, outline_);
        const int64_t cw = g_.cellWidth, ch = g_.cellHeight;
        for (int64_t k = 0; k < ch; ++k) {
            uint8_t* p = t + std::size_t(k) * cellBytes_;
            for (int64_t x = 0; x < cw; ++x) put(p + 3 * x, k == 0 || k == ch - 1 ? o : fill);
            if (k != 0 && k != ch - 1) {
                put(p, o);
                put(p + 3 * (cw - 1), o);
            }
        }
        if (yarns_) {
            const uint32_t ink = inkOn(fill);
            for (int64_t off : ink_[std::size_t(yarn)]) put(t + off, ink);
        }
        return uint32_t(at);
    }

    std::size_t slotOf(uint64_t key) const {
        return std::size_t((key * 0x9E3779B97F4A7C15ull) >> 32) & (slots_.size() - 1);
    }
    void rehash() {
        std::size_t n = 64;
        while (n < 4 * keys_.size() + 4) n *= 2;
        slots_.assign(n, kEmpty);
        for (std::size_t k = 0; k < keys_.size(); ++k) {
            std::size_t i = slotOf(keys_[k]);
            while (slots_[i] != kEmpty) i = (i + 1) & (n - 1);
            slots_[i] = uint32_t(k);
        }
    }

    static constexpr uint32_t kEmpty = std::numeric_limits<uint32_t>::max();
    static constexpr std::size_t kMaxTiles = 4096;

    const ChartGeometry& g_;
    Outline outline_;
    HeavyLines mode_;
    const std::vector<uint8_t>* yarns_;
    std::size_t cellBytes_, tileBytes_;
    std::vector<std::vector<int64_t>> ink_;  // per yarn, byte offsets in a tile
    std::vector<std::pair<int64_t, LineWeight>> columns_;
    std::vector<uint8_t> heavyRow_, dashedRow_;
    std::vector<uint8_t> tiles_;
    std::vector<uint64_t> keys_;
    std::vector<uint32_t> slots_;     // open addressing: index into keys_
    std::vector<uint32_t> rowTiles_;  // byte offset of each cell's tile
    int64_t tilesRow_ = -1;
    struct Recent {
        uint32_t fill = 0, tile = kEmpty;
    };
    std::array<Recent, kSymbolCount> recent_{};
};

struct LegendMasks {
    NumberMask title, total, size;
    std::vector<std::array<NumberMask, 4>> entries;
    std::vector<NumberMask> smallPrint;
    std::array<int, 4> columns{};  // widest text of each column
    int64_t swatchW = 0, swatchH = 0, entryW = 0, pitch = 0, lineH = 0, widest = 0;
};

// Legend lines and column numbers drawn once and kept: a redraw asks for the same lines again,
// and the font engine costs more than the rest of the legend. One thread
// only, as all rendering.
class LegendCache {
public:
    // The font's key once: making it costs more than a lookup.
    explicit LegendCache(RowNumberRenderer& r) : r_(r), font_(r.font().key() + QLatin1Char('\n')) {}
    NumberMask text(const QString& s) {
        static std::unordered_map<QString, NumberMask> kept;
        if (kept.size() > 4096) kept.clear();
        const QString key = font_ + s;
        auto it = kept.find(key);
        if (it == kept.end()) it = kept.emplace(key, r_.text(s)).first;
        return it->second;
    }

private:
    RowNumberRenderer& r_;
    QString font_;
};

// Stitch numbers counted from the right, centred over and under their column.
void drawColumnNumbers(const Canvas& cv, const ChartGeometry& g, int64_t cellsTop, int step, RowNumberRenderer& renderer) {
    LegendCache text(renderer);
    const int64_t cellsBottom = cellsTop + g.rows * g.cellHeight;
    for (int64_t n = 1; n <= g.stitches; ++n) {
        if (!columnNumbered(step, n)) continue;
        const NumberMask& m = text.text(QString::number(n));
        const int64_t x = kLeftMargin + (g.stitches - n) * g.cellWidth + (g.cellWidth - m.width) / 2;
        cv.text(m, x, cellsTop - kNumberGap - m.height);
        cv.text(m, x, cellsBottom + kNumberGap);
    }
}

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
    l.band = o.columnNumbers ? text.height() : 0;
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
