#include "raster/codecs/bmp.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/codecs/bytereader.h"
#include "raster/codecs/runs.h"
#include "raster/codecs/imagebuild.h"
#include "raster/codecs/palettize.h"
#include "raster/limits.h"

namespace pixkit {

namespace {

// biCompression values. OS/2 2.x reuses 3 and 4 for Huffman 1D and RLE24.
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_JPEG = 4;  // also OS/2 RLE24 when biBitCount is 24
constexpr uint32_t BI_PNG = 5;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;    // OS/2 1.x BITMAPCOREHEADER
constexpr uint32_t kInfoHeaderSize = 40;    // BITMAPINFOHEADER
constexpr uint32_t kMaxHeaderSize = 124;    // BITMAPV5HEADER

bool isWindowsHeaderSize(uint32_t s) {
    // INFO, V2 (RGB masks), V3 (+ alpha), V4, V5
    return s == 40 || s == 52 || s == 56 || s == 108 || s == 124;
}
bool isOs2v2HeaderSize(uint32_t s) {
    // OS/2 2.x lets writers cut its 64-byte header after any field.
    return s >= 16 && s <= 64 && !isWindowsHeaderSize(s) && s % 4 == 0;
}

// Everything the pixel decoder needs from the headers of any version.
struct BmpHeader {
    // BITMAPFILEHEADER
    bool hasFileHeader = false;
    uint32_t bfOffBits = 0;         // offset of the pixel data from the file start
    // BITMAPINFOHEADER and its relatives
    uint32_t biSize = 0;            // size of the info header: tells the version
    int64_t biWidth = 0;
    int64_t biHeight = 0;           // negative: rows stored top-down
    uint16_t biPlanes = 0;          // must be 1; ignored
    uint16_t biBitCount = 0;        // bits per pixel
    uint32_t biCompression = 0;
    uint32_t biClrUsed = 0;         // palette entries, 0 = 2^biBitCount
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha bit fields
    bool os2 = false;               // OS/2 1.x or 2.x header
    bool rle24 = false;             // OS/2 RLE24
    std::size_t infoStart = 0;      // offset of the info header
    std::size_t paletteStart = 0;   // offset of the colour table
    int paletteEntryBytes = 4;      // 3 for OS/2 1.x
    uint32_t paletteEntries = 0;    // entries declared

    int64_t width() const { return biWidth; }
    int64_t height() const { return biHeight < 0 ? -biHeight : biHeight; }
    bool topDown() const { return biHeight < 0; }
    bool isRle() const {
        return biCompression == BI_RLE8 || biCompression == BI_RLE4 || rle24;
    }
};

Status parseHeader(ByteReader& r, BmpHeader& h) {
    if (r.size() >= 2 && r.data()[0] == 'B' && r.data()[1] == 'M') {
        h.hasFileHeader = true;
        r.skip(2);
        r.u32le();  // bfSize: often wrong, never trusted
        r.u32le();  // reserved
        h.bfOffBits = r.u32le();
    }
    h.infoStart = r.pos();
    h.biSize = r.u32le();
    if (!r.ok()) return Status::Truncated;
    if (h.biSize == kCoreHeaderSize) {
        h.os2 = true;
        h.biWidth = r.u16le();
        h.biHeight = r.u16le();
        h.biPlanes = r.u16le();
        h.biBitCount = r.u16le();
        h.paletteEntryBytes = 3;
    } else if (isWindowsHeaderSize(h.biSize) || isOs2v2HeaderSize(h.biSize)) {
        h.os2 = isOs2v2HeaderSize(h.biSize);
        ByteReader f(r.here(), std::min<std::size_t>(r.remaining(), h.biSize - 4));
        if (f.size() < h.biSize - 4) return Status::Truncated;
        h.biWidth = f.i32le();
        h.biHeight = f.i32le();
        h.biPlanes = f.u16le();
        h.biBitCount = f.u16le();
        // The rest of a cut OS/2 2.x header reads as zero, its default.
        if (f.remaining() >= 4) h.biCompression = f.u32le();
        if (f.remaining() >= 16) f.skip(12);  // biSizeImage, pels per metre: not needed
        else f.skip(f.remaining());
        if (f.remaining() >= 4) h.biClrUsed = f.u32le();
        if (!h.os2 && h.biSize >= 52) {
            f.skip(4);  // biClrImportant
            h.masks[0] = f.u32le();
            h.masks[1] = f.u32le();
            h.masks[2] = f.u32le();
            if (h.biSize >= 56) h.masks[3] = f.u32le();
        }
        r.skip(h.biSize - 4);
        if (h.os2) {
            if (h.biCompression == 3) return Status::Unsupported;  // Huffman 1D
            if (h.biCompression == 4) h.rle24 = true;
        }
    } else {
        return h.biSize > kMaxHeaderSize && h.biSize < 4096 ? Status::Unsupported : Status::Corrupt;
    }
    if (!r.ok()) return Status::Truncated;

    if (h.biCompression == BI_JPEG && h.biBitCount == 24) h.rle24 = true;  // OS/2 file, Windows-sized header
    // Masks after a 40-byte header.
    if (!h.os2 && h.biSize == kInfoHeaderSize &&
        (h.biCompression == BI_BITFIELDS || h.biCompression == BI_ALPHABITFIELDS)) {
        h.masks[0] = r.u32le();
        h.masks[1] = r.u32le();
        h.masks[2] = r.u32le();
        if (h.biCompression == BI_ALPHABITFIELDS) h.masks[3] = r.u32le();
        if (!r.ok()) return Status::Truncated;
    }
    h.paletteStart = r.pos();

    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return Status::Corrupt;
    switch (h.biBitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32:
        break;
    case 0: case 64:
        return Status::Unsupported;  // embedded JPEG/PNG, 16 bits per channel
    default:
        return Status::Corrupt;
    }
    if (h.rle24) {
        if (h.biBitCount != 24) return Status::Corrupt;
    } else {
        switch (h.biCompression) {
        case BI_RGB:
            break;
        case BI_RLE8:
            if (h.biBitCount != 8) return Status::Corrupt;
            break;
        case BI_RLE4:
            if (h.biBitCount != 4) return Status::Corrupt;
            break;
        case BI_BITFIELDS:
        case BI_ALPHABITFIELDS:
            if (h.biBitCount != 16 && h.biBitCount != 32) return Status::Corrupt;
            break;
        case BI_JPEG:
        case BI_PNG:
            return Status::Unsupported;
        default:
            return h.biCompression < 16 ? Status::Unsupported : Status::Corrupt;
        }
    }

    if (h.biBitCount <= 8) {
        uint32_t full = 1u << h.biBitCount;
        h.paletteEntries = h.biClrUsed == 0 ? full : h.biClrUsed;
        // More entries than the indices can name are harmless when the file
        // really holds them before its pixels; otherwise the header lies.
        if (h.paletteEntries > full &&
            (!h.hasFileHeader || h.paletteEntries > 65536 ||
             h.paletteStart + std::size_t(h.paletteEntries) * h.paletteEntryBytes > h.bfOffBits))
            return Status::Corrupt;
    } else {
        // A true-colour file may carry a palette for old displays.
        h.paletteEntries = h.biClrUsed < (1u << 16) ? h.biClrUsed : 0;
    }
    return Status::Ok;
}

// Offset of the first pixel byte.
Status pixelStart(const BmpHeader& h, std::size_t fileSize, std::size_t& start) {
    std::size_t afterPalette = h.paletteStart + std::size_t(h.paletteEntries) * h.paletteEntryBytes;
    if (h.hasFileHeader && h.bfOffBits >= h.paletteStart) {
        start = h.bfOffBits;
    } else if (h.hasFileHeader && h.bfOffBits >= kFileHeaderSize + h.biSize) {
        // Points into the colour table: the table is shorter than declared.
        start = h.bfOffBits;
    } else {
        start = afterPalette;
    }
    if (start >= fileSize) return Status::Truncated;
    return Status::Ok;
}

// Bit field of a 16- or 32-bit pixel: shift and maximum of its value.
struct Field {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    std::vector<uint8_t> lut;  // value -> 0..255 for fields of up to 16 bits

    void init(uint32_t m) {
        mask = m;
        shift = 0;
        max = 0;
        lut.clear();
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        max = m >> shift;
        // Every field is scaled to 0..255 with rounding.
        if (max < 65536) {
            lut.resize(max + 1);
            for (uint32_t v = 0; v <= max; ++v)
                lut[v] = uint8_t((uint64_t(v) * 255 + max / 2) / max);
        }
    }
    uint8_t operator()(uint32_t px) const {
        if (!mask) return 0;
        uint32_t v = (px & mask) >> shift;
        if (!lut.empty()) return v < lut.size() ? lut[v] : 255;
        return uint8_t((uint64_t(v) * 255 + max / 2) / max);
    }
};

// Run-length states of the RLE4/RLE8/RLE24 decoder.
enum class RleState { Neutral, Escape, Done };

// Decodes an RLE stream into the builder. Pixels the stream never sets
// (delta jumps, early end of line or bitmap) keep index 0 / black. Runs
// that pass the end of a row are cut off there.
void decodeRle(ByteReader& r, const BmpHeader& h, DibBuilder& b, const Progress& progress) {
    const int w = b.width(), rows = b.height();
    const bool rle4 = h.biCompression == BI_RLE4 && !h.rle24;
    const bool rle24 = h.rle24;
    int x = 0, y = 0;  // y: stored row in file order (bottom first unless top-down)
    RowProgress prog(progress, rows);
    auto rowPtr = [&](int fileRow) {
        return h.topDown() ? b.row(fileRow) : b.storedRow(fileRow);
    };
    auto put = [&](uint8_t* row, int px, uint32_t v) {
        if (rle24) {
            row[3 * px] = uint8_t(v);
            row[3 * px + 1] = uint8_t(v >> 8);
            row[3 * px + 2] = uint8_t(v >> 16);
        } else if (rle4) {
            putIndex(row, 4, px, v);
        } else {
            row[px] = uint8_t(v);
        }
    };
    RleState state = RleState::Neutral;
    while (state != RleState::Done) {
        if (y >= rows || r.remaining() < 2) break;  // a missing end marker ends the bitmap
        uint8_t count = r.u8();
        uint8_t code = r.u8();
        uint8_t* row = rowPtr(y);
        if (count > 0) {
            // Encoded run.
            uint32_t v = code;
            if (rle24) {
                if (r.remaining() < 2) break;
                v = uint32_t(code) | (uint32_t(r.u8()) << 8) | (uint32_t(r.u8()) << 16);
            }
            int n = count;
            for (int i = 0; i < n && x < w; ++i, ++x) {
                uint32_t pv = rle4 ? ((i & 1) ? (code & 0x0F) : (code >> 4)) : v;
                put(row, x, pv);
            }
            continue;
        }
        state = RleState::Escape;
        switch (code) {
        case 0:  // end of line
            x = 0;
            ++y;
            prog.row(y < rows ? y : rows - 1);
            break;
        case 1:  // end of bitmap
            state = RleState::Done;
            continue;
        case 2: {  // delta
            if (r.remaining() < 2) {
                state = RleState::Done;
                continue;
            }
            int dx = r.u8(), dy = r.u8();
            x += dx;
            y += dy;
            if (x > w) x = w;
            break;
        }
        default: {  // absolute run of `code` pixels, padded to 16 bits
            int n = code;
            std::size_t bytes = rle24 ? std::size_t(n) * 3 : rle4 ? std::size_t(n + 1) / 2 : std::size_t(n);
            std::size_t padded = (bytes + 1) & ~std::size_t(1);
            std::size_t avail = bytes < r.remaining() ? bytes : r.remaining();
            const uint8_t* p = r.here();
            int have = rle24 ? int(avail / 3) : rle4 ? int(avail * 2) : int(avail);
            if (have > n) have = n;
            for (int i = 0; i < have && x < w; ++i, ++x) {
                uint32_t v;
                if (rle24) v = uint32_t(p[3 * i]) | (uint32_t(p[3 * i + 1]) << 8) | (uint32_t(p[3 * i + 2]) << 16);
                else if (rle4) v = (i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4);
                else v = p[i];
                put(row, x, v);
            }
            if (!r.skip(padded < r.remaining() ? padded : r.remaining()) || avail < bytes) {
                state = RleState::Done;
                continue;
            }
            break;
        }
        }
        state = RleState::Neutral;
    }
}

// Uncompressed rows of any depth into the builder.
Status decodeRows(ByteReader& r, const BmpHeader& h, DibBuilder& b, const Progress& progress) {
    const int w = b.width(), rows = b.height(), bits = h.biBitCount;
    const int64_t stride = rowBytes(w, bits);
    const int64_t lastRow = (int64_t(w) * bits + 7) / 8;  // the last row may lack its padding
    if (int64_t(r.remaining()) < stride * (rows - 1) + lastRow) return Status::Truncated;
    const uint8_t* src = r.here();
    RowProgress prog(progress, rows);

    // Rows already in the record's own layout: copy them.
    if (isWorkingDepth(bits) && stride == b.stride()) {
        if (!h.topDown() && int64_t(r.remaining()) >= stride * rows && !progress) {
            std::memcpy(b.storedRow(0), src, std::size_t(stride * rows));
            return Status::Ok;
        }
        for (int i = 0; i < rows; ++i) {
            uint8_t* dst = h.topDown() ? b.row(i) : b.storedRow(i);
            std::memcpy(dst, src + stride * i, std::size_t(i == rows - 1 ? lastRow : stride));
            prog.row(i);
        }
        return Status::Ok;
    }

    if (bits == 2) {
        for (int i = 0; i < rows; ++i) {
            const uint8_t* s = src + stride * i;
            uint8_t* dst = h.topDown() ? b.row(i) : b.storedRow(i);
            for (int x = 0; x < w; ++x) putIndex(dst, 4, x, (s[x >> 2] >> (6 - 2 * (x & 3))) & 3u);
            prog.row(i);
        }
        return Status::Ok;
    }

    // 16 and 32 bits: bit fields (or the defaults) into blue, green, red.
    uint32_t masks[4];
    std::memcpy(masks, h.masks, sizeof masks);
    bool fields = h.biCompression == BI_BITFIELDS || h.biCompression == BI_ALPHABITFIELDS;
    if (!fields) {
        // BI_RGB has fixed colour masks. The fourth byte of a 32-bit pixel is
        // padding unless a V3+ header names it alpha.
        if (bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        else masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
        if (bits != 32 || h.os2 || h.biSize < 56 || masks[3] != 0xFF000000u) masks[3] = 0;
    }
    if (bits == 16) {
        for (auto& m : masks) m &= 0xFFFF;
    }
    Field red, green, blue, alpha;
    red.init(masks[0]);
    green.init(masks[1]);
    blue.init(masks[2]);
    alpha.init(masks[3]);
    const int bpp = bits / 8;
    auto pixelAt = [&](const uint8_t* s, int x) -> uint32_t {
        return bpp == 2 ? le16(s + 2 * x) : le32(s + 4 * x);
    };
    bool useAlpha = false;
    if (alpha.mask) {
        // An alpha channel that is zero everywhere was never meant.
        for (int i = 0; i < rows && !useAlpha; ++i) {
            const uint8_t* s = src + stride * i;
            for (int x = 0; x < w; ++x)
                if (pixelAt(s, x) & alpha.mask) {
                    useAlpha = true;
                    break;
                }
        }
    }
    for (int i = 0; i < rows; ++i) {
        const uint8_t* s = src + stride * i;
        uint8_t* dst = h.topDown() ? b.row(i) : b.storedRow(i);
        for (int x = 0; x < w; ++x) {
            uint32_t px = pixelAt(s, x);
            uint8_t bl = blue(px), g = green(px), rd = red(px);
            if (useAlpha) {
                unsigned a = alpha(px);
                bl = overWhite(bl, a);
                g = overWhite(g, a);
                rd = overWhite(rd, a);
            }
            dst[3 * x] = bl;
            dst[3 * x + 1] = g;
            dst[3 * x + 2] = rd;
        }
        prog.row(i);
    }
    return Status::Ok;
}

}  // namespace

bool bmpProbe(const uint8_t* data, std::size_t size) {
    if (size >= kFileHeaderSize + 4 && data[0] == 'B' && data[1] == 'M') {
        uint32_t s = le32(data + kFileHeaderSize);
        return s == kCoreHeaderSize || isWindowsHeaderSize(s) || isOs2v2HeaderSize(s) ||
               (s > kMaxHeaderSize && s < 4096);
    }
    // Header-less: an info header with sane values at offset 0.
    if (size < 16) return false;
    uint32_t s = le32(data);
    if (s == kCoreHeaderSize) {
        uint16_t planes = le16(data + 8), bits = le16(data + 10);
        return planes == 1 && (bits == 1 || bits == 4 || bits == 8 || bits == 24) &&
               le16(data + 4) > 0 && le16(data + 6) > 0;
    }
    if (!isWindowsHeaderSize(s) || size < 24) return false;
    int32_t w = int32_t(le32(data + 4)), hgt = int32_t(le32(data + 8));
    uint16_t planes = le16(data + 12), bits = le16(data + 14);
    uint32_t comp = le32(data + 16);
    bool bitsOk = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return planes == 1 && bitsOk && w > 0 && hgt != 0 && comp <= BI_ALPHABITFIELDS;
}

Status bmpRead(const uint8_t* data, std::size_t size, dib& out, const Progress& progress) {
    ByteReader r(data, size);
    BmpHeader h;
    Status s = parseHeader(r, h);
    if (s != Status::Ok) return s;

    // Colour table: as many entries as the file holds, up to what the
    // indices can name. Entries past the table stay black.
    int outBits = h.biBitCount <= 8 ? paletteDepthFor(h.biBitCount) : 24;
    std::size_t start = 0;
    s = pixelStart(h, size, start);
    if (s != Status::Ok) return s;

    int64_t w = h.width(), rows = h.height();
    if (!decodeSizeOk(w, rows, outBits)) return Status::TooLarge;
    std::size_t data_bytes = size - start;
    if (h.isRle()) {
        // 255 pixels per two bytes at best, and delta jumps cost little more.
        if (!compressedSizePlausible(w * rows, data_bytes, 128)) return Status::Truncated;
    } else {
        int64_t stride = rowBytes(w, h.biBitCount);
        if (stride < 0 || int64_t(data_bytes) < stride * (rows - 1) + (w * h.biBitCount + 7) / 8)
            return Status::Truncated;
    }

    DibBuilder b;
    s = b.create(w, rows, outBits);
    if (s != Status::Ok) return s;
    if (h.biBitCount <= 8) {
        uint32_t n = h.paletteEntries;
        if (n > (1u << h.biBitCount)) n = 1u << h.biBitCount;
        std::size_t end = h.hasFileHeader && start >= h.paletteStart ? start : size;
        for (uint32_t i = 0; i < n; ++i) {
            std::size_t at = h.paletteStart + std::size_t(i) * h.paletteEntryBytes;
            if (at + std::size_t(h.paletteEntryBytes) > end) break;
            b.setColour(int(i), data[at + 2], data[at + 1], data[at]);
        }
    } else if (h.isRle()) {
        b.fill(0);
    }

    ByteReader px(data + start, data_bytes);
    if (h.isRle()) {
        decodeRle(px, h, b, progress);
    } else {
        s = decodeRows(px, h, b, progress);
        if (s != Status::Ok) return s;
    }
    b.releaseTo(out);
    return Status::Ok;
}

namespace {

Status writeHeaders(ByteWriter& w, int width, int height, int bits, uint32_t compression,
                    uint32_t colours, uint32_t pixelBytes, int32_t xppm, int32_t yppm) {
    uint32_t offBits = kFileHeaderSize + kInfoHeaderSize + 4 * colours;
    uint64_t fileSize = uint64_t(offBits) + pixelBytes;
    if (fileSize > 0xFFFFFFFFu) return Status::TooLarge;
    w.u8('B');
    w.u8('M');
    w.le32(uint32_t(fileSize));
    w.le32(0);
    w.le32(offBits);
    w.le32(kInfoHeaderSize);
    w.le32(uint32_t(width));
    w.le32(uint32_t(height));
    w.le16(1);
    w.le16(uint32_t(bits));
    w.le32(compression);
    w.le32(pixelBytes);
    w.le32(uint32_t(xppm));
    w.le32(uint32_t(yppm));
    w.le32(colours);
    w.le32(0);
    return Status::Ok;
}

// One row of indices as RLE8: runs of two or more equal pixels become
// encoded runs, stretches of three or more others absolute runs.
void encodeRle8Row(const uint8_t* idx, int w, std::vector<uint8_t>& out) {
    int i = 0;
    while (i < w) {
        int run = runLength(idx + i, w - i, 255, 1);
        if (run >= 2) {
            out.push_back(uint8_t(run));
            out.push_back(idx[i]);
            i += run;
            continue;
        }
        // Literal stretch up to the next pair of equal pixels.
        int start = i, n = 0;
        while (i < w && n < 255) {
            if (i + 1 < w && idx[i] == idx[i + 1]) break;
            ++i;
            ++n;
        }
        if (n < 3) {
            // Absolute mode needs three pixels; shorter ones are runs of one.
            for (int k = 0; k < n; ++k) {
                out.push_back(1);
                out.push_back(idx[start + k]);
            }
        } else {
            out.push_back(0);
            out.push_back(uint8_t(n));
            out.insert(out.end(), idx + start, idx + start + n);
            if (n & 1) out.push_back(0);
        }
    }
}

}  // namespace

Status bmpWrite(const dib& d, std::FILE* f, bool rle) {
    if (!d.poi || !d.pmi || !f) return Status::WriteFailed;
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    if (w <= 0 || h <= 0) return Status::WriteFailed;
    const BITMAPINFOHEADER& ih = d.pmi->bmiHeader;
    ByteWriter out(f);

    if (!rle) {
        if (!isWorkingDepth(bits)) return Status::Unsupported;
        int64_t stride = rowBytes(w, bits);
        int64_t bytes = stride * h;
        uint32_t colours = bits <= 8 ? 1u << bits : 0;
        Status s = writeHeaders(out, w, h, bits, BI_RGB, colours, uint32_t(bytes), ih.biXPelsPerMeter,
                                ih.biYPelsPerMeter);
        if (s != Status::Ok) return s;
        for (uint32_t i = 0; i < colours; ++i) {
            const PALETTEENTRY& e = d.pal.rgb0[i];
            out.u8(e.peBlue);
            out.u8(e.peGreen);
            out.u8(e.peRed);
            out.u8(0);
        }
        // The record's rows are bottom-up and padded like the file's.
        if (stride == d.bytew) {
            out.bytes(d.poi, std::size_t(bytes));
        } else {
            for (int r = 0; r < h; ++r) {
                const uint8_t* row = d.poi + int64_t(r) * d.bytew;
                int64_t n = std::min<int64_t>(stride, d.bytew);
                out.bytes(row, std::size_t(n));
                out.fill(0, std::size_t(stride - n));
            }
        }
        return out.flush() ? Status::Ok : Status::WriteFailed;
    }

    // RLE8. The exact colours when there are at most 256, else median cut.
    Palettizer pal;
    if (!pal.buildExact(d, 256)) {
        if (bits != 24) return Status::Unsupported;
        pal.buildQuantized(d, 256);
    }
    uint32_t colours = uint32_t(pal.count());
    long startPos = std::ftell(f);
    Status s = writeHeaders(out, w, h, 8, BI_RLE8, colours, 0, ih.biXPelsPerMeter, ih.biYPelsPerMeter);
    if (s != Status::Ok) return s;
    for (int i = 0; i < pal.count(); ++i) {
        const Rgb& c = pal.colours()[i];
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
    std::vector<uint8_t> idx(static_cast<std::size_t>(w));
    std::vector<uint8_t> enc;
    enc.reserve(std::size_t(w) * 2 + 16);
    uint64_t pixelBytes = 0;
    const std::size_t used = usedRowBytes(w, bits);
    for (int r = 0; r < h; ++r) {
        // Stored row r is picture row h - 1 - r; one like the row before is
        // the same bytes again.
        const uint8_t* row = d.poi + int64_t(r) * d.bytew;
        if (r == 0 || std::memcmp(row, row - d.bytew, used) != 0) {
            pal.mapRow(d, h - 1 - r, idx.data());
            enc.clear();
            encodeRle8Row(idx.data(), w, enc);
        }
        const uint8_t eol[2] = {0, uint8_t(r == h - 1 ? 1 : 0)};  // end of line, end of bitmap after the last
        out.bytes(enc.data(), enc.size());
        out.bytes(eol, 2);
        pixelBytes += enc.size() + 2;
    }
    if (!out.flush()) return Status::WriteFailed;
    uint64_t fileSize = uint64_t(kFileHeaderSize + kInfoHeaderSize + 4 * colours) + pixelBytes;
    if (fileSize > 0xFFFFFFFFu) return Status::TooLarge;
    // Now that the sizes are known, fill them in.
    uint8_t sz[4];
    auto put32 = [&](long at, uint32_t v) {
        sz[0] = uint8_t(v), sz[1] = uint8_t(v >> 8), sz[2] = uint8_t(v >> 16), sz[3] = uint8_t(v >> 24);
        return std::fseek(f, startPos + at, SEEK_SET) == 0 && std::fwrite(sz, 1, 4, f) == 4;
    };
    if (startPos < 0 || !put32(2, uint32_t(fileSize)) ||
        !put32(long(kFileHeaderSize) + 20, uint32_t(pixelBytes)) ||
        std::fseek(f, 0, SEEK_END) != 0)
        return Status::WriteFailed;
    return Status::Ok;
}

}  // namespace pixkit
