// Device contexts: the stand-in for the host platform's graphics device
// interface, as far as the bitmap drawing needs it.
#pragma once

#include <cstdint>

class QPainter;

constexpr uint32_t SRCCOPY = 0x00CC0020;

class DeviceContext;
using HDC = DeviceContext*;

class DeviceContext {
public:
    virtual ~DeviceContext() = default;
};

// A device context drawing through a painter (widget paint event, printer
// page). `printer` makes it report itself as a raster printer.
class PainterDC : public DeviceContext {
public:
    explicit PainterDC(QPainter& painter, bool printer = false);
    QPainter& painter;
    bool printer;
};
