#include "pattern/cielab.h"

#include <array>

namespace pattern::cielab {

namespace {

const std::array<double, 256>& linear() {
    static const std::array<double, 256> t = [] {
        std::array<double, 256> v{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            v[size_t(i)] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return v;
    }();
    return t;
}

double labFExact(double t) {
    constexpr double kEps = 216.0 / 24389.0, kKappa = 24389.0 / 27.0;
    return t > kEps ? std::cbrt(t) : (kKappa * t + 16) / 116;
}

// f(t) sampled over 0 .. 1.1 (x, y and z of sRGB colours stay below 1.09)
// and interpolated: within 2e-5 of the cube root, a few thousandths in L.
constexpr int kSteps = 2048;
constexpr double kTop = 1.1;
const std::array<double, kSteps + 2>& fTable() {
    static const std::array<double, kSteps + 2> t = [] {
        std::array<double, kSteps + 2> v{};
        for (int i = 0; i < kSteps + 2; ++i) v[size_t(i)] = labFExact(i * kTop / kSteps);
        return v;
    }();
    return t;
}

double labF(double t) {
    const double pos = std::clamp(t, 0.0, kTop) * (kSteps / kTop);
    const int i = std::min(int(pos), kSteps);
    const double frac = pos - i;
    const auto& f = fTable();
    return f[size_t(i)] + frac * (f[size_t(i) + 1] - f[size_t(i)]);
}

double sq(double v) { return v * v; }
constexpr double kPi = 3.14159265358979323846;
double rad(double deg) { return deg * kPi / 180; }

}  // namespace

double ciede2000(const Lab& p, const Lab& q) {
    const double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
    const double cm7 = std::pow((c1 + c2) / 2, 7);
    const double g = 0.5 * (1 - std::sqrt(cm7 / (cm7 + 6103515625.0)));  // 25^7
    const double a1 = (1 + g) * p.a, a2 = (1 + g) * q.a;
    const double c1p = std::hypot(a1, p.b), c2p = std::hypot(a2, q.b);
    auto hue = [](double b, double a) {
        if (a == 0 && b == 0) return 0.0;
        const double h = std::atan2(b, a) * 180 / kPi;
        return h < 0 ? h + 360 : h;
    };
    const double h1 = hue(p.b, a1), h2 = hue(q.b, a2);
    const double dl = q.l - p.l, dc = c2p - c1p;
    double dh = 0;
    if (c1p * c2p != 0) {
        dh = h2 - h1;
        if (dh > 180) dh -= 360;
        else if (dh < -180) dh += 360;
    }
    const double dH = 2 * std::sqrt(c1p * c2p) * std::sin(rad(dh / 2));
    const double lm = (p.l + q.l) / 2, cpm = (c1p + c2p) / 2;
    double hm = h1 + h2;
    if (c1p * c2p != 0) {
        if (std::abs(h1 - h2) > 180) hm = hm < 360 ? hm + 360 : hm - 360;
        hm /= 2;
    }
    const double t = 1 - 0.17 * std::cos(rad(hm - 30)) + 0.24 * std::cos(rad(2 * hm)) +
                     0.32 * std::cos(rad(3 * hm + 6)) - 0.20 * std::cos(rad(4 * hm - 63));
    const double dtheta = 30 * std::exp(-sq((hm - 275) / 25));
    const double cpm7 = std::pow(cpm, 7);
    const double rc = 2 * std::sqrt(cpm7 / (cpm7 + 6103515625.0));
    const double sl = 1 + 0.015 * sq(lm - 50) / std::sqrt(20 + sq(lm - 50));
    const double sc = 1 + 0.045 * cpm, sh = 1 + 0.015 * cpm * t;
    const double rt = -std::sin(rad(2 * dtheta)) * rc;
    return std::sqrt(sq(dl / sl) + sq(dc / sc) + sq(dH / sh) + rt * (dc / sc) * (dH / sh));
}

Lab fromRgb(int red, int green, int blue) {
    const auto& lin = linear();
    const double r = lin[size_t(red)], g = lin[size_t(green)], b = lin[size_t(blue)];
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = labF(x), fy = labF(y), fz = labF(z);
    return Lab{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

}  // namespace pattern::cielab
