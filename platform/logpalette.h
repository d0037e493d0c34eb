// Logical palette and its nearest-entry query: what the colour reduction
// asks of the platform (create a palette from an LPAL, find the nearest
// entry for a colour, release it).
//
// Distance is the squared Euclidean distance in RGB; among equally near
// entries the lowest index wins, so an entry of exactly the requested
// colour is always found. The fast query gives the same answer as the
// brute-force walk over all entries (nearestIndexBrute), bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/dib.h"

namespace platform {

// Brute-force oracle: walks entries 0 .. num-1 (at most 256). Returns 0 for
// an empty palette.
int nearestIndexBrute(const LPAL& palette, uint8_t red, uint8_t green, uint8_t blue);

class LogPalette {
public:
    // Takes a copy of the palette's first `num` entries (at most 256).
    explicit LogPalette(const LPAL& palette);
    LogPalette(const LogPalette&) = delete;
    LogPalette& operator=(const LogPalette&) = delete;

    int entries() const { return entries_; }

    // Index of the nearest entry; 0 for an empty palette.
    int nearest(uint8_t red, uint8_t green, uint8_t blue) const {
        if (distinct_.empty()) return 0;
        uint32_t cell = (uint32_t(red >> kCellBits) << (2 * kAxisBits)) |
                        (uint32_t(green >> kCellBits) << kAxisBits) | uint32_t(blue >> kCellBits);
        uint32_t packed = cells_[cell];
        if (packed == 0) packed = buildCell(cell);
        const Candidate* c = pool_.data() + (packed >> kCountBits);
        const Candidate* end = c + (packed & kCountMask);
        int best = c->index;
        int bestDist = distance(*c, red, green, blue);
        for (++c; c != end; ++c) {
            int d = distance(*c, red, green, blue);
            if (d < bestDist) {
                bestDist = d;
                best = c->index;
            }
        }
        return best;
    }

    // Colour value as the platform passes it: red + green*256 + blue*65536.
    int nearest(uint32_t colour) const { return nearest(getr(colour), getg(colour), getb(colour)); }

private:
    struct Candidate {
        uint8_t red, green, blue, index;
    };

    // The colour cube is cut into 32^3 cells of 8^3 colours. Each cell keeps
    // the entries that can be nearest to some colour inside it: every entry
    // whose closest possible distance to the cell does not exceed the
    // smallest farthest distance of any entry. The true nearest entry (and
    // every entry tied with it) passes that test, so scanning the list in
    // index order with a strict "<" is exact. Cells are filled on first use;
    // a reduction touches only a fraction of them.
    static constexpr int kCellBits = 3;
    static constexpr int kAxisBits = 8 - kCellBits;
    static constexpr uint32_t kCells = 1u << (3 * kAxisBits);
    // A cell packs (offset into pool_ << kCountBits) | candidate count; the
    // count of a filled cell is at least 1, so 0 means "not filled yet".
    static constexpr int kCountBits = 9;
    static constexpr uint32_t kCountMask = (1u << kCountBits) - 1;

    static int distance(const Candidate& c, int red, int green, int blue) {
        int dr = c.red - red, dg = c.green - green, db = c.blue - blue;
        return dr * dr + dg * dg + db * db;
    }

    uint32_t buildCell(uint32_t cell) const;

    int entries_ = 0;
    // One candidate per distinct colour, at its lowest index, in index order.
    std::vector<Candidate> distinct_;
    mutable std::vector<uint32_t> cells_;
    mutable std::vector<Candidate> pool_;
};

}  // namespace platform
