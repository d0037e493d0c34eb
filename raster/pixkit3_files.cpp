// File and display operations of the raster library. Placeholders until the
// codecs land: every open fails with a readable text, every save fails.
#include "raster/PixKit3.h"

void OpenDib(dib* out, const char*, int, HWND) {
    if (!out) return;
    *out = dib{};
    dibseterrortext(*out, "Unbekanntes Dateiformat");
}

bool SaveDib(dib, const char*, int, HWND) { return false; }

const char* GetDIBOpenFilter() { return "Alle Bilder|*.bmp;*.dib"; }

const char* GetDIBSaveFilter() {
    return "Windows Bitmap (*.bmp)|*.bmp|Device Independent Bitmap (*.dib)|*.dib|"
           "CompuServe GIF (*.gif)|*.gif|Amiga IFF (*.iff)|*.iff|JPEG (*.jif)|*.jif|"
           "JPEG (*.jpg)|*.jpg|Deluxe Paint LBM (*.lbm)|*.lbm|ZSoft PCX (*.pcx)|*.pcx|"
           "RLE Bitmap (*.rle)|*.rle|Truevision Targa (*.tga)|*.tga|TIFF (*.tif)|*.tif";
}

void DIBHalftoneDIB(dib* out, dib) {
    if (out) *out = dib{};
}

void DIBHalftoneDIBXY(dib* out, dib, int, int) {
    if (out) *out = dib{};
}
