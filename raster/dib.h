// Image and palette records shared by the program and the raster library.
//
// The layouts mirror the device-independent bitmap structures of the
// original 32-bit platform. On this 64-bit build pointers are 8 bytes wide,
// so absolute offsets differ, but the field order, the widths of every
// non-pointer field and the 256-entry palette are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "raster/memblock.h"

#pragma pack(push, 2)
struct BITMAPINFOHEADER {
    uint32_t biSize;          // 40
    int32_t biWidth;
    int32_t biHeight;         // always positive here: rows are stored bottom-up
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;     // bytew * height
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40, "bitmap info header is 40 bytes");

struct RGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4);

// Info block: header immediately followed by the colour table.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];     // really as many as the image has colours
};
static_assert(offsetof(BITMAPINFO, bmiColors) == 40, "colour table starts at byte 40");

struct PALETTEENTRY {
    uint8_t peRed;
    uint8_t peGreen;
    uint8_t peBlue;
    uint8_t peFlags;
};
static_assert(sizeof(PALETTEENTRY) == 4);

// Logical palette with room for 256 entries.
struct LPAL {
    uint16_t ver;             // 0x300
    uint16_t num;             // entries in use
    PALETTEENTRY rgb0[256];
};
static_assert(sizeof(LPAL) == 1028, "LPAL is 1028 bytes");
static_assert(offsetof(LPAL, rgb0) == 4);

constexpr uint16_t kPaletteVersion = 0x300;

// The bitmap record. A plain copy shares the pixel memory; exactly one copy
// may be freed.
struct dib {
    BITMAPINFO* pmi;              // info block, nullptr in an empty record
    HGLOBAL poih;                 // block holding the pixels
    HGLOBAL pmih;                 // block holding the info block
    uint8_t* poi;                 // first pixel byte, nullptr when empty
    int32_t bytew;                // bytes per stored row
    uint8_t ispal;                // library's palette flag, unused by the program
    uint8_t readflags;            // kDibPartial after a read that filled missing rows
    LPAL pal;                     // the image's colours, red first
    uint8_t filler2[2];
    uint32_t NOTUSEDINFIXEDMEMlp; // library's palette-handle slot
    int32_t zoom;
    int32_t scx;
    int32_t scy;
    int32_t mx1;
    int32_t my1;
    int32_t mx2;
    int32_t my2;
};
static_assert(offsetof(dib, pmi) == 0);
static_assert(offsetof(dib, poih) < offsetof(dib, pmih));
static_assert(offsetof(dib, pmih) < offsetof(dib, poi));
static_assert(offsetof(dib, poi) < offsetof(dib, bytew));
static_assert(offsetof(dib, pal) == offsetof(dib, ispal) + 2, "one flag byte before pal");
static_assert(offsetof(dib, NOTUSEDINFIXEDMEMlp) == offsetof(dib, pal) + sizeof(LPAL) + 2,
              "two filler bytes after pal");
static_assert(offsetof(dib, my2) == offsetof(dib, zoom) + 6 * 4);

int dibwidth(const dib& d);
int dibheight(const dib& d);
int dibbitcount(const dib& d);
int dibcolors(const dib& d);
void freedib(dib& d);

// A zero-filled record: how every record starts before the library fills it.
inline dib emptydib() { return dib{}; }

// True when the record holds pixel memory.
inline bool dibvalid(const dib& d) { return d.poi != nullptr; }

// Set by a reader that kept the rows of a file cut short and filled the
// rest: the picture opened, but only part of it is the file's.
constexpr uint8_t kDibPartial = 0x01;
inline bool dibpartial(const dib& d) { return dibvalid(d) && (d.readflags & kDibPartial) != 0; }

// After a failed open, the palette bytes carry the library's error text.
// Reads at most the palette's bytes, so a missing terminator is harmless.
std::string diberrortext(const dib& d);
void dibseterrortext(dib& d, const std::string& text);

// Packed colour: red in bits 0-7, green 8-15, blue 16-23.
constexpr uint32_t packrgb(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}
constexpr uint8_t getr(uint32_t c) { return uint8_t(c & 0xFF); }
constexpr uint8_t getg(uint32_t c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t getb(uint32_t c) { return uint8_t((c >> 16) & 0xFF); }
