#include "raster/formats.h"

#include <algorithm>
#include <vector>

#include "raster/codecs/bmp.h"
#include "raster/codecs/gif.h"
#include "raster/codecs/iff.h"
#include "raster/codecs/jpeg.h"
#include "raster/codecs/pcx.h"
#include "raster/codecs/png.h"
#include "raster/codecs/tga.h"
#include "raster/codecs/tiff.h"
#include "raster/codecs/webp.h"

namespace pixkit {

namespace {

Status bmpPlainWrite(const dib& d, std::FILE* f) { return bmpWrite(d, f, false); }
Status bmpRleWrite(const dib& d, std::FILE* f) { return bmpWrite(d, f, true); }

// .dib holds the same bytes as .bmp; .rle is a BMP with RLE8. .iff and .lbm
// are both written as ILBM, .jif and .jpg as JPEG.
const Format kFormats[] = {
    {"Windows Bitmap", 7, bmpProbe, bmpRead,
     {{".bmp", {3, "Windows Bitmap", bmpPlainWrite}},
      {".dib", {4, "Device Independent Bitmap", bmpPlainWrite}},
      {".rle", {11, "RLE Bitmap", bmpRleWrite}}}},
    {"CompuServe GIF", 2, gifProbe, gifRead, {{".gif", {5, "CompuServe GIF", gifWrite}}}},
    {"Amiga IFF / Deluxe Paint", 6, iffProbe, iffRead,
     {{".iff", {6, "Amiga IFF", iffWrite}}, {".lbm", {9, "Deluxe Paint LBM", iffWrite}}}},
    {"JPEG", 3, jpegProbe, jpegRead,
     {{".jpg", {8, "JPEG", jpegWrite}}, {".jpeg"}, {".jpe"}, {".jif", {7, "JPEG", jpegWrite}}}},
    {"ZSoft PCX", 8, pcxProbe, pcxRead, {{".pcx", {10, "ZSoft PCX", pcxWrite}}}},
    // No signature at all: whatever nobody else claimed.
    {"Truevision Targa", 9, tgaProbe, tgaRead, {{".tga", {12, "Truevision Targa", tgaWrite}}}},
    {"TIFF", 4, tiffProbe, tiffRead, {{".tif", {13, "TIFF", tiffWrite}}, {".tiff"}}},
    {"Portable Network Graphics", 1, pngProbe, pngRead, {{".png", {14, "Portable Network Graphics", pngWrite}}}},
    {"WebP", 5, webpProbe, webpRead, {{".webp"}}},
};

// "*.a;*.b" for the extensions of one row.
std::string masks(const Format& f) {
    std::string out;
    for (int i = 0; i < f.extensionCount(); ++i) {
        if (i) out += ';';
        out += '*';
        out += f.exts[i].dotted;
    }
    return out;
}

// Built once on first use; the table never changes.
struct Derived {
    std::vector<const Format*> probeOrder;
    std::vector<SaveFormat> saves;
    std::string openFilter;
    std::string saveFilter;

    Derived() {
        for (const Format& f : kFormats) probeOrder.push_back(&f);
        std::stable_sort(probeOrder.begin(), probeOrder.end(),
                         [](const Format* a, const Format* b) { return a->probeRank < b->probeRank; });

        for (const Format& f : kFormats)
            for (int i = 0; i < f.extensionCount(); ++i) {
                const Extension& e = f.exts[i];
                if (e.save.number) saves.push_back({e.save.number, e.dotted, e.save.text, e.save.write});
            }
        std::stable_sort(saves.begin(), saves.end(),
                         [](const SaveFormat& a, const SaveFormat& b) { return a.number < b.number; });

        std::string all, families;
        for (const Format& f : kFormats) {
            const std::string m = masks(f);
            all += m + ';';
            families += '|' + std::string(f.name) + " (" + m + ")|" + m;
        }
        all.pop_back();
        openFilter = "Alle Bilder|" + all + families;

        for (const SaveFormat& s : saves) {
            if (!saveFilter.empty()) saveFilter += '|';
            saveFilter += std::string(s.text) + " (*" + s.dotted + ")|*" + s.dotted;
        }
    }
};

const Derived& derived() {
    static const Derived d;
    return d;
}

}  // namespace

std::span<const Format> formats() { return kFormats; }

std::span<const Format* const> probeOrder() { return derived().probeOrder; }

std::span<const SaveFormat> saveFormats() { return derived().saves; }

const SaveFormat* findSaveFormat(int number) {
    for (const SaveFormat& s : derived().saves)
        if (s.number == number) return &s;
    return nullptr;
}

const std::string& openFilter() { return derived().openFilter; }

const std::string& saveFilter() { return derived().saveFilter; }

}  // namespace pixkit
