// Test seams of drawdib, kept out of its header: what a call did, and
// replaceable halftoning. Only tests and benchmarks include this.
#pragma once

#include "platform/drawdib.h"

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
