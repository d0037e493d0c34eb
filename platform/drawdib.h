// Draws a rectangle of a bitmap, stretched or shrunk, into a rectangle of a
// device context. Every bitmap shown or printed goes through here.
#pragma once

#include "platform/gdi.h"
#include "raster/dib.h"

// srcy counts rows from the image's bottom row. halftone: whether a 24-bit
// image may be halftoned for a display of at most 256 colours.
void drawdib(HDC dc, int x, int y, int dstw, int dsth, dib d, int srcx, int srcy, int srcw,
             int srch, bool halftone, uint32_t rop);

// Test seams: what a call did, and replaceable halftoning.
namespace drawdibtest {

enum class Path { None, Halftone, Rows24, Rows8, General };

struct Trace {
    Path path = Path::None;
    int conversions = 0;   // source rows converted by a row path
    int rowsSent = 0;      // rows a row path sent to the device
    // Halftoning: which function was called (XY: the scaled one) and, for
    // the scaled one, the size asked for.
    bool halftoneXY = false;
    int halftoneCalls = 0;
    int halftoneWidth = 0, halftoneHeight = 0;
};

// Every later drawdib call fills *trace (reset first); nullptr stops.
void setTrace(Trace* trace);

using HalftoneFn = void (*)(dib* out, dib d);
using HalftoneXYFn = void (*)(dib* out, dib d, int width, int height);
// Replaces the library's halftoning; nullptr restores it.
void setHalftone(HalftoneFn halftone, HalftoneXYFn halftoneXY);

}  // namespace drawdibtest
