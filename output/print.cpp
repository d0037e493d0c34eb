#include "output/print.h"

#include <cmath>
#include <cstdint>

#include "platform/gdi.h"
#include "platform/printer.h"
#include "platform/drawdib.h"

namespace output {

namespace {
// Products of chart and page sizes are formed in 64 bits: a large chart on
// a high-resolution page would overflow 32.
int64_t mul(int a, int b) { return int64_t(a) * int64_t(b); }
}  // namespace

int percentOf(int size, int percent) {
    return int(std::nearbyint(double(mul(size, percent)) / 100.0));
}

Placement placeOnPage(int pageW, int pageH, int W, int H, const PrintChoice& c) {
    if (W <= 0 || H <= 0) return {};
    Placement p;
    if (c.useFull) {
        p.w = pageW;
        p.h = pageH;
        if (c.keepAspect) {
            const int64_t t = mul(H, pageW) / W;
            if (t > pageH) p.w = int(mul(W, pageH) / H);
            else p.h = int(t);
        }
    } else {
        p.w = percentOf(pageW, c.widthPercent);
        p.h = percentOf(pageH, c.heightPercent);
    }
    if (c.centred) {
        p.x = (pageW - p.w) / 2;
        p.y = (pageH - p.h) / 2;
    }
    return p;
}

Placement previewPaper(int pageW, int pageH, int boxW, int boxH) {
    Placement paper;
    if (pageW <= 0 || pageH <= 0) return paper;
    if (pageH < pageW) {
        paper.w = boxW;
        paper.h = int(mul(pageH, paper.w) / pageW);
    } else {
        paper.h = boxH;
        paper.w = int(mul(pageW, paper.h) / pageH);
    }
    paper.x = (boxW - paper.w) / 2;
    paper.y = (boxH - paper.h) / 2;
    return paper;
}

Placement placeInPreview(const Placement& paper, int W, int H, const PrintChoice& choice) {
    Placement p = placeOnPage(paper.w, paper.h, W, H, choice);
    if (W <= 0 || H <= 0) return p;
    p.x += paper.x;
    p.y += paper.y;
    return p;
}

int derivedPercent(int percent, int fromSide, int toSide, int fromPage, int toPage) {
    const double x = double(mul(toSide, percent)) / fromSide * fromPage / toPage;
    // NaN (a zero-sized side or page) counts like text that is no number.
    if (!(x >= kMinPercent)) return kMinPercent;
    if (x >= kMaxPercent) return kMaxPercent;
    return int(x);
}

Placement printPicture(platform::PrinterService& printer, const dib& chart, const PrintChoice& choice) {
    printer.Title = QString::fromUtf8(kPrintTitle);
    printer.BeginDoc();
    if (!printer.Printing()) {
        printer.EndDoc();  // raises "not printing": the document was refused
        return {};
    }
    Placement p;
    try {
        const int W = dibwidth(chart);
        const int H = dibheight(chart);
        p = placeOnPage(printer.PageWidth(), printer.PageHeight(), W, H, choice);
        PainterDC dc(printer.Canvas(), true);
        if (dibvalid(chart)) drawdib(&dc, p.x, p.y, p.w, p.h, chart, 0, 0, W, H, false, SRCCOPY);
    } catch (...) {
        printer.Abort();
        throw;
    }
    printer.EndDoc();
    return p;
}

}  // namespace output
