// A memory device context over a 24-bit buffer: off-screen drawing, and the
// device the drawing tests run on. Its technology, raster capabilities,
// display depth and clip rectangle can be set, and each operation can be
// told to fail (DeviceContext::setFailing).
#pragma once

#include "platform/gdi.h"

class MemoryDC : public DeviceContext {
public:
    // A display-like context over its own width x height bitmap, filled with
    // `fill` (packed colour, red low).
    MemoryDC(int width, int height, uint32_t fill = 0xFFFFFF);
    ~MemoryDC() override;

    void setTechnology(int t) { technology_ = t; }
    void setRasterCaps(int caps) { rasterCaps_ = caps; }
    void setDisplayBits(int bits) { displayBits_ = bits; }
    // Limits drawing to `r` (within the bitmap); an empty rect shows nothing.
    void setClip(const RECT& r) { clip_ = r; hasClip_ = true; }
    void clearClip() { hasClip_ = false; }

    int displayBits() const override { return displayBits_; }
    RECT clipBox() const override;
    Bitmap* selectedBitmap() const override { return selected_; }

    int width() const { return selected_ ? selected_->width() : 0; }
    int height() const { return selected_ ? selected_->height() : 0; }
    // Packed colour of a pixel of the selected bitmap.
    uint32_t pixel(int x, int y) const { return selected_->pixel(x, y); }

protected:
    void putPixels(int x, int y, int w, int h, const uint8_t* bgr, std::ptrdiff_t stride) override;

private:
    // A compatible context: 1 x 1 bitmap, settings copied from `parent`.
    explicit MemoryDC(const DeviceContext& parent);

    Bitmap* own_ = nullptr;       // the context's initial bitmap
    Bitmap* selected_ = nullptr;  // where drawing goes
    int displayBits_ = 24;
    RECT clip_{0, 0, 0, 0};
    bool hasClip_ = false;

    friend struct GdiAccess;
};
