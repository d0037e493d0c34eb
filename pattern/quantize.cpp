#include "pattern/quantize.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "pattern/cielab.h"
#include "pattern/limits.h"

namespace pattern {

namespace {

struct Lab {
    double l, a, b;
};

double sq(double v) { return v * v; }
double dist2(const Lab& p, const Lab& q) { return sq(p.l - q.l) + sq(p.a - q.a) + sq(p.b - q.b); }

// sRGB (D65) to linear light and back.
double toLinear(double c) {
    c /= 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double fromLinear(double c) {
    c = c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return c * 255.0;
}

constexpr double kXn = 0.95047, kYn = 1.0, kZn = 1.08883;
constexpr double kEps = 216.0 / 24389.0, kKappa = 24389.0 / 27.0;

double labF(double t) { return t > kEps ? std::cbrt(t) : (kKappa * t + 16) / 116; }
double labFInv(double f) { return f * f * f > kEps ? f * f * f : (116 * f - 16) / kKappa; }

Lab labFromLinear(double r, double g, double b) {
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / kXn;
    const double y = (0.2126729 * r + 0.7151522 * g + 0.0721750 * b) / kYn;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / kZn;
    const double fx = labF(x), fy = labF(y), fz = labF(z);
    return Lab{116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

Lab labOf(double r, double g, double b) { return labFromLinear(toLinear(r), toLinear(g), toLinear(b)); }


struct Rgb {
    double r, g, b;
};

// Nearest 8-bit colour of a CIELAB value (clipped to the RGB cube).
Rgb rgbOf(const Lab& c) {
    const double fy = (c.l + 16) / 116, fx = fy + c.a / 500, fz = fy - c.b / 200;
    const double x = labFInv(fx) * kXn, y = labFInv(fy) * kYn, z = labFInv(fz) * kZn;
    const double lin[3] = {3.2404542 * x - 1.5371385 * y - 0.4985314 * z,
                           -0.9692660 * x + 1.8760108 * y + 0.0415560 * z,
                           0.0556434 * x - 0.2040259 * y + 1.0572252 * z};
    double out[3];
    for (int i = 0; i < 3; ++i) out[i] = std::round(std::clamp(fromLinear(std::clamp(lin[i], 0.0, 1.0)), 0.0, 255.0));
    return Rgb{out[0], out[1], out[2]};
}

// Histogram of the motif: 5 bits per channel, each cell with the exact sum
// of its pixels, so its mean is the colour the pixels there really have.
constexpr int kCellBits = 5;
constexpr int kCells = 1 << (3 * kCellBits);

struct Cell {
    uint64_t count = 0;
    uint64_t r = 0, g = 0, b = 0;
};

int cellOf(int r, int g, int b) {
    constexpr int s = 8 - kCellBits;
    return ((r >> s) << (2 * kCellBits)) | ((g >> s) << kCellBits) | (b >> s);
}

bool histogram(const dib& motif, std::vector<Cell>& cells) {
    const int w = dibwidth(motif), h = dibheight(motif), bits = dibbitcount(motif);
    if (!motif.poi || w <= 0 || h <= 0) return false;
    cells.assign(kCells, Cell{});
    auto add = [&](int r, int g, int b, uint64_t n) {
        Cell& c = cells[cellOf(r, g, b)];
        c.count += n;
        c.r += n * r;
        c.g += n * g;
        c.b += n * b;
    };
    if (bits == 24) {
        for (int y = 0; y < h; ++y) {
            const uint8_t* p = motif.poi + int64_t(y) * motif.bytew;
            for (int x = 0; x < w; ++x, p += 3) {
                Cell& c = cells[cellOf(p[2], p[1], p[0])];
                ++c.count;
                c.r += p[2];
                c.g += p[1];
                c.b += p[0];
            }
        }
        return true;
    }
    if (bits != 1 && bits != 4 && bits != 8) return false;
    // Indexed: count the indices, then weigh the palette colours.
    std::array<uint64_t, 256> uses{};
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = motif.poi + int64_t(y) * motif.bytew;
        for (int x = 0; x < w; ++x) {
            int index;
            if (bits == 8) index = in[x];
            else if (bits == 4) index = (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
            else index = (in[x >> 3] >> (7 - (x & 7))) & 1;
            ++uses[index];
        }
    }
    for (int i = 0; i < 256; ++i)
        if (uses[i]) add(motif.pal.rgb0[i].peRed, motif.pal.rgb0[i].peGreen, motif.pal.rgb0[i].peBlue, uses[i]);
    return true;
}

struct Point {
    Rgb rgb;
    Lab lab;
    double weight;
};

// Sums that give a set's weighted squared error about its mean.
struct Moments {
    double w = 0;
    double s[3] = {0, 0, 0};
    double q[3] = {0, 0, 0};
    void add(const Point& p) {
        const double v[3] = {p.lab.l, p.lab.a, p.lab.b};
        w += p.weight;
        for (int i = 0; i < 3; ++i) {
            s[i] += p.weight * v[i];
            q[i] += p.weight * v[i] * v[i];
        }
    }
    double error() const {
        if (w <= 0) return 0;
        double e = 0;
        for (int i = 0; i < 3; ++i) e += q[i] - s[i] * s[i] / w;
        return std::max(e, 0.0);
    }
    Moments minus(const Moments& o) const {
        Moments m = *this;
        m.w -= o.w;
        for (int i = 0; i < 3; ++i) {
            m.s[i] -= o.s[i];
            m.q[i] -= o.q[i];
        }
        return m;
    }
    Lab mean() const { return Lab{s[0] / w, s[1] / w, s[2] / w}; }
};

double axisOf(const Lab& c, int axis) { return axis == 0 ? c.l : axis == 1 ? c.a : c.b; }

struct Box {
    int begin, end;  // range of the point list
    Moments m;
};

Moments momentsOf(const std::vector<Point>& pts, int begin, int end) {
    Moments m;
    for (int i = begin; i < end; ++i) m.add(pts[i]);
    return m;
}

// Cuts the box with the largest error until there are `count` boxes or no
// box has two points; each cut is placed along the box's widest axis (by
// variance) where the two halves have the least error together.
std::vector<Lab> splitBoxes(std::vector<Point>& pts, int count) {
    std::vector<Box> boxes{Box{0, int(pts.size()), momentsOf(pts, 0, int(pts.size()))}};
    while (int(boxes.size()) < count) {
        int pick = -1;
        double worst = 0;
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxes[i].end - boxes[i].begin > 1 && boxes[i].m.error() > worst) {
                worst = boxes[i].m.error();
                pick = i;
            }
        if (pick < 0) break;
        Box box = boxes[pick];
        int axis = 0;
        double widest = -1;
        for (int a = 0; a < 3; ++a) {
            const double var = box.m.q[a] - box.m.s[a] * box.m.s[a] / box.m.w;
            if (var > widest) {
                widest = var;
                axis = a;
            }
        }
        // Ties keep the order of the histogram, so the cut is reproducible.
        std::stable_sort(pts.begin() + box.begin, pts.begin() + box.end,
                         [axis](const Point& p, const Point& q) { return axisOf(p.lab, axis) < axisOf(q.lab, axis); });
        Moments left;
        int cut = box.begin + 1;
        double best = -1;
        for (int i = box.begin; i < box.end - 1; ++i) {
            left.add(pts[i]);
            const double e = left.error() + box.m.minus(left).error();
            if (best < 0 || e < best) {
                best = e;
                cut = i + 1;
            }
        }
        boxes[pick] = Box{box.begin, cut, momentsOf(pts, box.begin, cut)};
        boxes.push_back(Box{cut, box.end, momentsOf(pts, cut, box.end)});
    }
    std::vector<Lab> centres;
    for (const Box& b : boxes) centres.push_back(b.m.mean());
    return centres;
}

double rgbDist2(const Rgb& p, const Rgb& q) { return sq(p.r - q.r) + sq(p.g - q.g) + sq(p.b - q.b); }

constexpr int kLloydRounds = 24;
// Rounds that go on while the assignment stands, for the median to settle.
constexpr int kMedianRounds = 8;
constexpr double kMinDifference = 0.5;
// Rounds measured by CIEDE2000 at the end.
constexpr int kFinishRounds = 6;

}  // namespace

std::vector<PALETTEENTRY> coloursFromMotif(const dib& motif, int count) {
    count = std::clamp(count, kMotifYarnsMin, kMotifYarnsMax);
    std::vector<Cell> cells;
    if (!histogram(motif, cells)) return {};
    std::vector<Point> pts;
    for (const Cell& c : cells) {
        if (!c.count) continue;
        const double n = double(c.count);
        const Rgb rgb{c.r / n, c.g / n, c.b / n};
        pts.push_back(Point{rgb, labOf(rgb.r, rgb.g, rgb.b), n});
    }
    if (pts.empty()) return {};

    // Yarns as the grid will hold them: whole RGB values.
    std::vector<Rgb> yarns;
    for (const Lab& c : splitBoxes(pts, count)) yarns.push_back(rgbOf(c));

    // Lloyd rounds: give each colour to the yarn the compute command would
    // pick (nearest in RGB, lowest index on ties), then move every yarn toward
    // the CIELAB median of its colours. A yarn left without colours takes the
    // colour worst served so far.
    std::vector<int> owner(pts.size(), -1);
    // Once the rounds in CIELAB have settled, a few more measure by
    // CIEDE2000, which weighs lightness, chroma and hue as the eye does (a
    // saturated green's chroma far less than CIELAB): the medians move to
    // where that difference is least. The yarns kept are those of the round
    // with the least total CIEDE2000, so finishing never makes them worse.
    int finishing = -1;  // finishing rounds done; -1 before
    double bestError = -1;
    std::vector<Rgb> bestYarns;
    for (int round = 0; round < kLloydRounds + kFinishRounds; ++round) {
        const bool finish = finishing >= 0;
        double total = 0;
        bool changed = false;
        std::vector<Lab> centres;
        for (const Rgb& y : yarns) centres.push_back(labOf(y.r, y.g, y.b));
        std::vector<Moments> sums(yarns.size());
        std::vector<double> err(pts.size());
        for (size_t i = 0; i < pts.size(); ++i) {
            int best = 0;
            double bestD = rgbDist2(pts[i].rgb, yarns[0]);
            for (int k = 1; k < int(yarns.size()); ++k) {
                const double d = rgbDist2(pts[i].rgb, yarns[k]);
                if (d < bestD) {
                    bestD = d;
                    best = k;
                }
            }
            if (owner[i] != best) changed = true;
            owner[i] = best;
            // The mean colour difference counts each difference once, not
            // its square: weighing each colour by 1 / its difference moves
            // the yarn toward the median of its colours (Weiszfeld), which
            // a few large differences do not pull away from the many small.
            const Lab& c = centres[size_t(best)];
            const double d = finish ? cielab::ciede2000(cielab::Lab{pts[i].lab.l, pts[i].lab.a, pts[i].lab.b},
                                                        cielab::Lab{c.l, c.a, c.b})
                                    : std::sqrt(dist2(pts[i].lab, c));
            total += pts[i].weight * d;
            Point p = pts[i];
            p.weight /= std::max(d, kMinDifference);
            sums[best].add(p);
            err[i] = pts[i].weight * d;
        }
        if (finish) {
            if (bestError < 0 || total < bestError) {
                bestError = total;
                bestYarns = yarns;
            }
            if (++finishing > kFinishRounds) break;
        } else if ((!changed && round >= kMedianRounds) || round + 1 == kLloydRounds) {
            finishing = 0;
            continue;  // the same yarns again, now measured by CIEDE2000
        }
        for (size_t k = 0; k < yarns.size(); ++k) {
            if (sums[k].w > 0) {
                yarns[k] = rgbOf(sums[k].mean());
                continue;
            }
            const size_t worst = size_t(std::max_element(err.begin(), err.end()) - err.begin());
            yarns[k] = pts[worst].rgb;
            yarns[k] = Rgb{std::round(yarns[k].r), std::round(yarns[k].g), std::round(yarns[k].b)};
            err[worst] = 0;
        }
    }

    if (!bestYarns.empty()) yarns = bestYarns;

    // Dark to light; equal yarns once.
    std::vector<std::pair<Lab, PALETTEENTRY>> sorted;
    for (const Rgb& y : yarns)
        sorted.push_back({labOf(y.r, y.g, y.b), PALETTEENTRY{uint8_t(y.r), uint8_t(y.g), uint8_t(y.b), 0}});
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& p, const auto& q) {
        if (p.first.l != q.first.l) return p.first.l < q.first.l;
        if (p.first.a != q.first.a) return p.first.a < q.first.a;
        return p.first.b < q.first.b;
    });
    std::vector<PALETTEENTRY> out;
    for (const auto& entry : sorted) {
        // Not a structured binding: Clang 14 cannot capture one in a lambda.
        const PALETTEENTRY& e = entry.second;
        const bool seen = std::any_of(out.begin(), out.end(), [&](const PALETTEENTRY& o) {
            return o.peRed == e.peRed && o.peGreen == e.peGreen && o.peBlue == e.peBlue;
        });
        if (!seen) out.push_back(e);
    }
    return out;
}

void setYarns(LPAL& yarns, const std::vector<PALETTEENTRY>& colours) {
    if (colours.empty()) return;
    const int total = std::min<int>(yarns.num, 256);
    const int n = std::min<int>(int(colours.size()), total);
    for (int i = 0; i < total; ++i) {
        const PALETTEENTRY& c = colours[i < n ? i : 0];
        yarns.rgb0[i].peRed = c.peRed;
        yarns.rgb0[i].peGreen = c.peGreen;
        yarns.rgb0[i].peBlue = c.peBlue;
    }
}

std::vector<int64_t> stitchesPerYarn(const dib& grid, int zcols) {
    zcols = std::clamp(zcols, 1, kMaxYarnColours);
    if (!grid.poi || dibbitcount(grid) != 8) return {};
    std::array<int64_t, 256> byIndex{};
    const int w = dibwidth(grid), h = dibheight(grid);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = grid.poi + int64_t(y) * grid.bytew;
        for (int x = 0; x < w; ++x) ++byIndex[row[x]];
    }
    std::vector<int64_t> perYarn(size_t(zcols), 0);
    for (int v = 0; v < 256; ++v) {
        const int yarn = v >= kYarnIndexOffset && v < kYarnIndexOffset + zcols ? v - kYarnIndexOffset : 0;
        perYarn[size_t(yarn)] += byIndex[size_t(v)];
    }
    return perYarn;
}

namespace {

template <class Diff>
double meanDifference(const dib& picture, const dib& grid, Diff diff) {
    const int w = dibwidth(picture), h = dibheight(picture);
    if (!picture.poi || !grid.poi || dibbitcount(picture) != 24 || dibbitcount(grid) != 8 || w <= 0 || h <= 0 ||
        dibwidth(grid) != w || dibheight(grid) != h)
        return -1;
    std::array<double, 256> linear;
    for (int i = 0; i < 256; ++i) linear[i] = toLinear(i);
    std::array<Lab, 256> entries;
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = grid.pal.rgb0[i];
        entries[i] = labFromLinear(linear[e.peRed], linear[e.peGreen], linear[e.peBlue]);
    }
    double sum = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = picture.poi + int64_t(y) * picture.bytew;
        const uint8_t* g = grid.poi + int64_t(y) * grid.bytew;
        for (int x = 0; x < w; ++x, p += 3)
            sum += diff(labFromLinear(linear[p[2]], linear[p[1]], linear[p[0]]), entries[g[x]]);
    }
    return sum / (double(w) * h);
}

}  // namespace

double meanDeltaE(const dib& picture, const dib& grid) {
    return meanDifference(picture, grid, [](const Lab& p, const Lab& q) { return std::sqrt(dist2(p, q)); });
}

double meanDeltaE2000(const dib& picture, const dib& grid) {
    return meanDifference(picture, grid, [](const Lab& p, const Lab& q) {
        return cielab::ciede2000(cielab::Lab{p.l, p.a, p.b}, cielab::Lab{q.l, q.a, q.b});
    });
}

}  // namespace pattern
