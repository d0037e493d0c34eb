// The raster library's call interface: creating, freeing, converting,
// reading and writing bitmap records.
#pragma once

#include "raster/window.h"
#include "raster/dib.h"

// Fills `out` with a blank image (pixels 0). `colours` is an info block whose
// first `count` colour-table entries are copied, or nullptr with count 0.
// Images of up to 8 bits get a full palette (2^bits entries, ver 0x300).
// On failure `out` is left empty (poi and poih 0).
void newdib(dib* out, int width, int height, int bits, const BITMAPINFO* colours, int count);
// Releases the memory of a record passed by value (temporaries).
void deldib(dib d);
// y counts from the top. Palette index for up to 8 bits, else packed colour.
// Out-of-range positions read 0.
uint32_t getpixel(dib d, int x, int y);
// Out-of-range positions are ignored.
void setpixel(dib d, int x, int y, uint32_t value);

// 8-bit copy for displays of at most 256 colours.
void DIBHalftoneDIB(dib* out, dib d);
void DIBHalftoneDIBXY(dib* out, dib d, int width, int height);

// Reads a picture file. Success when out->poi is set; otherwise the palette
// bytes of *out hold a NUL-terminated error text. `window` receives WM_USER
// progress messages (may be nullptr).
void OpenDib(dib* out, const char* name, int flags, HWND window);
// Writes `d` in a save format of raster/formats.h, numbered from 3 in the
// order of the save filter (3..13: save filter position + 2). Returns whether it
// succeeded; failures are reported to `window` (if any) in a message box.
bool SaveDib(dib d, const char* name, int format, HWND window);

// Dialog filter texts "description|masks|...", derived from the format
// table; the library owns them for the life of the program.
const char* GetDIBOpenFilter();
const char* GetDIBSaveFilter();
