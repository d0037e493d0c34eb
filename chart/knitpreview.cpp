#include "chart/knitpreview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

#include "raster/dib.h"

namespace chart {

namespace {

// Stitches gathered into one set of paths: a tile of the grid, about
// kTilePx on a side. The antialiasing rasteriser keeps each scan line's
// cells in a list sorted by x, so a path as wide as the grid costs the
// square of its width (a 1000-stitch row took seconds); small tiles keep
// that cost linear and the points held at once few.
constexpr double kTilePx = 16;
// The shadow between and behind the leaves: the yarn's colour darkened.
constexpr int kShadowPercent = 55;

QColor yarnColour(const std::vector<uint32_t>& colours, int yarn) {
    const uint32_t c = std::size_t(yarn) < colours.size() ? colours[std::size_t(yarn)] : 0u;
    return QColor(getr(c), getg(c), getb(c));
}

QColor shadowOf(const QColor& c) {
    return QColor(c.red() * kShadowPercent / 100, c.green() * kShadowPercent / 100, c.blue() * kShadowPercent / 100);
}

// The two leaves of one stitch in the cell at (x, y) of size (w, h): each
// leaf runs from the top corner of its half down to the V's point near the
// bottom middle, bulging outward, with a narrow gap between the two. Small
// stitches take four straight edges instead of curves: at a few pixels
// nobody sees the difference, and the fill's cost grows with the edges.
constexpr double kSmoothFromPx = 10;

void addLeaf(QPainterPath& path, double x, double y, double w, double h, bool right, bool smooth) {
    auto pt = [&](double u, double v) { return QPointF(x + (right ? 1 - u : u) * w, y + v * h); };
    const QPointF tip = pt(0.47, 0.96);
    path.moveTo(tip);
    if (smooth) {
        path.cubicTo(pt(0.10, 0.80), pt(0.00, 0.20), pt(0.08, 0.04));
        path.cubicTo(pt(0.30, 0.10), pt(0.48, 0.45), tip);
    } else {
        path.lineTo(pt(0.04, 0.45));
        path.lineTo(pt(0.08, 0.04));
        path.lineTo(pt(0.40, 0.35));
    }
    path.closeSubpath();
}

void addStitch(QPainterPath& path, double x, double y, double w, double h) {
    const bool smooth = w >= kSmoothFromPx;
    addLeaf(path, x, y, w, h, false, smooth);
    addLeaf(path, x, y, w, h, true, smooth);
}

struct Range {
    int64_t c0 = 0, c1 = 0, r0 = 0, r1 = 0;  // half open
};

Range exposedRange(const pattern::YarnCells& cells, QSizeF s, const QRectF& exposed) {
    Range r;
    if (s.width() <= 0 || s.height() <= 0) return r;
    auto clampTo = [](double v, int64_t hi) { return std::clamp<int64_t>(int64_t(v), 0, hi); };
    r.c0 = clampTo(std::floor(exposed.left() / s.width()), cells.stitches);
    r.c1 = clampTo(std::ceil(exposed.right() / s.width()), cells.stitches);
    r.r0 = clampTo(std::floor(exposed.top() / s.height()), cells.rows);
    r.r1 = clampTo(std::ceil(exposed.bottom() / s.height()), cells.rows);
    return r;
}

}  // namespace

QSizeF knitStitchSize(int maschen, int reihen, double stitchWidthPx) {
    if (maschen <= 0 || reihen <= 0 || !(stitchWidthPx > 0)) return {};
    return {stitchWidthPx, stitchWidthPx * double(maschen) / double(reihen)};
}

void paintKnitPreview(QPainter& p, const pattern::YarnCells& cells, const std::vector<uint32_t>& colours, QSizeF s,
                      const QRectF& exposed) {
    const Range r = exposedRange(cells, s, exposed);
    if (r.c0 >= r.c1 || r.r0 >= r.r1) return;
    const double w = s.width(), h = s.height();
    p.save();
    // The shadows: the exposed stitches as a picture of one pixel each,
    // stretched without smoothing, one transfer for all of them.
    QImage shade(int(r.c1 - r.c0), int(r.r1 - r.r0), QImage::Format_RGB32);
    if (!shade.isNull()) {
        std::array<QRgb, 256> shadowRgb{};
        for (int k = 0; k < 256; ++k) shadowRgb[std::size_t(k)] = shadowOf(yarnColour(colours, k)).rgb();
        for (int64_t row = r.r0; row < r.r1; ++row) {
            auto* line = reinterpret_cast<QRgb*>(shade.scanLine(int(row - r.r0)));
            for (int64_t c = r.c0; c < r.c1; ++c) line[c - r.c0] = shadowRgb[cells.at(c, row)];
        }
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRectF(double(r.c0) * w, double(r.r0) * h, double(r.c1 - r.c0) * w, double(r.r1 - r.r0) * h),
                    shade);
    }
    std::vector<QPainterPath> leaves(256);
    std::vector<bool> used(256);
    p.setRenderHint(QPainter::Antialiasing, true);
    const int64_t tileRows = std::max<int64_t>(1, int64_t(kTilePx / h));
    const int64_t tileColumns = std::max<int64_t>(1, int64_t(kTilePx / w));
    for (int64_t b0 = r.r0; b0 < r.r1; b0 += tileRows)
        for (int64_t t0 = r.c0; t0 < r.c1; t0 += tileColumns) {
            const int64_t b1 = std::min(r.r1, b0 + tileRows), t1 = std::min(r.c1, t0 + tileColumns);
            for (int64_t row = b0; row < b1; ++row)
                for (int64_t c = t0; c < t1; ++c) {
                    const uint8_t yarn = cells.at(c, row);
                    used[yarn] = true;
                    addStitch(leaves[yarn], double(c) * w, double(row) * h, w, h);
                }
            for (int k = 0; k < 256; ++k)
                if (used[std::size_t(k)]) {
                    p.fillPath(leaves[std::size_t(k)], yarnColour(colours, k));
                    leaves[std::size_t(k)].clear();
                    used[std::size_t(k)] = false;
                }
        }
    p.restore();
}

void paintKnitPreviewPerStitch(QPainter& p, const pattern::YarnCells& cells, const std::vector<uint32_t>& colours,
                               QSizeF s) {
    const double w = s.width(), h = s.height();
    p.save();
    for (int64_t row = 0; row < cells.rows; ++row)
        for (int64_t c = 0; c < cells.stitches; ++c) {
            const QColor colour = yarnColour(colours, cells.at(c, row));
            p.setRenderHint(QPainter::Antialiasing, false);
            p.fillRect(QRectF(double(c) * w, double(row) * h, w, h), shadowOf(colour));
            QPainterPath leaf;
            addStitch(leaf, double(c) * w, double(row) * h, w, h);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.fillPath(leaf, colour);
        }
    p.restore();
}

QImage knitPreviewImage(const pattern::YarnCells& cells, const std::vector<uint32_t>& colours, int maschen, int reihen,
                        double stitchWidthPx) {
    QSizeF s = knitStitchSize(maschen, reihen, stitchWidthPx);
    if (s.isEmpty() || cells.stitches <= 0 || cells.rows <= 0) return {};
    const double fit = std::min(kMaxPreviewSide / (s.width() * double(cells.stitches)),
                                kMaxPreviewSide / (s.height() * double(cells.rows)));
    if (fit < 1) s *= fit;
    const int iw = std::max(1, int(std::ceil(s.width() * double(cells.stitches))));
    const int ih = std::max(1, int(std::ceil(s.height() * double(cells.rows))));
    QImage image(std::min(iw, kMaxPreviewSide), std::min(ih, kMaxPreviewSide), QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::black);
    QPainter p(&image);
    paintKnitPreview(p, cells, colours, s, QRectF(0, 0, image.width(), image.height()));
    p.end();
    return image;
}

// ---- the view

KnitPreviewView::KnitPreviewView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void KnitPreviewView::setPattern(pattern::YarnCells cells, std::vector<uint32_t> colours, int maschen, int reihen) {
    cells_ = std::move(cells);
    colours_ = std::move(colours);
    maschen_ = std::max(1, maschen);
    reihen_ = std::max(1, reihen);
    resizeToContent();
    update();
}

void KnitPreviewView::setStitchWidth(double px) {
    stitchWidth_ = std::clamp(px, kPreviewZoomSteps[0], kPreviewZoomSteps[std::size(kPreviewZoomSteps) - 1]);
    resizeToContent();
    update();
}

QSizeF KnitPreviewView::stitchSize() const { return knitStitchSize(maschen_, reihen_, stitchWidth_); }

void KnitPreviewView::resizeToContent() {
    const QSizeF s = stitchSize();
    constexpr double kMaxWidget = 16777215;
    resize(int(std::min(kMaxWidget, std::ceil(s.width() * double(cells_.stitches)))),
           int(std::min(kMaxWidget, std::ceil(s.height() * double(cells_.rows)))));
}

void KnitPreviewView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), Qt::black);
    paintKnitPreview(p, cells_, colours_, stitchSize(), QRectF(e->rect()));
}

double previewZoomIn(double px) {
    for (double s : kPreviewZoomSteps)
        if (s > px + 1e-9) return s;
    return kPreviewZoomSteps[std::size(kPreviewZoomSteps) - 1];
}

double previewZoomOut(double px) {
    double best = kPreviewZoomSteps[0];
    for (double s : kPreviewZoomSteps)
        if (s < px - 1e-9) best = s;
    return best;
}

}  // namespace chart
