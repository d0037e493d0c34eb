// CIELAB (D65) of 8-bit sRGB colours and a fast colour difference that
// weighs lightness, chroma and hue as CIEDE2000 does: lightness by SL
// (differences count less far from mid-grey), chroma by SC = 1 + 0.045 C
// and hue by SH = 1 + 0.015 C, at the pair's mean lightness and chroma. It
// leaves out CIEDE2000's hue-dependent terms (T, the blue rotation and the
// a' stretch of greys), which cost trigonometry per pair and change little
// the order of differences.
#pragma once

#include <algorithm>
#include <cmath>

namespace pattern::cielab {

struct Lab {
    double l, a, b;
};

// CIELAB of an 8-bit sRGB colour (table-driven linearisation).
Lab fromRgb(int red, int green, int blue);

// CIEDE2000 colour difference (kL = kC = kH = 1), in full.
double ciede2000(const Lab& p, const Lab& q);

// The difference with both chromas known (sqrt(a * a + b * b)), for loops
// that meet each colour many times.
inline double difference(const Lab& p, double c1, const Lab& q, double c2) {
    const double lm = (p.l + q.l) / 2 - 50, cm = (c1 + c2) / 2;
    const double sl = 1 + 0.015 * lm * lm / std::sqrt(20 + lm * lm);
    const double sc = 1 + 0.045 * cm, sh = 1 + 0.015 * cm;
    const double dl = q.l - p.l, dc = c2 - c1, da = q.a - p.a, db = q.b - p.b;
    const double dh2 = std::max(da * da + db * db - dc * dc, 0.0);
    return std::sqrt(dl * dl / (sl * sl) + dc * dc / (sc * sc) + dh2 / (sh * sh));
}

inline double chroma(const Lab& p) { return std::sqrt(p.a * p.a + p.b * p.b); }

inline double difference(const Lab& p, const Lab& q) { return difference(p, chroma(p), q, chroma(q)); }

}  // namespace pattern::cielab
