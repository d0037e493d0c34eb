#include "raster/codecs/tiff.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "raster/codecs/dibrows.h"

namespace pixkit {

namespace {

// No single libtiff buffer (a strip, a tile, a tag array) may pass this; a
// header that declares more is lying about a file this small.
constexpr tmsize_t kMaxTiffAlloc = tmsize_t(256) << 20;
// Rows converted per call of the RGBA renderer (bounds its scratch buffer).
constexpr int64_t kRgbaChunkBytes = int64_t(16) << 20;

struct MemFile {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos;
};

tmsize_t memRead(thandle_t h, void* buf, tmsize_t n) {
    auto* m = static_cast<MemFile*>(h);
    if (n <= 0 || m->pos >= m->size) return 0;
    uint64_t k = std::min<uint64_t>(uint64_t(n), m->size - m->pos);
    std::memcpy(buf, m->data + m->pos, size_t(k));
    m->pos += k;
    return tmsize_t(k);
}
tmsize_t memWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t memSeek(thandle_t h, toff_t off, int whence) {
    auto* m = static_cast<MemFile*>(h);
    uint64_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size : 0;
    uint64_t to = base + off;
    if (to < base) return toff_t(-1);
    m->pos = to;
    return to;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemFile*>(h)->size; }
int memMap(thandle_t h, void** base, toff_t* size) {
    auto* m = static_cast<MemFile*>(h);
    *base = const_cast<uint8_t*>(m->data);
    *size = m->size;
    return 1;
}
void memUnmap(thandle_t, void*, toff_t) {}

tmsize_t fileRead(thandle_t h, void* buf, tmsize_t n) {
    return tmsize_t(std::fread(buf, 1, size_t(n), static_cast<std::FILE*>(h)));
}
tmsize_t fileWrite(thandle_t h, void* buf, tmsize_t n) {
    return tmsize_t(std::fwrite(buf, 1, size_t(n), static_cast<std::FILE*>(h)));
}
toff_t fileSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<std::FILE*>(h);
    if (fseeko(f, off_t(off), whence) != 0) return toff_t(-1);
    return toff_t(ftello(f));
}
toff_t fileSize(thandle_t h) {
    auto* f = static_cast<std::FILE*>(h);
    off_t here = ftello(f);
    fseeko(f, 0, SEEK_END);
    off_t end = ftello(f);
    fseeko(f, here, SEEK_SET);
    return toff_t(end);
}
int noMap(thandle_t, void**, toff_t*) { return 0; }

struct Errors {
    int count = 0;
};

int onError(TIFF*, void* user, const char*, const char*, va_list) {
    static_cast<Errors*>(user)->count++;
    return 1;
}
int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    TIFF* tif = nullptr;
    ~TiffCloser() {
        if (tif) TIFFClose(tif);
    }
};

struct OptionsHolder {
    TIFFOpenOptions* o = TIFFOpenOptionsAlloc();
    ~OptionsHolder() { TIFFOpenOptionsFree(o); }
};

struct Image {
    dib d{};
    ~Image() { freedib(d); }
};

// Unpacks one row of `bits`-bit samples (most significant first) to bytes.
void unpack(const uint8_t* src, uint8_t* dst, int w, int bits) {
    if (bits == 8) {
        std::memcpy(dst, src, size_t(w));
        return;
    }
    const unsigned mask = (1u << bits) - 1;
    for (int x = 0; x < w; ++x) {
        int bit = x * bits;
        dst[x] = uint8_t((src[bit >> 3] >> (8 - bits - (bit & 7))) & mask);
    }
}

Status readScanlines(TIFF* tif, Image& img, int bits, bool invert, bool grey, const Progress& progress,
                     const Errors& errors) {
    const int w = dibwidth(img.d), h = dibheight(img.d);
    tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize <= 0 || int64_t(lineSize) < (int64_t(w) * bits + 7) / 8) return Status::Corrupt;
    std::vector<uint8_t> line(static_cast<size_t>(lineSize)), idx(static_cast<size_t>(w));
    const unsigned maxv = (1u << bits) - 1;
    for (int y = 0; y < h; ++y) {
        if (progress) progress(h > 1 ? int(int64_t(y) * 100 / (h - 1)) : 100);
        if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0 || errors.count)
            return y == 0 ? Status::Corrupt : Status::Truncated;
        unpack(line.data(), idx.data(), w, bits);
        if (grey && bits > 1) {
            for (int x = 0; x < w; ++x) {
                unsigned v = idx[size_t(x)] * 255u / maxv;
                idx[size_t(x)] = uint8_t(invert ? 255 - v : v);
            }
        }
        putIndexRow(img.d, y, idx.data());
    }
    return Status::Ok;
}

Status readRgbScanlines(TIFF* tif, Image& img, const Progress& progress, const Errors& errors) {
    const int w = dibwidth(img.d), h = dibheight(img.d);
    tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize <= 0 || int64_t(lineSize) < int64_t(w) * 3) return Status::Corrupt;
    std::vector<uint8_t> line(static_cast<size_t>(lineSize));
    const int step = h > 100 ? h / 100 : 1;
    for (int y = 0; y < h; ++y) {
        if (y % step == 0 && progress) progress(h > 1 ? int(int64_t(y) * 100 / (h - 1)) : 100);
        if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0 || errors.count)
            return y == 0 ? Status::Corrupt : Status::Truncated;
        uint8_t* dst = dibRow(img.d, y);
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = line[size_t(3 * x + 2)];
            dst[3 * x + 1] = line[size_t(3 * x + 1)];
            dst[3 * x + 2] = line[size_t(3 * x)];
        }
    }
    return Status::Ok;
}

Status readPalette(TIFF* tif, Image& img, int bits, const Progress& progress, const Errors& errors) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return Status::Corrupt;
    const int n = 1 << bits;
    // Some writers store 8-bit values in the 16-bit colour map.
    bool eightBit = true;
    for (int i = 0; i < n; ++i)
        if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
    for (int i = 0; i < n; ++i) {
        auto c = [&](uint16_t v) { return uint8_t(eightBit ? v : v >> 8); };
        setDibColour(img.d, i, c(r[i]), c(g[i]), c(b[i]));
    }
    setDibColourCount(img.d, n);
    return readScanlines(tif, img, bits, false, false, progress, errors);
}

Status readRgba(TIFF* tif, Image& img, bool greyOut, const Progress& progress, const Errors& errors) {
    char emsg[1024] = "";
    if (!TIFFRGBAImageOK(tif, emsg)) return Status::Unsupported;
    TIFFRGBAImage rgba;
    std::memset(&rgba, 0, sizeof rgba);
    if (!TIFFRGBAImageBegin(&rgba, tif, 1, emsg)) return Status::Unsupported;
    struct Ender {
        TIFFRGBAImage* i;
        ~Ender() { TIFFRGBAImageEnd(i); }
    } ender{&rgba};
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    const int w = dibwidth(img.d), h = dibheight(img.d);

    // Whole strips or tiles per call; one call when the file's own
    // orientation would make the renderer flip across chunk borders.
    uint32_t unit = 0;
    if (TIFFIsTiled(tif)) TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit);
    else TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
    if (unit == 0 || unit > uint32_t(h)) unit = uint32_t(h);
    // At most the scratch budget, and about 32 calls over the page so that
    // progress moves.
    int64_t rows = std::max<int64_t>(1, kRgbaChunkBytes / (int64_t(w) * 4));
    rows = std::min<int64_t>(rows, (h + 31) / 32);
    rows = std::max<int64_t>(unit, (rows + unit - 1) / unit * unit);
    if (rgba.orientation != ORIENTATION_TOPLEFT) rows = h;
    if (rows > h) rows = h;
    if (int64_t(w) * rows * 4 > (int64_t(1) << 31)) return Status::TooLarge;
    std::vector<uint32_t> raster;
    try {
        raster.resize(size_t(w) * size_t(rows));
    } catch (const std::bad_alloc&) {
        return Status::NoMemory;
    }
    for (int y0 = 0; y0 < h; y0 += int(rows)) {
        if (progress) progress(h > 1 ? int(int64_t(y0) * 100 / (h - 1)) : 100);
        int n = int(std::min<int64_t>(rows, h - y0));
        rgba.row_offset = y0;
        rgba.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba, raster.data(), uint32_t(w), uint32_t(n)) || errors.count)
            return y0 == 0 ? Status::Corrupt : Status::Truncated;
        for (int k = 0; k < n; ++k) {
            const uint32_t* src = raster.data() + size_t(k) * size_t(w);
            uint8_t* dst = dibRow(img.d, y0 + k);
            // The renderer premultiplies alpha, so white shows through as 255 - a.
            for (int x = 0; x < w; ++x) {
                uint32_t p = src[x];
                unsigned a = TIFFGetA(p), add = 255 - a;
                unsigned rr = std::min(255u, TIFFGetR(p) + add);
                if (greyOut) {
                    dst[x] = uint8_t(rr);
                } else {
                    dst[3 * x] = uint8_t(std::min(255u, TIFFGetB(p) + add));
                    dst[3 * x + 1] = uint8_t(std::min(255u, TIFFGetG(p) + add));
                    dst[3 * x + 2] = uint8_t(rr);
                }
            }
        }
    }
    return Status::Ok;
}

}  // namespace

bool tiffProbe(const uint8_t* data, size_t size) {
    if (size < 8) return false;
    return (data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0) ||
           (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43));
}

Status tiffRead(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    out = dib{};
    if (!tiffProbe(data, size)) return Status::UnknownFormat;
    MemFile mem{data, size, 0};
    Errors errors;
    OptionsHolder opts;
    if (!opts.o) return Status::NoMemory;
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts.o, kMaxTiffAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(opts.o, onError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(opts.o, onWarning, nullptr);
    TiffCloser tc;
    tc.tif = TIFFClientOpenExt("tiff", "r", &mem, memRead, memWrite, memSeek, memClose, memSize, memMap,
                               memUnmap, opts.o);
    if (!tc.tif) return Status::Corrupt;
    TIFF* tif = tc.tif;
    uint32_t w = 0, h = 0;
    uint16_t bps = 1, spp = 1, photometric = 0xFFFF, planar = PLANARCONFIG_CONTIG, compression = 1;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) photometric = 0xFFFF;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    if (w == 0 || h == 0) return Status::Corrupt;
    if (!TIFFIsCODECConfigured(compression)) return Status::Unsupported;

    const bool simpleStrips = !TIFFIsTiled(tif) && spp == 1 &&
                              (bps == 1 || bps == 2 || bps == 4 || bps == 8);
    Image img;
    Status s;
    if (simpleStrips && photometric == PHOTOMETRIC_PALETTE) {
        s = allocDib(img.d, w, h, bitsForColours(1 << bps));
        if (s != Status::Ok) return s;
        s = readPalette(tif, img, bps, progress, errors);
    } else if (simpleStrips && (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE)) {
        bool white = photometric == PHOTOMETRIC_MINISWHITE;
        s = allocDib(img.d, w, h, bps == 1 ? 1 : 8);
        if (s != Status::Ok) return s;
        if (bps == 1) {
            setDibColour(img.d, white ? 1 : 0, 0, 0, 0);
            setDibColour(img.d, white ? 0 : 1, 255, 255, 255);
            setDibColourCount(img.d, 2);
        } else {
            setGreyPalette(img.d);
        }
        s = readScanlines(tif, img, bps, white, true, progress, errors);
    } else if (!TIFFIsTiled(tif) && spp == 3 && bps == 8 && photometric == PHOTOMETRIC_RGB &&
               planar == PLANARCONFIG_CONTIG && orientation == ORIENTATION_TOPLEFT) {
        // The common case, decoded straight into the record without the
        // RGBA renderer.
        s = allocDib(img.d, w, h, 24);
        if (s != Status::Ok) return s;
        s = readRgbScanlines(tif, img, progress, errors);
    } else {
        bool greyOut = spp == 1 && (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE);
        s = allocDib(img.d, w, h, greyOut ? 8 : 24);
        if (s != Status::Ok) return s;
        if (greyOut) setGreyPalette(img.d);
        s = readRgba(tif, img, greyOut, progress, errors);
    }
    // A page that ends early keeps the rows that arrived; the rest is white.
    if (s == Status::Truncated) s = Status::Ok;
    if (s != Status::Ok) return s;
    out = img.d;
    img.d = dib{};
    return Status::Ok;
}

Status tiffWrite(const dib& d, std::FILE* f) {
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    if (!d.poi || !f) return Status::WriteFailed;
    Errors errors;
    OptionsHolder opts;
    if (!opts.o) return Status::NoMemory;
    TIFFOpenOptionsSetErrorHandlerExtR(opts.o, onError, &errors);
    TIFFOpenOptionsSetWarningHandlerExtR(opts.o, onWarning, nullptr);
    TIFF* tif = TIFFClientOpenExt("tiff", "w", f, fileRead, fileWrite, fileSeek, memClose, fileSize, noMap,
                                  memUnmap, opts.o);
    if (!tif) return Status::WriteFailed;
    const bool palette = bits <= 8;
    const bool grey = isGreyRamp(d);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    std::vector<uint16_t> map;
    if (grey) {
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    } else if (palette) {
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        const int n = 1 << bits;
        map.assign(size_t(3 * n), 0);
        for (int i = 0; i < n; ++i) {
            const PALETTEENTRY& e = d.pal.rgb0[i];
            map[size_t(i)] = uint16_t(e.peRed * 257);
            map[size_t(n + i)] = uint16_t(e.peGreen * 257);
            map[size_t(2 * n + i)] = uint16_t(e.peBlue * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    } else {
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    const size_t rowBytes = palette ? size_t((int64_t(w) * bits + 7) / 8) : size_t(w) * 3;
    std::vector<uint8_t> row(rowBytes + 4);
    bool ok = errors.count == 0;
    for (int y = 0; ok && y < h; ++y) {
        const uint8_t* src = dibRow(d, y);
        if (palette) {
            std::memcpy(row.data(), src, rowBytes);
        } else {
            for (int x = 0; x < w; ++x) {
                row[size_t(3 * x)] = src[3 * x + 2];
                row[size_t(3 * x + 1)] = src[3 * x + 1];
                row[size_t(3 * x + 2)] = src[3 * x];
            }
        }
        ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) == 1;
    }
    if (ok) ok = TIFFWriteDirectory(tif) == 1;
    TIFFClose(tif);
    if (errors.count) ok = false;
    if (ok && (std::fflush(f) != 0 || std::ferror(f))) ok = false;
    return ok ? Status::Ok : Status::WriteFailed;
}

}  // namespace pixkit
