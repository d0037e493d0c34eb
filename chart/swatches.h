// Geometry of the yarn colour swatches shared by the palette editor and the
// post-editing colour picker: 15 x 15 squares on an 18-pixel pitch, filled
// row by row, each answering clicks over a 16 x 16 area.
#pragma once

namespace swatches {

constexpr int kPitch = 18;   // distance from one square to the next
constexpr int kSquare = 15;  // drawn size, outline included
constexpr int kHitSize = 16; // hit area: one pixel more to the right and below

// Squares per row in a box of this width (at least one, so that a box too
// narrow for one square still lays them out in one column).
int columns(int boxWidth);

struct Square {
    int x;
    int y;
};
// Top left of swatch i.
Square square(int i, int columns);

// The swatch among 0 .. count - 1 whose hit area holds (x, y), or -1.
int hit(int x, int y, int columns, int count);

}  // namespace swatches
