// Colourwork that can be knitted: the resampled 24-bit motif reduced to the
// yarn palette under "at most K yarns per row" and, optionally, "no float
// longer than F stitches", floats as pattern/knitcheck defines them (between
// two stitches of a yarn, and to the row edge when the yarn is used in the
// row below or above as well).
//
// Per row the K yarns that stand for the row best are chosen among a few
// candidates (the yarns nearest to most of its stitches): exactly, as the
// subset whose sum over the stitches of the colour difference to the
// nearer yarn is least (pattern/cielab.h: weighted as CIEDE2000 weighs it,
// the measure the chart is judged by). Neighbouring rows may be kept coherent by a cost for
// every yarn that enters the set from one row to the next (dynamic
// programming over the rows). Each row is then reduced to its yarns, by
// nearest colour or by error diffusion inside them; a row whose floats are
// too long is solved again, exactly, by a Viterbi pass over the states
// (yarn of this stitch, stitches since each other yarn was last used).
#pragma once

#include <cstdint>
#include <vector>

#include "pattern/progress.h"
#include "raster/dib.h"

namespace pattern::colourwork {

constexpr int kMinYarnsPerRow = 1;
constexpr int kMaxYarnsPerRow = 4;
constexpr int kDefaultYarnsPerRow = 2;
// Yarns per row considered for the set: the most frequent nearest yarns.
constexpr int kCandidates = 8;
// With coherent rows, further candidates from the neighbouring rows.
constexpr int kNeighbourCandidates = 2;
// Cost of one yarn entering the row's set, per stitch of the row, as a
// colour difference (1 is about the least a knitter sees).
constexpr double kRowChangeCost = 1.0;

struct Options {
    int maxYarns = kDefaultYarnsPerRow;  // K, clamped to 1..kMaxYarnsPerRow
    int floatLimit = -1;                 // F; negative: floats are not limited
    bool diffusion = false;              // error diffusion inside the row's yarns
    bool coherentRows = false;           // keep the yarn set from row to row
};

// The stitch grid (owned by the caller) for the 24-bit picture `src`, laid
// out as DepthDownTo lays it out (yarn i at index i + 10); yarns are taken
// from 0 .. zcols - 1, a yarn repeating an earlier colour never. Empty for
// another depth or when memory is short. Progress per row, then 0.
dib reduceRows(const dib& src, const LPAL& yarns, int zcols, const Options& options, const Progress& progress = {});

// Stitches of yarn carried at the back, per yarn (zcols entries): the sum
// of the lengths of all its floats, by the knittability check's definition.
// Empty for a grid without pixels.
std::vector<int64_t> carriedStitchesPerYarn(const dib& grid, int zcols);

// Metres of yarn that `carried` stitches of floats take: one stitch width
// (10 cm / stitches per 10 cm) each; 0 for a gauge below 1.
double carriedMetres(int64_t carried, int stitchesPer10cm);

}  // namespace pattern::colourwork
