// The knitted look: the grid drawn as stocking stitch, every stitch a V of
// two leaves in its yarn's colour over a shadow of it, in the proportions
// of a real stitch (10 cm / stitches wide, 10 cm / rows high), so the
// colours can be judged together before the yarn is bought.
//
// The leaves of one yarn's stitches are gathered into one path and filled
// at once, tile by tile of the grid, and the shadows go on as one stretched
// picture: a 1000 x 1000 grid at 4 pixels a stitch (12 megapixels) takes
// under a second. (Paths as wide as the grid took half a minute: see
// kTilePx.)
#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "pattern/writtenrows.h"

class QPainter;

namespace chart {

// A stitch on screen: `stitchWidthPx` wide and as high as the gauge makes
// it (a stitch is 10/maschen cm wide and 10/reihen cm high).
QSizeF knitStitchSize(int maschen, int reihen, double stitchWidthPx);

// Paints the stitches that meet `exposed` (device units, origin at the
// grid's top left corner). `colours[i]` is yarn i's colour, red in the low
// byte; missing entries draw black.
void paintKnitPreview(QPainter& p, const pattern::YarnCells& cells, const std::vector<uint32_t>& colours,
                      QSizeF stitch, const QRectF& exposed);
// The same look drawn one stitch at a time: the yardstick the paths are
// measured against.
void paintKnitPreviewPerStitch(QPainter& p, const pattern::YarnCells& cells, const std::vector<uint32_t>& colours,
                               QSizeF stitch);

// Largest preview picture made for export, in pixels per side.
constexpr int kMaxPreviewSide = 16384;
// The whole preview as a picture, the stitch width cut so that neither
// side passes kMaxPreviewSide; a null image when there is nothing to draw
// or no memory.
QImage knitPreviewImage(const pattern::YarnCells& cells, const std::vector<uint32_t>& colours, int maschen, int reihen,
                        double stitchWidthPx);

// The preview as a zoomable widget that draws only what is exposed.
class KnitPreviewView : public QWidget {
public:
    explicit KnitPreviewView(QWidget* parent = nullptr);
    void setPattern(pattern::YarnCells cells, std::vector<uint32_t> colours, int maschen, int reihen);
    // Pixels of a stitch's width; resizes the widget.
    void setStitchWidth(double px);
    double stitchWidth() const { return stitchWidth_; }
    QSizeF stitchSize() const;
    const pattern::YarnCells& cells() const { return cells_; }
    const std::vector<uint32_t>& colours() const { return colours_; }
    int maschen() const { return maschen_; }
    int reihen() const { return reihen_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void resizeToContent();
    pattern::YarnCells cells_;
    std::vector<uint32_t> colours_;
    int maschen_ = 1, reihen_ = 1;
    double stitchWidth_ = 12;
};

// Zoom steps of the preview, pixels per stitch's width.
constexpr double kPreviewZoomSteps[] = {1, 1.5, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48};
double previewZoomIn(double px);
double previewZoomOut(double px);

}  // namespace chart
