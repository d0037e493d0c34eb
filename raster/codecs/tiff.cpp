#include "raster/codecs/tiff.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "raster/codecs/dibrows.h"
#include "raster/codecs/imagebuild.h"

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

// Whether the RGBA renderer takes the page: it accepts some layouts in its
// first check that it then cannot set up (4-bit RGB, for one).
bool rgbaUsable(TIFF* tif, Errors& errors) {
    char emsg[1024] = "";
    if (!TIFFRGBAImageOK(tif, emsg)) return false;
    TIFFRGBAImage probe;
    std::memset(&probe, 0, sizeof probe);
    const int errorsBefore = errors.count;
    const bool ok = TIFFRGBAImageBegin(&probe, tif, 1, emsg) != 0;
    if (ok) TIFFRGBAImageEnd(&probe);
    errors.count = errorsBefore;  // the refusal is an answer, not damage
    return ok;
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

// Whether `size` bytes of file can hold a w x h page of `pixelBits` bits
// compressed by the best case of its codec. A large picture is allocated
// only then: a few bytes of header may not claim gigabytes. Codecs whose
// best case is unbounded (fax, JPEG, ...) are left to the decode limits.
bool dataCanFill(uint16_t compression, uint32_t w, uint32_t h, int64_t pixelBits, size_t size) {
    int64_t ratio;
    switch (compression) {
    case COMPRESSION_NONE: ratio = 1; break;
    case COMPRESSION_PACKBITS: ratio = 64; break;
    case COMPRESSION_LZW: ratio = 4096; break;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: ratio = 1032; break;
    default: return true;
    }
    const int64_t raw = (int64_t(w) * pixelBits + 7) / 8 * int64_t(h);
    return int64_t(w) * h <= kSmallPicturePixels || raw / ratio <= int64_t(size);
}

// What the sample reader makes of a page the RGBA renderer refuses: any
// integer depth up to 64 bits, 16-, 32- and 64-bit floats, strips or tiles,
// contiguous or planar, grey, RGB, CMYK or a palette of up to 16 bits.
struct SampleLayout {
    enum Kind { Grey, Rgb, Cmyk, Palette } kind = Grey;
    int bits = 8;
    int format = SAMPLEFORMAT_UINT;
    int spp = 1;
    int colours = 1;     // colour samples before any extra ones
    int alpha = -1;      // sample index of the alpha channel, -1 without
    bool premultiplied = false;
    bool invert = false;  // min-is-white
    bool planar = false;
};

bool sampleLayout(TIFF* tif, uint16_t bps, uint16_t spp, uint16_t photometric, uint16_t planar, SampleLayout& L) {
    uint16_t format = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    L.bits = bps;
    L.format = format;
    L.spp = spp;
    L.planar = planar == PLANARCONFIG_SEPARATE && spp > 1;
    if (format == SAMPLEFORMAT_IEEEFP) {
        if (bps != 16 && bps != 32 && bps != 64) return false;
    } else if (format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_INT) {
        if (bps < 1 || bps > 64) return false;
    } else {
        return false;
    }
    switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        L.kind = SampleLayout::Grey;
        L.colours = 1;
        L.invert = photometric == PHOTOMETRIC_MINISWHITE;
        break;
    case PHOTOMETRIC_RGB:
        L.kind = SampleLayout::Rgb;
        L.colours = 3;
        break;
    case PHOTOMETRIC_SEPARATED: {
        uint16_t inkset = INKSET_CMYK;
        TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkset);
        if (inkset != INKSET_CMYK) return false;
        L.kind = SampleLayout::Cmyk;
        L.colours = 4;
        break;
    }
    case PHOTOMETRIC_PALETTE:
        if (format != SAMPLEFORMAT_UINT || bps > 16) return false;
        L.kind = SampleLayout::Palette;
        L.colours = 1;
        break;
    default:
        return false;
    }
    if (spp < L.colours) return false;
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (spp > L.colours && TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra &&
        (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA) && L.kind != SampleLayout::Palette) {
        L.alpha = L.colours;
        L.premultiplied = extra[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return true;
}

float halfToFloat(uint16_t h) {
    const int e = (h >> 10) & 0x1F, m = h & 0x3FF;
    float v = e == 0 ? std::ldexp(float(m), -24) : e == 31 ? (m ? 0.0f : 65504.0f) : std::ldexp(float(m | 0x400), e - 25);
    return (h & 0x8000) ? -v : v;
}

uint8_t floatTo8(double v) {
    if (!(v > 0)) return 0;  // also NaN
    if (v >= 1) return 255;
    return uint8_t(v * 255 + 0.5);
}

// Raw sample i of a row: bits are packed most significant first; 16, 24, 32
// and 64 bits arrive in host order from libtiff.
uint64_t rawSample(const uint8_t* row, size_t i, int bits) {
    switch (bits) {
    case 8: return row[i];
    case 16: { uint16_t v; std::memcpy(&v, row + 2 * i, 2); return v; }
    case 32: { uint32_t v; std::memcpy(&v, row + 4 * i, 4); return v; }
    case 64: { uint64_t v; std::memcpy(&v, row + 8 * i, 8); return v; }
    case 24: {
        const uint8_t* p = row + 3 * i;
        if constexpr (std::endian::native == std::endian::little) return p[0] | unsigned(p[1]) << 8 | uint32_t(p[2]) << 16;
        else return uint32_t(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
    }
    default: break;
    }
    uint64_t v = 0;
    size_t bit = i * size_t(bits);
    for (int k = 0; k < bits; ++k, ++bit) v = (v << 1) | ((row[bit >> 3] >> (7 - (bit & 7))) & 1u);
    return v;
}

// Sample scaled to 0..255 (the palette index itself for palette pages).
uint16_t sample8(const SampleLayout& L, const uint8_t* row, size_t i) {
    uint64_t v = rawSample(row, i, L.bits);
    if (L.kind == SampleLayout::Palette) return uint16_t(v);
    if (L.format == SAMPLEFORMAT_IEEEFP) {
        if (L.bits == 16) return floatTo8(halfToFloat(uint16_t(v)));
        if (L.bits == 32) {
            float f;
            uint32_t u = uint32_t(v);
            std::memcpy(&f, &u, 4);
            return floatTo8(f);
        }
        double d;
        std::memcpy(&d, &v, 8);
        return floatTo8(d);
    }
    int bits = L.bits;
    if (L.format == SAMPLEFORMAT_INT) {
        // Negative values are below black; the positive half spans the range.
        if (bits > 1 && (v >> (bits - 1)) & 1) return 0;
        if (bits > 1) --bits;
    }
    if (bits > 32) return uint16_t(v >> (bits - 8));
    const uint64_t maxv = (uint64_t(1) << bits) - 1;
    return uint16_t((v * 255 + maxv / 2) / maxv);
}

// Decodes the page strip by strip (or tile row by tile row) into a band of
// 8-bit samples, then composes the band's rows into the record.
Status readSamples(TIFF* tif, Image& img, const SampleLayout& L, const Progress& progress, const Errors& errors,
                   int& rowsDone) {
    const int w = dibwidth(img.d), h = dibheight(img.d);
    const bool tiled = TIFFIsTiled(tif);
    uint32_t tw = uint32_t(w), th = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &th);
    }
    if (tw == 0 || th == 0) return Status::Corrupt;
    if (th > uint32_t(h)) th = uint32_t(h);
    const int planes = L.planar ? L.spp : 1;
    const int perUnit = L.planar ? 1 : L.spp;
    const int64_t unitRowBytes = (int64_t(tw) * perUnit * L.bits + 7) / 8;
    const int64_t unitBytes = unitRowBytes * th;
    const int64_t bandBytes = int64_t(w) * L.spp * 2 * th;
    if (unitBytes > kMaxTiffAlloc || bandBytes > kMaxTiffAlloc) return Status::TooLarge;
    std::vector<uint8_t> unit;
    std::vector<uint16_t> band;
    try {
        unit.resize(size_t(unitBytes));
        band.resize(size_t(bandBytes / 2));
    } catch (const std::bad_alloc&) {
        return Status::NoMemory;
    }
    uint16_t *mr = nullptr, *mg = nullptr, *mb = nullptr;
    bool eightBitMap = true;
    if (L.kind == SampleLayout::Palette) {
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &mr, &mg, &mb) || !mr || !mg || !mb) return Status::Corrupt;
        for (size_t i = 0; i < (size_t(1) << L.bits); ++i)
            if (mr[i] > 255 || mg[i] > 255 || mb[i] > 255) eightBitMap = false;
    }
    auto map8 = [&](uint16_t v) { return uint8_t(eightBitMap ? v : v >> 8); };
    const size_t spp = size_t(L.spp);
    for (int y0 = 0; y0 < h; y0 += int(th)) {
        if (progress) progress(h > 1 ? int(int64_t(y0) * 100 / (h - 1)) : 100);
        const int rows = int(std::min<int64_t>(th, h - y0));
        for (int p = 0; p < planes; ++p) {
            for (uint32_t x0 = 0; x0 < uint32_t(w); x0 += tiled ? tw : uint32_t(w)) {
                tmsize_t got = tiled
                    ? TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x0, uint32_t(y0), 0, uint16_t(p)), unit.data(),
                                          tmsize_t(unitBytes))
                    : TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, uint32_t(y0), uint16_t(p)), unit.data(),
                                           tmsize_t(unitBytes));
                if (got < 0 || errors.count) return y0 == 0 ? Status::Corrupt : Status::Truncated;
                const uint32_t cols = std::min<uint32_t>(tiled ? tw : uint32_t(w), uint32_t(w) - x0);
                for (int r = 0; r < rows; ++r) {
                    const uint8_t* src = unit.data() + int64_t(r) * unitRowBytes;
                    uint16_t* dst = band.data() + (size_t(r) * size_t(w) + x0) * spp;
                    if ((int64_t(r) + 1) * unitRowBytes > got) {
                        // A short strip or tile: its missing rows stay black
                        // rather than showing stale samples.
                        for (uint32_t c = 0; c < cols; ++c)
                            for (int k = 0; k < perUnit; ++k) dst[c * spp + size_t(p + k)] = 0;
                        continue;
                    }
                    for (uint32_t c = 0; c < cols; ++c)
                        for (int k = 0; k < perUnit; ++k)
                            dst[c * spp + size_t(p + k)] = sample8(L, src, size_t(c) * size_t(perUnit) + size_t(k));
                }
            }
        }
        for (int r = 0; r < rows; ++r) {
            const uint16_t* s = band.data() + size_t(r) * size_t(w) * spp;
            uint8_t* dst = dibRow(img.d, y0 + r);
            for (int x = 0; x < w; ++x, s += spp) {
                unsigned a = L.alpha >= 0 ? s[L.alpha] : 255;
                auto over = [&](unsigned c) {
                    return L.premultiplied ? uint8_t(std::min(255u, c + 255 - a)) : overWhite(c, a);
                };
                switch (L.kind) {
                case SampleLayout::Grey:
                    dst[x] = over(L.invert ? 255 - s[0] : s[0]);
                    break;
                case SampleLayout::Rgb:
                    dst[3 * x] = over(s[2]);
                    dst[3 * x + 1] = over(s[1]);
                    dst[3 * x + 2] = over(s[0]);
                    break;
                case SampleLayout::Cmyk: {
                    const unsigned k = 255 - s[3];
                    dst[3 * x] = over((255 - s[2]) * k / 255);
                    dst[3 * x + 1] = over((255 - s[1]) * k / 255);
                    dst[3 * x + 2] = over((255 - s[0]) * k / 255);
                    break;
                }
                case SampleLayout::Palette:
                    dst[3 * x] = map8(mb[s[0]]);
                    dst[3 * x + 1] = map8(mg[s[0]]);
                    dst[3 * x + 2] = map8(mr[s[0]]);
                    break;
                }
            }
            rowsDone = y0 + r + 1;
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
    if (!dataCanFill(compression, w, h, int64_t(bps) * spp, size)) return Status::Truncated;

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
        SampleLayout layout;
        if (rgbaUsable(tif, errors)) {
            bool greyOut =
                spp == 1 && (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE);
            s = allocDib(img.d, w, h, greyOut ? 8 : 24);
            if (s != Status::Ok) return s;
            if (greyOut) setGreyPalette(img.d);
            s = readRgba(tif, img, greyOut, progress, errors);
        } else if (sampleLayout(tif, bps, spp, photometric, planar, layout)) {
            const bool greyOut = layout.kind == SampleLayout::Grey;
            s = allocDib(img.d, w, h, greyOut ? 8 : 24);
            if (s != Status::Ok) return s;
            if (greyOut) setGreyPalette(img.d);
            int rowsDone = 0;
            s = readSamples(tif, img, layout, progress, errors, rowsDone);
            // Rows that never arrived are white, not black.
            if (s == Status::Truncated)
                for (int y = rowsDone; y < int(h); ++y) std::memset(dibRow(img.d, y), 0xFF, size_t(img.d.bytew));
        } else {
            return Status::Unsupported;
        }
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
