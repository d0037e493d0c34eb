#include "raster/codecs/palettize.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "raster/codecs/runs.h"

namespace pixkit {

namespace {

constexpr int kTableSize = 1024;  // power of two, 4x the largest palette

inline uint32_t keyAt(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (1u << 24);
}

inline uint32_t hashKey(uint32_t k) { return (k * 2654435761u) >> 22; }  // 10 bits

const uint8_t* pictureRow(const dib& d, int y) {
    return d.poi + int64_t(dibheight(d) - 1 - y) * d.bytew;
}

inline unsigned indexAt(const uint8_t* row, int bits, int x) {
    switch (bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    default: return row[x];
    }
}

inline int cellOf(unsigned b, unsigned g, unsigned r) {
    return int(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}

}  // namespace

int Palettizer::indexBits() const {
    int n = count();
    return n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
}

int Palettizer::lookupExact(uint32_t key) const {
    uint32_t h = hashKey(key);
    while (keys_[h]) {
        if (keys_[h] == key) return slots_[h];
        h = (h + 1) & (kTableSize - 1);
    }
    return -1;
}

void Palettizer::insertExact(uint32_t key, int index) {
    uint32_t h = hashKey(key);
    while (keys_[h]) h = (h + 1) & (kTableSize - 1);
    keys_[h] = key;
    slots_[h] = uint8_t(index);
}

bool Palettizer::buildExact(const dib& d, int maxColours) {
    mode_ = Mode::None;
    exact_ = false;
    colours_.clear();
    if (!d.poi || !d.pmi) return false;
    int bits = dibbitcount(d);
    if (maxColours > 256) maxColours = 256;
    if (bits <= 8) {
        int n = 1 << bits;
        if (n > maxColours) return false;
        for (int i = 0; i < n; ++i) {
            const PALETTEENTRY& e = d.pal.rgb0[i];
            colours_.push_back(Rgb{e.peRed, e.peGreen, e.peBlue});
        }
        mode_ = Mode::Indexed;
        exact_ = true;
        return true;
    }
    if (bits != 24) return false;
    keys_.assign(kTableSize, 0);
    slots_.assign(kTableSize, 0);
    int w = dibwidth(d), h = dibheight(d);
    uint32_t last = 0;
    const std::size_t used = usedRowBytes(w, 24);
    const uint8_t* prev = nullptr;
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = pictureRow(d, y);
        if (prev && std::memcmp(p, prev, used) == 0) continue;  // no colour it has not seen
        prev = p;
        // Charts are long runs of one colour: one look-up per run.
        for (int x = 0, n = 0; x < w; x += n, p += 3 * n) {
            n = runLength(p, w - x, w, 3);
            uint32_t k = keyAt(p);
            if (k == last) continue;
            last = k;
            if (lookupExact(k) >= 0) continue;
            if (int(colours_.size()) >= maxColours) {
                colours_.clear();
                return false;
            }
            insertExact(k, int(colours_.size()));
            colours_.push_back(Rgb{p[2], p[1], p[0]});
        }
    }
    if (colours_.empty()) return false;  // no pixels at all cannot happen, but be safe
    mode_ = Mode::Exact;
    exact_ = true;
    return true;
}

void Palettizer::buildQuantized(const dib& d, int maxColours) {
    mode_ = Mode::None;
    exact_ = false;
    colours_.clear();
    if (!d.poi || !d.pmi || dibbitcount(d) != 24) return;
    if (maxColours > 256) maxColours = 256;
    if (maxColours < 2) maxColours = 2;
    constexpr int kCells = 1 << 15;
    std::vector<uint32_t> count(kCells, 0);
    std::vector<std::array<uint64_t, 3>> sum(kCells, {0, 0, 0});
    int w = dibwidth(d), h = dibheight(d);
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = pictureRow(d, y);
        for (int x = 0; x < w; ++x, p += 3) {
            int c = cellOf(p[0], p[1], p[2]);
            ++count[c];
            sum[c][0] += p[2];
            sum[c][1] += p[1];
            sum[c][2] += p[0];
        }
    }

    // Boxes over the 32 x 32 x 32 cell grid, bounds inclusive.
    struct Box {
        int lo[3], hi[3];
        uint64_t pixels;
    };
    auto cellIndex = [](int r, int g, int b) { return (r << 10) | (g << 5) | b; };
    auto shrink = [&](Box& bx) {
        int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
        uint64_t n = 0;
        for (int r = bx.lo[0]; r <= bx.hi[0]; ++r)
            for (int g = bx.lo[1]; g <= bx.hi[1]; ++g)
                for (int b = bx.lo[2]; b <= bx.hi[2]; ++b) {
                    uint32_t c = count[cellIndex(r, g, b)];
                    if (!c) continue;
                    n += c;
                    int v[3] = {r, g, b};
                    for (int k = 0; k < 3; ++k) {
                        lo[k] = std::min(lo[k], v[k]);
                        hi[k] = std::max(hi[k], v[k]);
                    }
                }
        bx.pixels = n;
        if (n) {
            std::memcpy(bx.lo, lo, sizeof lo);
            std::memcpy(bx.hi, hi, sizeof hi);
        }
    };
    std::vector<Box> boxes;
    boxes.push_back(Box{{0, 0, 0}, {31, 31, 31}, 0});
    shrink(boxes[0]);
    while (int(boxes.size()) < maxColours) {
        // Pick the box worth splitting most.
        int best = -1;
        uint64_t bestScore = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            const Box& b = boxes[i];
            int side = std::max({b.hi[0] - b.lo[0], b.hi[1] - b.lo[1], b.hi[2] - b.lo[2]});
            uint64_t score = b.pixels * uint64_t(side);
            if (side > 0 && score > bestScore) {
                bestScore = score;
                best = i;
            }
        }
        if (best < 0) break;  // every box is a single cell
        Box b = boxes[best];
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (b.hi[k] - b.lo[k] > b.hi[axis] - b.lo[axis]) axis = k;
        // Pixels per slice along the axis, then the median slice.
        std::vector<uint64_t> slice(32, 0);
        for (int r = b.lo[0]; r <= b.hi[0]; ++r)
            for (int g = b.lo[1]; g <= b.hi[1]; ++g)
                for (int bl = b.lo[2]; bl <= b.hi[2]; ++bl) {
                    int v[3] = {r, g, bl};
                    slice[v[axis]] += count[cellIndex(r, g, bl)];
                }
        uint64_t acc = 0;
        int cut = b.lo[axis];
        for (int s = b.lo[axis]; s < b.hi[axis]; ++s) {
            acc += slice[s];
            cut = s;
            if (acc * 2 >= b.pixels) break;
        }
        Box a = b, c = b;
        a.hi[axis] = cut;
        c.lo[axis] = cut + 1;
        shrink(a);
        shrink(c);
        boxes[best] = a;
        if (c.pixels) boxes.push_back(c);
    }

    for (const Box& b : boxes) {
        uint64_t n = 0, s[3] = {0, 0, 0};
        for (int r = b.lo[0]; r <= b.hi[0]; ++r)
            for (int g = b.lo[1]; g <= b.hi[1]; ++g)
                for (int bl = b.lo[2]; bl <= b.hi[2]; ++bl) {
                    int c = cellIndex(r, g, bl);
                    n += count[c];
                    for (int k = 0; k < 3; ++k) s[k] += sum[c][k];
                }
        if (!n) continue;
        colours_.push_back(Rgb{uint8_t((s[0] + n / 2) / n), uint8_t((s[1] + n / 2) / n),
                               uint8_t((s[2] + n / 2) / n)});
    }
    if (colours_.empty()) colours_.push_back(Rgb{255, 255, 255});

    // Nearest entry for every cell the picture uses, from the cell's mean.
    cellIndex_.assign(kCells, 0);
    for (int c = 0; c < kCells; ++c) {
        uint32_t n = count[c];
        if (!n) continue;
        int r = int((sum[c][0] + n / 2) / n), g = int((sum[c][1] + n / 2) / n),
            b = int((sum[c][2] + n / 2) / n);
        int best = 0, bestDist = 1 << 30;
        for (int i = 0; i < int(colours_.size()); ++i) {
            int dr = r - colours_[i].r, dg = g - colours_[i].g, db = b - colours_[i].b;
            int dist = dr * dr + dg * dg + db * db;
            if (dist < bestDist) {
                bestDist = dist;
                best = i;
            }
        }
        cellIndex_[c] = uint8_t(best);
    }
    mode_ = Mode::Quantized;
}

void Palettizer::mapRow(const dib& d, int y, uint8_t* out) const {
    int w = dibwidth(d);
    const uint8_t* row = pictureRow(d, y);
    switch (mode_) {
    case Mode::Indexed: {
        int bits = dibbitcount(d);
        if (bits == 8) {
            std::memcpy(out, row, std::size_t(w));
        } else {
            for (int x = 0; x < w; ++x) out[x] = uint8_t(indexAt(row, bits, x));
        }
        break;
    }
    case Mode::Exact: {
        uint32_t last = 0;
        uint8_t lastIndex = 0;
        const uint8_t* p = row;
        for (int x = 0, n = 0; x < w; x += n, p += 3 * n) {
            n = runLength(p, w - x, w, 3);
            uint32_t k = keyAt(p);
            if (k != last) {
                int i = lookupExact(k);
                last = k;
                lastIndex = uint8_t(i < 0 ? 0 : i);
            }
            std::memset(out + x, lastIndex, std::size_t(n));
        }
        break;
    }
    case Mode::Quantized: {
        const uint8_t* p = row;
        for (int x = 0; x < w; ++x, p += 3) out[x] = cellIndex_[cellOf(p[0], p[1], p[2])];
        break;
    }
    case Mode::None:
        std::memset(out, 0, std::size_t(w));
        break;
    }
}

}  // namespace pixkit
