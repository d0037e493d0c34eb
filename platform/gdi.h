// Device contexts: the stand-in for the host platform's graphics device
// interface, as far as the bitmap drawing needs it.
//
// The operations keep the platform's names, argument orders, meanings and
// failure values, so the drawing code reads like code written against it.
// Every device renders into logical coordinates through two primitives: the
// rectangle that can show anything (the clip box) and putting a block of
// 24-bit pixels. Pixels outside the clip box are never produced, so drawing
// a huge picture costs only what is visible.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/dib.h"

#include <QImage>

class QPainter;

constexpr uint32_t SRCCOPY = 0x00CC0020;

// GetDeviceCaps indices and values.
constexpr int TECHNOLOGY = 2;
constexpr int RASTERCAPS = 38;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_BITMAP64 = 0x0008;
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_STRETCHDIB = 0x2000;
constexpr int kDefaultRasterCaps = RC_BITBLT | RC_BITMAP64 | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;

// Stretch modes.
constexpr int BLACKONWHITE = 1;
constexpr int COLORONCOLOR = 3;

// Colour-table use of the bitmap transfers; only RGB tables are supported.
constexpr unsigned DIB_RGB_COLORS = 0;
constexpr unsigned DIB_PAL_COLORS = 1;

constexpr int GDI_ERROR = -1;

// GetClipBox results.
constexpr int CLIP_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;

struct RECT {
    int left, top, right, bottom;  // right and bottom exclusive
};

// ---------------------------------------------------------------- objects

class DeviceContext;
using HDC = DeviceContext*;

class GdiObject {
public:
    virtual ~GdiObject();
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

protected:
    GdiObject();
};
using HGDIOBJ = GdiObject*;

// A device-dependent bitmap: 24-bit pixels, blue-green-red, rows top-down.
class Bitmap : public GdiObject {
public:
    int width() const { return width_; }
    int height() const { return height_; }
    uint8_t* row(int y) { return bgr_.data() + std::size_t(y) * std::size_t(width_) * 3; }
    const uint8_t* row(int y) const { return bgr_.data() + std::size_t(y) * std::size_t(width_) * 3; }
    // Packed colour (red low) of pixel (x, y).
    uint32_t pixel(int x, int y) const;
    void fill(uint32_t colour);

    // nullptr when the size is not positive or the memory cannot be had.
    static Bitmap* create(int width, int height);

    DeviceContext* selectedInto = nullptr;

private:
    Bitmap() = default;
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> bgr_;
};
using HBITMAP = Bitmap*;

// ---- Test hooks: which operation a test makes fail (failure injection) and
// what a recorded call looked like. Drawing code never uses these.
enum class GdiOp {
    StretchDIBits,
    SetDIBitsToDevice,
    CreateCompatibleBitmap,
    CreateCompatibleDC,
    SetDIBits,
    SelectObject,
    StretchBlt,
    Count
};

// One recorded call. Fields not used by an operation stay 0.
struct GdiCall {
    GdiOp op;
    int x = 0, y = 0, w = 0, h = 0;       // destination
    int sx = 0, sy = 0, sw = 0, sh = 0;   // source
    int startScan = 0, scanLines = 0;
    int bits = 0, imageWidth = 0, imageHeight = 0;  // bitmap passed in
    uint32_t rop = 0;
    int result = 0;
};

class DeviceContext {
public:
    virtual ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    int technology() const { return technology_; }
    int rasterCaps() const { return rasterCaps_; }
    int stretchMode() const { return stretchMode_; }
    // Bits per pixel of the display this device's output is judged for.
    virtual int displayBits() const = 0;
    // The part of the logical plane that can show anything, or empty.
    virtual RECT clipBox() const = 0;

    // ---- Test hooks. Failure injection: a failing operation returns its
    // failure value and does nothing. Compatible contexts inherit the setting.
    void setFailing(GdiOp op, bool fail = true) { failing_[std::size_t(op)] = fail; }
    bool failing(GdiOp op) const { return failing_[std::size_t(op)]; }
    // Records every operation into `log` (shared with compatible contexts);
    // nullptr stops recording.
    void setLog(std::vector<GdiCall>* log) { log_ = log; }
    std::vector<GdiCall>* log() const { return log_; }
    // ---- end of test hooks

    // Selected bitmap of a memory context, nullptr for real devices.
    virtual Bitmap* selectedBitmap() const { return nullptr; }

protected:
    DeviceContext(int technology, int rasterCaps);
    // Stores w x h pixels (blue, green, red; rows `stride` bytes apart) with
    // their top left at logical (x, y). The caller has cut the block to the
    // clip box already.
    virtual void putPixels(int x, int y, int w, int h, const uint8_t* bgr, std::ptrdiff_t stride) = 0;
    // Shows pixels a device may still hold back (GdiFlush).
    virtual void flush() {}

    int technology_;
    int rasterCaps_;
    int stretchMode_ = BLACKONWHITE;
    std::bitset<std::size_t(GdiOp::Count)> failing_;
    std::vector<GdiCall>* log_ = nullptr;
    bool created_ = false;  // made by CreateCompatibleDC, so DeleteDC may free it

    friend struct GdiAccess;
};

// A device context drawing through a painter (widget paint event, printer
// page). `printer` makes it report itself as a raster printer. The clip box
// is the painter's visible area: its system clip (the paint event's region),
// its own clip and the device's bounds, in the painter's logical units.
// Rows sent one by one are collected into bands; GdiFlush (drawdib does it
// before returning) or the context's end draws what is held back, so use of
// the painter itself must wait for one of them.
class PainterDC : public DeviceContext {
public:
    explicit PainterDC(QPainter& painter, bool printer = false);
    ~PainterDC() override;
    QPainter& painter;
    bool printer;

    int displayBits() const override;
    RECT clipBox() const override;

protected:
    void putPixels(int x, int y, int w, int h, const uint8_t* bgr, std::ptrdiff_t stride) override;
    void flush() override;

private:
    static constexpr int kBandRows = 256;
    QImage band_;
    int bandX_ = 0, bandY_ = 0, bandW_ = 0, bandRows_ = 0;
};

// ---------------------------------------------------------------- operations

int GetDeviceCaps(HDC dc, int index);
// Returns the previous mode, 0 on failure.
int SetStretchBltMode(HDC dc, int mode);
int GetClipBox(HDC dc, RECT* r);

// Draws the source rectangle (ySrc counts from the bitmap's bottom row)
// scaled into the destination by dropping or repeating whole pixels.
// Returns the number of scan lines drawn, GDI_ERROR on failure.
int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc,
                  int hSrc, const void* bits, const BITMAPINFO* info, unsigned usage, uint32_t rop);
// Draws w x h pixels unscaled from (xSrc, ySrc) of a bitmap whose buffer
// holds scan lines startScan .. startScan + scanLines - 1. Returns the
// number of scan lines set, 0 on failure.
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, int w, int h, int xSrc, int ySrc, unsigned startScan,
                      unsigned scanLines, const void* bits, const BITMAPINFO* info, unsigned usage);

// A bitmap matching the device, nullptr on failure.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A memory context compatible with `dc` (its capabilities, failure settings
// and log), holding a 1 x 1 bitmap; nullptr on failure.
HDC CreateCompatibleDC(HDC dc);
// Copies scan lines of a device-independent bitmap into `bmp`. Returns the
// number of lines copied, 0 on failure. `dc` may be nullptr.
int SetDIBits(HDC dc, HBITMAP bmp, unsigned startScan, unsigned scanLines, const void* bits,
              const BITMAPINFO* info, unsigned usage);
// Selects a bitmap into a memory context; returns the previous one, nullptr
// on failure.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
bool StretchBlt(HDC dest, int xDest, int yDest, int wDest, int hDest, HDC src, int xSrc, int ySrc, int wSrc,
                int hSrc, uint32_t rop);
// Frees a context made by CreateCompatibleDC.
bool DeleteDC(HDC dc);
// Frees a bitmap; refused while it is selected into a context.
bool DeleteObject(HGDIOBJ obj);

// Draws whatever the device still holds back.
bool GdiFlush(HDC dc);

// Bits per pixel of the display `dc` is drawn for.
int GetDisplayBitsPerPixel(HDC dc);

// ---- Test hooks.
namespace gdi {
// Objects alive (bitmaps, created contexts), so tests can prove none leaks.
std::size_t liveObjects();
// Test hook: the display depth every painter context reports; 0 restores
// the real one.
void setScreenBitsOverride(int bits);
}  // namespace gdi
