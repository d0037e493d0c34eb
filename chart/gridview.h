// Arithmetic of the stitch-grid view: the grid at one pixel per stitch on
// top, an enlarged picture of it below (30 pixels per centimetre of the
// knitted motif, or 30 x 30 per stitch while post-editing), the stitch under
// a click, and the clamping of drag scrolling. No widgets here.
#pragma once

namespace gridview {

constexpr int kStitchPixels = 30;  // post-editing: one stitch, one square
// Knitted size on screen: centimetres to millimetres (x 10), 25 mm per
// inch, 75 pixels per inch.
constexpr long double kMmPerCm = 10;
constexpr long double kMmPerInch = 25;
constexpr long double kPixelsPerInch = 75;
// Widgets cannot be larger; sizes beyond are cut to it.
constexpr int kMaxExtent = 16777215;

struct ViewSize {
    int bigW;  // enlarged picture
    int bigH;
    int boxW;  // the paint box: enlarged width, grid height + enlarged height
    int boxH;
};
// w, h: the grid; breite, hoch: the motif size in centimetres. `stitch` is
// the zoom: the pixels of one stitch while post-editing; otherwise the
// knitted size is scaled by stitch / kStitchPixels.
ViewSize viewSize(int w, int h, bool editMode, double breite, double hoch, int stitch = kStitchPixels);

// Zoom steps (pixels per stitch while post-editing); kStitchPixels is one.
constexpr int kZoomSteps[] = {2, 3, 4, 6, 8, 10, 15, 20, 30, 40, 50, 60};
// The next step in or out from `stitch`; the last step stays.
int zoomIn(int stitch);
int zoomOut(int stitch);

struct Stitch {
    int col;
    int row;  // from the top
    bool hit;
};
// The stitch of a w x h grid under a click at (x, y) in edit mode; nothing
// when the click is level with the 1:1 picture or beside the enlarged one.
Stitch stitchAt(int x, int y, int w, int h, int stitch = kStitchPixels);

// The stitch under the pointer at (x, y) in either picture of the view
// (the 1:1 one on top, the enlarged one of bigW x bigH below), for the
// readout; nothing beside both.
Stitch stitchUnder(int x, int y, int w, int h, int bigW, int bigH);

// A stitch as the chart numbers it: stitches from the right, rows from the
// bottom, both from 1.
struct ChartPosition {
    int masche;
    int reihe;
};
inline ChartPosition chartPosition(const Stitch& s, int w, int h) { return {w - s.col, h - s.row}; }

// Drag scrolling: new position for a scroll bar at `pos` when the press was
// at `grab` and the pointer is now at `now` (both in content coordinates),
// kept within 0 .. range - 1, range being the content's extent.
int dragScroll(int pos, int grab, int now, int range);

}  // namespace gridview
