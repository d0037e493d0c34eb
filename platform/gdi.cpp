#include "platform/gdi.h"

#include <QGuiApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>

#include "platform/gdi_memory.h"
#include "platform/gdi_pixels.h"
#include "raster/limits.h"

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<int> g_screenBits{0};

// Pixels staged per block handed to a device: bounds the buffer for large
// stretches while keeping the number of device calls small.
constexpr int64_t kBandPixels = int64_t(1) << 20;

struct Span {
    int lo, hi;  // [lo, hi)
    bool empty() const { return hi <= lo; }
};

Span intersect(Span a, Span b) { return {std::max(a.lo, b.lo), std::min(a.hi, b.hi)}; }

GdiCall makeCall(GdiOp op) {
    GdiCall c{};
    c.op = op;
    return c;
}

void record(HDC dc, const GdiCall& c) {
    if (dc && dc->log()) dc->log()->push_back(c);
}

// Returns the span of destination indices (within `vis`) whose source index
// src(i) lies in [0, n). src is monotonic (rising or falling), so the span is
// contiguous and its ends are found by bisection.
template <class Map>
Span validSpan(Span vis, int n, Map src) {
    if (vis.empty()) return {0, 0};
    bool rising = src(vis.lo) <= src(vis.hi - 1);
    // First i in [lo, hi) for which pred holds, pred false then true.
    auto firstTrue = [&](auto pred) {
        int lo = vis.lo, hi = vis.hi;
        while (lo < hi) {
            int mid = lo + (hi - lo) / 2;
            if (pred(src(mid))) hi = mid;
            else lo = mid + 1;
        }
        return lo;
    };
    Span s = rising ? Span{firstTrue([](int c) { return c >= 0; }), firstTrue([n](int c) { return c >= n; })}
                    : Span{firstTrue([n](int c) { return c < n; }), firstTrue([](int c) { return c < 0; })};
    if (s.empty()) return {0, 0};
    return s;
}

}  // namespace

// Access to the protected parts for the free operations below.
struct GdiAccess {
    static void put(HDC dc, int x, int y, int w, int h, const uint8_t* bgr, std::ptrdiff_t stride) {
        dc->putPixels(x, y, w, h, bgr, stride);
    }
    static void flush(HDC dc) { dc->flush(); }
    static void setMode(HDC dc, int mode) { dc->stretchMode_ = mode; }
    static void markCreated(HDC dc) { dc->created_ = true; }
    static bool created(HDC dc) { return dc->created_; }
    static MemoryDC* newCompatible(const DeviceContext& parent) { return new (std::nothrow) MemoryDC(parent); }
    static bool select(MemoryDC* dc, Bitmap* bmp, Bitmap** previous) {
        if (bmp->selectedInto && bmp->selectedInto != dc) return false;
        *previous = dc->selected_;
        if (dc->selected_) dc->selected_->selectedInto = nullptr;
        dc->selected_ = bmp;
        bmp->selectedInto = dc;
        return true;
    }

    // Nearest-pixel stretch of a source into the destination's clip box.
    // Visible destination columns [cols.lo, cols.hi) take the source columns
    // in `srcCols`; each visible row Y asks `line(Y)` for its source line
    // (nullptr: outside the source) and `fetch` converts it. Consecutive rows
    // with the same source line are converted once.
    template <class Line, class Fetch>
    static bool stretch(HDC dc, Span cols, Span rows, const int* srcCols, Line line, Fetch fetch) {
        int w = cols.hi - cols.lo;
        int64_t bandRows = std::max<int64_t>(1, kBandPixels / w);
        bandRows = std::min<int64_t>(bandRows, rows.hi - rows.lo);
        std::ptrdiff_t stride = std::ptrdiff_t(w) * 3;
        std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[std::size_t(stride * bandRows)]);
        if (!buf) return false;
        int bandTop = rows.lo, inBand = 0;
        const uint8_t* lastLine = nullptr;
        auto flush = [&] {
            if (inBand > 0) put(dc, cols.lo, bandTop, w, inBand, buf.get(), stride);
            inBand = 0;
        };
        for (int Y = rows.lo; Y < rows.hi; ++Y) {
            const uint8_t* src = line(Y);
            if (!src) {
                flush();
                lastLine = nullptr;
                continue;
            }
            if (inBand == 0) bandTop = Y;
            uint8_t* out = buf.get() + inBand * stride;
            if (src == lastLine && inBand > 0) std::memcpy(out, out - stride, std::size_t(stride));
            else fetch(src, srcCols, w, out);
            lastLine = src;
            if (++inBand == bandRows) flush();
        }
        flush();
        return true;
    }
};

// ---------------------------------------------------------------- objects

GdiObject::GdiObject() { ++g_live; }
GdiObject::~GdiObject() { --g_live; }

Bitmap* Bitmap::create(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    int64_t bytes = int64_t(width) * height * 3;
    if (bytes / 3 / width != height || bytes > pixkit::kMaxImageBytes) return nullptr;
    std::unique_ptr<Bitmap> b(new (std::nothrow) Bitmap());
    if (!b) return nullptr;
    try {
        b->bgr_.assign(std::size_t(bytes), 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    b->width_ = width;
    b->height_ = height;
    return b.release();
}

uint32_t Bitmap::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const uint8_t* p = row(y) + 3 * x;
    return packrgb(p[2], p[1], p[0]);
}

void Bitmap::fill(uint32_t c) {
    for (int y = 0; y < height_; ++y) {
        uint8_t* p = row(y);
        for (int x = 0; x < width_; ++x, p += 3) {
            p[0] = getb(c);
            p[1] = getg(c);
            p[2] = getr(c);
        }
    }
}

DeviceContext::DeviceContext(int technology, int rasterCaps) : technology_(technology), rasterCaps_(rasterCaps) {}
DeviceContext::~DeviceContext() = default;

// ---------------------------------------------------------------- painter

PainterDC::PainterDC(QPainter& p, bool isPrinter)
    : DeviceContext(isPrinter ? DT_RASPRINTER : DT_RASDISPLAY, kDefaultRasterCaps), painter(p), printer(isPrinter) {}

int PainterDC::displayBits() const {
    if (int o = g_screenBits.load()) return o;
    QPaintDevice* dev = painter.device();
    if (dev && dev->devType() == QInternal::Widget) {
        if (QScreen* s = static_cast<QWidget*>(dev)->screen()) return s->depth();
    }
    if (dev && (dev->devType() == QInternal::Image || dev->devType() == QInternal::Pixmap)) return dev->depth();
    if (QScreen* s = QGuiApplication::primaryScreen()) return s->depth();
    return 24;
}

RECT PainterDC::clipBox() const {
    QPaintDevice* dev = painter.device();
    if (!painter.isActive() || !dev) return {0, 0, 0, 0};
    // The system clip (a widget's exposed region) and the device bounds are
    // in device pixels; the painter's own clip is logical.
    QRect devRect(0, 0, dev->width(), dev->height());
    if (QPaintEngine* e = painter.paintEngine()) {
        QRegion sys = e->systemClip();
        if (!sys.isEmpty()) devRect = sys.boundingRect();
    }
    bool invertible = false;
    QTransform inv = painter.deviceTransform().inverted(&invertible);
    if (!invertible) return {0, 0, 0, 0};
    QRect logical = inv.mapRect(QRectF(devRect)).toAlignedRect();
    if (painter.hasClipping()) logical &= painter.clipBoundingRect().toAlignedRect();
    if (logical.isEmpty()) return {0, 0, 0, 0};
    return {logical.left(), logical.top(), logical.left() + logical.width(), logical.top() + logical.height()};
}

PainterDC::~PainterDC() { flush(); }

void PainterDC::flush() {
    if (bandRows_ > 0) painter.drawImage(QPoint(bandX_, bandY_), band_, QRect(0, 0, bandW_, bandRows_));
    bandRows_ = 0;
}

void PainterDC::putPixels(int x, int y, int w, int h, const uint8_t* bgr, std::ptrdiff_t stride) {
    // Single rows that continue the band below each other are collected and
    // drawn as one image: a drawing call per row costs more than the row.
    bool continues = bandRows_ > 0 && x == bandX_ && w == bandW_ && y == bandY_ + bandRows_ &&
                     bandRows_ < band_.height();
    if (!continues) {
        flush();
        if (h > 1 || int64_t(w) * kBandRows > kBandPixels) {
            QImage img(bgr, w, h, qsizetype(stride), QImage::Format_BGR888);
            painter.drawImage(QPoint(x, y), img);
            return;
        }
        if (band_.width() < w || band_.isNull()) band_ = QImage(w, kBandRows, QImage::Format_RGB32);
        if (band_.isNull()) {  // no memory for the band: draw the row alone
            QImage img(bgr, w, h, qsizetype(stride), QImage::Format_BGR888);
            painter.drawImage(QPoint(x, y), img);
            return;
        }
        bandX_ = x, bandY_ = y, bandW_ = w;
    }
    // Blue, green, red read as one little-endian word are 0x??RRGGBB, the
    // image's pixel; the last pixel is read bytewise so as not to overrun.
    auto* out = reinterpret_cast<uint32_t*>(band_.scanLine(bandRows_));
    int i = 0;
    for (; i < w - 1; ++i, bgr += 3) {
        uint32_t v;
        std::memcpy(&v, bgr, 4);
        out[i] = 0xFF000000u | v;
    }
    out[i] = 0xFF000000u | (uint32_t(bgr[2]) << 16) | (uint32_t(bgr[1]) << 8) | bgr[0];
    ++bandRows_;
}

// ---------------------------------------------------------------- memory

MemoryDC::MemoryDC(int width, int height, uint32_t fill) : DeviceContext(DT_RASDISPLAY, kDefaultRasterCaps) {
    own_ = Bitmap::create(width, height);
    if (own_) {
        own_->fill(fill);
        own_->selectedInto = this;
    }
    selected_ = own_;
}

MemoryDC::MemoryDC(const DeviceContext& parent) : DeviceContext(parent.technology(), parent.rasterCaps()) {
    displayBits_ = parent.displayBits();
    for (std::size_t i = 0; i < std::size_t(GdiOp::Count); ++i) failing_[i] = parent.failing(GdiOp(i));
    log_ = parent.log();
    own_ = Bitmap::create(1, 1);
    if (own_) own_->selectedInto = this;
    selected_ = own_;
}

MemoryDC::~MemoryDC() {
    if (selected_ && selected_ != own_) selected_->selectedInto = nullptr;
    delete own_;
}

RECT MemoryDC::clipBox() const {
    RECT r{0, 0, width(), height()};
    if (hasClip_) {
        r.left = std::max(r.left, clip_.left);
        r.top = std::max(r.top, clip_.top);
        r.right = std::min(r.right, clip_.right);
        r.bottom = std::min(r.bottom, clip_.bottom);
    }
    if (r.right <= r.left || r.bottom <= r.top) return {0, 0, 0, 0};
    return r;
}

void MemoryDC::putPixels(int x, int y, int w, int h, const uint8_t* bgr, std::ptrdiff_t stride) {
    // The caller cut the block to the clip box, which lies within the bitmap.
    for (int j = 0; j < h; ++j) std::memcpy(selected_->row(y + j) + 3 * std::ptrdiff_t(x), bgr + j * stride, std::size_t(w) * 3);
}

// ---------------------------------------------------------------- operations

namespace {

// The clip box as spans, intersected with a destination rectangle.
bool visibleSpans(HDC dc, int x, int y, int w, int h, Span* cols, Span* rows) {
    RECT c = dc->clipBox();
    *cols = intersect({c.left, c.right}, {x, int(std::min<int64_t>(int64_t(x) + w, INT32_MAX))});
    *rows = intersect({c.top, c.bottom}, {y, int(std::min<int64_t>(int64_t(y) + h, INT32_MAX))});
    return !cols->empty() && !rows->empty();
}

// Floor of a * b / c for non-negative a, positive b and c.
inline int scaleIndex(int64_t a, int64_t b, int64_t c) { return int(a * b / c); }

}  // namespace

int GetDeviceCaps(HDC dc, int index) {
    if (!dc) return 0;
    switch (index) {
    case TECHNOLOGY: return dc->technology();
    case RASTERCAPS: return dc->rasterCaps();
    default: return 0;
    }
}

int SetStretchBltMode(HDC dc, int mode) {
    if (!dc || mode < BLACKONWHITE || mode > 4) return 0;
    int old = dc->stretchMode();
    GdiAccess::setMode(dc, mode);
    return old;
}

int GetClipBox(HDC dc, RECT* r) {
    if (!dc || !r) return CLIP_ERROR;
    *r = dc->clipBox();
    return (r->right > r->left && r->bottom > r->top) ? SIMPLEREGION : NULLREGION;
}

int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* info, unsigned usage, uint32_t rop) {
    if (!dc) return GDI_ERROR;
    gdi::DibPixels src(info, bits);
    GdiCall call = makeCall(GdiOp::StretchDIBits);
    call.x = xDest, call.y = yDest, call.w = wDest, call.h = hDest;
    call.sx = xSrc, call.sy = ySrc, call.sw = wSrc, call.sh = hSrc;
    call.bits = src.bits(), call.imageWidth = src.width(), call.imageHeight = src.height();
    call.rop = rop;
    auto done = [&](int result) {
        call.result = result;
        record(dc, call);
        return result;
    };
    if (dc->failing(GdiOp::StretchDIBits) || rop != SRCCOPY || usage != DIB_RGB_COLORS || !src.valid())
        return done(GDI_ERROR);
    if (wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0) return done(0);

    Span cols, rows;
    if (!visibleSpans(dc, xDest, yDest, wDest, hDest, &cols, &rows)) return done(hSrc);
    auto colOf = [&](int X) { return xSrc + scaleIndex(X - xDest, wSrc, wDest); };
    // Destination rows run top-down, the source's scan lines bottom-up.
    auto lineOf = [&](int Y) { return ySrc + hSrc - 1 - scaleIndex(Y - yDest, hSrc, hDest); };
    cols = validSpan(cols, src.width(), colOf);
    rows = validSpan(rows, src.height(), lineOf);
    if (cols.empty() || rows.empty()) return done(hSrc);

    std::vector<int> table;
    try {
        table.resize(std::size_t(cols.hi - cols.lo));
    } catch (const std::bad_alloc&) {
        return done(GDI_ERROR);
    }
    for (int X = cols.lo; X < cols.hi; ++X) table[std::size_t(X - cols.lo)] = colOf(X);
    bool ok = GdiAccess::stretch(
        dc, cols, rows, table.data(), [&](int Y) { return src.line(lineOf(Y)); },
        [&](const uint8_t* line, const int* c, int n, uint8_t* out) { src.fetchColumns(line, c, n, out); });
    return done(ok ? hSrc : GDI_ERROR);
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, int w, int h, int xSrc, int ySrc, unsigned startScan,
                      unsigned scanLines, const void* bits, const BITMAPINFO* info, unsigned usage) {
    if (!dc) return 0;
    gdi::DibPixels src(info, bits);
    GdiCall call = makeCall(GdiOp::SetDIBitsToDevice);
    call.x = xDest, call.y = yDest, call.w = w, call.h = h, call.sx = xSrc, call.sy = ySrc;
    call.startScan = int(startScan), call.scanLines = int(scanLines);
    call.bits = src.bits(), call.imageWidth = src.width(), call.imageHeight = src.height();
    auto done = [&](int result) {
        call.result = result;
        record(dc, call);
        return result;
    };
    if (dc->failing(GdiOp::SetDIBitsToDevice) || usage != DIB_RGB_COLORS || !src.valid()) return done(0);
    if (w <= 0 || h <= 0 || scanLines == 0 || startScan > unsigned(INT32_MAX) || scanLines > unsigned(INT32_MAX))
        return done(0);
    int first = int(startScan);
    int last = int(std::min<int64_t>(int64_t(startScan) + scanLines, src.height()));  // exclusive

    Span cols, rows;
    if (!visibleSpans(dc, xDest, yDest, w, h, &cols, &rows)) return done(int(scanLines));
    auto colOf = [&](int X) { return xSrc + (X - xDest); };
    auto lineOf = [&](int Y) {
        int64_t s = int64_t(ySrc) + h - 1 - (Y - yDest);
        return (s >= first && s < last) ? int(s - first) : -1;
    };
    cols = validSpan(cols, src.width(), colOf);
    rows = validSpan(rows, last - first, lineOf);
    if (cols.empty() || rows.empty()) return done(int(scanLines));

    int x0 = colOf(cols.lo), n = cols.hi - cols.lo;
    if (src.bits() == 24) {
        // Rows go straight from the caller's buffer to the device.
        for (int Y = rows.lo; Y < rows.hi; ++Y) {
            int k = lineOf(Y);
            if (k >= 0) GdiAccess::put(dc, cols.lo, Y, n, 1, src.line(k) + 3 * std::ptrdiff_t(x0), 0);
        }
        return done(int(scanLines));
    }
    bool ok = GdiAccess::stretch(
        dc, cols, rows, nullptr,
        [&](int Y) {
            int k = lineOf(Y);
            return k >= 0 ? src.line(k) : nullptr;
        },
        [&](const uint8_t* line, const int*, int cnt, uint8_t* out) { src.fetchRun(line, x0, cnt, out); });
    return done(ok ? int(scanLines) : 0);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (!dc) return nullptr;
    GdiCall call = makeCall(GdiOp::CreateCompatibleBitmap);
    call.w = width, call.h = height;
    HBITMAP b = dc->failing(GdiOp::CreateCompatibleBitmap) ? nullptr : Bitmap::create(width, height);
    call.result = b ? 1 : 0;
    record(dc, call);
    return b;
}

HDC CreateCompatibleDC(HDC dc) {
    GdiCall call = makeCall(GdiOp::CreateCompatibleDC);
    MemoryDC* m = nullptr;
    if (!dc) {
        m = new (std::nothrow) MemoryDC(1, 1);
    } else if (!dc->failing(GdiOp::CreateCompatibleDC)) {
        m = GdiAccess::newCompatible(*dc);
    }
    if (m && !m->selectedBitmap()) {
        delete m;
        m = nullptr;
    }
    if (m) {
        GdiAccess::markCreated(m);
        ++g_live;
    }
    call.result = m ? 1 : 0;
    record(dc, call);
    return m;
}

int SetDIBits(HDC dc, HBITMAP bmp, unsigned startScan, unsigned scanLines, const void* bits, const BITMAPINFO* info,
              unsigned usage) {
    gdi::DibPixels src(info, bits);
    GdiCall call = makeCall(GdiOp::SetDIBits);
    call.startScan = int(startScan), call.scanLines = int(scanLines);
    call.bits = src.bits(), call.imageWidth = src.width(), call.imageHeight = src.height();
    auto done = [&](int result) {
        call.result = result;
        record(dc, call);
        return result;
    };
    if ((dc && dc->failing(GdiOp::SetDIBits)) || !bmp || usage != DIB_RGB_COLORS || !src.valid()) return done(0);
    if (startScan >= unsigned(src.height())) return done(0);
    int first = int(startScan);
    int last = int(std::min<int64_t>(int64_t(startScan) + scanLines, src.height()));
    int n = std::min(src.width(), bmp->width());
    // Scan line s of the bitmap data is row height - 1 - s from the top.
    for (int s = first; s < last; ++s) {
        int y = src.height() - 1 - s;
        if (y < bmp->height()) src.fetchRun(src.line(s - first), 0, n, bmp->row(y));
    }
    return done(last - first);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
    GdiCall call = makeCall(GdiOp::SelectObject);
    auto* mem = dynamic_cast<MemoryDC*>(dc);
    auto* bmp = dynamic_cast<Bitmap*>(obj);
    Bitmap* previous = nullptr;
    bool ok = mem && bmp && !dc->failing(GdiOp::SelectObject) && GdiAccess::select(mem, bmp, &previous);
    call.result = ok ? 1 : 0;
    record(dc, call);
    return ok ? previous : nullptr;
}

bool StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc, int wSrc, int hSrc,
                uint32_t rop) {
    if (!dest) return false;
    GdiCall call = makeCall(GdiOp::StretchBlt);
    call.x = xDest, call.y = yDest, call.w = wDest, call.h = hDest;
    call.sx = xSrc, call.sy = ySrc, call.sw = wSrc, call.sh = hSrc;
    call.rop = rop;
    Bitmap* from = src ? src->selectedBitmap() : nullptr;
    if (from) call.imageWidth = from->width(), call.imageHeight = from->height();
    auto done = [&](bool result) {
        call.result = result ? 1 : 0;
        record(dest, call);
        return result;
    };
    if (dest->failing(GdiOp::StretchBlt) || rop != SRCCOPY || !from) return done(false);
    if (wDest <= 0 || hDest <= 0 || wSrc <= 0 || hSrc <= 0) return done(false);

    Span cols, rows;
    if (!visibleSpans(dest, xDest, yDest, wDest, hDest, &cols, &rows)) return done(true);
    auto colOf = [&](int X) { return xSrc + scaleIndex(X - xDest, wSrc, wDest); };
    auto rowOf = [&](int Y) { return ySrc + scaleIndex(Y - yDest, hSrc, hDest); };
    cols = validSpan(cols, from->width(), colOf);
    rows = validSpan(rows, from->height(), rowOf);
    if (cols.empty() || rows.empty()) return done(true);
    std::vector<int> table;
    try {
        table.resize(std::size_t(cols.hi - cols.lo));
    } catch (const std::bad_alloc&) {
        return done(false);
    }
    for (int X = cols.lo; X < cols.hi; ++X) table[std::size_t(X - cols.lo)] = colOf(X);
    // A context drawn into itself would read what it just wrote.
    if (src == dest) return done(false);
    bool ok = GdiAccess::stretch(
        dest, cols, rows, table.data(), [&](int Y) { return static_cast<const uint8_t*>(from->row(rowOf(Y))); },
        [&](const uint8_t* line, const int* c, int n, uint8_t* out) {
            for (int i = 0; i < n; ++i, out += 3) std::memcpy(out, line + 3 * std::ptrdiff_t(c[i]), 3);
        });
    return done(ok);
}

bool DeleteDC(HDC dc) {
    if (!dc || !GdiAccess::created(dc)) return false;
    delete dc;
    --g_live;
    return true;
}

bool DeleteObject(HGDIOBJ obj) {
    if (!obj) return false;
    if (auto* b = dynamic_cast<Bitmap*>(obj); b && b->selectedInto) return false;
    delete obj;
    return true;
}

bool GdiFlush(HDC dc) {
    if (!dc) return false;
    GdiAccess::flush(dc);
    return true;
}

int GetDisplayBitsPerPixel(HDC dc) { return dc ? dc->displayBits() : 0; }

namespace gdi {
std::size_t liveObjects() { return g_live.load(); }
void setScreenBitsOverride(int bits) { g_screenBits = bits; }
}  // namespace gdi
