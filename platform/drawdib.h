// Draws a rectangle of a bitmap, stretched or shrunk, into a rectangle of a
// device context. Every bitmap shown or printed goes through here.
#pragma once

#include "platform/gdi.h"
#include "raster/dib.h"

// srcy counts rows from the image's bottom row. halftone: whether a 24-bit
// image may be halftoned for a display of at most 256 colours.
void drawdib(HDC dc, int x, int y, int dstw, int dsth, dib d, int srcx, int srcy, int srcw,
             int srch, bool halftone, uint32_t rop);
