// Colours for the palette writers (GIF, RLE bitmap, 8-bit PCX and ILBM).
//
// A chart is a 24-bit image with very few colours, and a palette format must
// keep them exactly. Palettizer finds the distinct colours of an image in one
// pass; when there are too many it reduces them by median cut (see
// buildQuantized). Pixels are then mapped one row at a time, so a writer
// never holds a second copy of the picture.
//
//   Palettizer p;
//   if (!p.buildExact(d, 256)) p.buildQuantized(d, 256);
//   std::vector<uint8_t> idx(width);
//   for (int y = 0; y < height; ++y) p.mapRow(d, y, idx.data());
#pragma once

#include <cstdint>
#include <vector>

#include "raster/dib.h"

namespace pixkit {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

class Palettizer {
public:
    // Exact palette. Images of 1, 4 or 8 bits keep their own colour table
    // (all 2^bits entries, index = pixel value). A 24-bit image succeeds when
    // it has at most maxColours distinct colours; they are numbered in the
    // order they first appear, reading from the top-left. Returns false
    // (and keeps nothing) when there are more, or for an empty record.
    bool buildExact(const dib& d, int maxColours = 256);

    // Reduced palette for a 24-bit image with more colours than fit:
    // median cut on a histogram of 5 bits per channel. The box with the most
    // pixels times its longest side is split at the median of that side until
    // there are maxColours boxes; each box's colour is the mean of the exact
    // colours in it. Each pixel gets the palette entry nearest (squared RGB
    // distance) to its histogram cell. No dithering: charts and motifs keep
    // flat areas flat.
    void buildQuantized(const dib& d, int maxColours = 256);

    bool exact() const { return exact_; }
    int count() const { return int(colours_.size()); }
    const Rgb* colours() const { return colours_.data(); }
    // Smallest of 1, 2, 4, 8 bits per index that holds count() entries.
    int indexBits() const;

    // Palette indices of picture row y (counted from the top) into
    // out[0 .. width).
    void mapRow(const dib& d, int y, uint8_t* out) const;

private:
    enum class Mode { None, Indexed, Exact, Quantized };
    int lookupExact(uint32_t key) const;
    void insertExact(uint32_t key, int index);

    Mode mode_ = Mode::None;
    bool exact_ = false;
    std::vector<Rgb> colours_;
    // Exact mode: open-addressed table of colour keys (bgr | 1 << 24).
    std::vector<uint32_t> keys_;
    std::vector<uint8_t> slots_;
    // Quantized mode: 5-5-5 cell -> palette index.
    std::vector<uint8_t> cellIndex_;
};

}  // namespace pixkit
