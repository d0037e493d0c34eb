// Logical palette and its nearest-entry query: what the colour reduction
// asks of the platform (create a palette from an LPAL, find the nearest
// entry for a colour, release it).
//
// Distance is the squared Euclidean distance in RGB; among equally near
// entries the lowest index wins, so an entry of exactly the requested
// colour is always found. The fast query gives the same answer as the
// brute-force walk over all entries (nearestIndexBrute), bit for bit.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/dib.h"

namespace pattern {

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
        const Level& fine = levels_[kLevels - 1];
        constexpr int s = kCoarsestBits - (kLevels - 1), axis = 8 - s;
        const uint32_t cell = (uint32_t(red >> s) << (2 * axis)) | (uint32_t(green >> s) << axis) | uint32_t(blue >> s);
        uint32_t packed = fine.cells[cell];
        if (packed == 0) packed = buildCell(kLevels - 1, red, green, blue);
        // Keys (distance << 8 | index) order by distance first and index
        // second, so the smallest key is the lowest-index nearest entry; a
        // branch-free minimum over lists padded to groups of four keeps the
        // loop free of unpredictable jumps.
#if defined(__SSE2__)
        // Four candidates at a time: (dr, dg) and (db, 0) pairs of 16-bit
        // lanes, each multiplied and summed into one 32-bit lane, give the
        // four distances exactly. Keys stay below 2^26, so the signed
        // comparison orders them.
        const Group* g = fine.groups.data() + (packed >> kCountBits) / kGroup;
        const Group* end = g + (packed & kCountMask) / kGroup;
        const __m128i qrg = _mm_set1_epi32(int(uint32_t(red) | uint32_t(green) << 16));
        const __m128i qb = _mm_set1_epi32(blue);
        __m128i best = _mm_set1_epi32(INT32_MAX);
        for (; g != end; ++g) {
            const __m128i drg = _mm_sub_epi16(_mm_load_si128(&g->rg), qrg);
            const __m128i db = _mm_sub_epi16(_mm_load_si128(&g->b), qb);
            const __m128i dist = _mm_add_epi32(_mm_madd_epi16(drg, drg), _mm_madd_epi16(db, db));
            best = min32(best, _mm_or_si128(_mm_slli_epi32(dist, 8), _mm_load_si128(&g->index)));
        }
        best = min32(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(1, 0, 3, 2)));
        best = min32(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(2, 3, 0, 1)));
        return _mm_cvtsi128_si32(best) & 0xFF;
#else
        const Candidate* c = fine.pool.data() + (packed >> kCountBits);
        const Candidate* end = c + (packed & kCountMask);
        uint32_t best = UINT32_MAX;
        for (; c != end; c += kGroup)
            for (int j = 0; j < kGroup; ++j) best = std::min(best, key(c[j], red, green, blue));
        return int(best & 0xFF);
#endif
    }

    // Colour value as the platform passes it: red + green*256 + blue*65536.
    int nearest(uint32_t colour) const { return nearest(getr(colour), getg(colour), getb(colour)); }

private:
    struct Candidate {
        uint8_t red, green, blue, index;
    };

    // The colour cube is cut into cells; each cell keeps the entries that
    // can be nearest to some colour inside it: every entry whose closest
    // possible distance to the cell does not exceed the smallest farthest
    // distance of any entry. The true nearest entry (and every entry tied
    // with it) passes that test, so scanning the list in index order with a
    // strict "<" is exact.
    //
    // Two levels of cells, 32 and 16 colours wide. A cell's list is a
    // subset of its parent's (an entry that can win inside the small cell
    // can win inside the large one, and the entry with the smallest farthest
    // distance is among the parent's), so the finer level is filtered from
    // the coarser instead of from the whole palette. Cells are filled on
    // first use; the finer level answers the queries. With 64 yarns a
    // photograph averages 2.7 candidates per query in 16-wide cells and 1.6
    // in 8-wide ones, but touches seven times as many of the small cells,
    // and filling them costs more than the shorter lists save.
    static constexpr int kLevels = 2;
    static constexpr int kCoarsestBits = 5;  // cell side 2^5 = 32
    // A cell packs (offset into its pool << kCountBits) | candidate count;
    // a filled cell has at least one candidate, so 0 means "not filled".
    // Lists of the finer level are padded to a multiple of kGroup by
    // repeating their last candidate (a repeat cannot change the minimum).
    static constexpr int kCountBits = 9;
    static constexpr uint32_t kCountMask = (1u << kCountBits) - 1;

#if defined(__SSE2__)
    // Four candidates of the finer level laid out for the vector search:
    // 16-bit lanes red, green, red, green, ..., then blue, 0, blue, 0, ...,
    // then the four indices.
    struct Group {
        __m128i rg, b, index;
    };
    // Lane by lane minimum (SSE2 has none for 32-bit lanes).
    static __m128i min32(__m128i a, __m128i b) {
        const __m128i less = _mm_cmplt_epi32(a, b);
        return _mm_or_si128(_mm_and_si128(less, a), _mm_andnot_si128(less, b));
    }
#endif

    struct Level {
        int sideBits = 0;  // cell side 2^sideBits
        std::vector<uint32_t> cells;
        std::vector<Candidate> pool;
#if defined(__SSE2__)
        std::vector<Group> groups;  // the finer level's pool, group by group
#endif
    };

    static uint32_t cellOf(const Level& level, uint8_t red, uint8_t green, uint8_t blue) {
        const int s = level.sideBits, axis = 8 - s;
        return (uint32_t(red >> s) << (2 * axis)) | (uint32_t(green >> s) << axis) | uint32_t(blue >> s);
    }

    static uint32_t key(const Candidate& c, int red, int green, int blue) {
        int dr = c.red - red, dg = c.green - green, db = c.blue - blue;
        return uint32_t(dr * dr + dg * dg + db * db) << 8 | c.index;  // distance < 2^18
    }
    static constexpr int kGroup = 4;

    // Fills the cell of `level` that holds the colour, and its parents as
    // needed; returns the cell's packed value.
    uint32_t buildCell(int level, uint8_t red, uint8_t green, uint8_t blue) const;

    int entries_ = 0;
    // One candidate per distinct colour, at its lowest index, in index order.
    std::vector<Candidate> distinct_;
    mutable Level levels_[kLevels];
};

}  // namespace pattern
