// Printing the chart on one page: where and how large the picture lands on
// the page (also used, scaled to the paper, by the print dialog's preview),
// and the print job itself.
#pragma once

#include "raster/dib.h"

namespace platform {
class PrinterService;
}

namespace output {

inline constexpr const char* kPrintTitle = "Velisto Bild";
inline constexpr int kMinPercent = 1;
inline constexpr int kMaxPercent = 100;

// The print dialog's choices.
struct PrintChoice {
    bool useFull = true;     // fill the page; otherwise the two percentages
    bool keepAspect = true;  // with useFull: keep the picture's proportions
    bool centred = true;
    int widthPercent = 50;
    int heightPercent = 50;
};

struct Placement {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const Placement&) const = default;
};

// percent % of size, to the nearest integer with ties to the even one.
int percentOf(int size, int percent);

// The picture (W x H pixels) on a page of pageW x pageH with its origin at
// (0, 0). Centring halves toward zero, so an odd spare pixel stays at the
// right or bottom. A picture without pixels is placed nowhere (all 0).
Placement placeOnPage(int pageW, int pageH, int W, int H, const PrintChoice& choice);

// The paper of a pageW x pageH page scaled into a boxW x boxH preview box,
// centred in it.
Placement previewPaper(int pageW, int pageH, int boxW, int boxH);

// The picture in the preview box: the page rules applied to the paper.
Placement placeInPreview(const Placement& paper, int W, int H, const PrintChoice& choice);

// The percentage of the other side that keeps the picture's proportions:
// (toSide * percent) / fromSide * fromPage / toPage, truncated and held in
// 1..100 as the percentage fields hold it. Width to height: fromSide = W,
// toSide = H, fromPage = PW, toPage = PH; height to width the other way.
int derivedPercent(int percent, int fromSide, int toSide, int fromPage, int toPage);

// Prints `chart` on one page of `printer` under the title "Velisto Bild"
// and returns where it was put. Printer errors are raised as
// platform::PrinterError; a job that was begun is never left open.
Placement printPicture(platform::PrinterService& printer, const dib& chart, const PrintChoice& choice);

}  // namespace output
