#include "pattern/knitlive.h"

#include <algorithm>

#include "pattern/knitrow.h"

namespace pattern::knit {

namespace {

bool usable(const GridBytes& g) { return g.bits && g.width > 0 && g.height > 0 && g.bytew >= g.width; }

}  // namespace

void LiveCheck::reset(const GridBytes& g, const Options& options, bool floats) {
    options_ = options;
    floats_ = floats;
    stale_ = false;
    map_ = row::yarnMap(options.yarnCount);
    perYarn_.fill(0);
    longFloatRows_.clear();
    crowdedRows_.clear();
    longFloatCount_ = 0;
    confetti_ = 0;
    rows_.clear();
    width_ = height_ = 0;
    if (!usable(g)) return;
    width_ = g.width;
    height_ = g.height;
    rows_.resize(size_t(height_));
    for (int r = 0; r < height_; ++r) countRow(g, r);
    if (floats_)
        floatsOfRows(g, 0, height_ - 1);
    else
        stale_ = true;
}

void LiveCheck::rowsChanged(const GridBytes& g, int first, int last) {
    if (!usable(g) || g.width != width_ || g.height != height_) {
        reset(g, options_, floats_);
        return;
    }
    first = std::max(first, 1);
    last = std::min(last, height_);
    if (first > last) return;
    for (int r = first - 1; r < last; ++r) countRow(g, r);
    if (floats_ && !stale_)
        floatsOfRows(g, first - 2, last);
    else
        stale_ = true;
}

void LiveCheck::setFloats(const GridBytes& g, bool on) {
    floats_ = on;
    if (!on || !stale_) return;
    if (!usable(g) || g.width != width_ || g.height != height_) {
        reset(g, options_, true);
        return;
    }
    floatsOfRows(g, 0, height_ - 1);
    stale_ = false;
}

void LiveCheck::setOptions(const GridBytes& g, const Options& options) {
    if (options.floatLimit != options_.floatLimit || options.yarnCount != options_.yarnCount) {
        reset(g, options, floats_);
        return;
    }
    options_ = options;
    crowdedRows_.clear();
    for (int r = 0; r < height_; ++r)
        if (int(rows_[size_t(r)].yarns.size()) > options_.maxYarnsPerRow) crowdedRows_.push_back(r + 1);
}

void LiveCheck::setRowIn(std::vector<int>& rows, int row, bool in) {
    const auto it = std::lower_bound(rows.begin(), rows.end(), row);
    const bool there = it != rows.end() && *it == row;
    if (in && !there) rows.insert(it, row);
    if (!in && there) rows.erase(it);
}

void LiveCheck::countRow(const GridBytes& g, int r) {
    Row& row = rows_[size_t(r)];
    for (const RowYarn& y : row.yarns) perYarn_[y.yarn] -= y.stitches;
    std::array<int32_t, 256> count{};
    const uint8_t* bytes = g.bits + std::ptrdiff_t(r) * g.bytew;
    for (int x = 0; x < width_; ++x) ++count[map_[bytes[x]]];
    row.yarns.clear();
    for (int c = 0; c < 256; ++c)
        if (count[size_t(c)]) {
            row.yarns.push_back(RowYarn{uint8_t(c), 0, count[size_t(c)]});
            perYarn_[size_t(c)] += count[size_t(c)];
        }
    setRowIn(crowdedRows_, r + 1, int(row.yarns.size()) > options_.maxYarnsPerRow);
}

void LiveCheck::floatsOfRows(const GridBytes& g, int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, height_ - 1);
    if (from > to) return;
    const int w = width_, h = height_;
    // Rows as yarn numbers, three at a time (below, this, above); the rows
    // beyond the edges hold no yarn.
    ring_.resize(size_t(w) * 4);
    uint8_t* nothing = ring_.data() + size_t(w) * 3;
    std::fill(nothing, nothing + w, row::kNoYarn);
    auto yarnRow = [&](int r) { return ring_.data() + size_t(r % 3) * size_t(w); };
    auto mapRow = [&](int r) { row::mapRow(g.bits + std::ptrdiff_t(r) * g.bytew, w, map_, yarnRow(r)); };
    auto setOf = [&](int r) {
        row::YarnSet s;
        if (r >= 0 && r < h)
            for (const RowYarn& y : rows_[size_t(r)].yarns) s.add(y.yarn);
        return s;
    };
    if (from > 0) mapRow(from - 1);
    mapRow(from);
    row::YarnSet below = setOf(from - 1), used = setOf(from);
    const int limit = std::max(options_.floatLimit, 0);
    row::FloatScratch scratch;
    for (int r = from; r <= to; ++r) {
        if (r + 1 < h) mapRow(r + 1);
        const row::YarnSet above = setOf(r + 1);
        const uint8_t* cur = yarnRow(r);
        Row& row = rows_[size_t(r)];
        size_t k = 0;
        const row::RowFloats f = row::floats(cur, w, r + 1, used, below, above, limit, scratch, nullptr,
                                             [&](int, int longest) { row.yarns[k++].longest = longest; });
        const int32_t c = int32_t(row::confetti(cur, r > 0 ? yarnRow(r - 1) : nothing, r + 1 < h ? yarnRow(r + 1) : nothing, w));
        longFloatCount_ += f.longFloats - row.longFloats;
        confetti_ += c - row.confetti;
        row.longest = f.longest;
        row.longFloats = int32_t(f.longFloats);
        row.confetti = c;
        setRowIn(longFloatRows_, r + 1, f.longFloats > 0);
        below = used;
        used = above;
    }
}

int LiveCheck::yarnsInRow(int row) const {
    return row >= 1 && row <= height_ ? int(rows_[size_t(row) - 1].yarns.size()) : 0;
}

int LiveCheck::longestInRow(int row) const { return row >= 1 && row <= height_ ? rows_[size_t(row) - 1].longest : 0; }

int64_t LiveCheck::longFloatsInRow(int row) const {
    return row >= 1 && row <= height_ ? rows_[size_t(row) - 1].longFloats : 0;
}

std::span<const LiveCheck::RowYarn> LiveCheck::yarnsOfRow(int row) const {
    if (row < 1 || row > height_) return {};
    return rows_[size_t(row) - 1].yarns;
}

double LiveCheck::confettiPercent() const {
    return width_ > 0 && height_ > 0 ? 100.0 * double(confetti_) / (double(width_) * double(height_)) : 0;
}

std::span<const int64_t> LiveCheck::stitchesPerYarn() const {
    return std::span<const int64_t>(perYarn_).first(size_t(std::clamp(options_.yarnCount, 1, kMaxYarnColours)));
}

std::vector<Float> LiveCheck::longFloatsOfRow(const GridBytes& g, int row) const {
    std::vector<Float> out;
    if (row < 1 || row > height_ || !usable(g) || g.width != width_ || g.height != height_) return out;
    if (rows_[size_t(row) - 1].longFloats == 0 && floatsCurrent()) return out;
    const int r = row - 1;
    std::vector<uint8_t> yarns(static_cast<size_t>(width_));
    row::mapRow(g.bits + std::ptrdiff_t(r) * g.bytew, width_, map_, yarns.data());
    auto setOf = [&](int i) {
        row::YarnSet s;
        if (i >= 0 && i < height_)
            for (const RowYarn& y : rows_[size_t(i)].yarns) s.add(y.yarn);
        return s;
    };
    row::FloatScratch scratch;
    row::floats(yarns.data(), width_, row, setOf(r), setOf(r - 1), setOf(r + 1), std::max(options_.floatLimit, 0),
                scratch, &out, [](int, int) {});
    return out;
}

size_t LiveCheck::memoryBytes() const {
    size_t n = rows_.capacity() * sizeof(Row) + (longFloatRows_.capacity() + crowdedRows_.capacity()) * sizeof(int) +
               ring_.capacity();
    for (const Row& r : rows_) n += r.yarns.capacity() * sizeof(RowYarn);
    return n;
}

}  // namespace pattern::knit
