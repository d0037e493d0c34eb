#include "raster/codecs/tga.h"

#include <cstring>
#include <vector>

#include "raster/codecs/bytereader.h"
#include "raster/codecs/runs.h"
#include "raster/codecs/imagebuild.h"
#include "raster/limits.h"

namespace pixkit {

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";  // plus its NUL: 18 bytes
constexpr std::size_t kFooterSize = 26;

// The 18-byte file header.
struct TgaHeader {
    uint8_t IDLength = 0;         // bytes of image ID after the header
    uint8_t ColorMapType = 0;     // 1: a colour map follows the ID
    uint8_t ImageType = 0;        // 1/2/3 raw mapped/true-colour/grey, +8 RLE
    uint16_t CMapStart = 0;       // index of the first colour-map entry
    uint16_t CMapLength = 0;      // entries in the colour map
    uint8_t CMapDepth = 0;        // bits per colour-map entry
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t PixelDepth = 0;       // bits per pixel
    uint8_t ImageDescriptor = 0;  // bits 0-3 alpha bits, 4 right-to-left, 5 top-down

    bool rle() const { return ImageType >= 9; }
    int kind() const { return ImageType & 7; }  // 1 mapped, 2 true colour, 3 grey
    int alphaBits() const { return ImageDescriptor & 0x0F; }
    bool rightToLeft() const { return ImageDescriptor & 0x10; }
    bool topDown() const { return ImageDescriptor & 0x20; }
    int pixelBytes() const { return (PixelDepth + 7) / 8; }
    int entryBytes() const { return (CMapDepth + 7) / 8; }

    bool isSupported() const {
        if (ImageType != 1 && ImageType != 2 && ImageType != 3 && ImageType != 9 &&
            ImageType != 10 && ImageType != 11)
            return false;
        if (ColorMapType > 1 || Width == 0 || Height == 0) return false;
        switch (kind()) {
        case 1:
            return ColorMapType == 1 && (PixelDepth == 8 || PixelDepth == 16) &&
                   (CMapDepth == 15 || CMapDepth == 16 || CMapDepth == 24 || CMapDepth == 32) &&
                   CMapLength > 0;
        case 2:
            return PixelDepth == 15 || PixelDepth == 16 || PixelDepth == 24 || PixelDepth == 32;
        default:
            return PixelDepth == 8 || PixelDepth == 16;
        }
    }
};

TgaHeader parseHeader(ByteReader& r) {
    TgaHeader h;
    h.IDLength = r.u8();
    h.ColorMapType = r.u8();
    h.ImageType = r.u8();
    h.CMapStart = r.u16le();
    h.CMapLength = r.u16le();
    h.CMapDepth = r.u8();
    r.u16le();  // x origin: where to show it, not needed
    r.u16le();  // y origin
    h.Width = r.u16le();
    h.Height = r.u16le();
    h.PixelDepth = r.u8();
    h.ImageDescriptor = r.u8();
    return h;
}

struct Bgra {
    uint8_t b, g, r, a;
};

// One stored value of 15/16, 24 or 32 bits as colour and alpha.
inline Bgra unpackColour(const uint8_t* p, int bytes) {
    switch (bytes) {
    case 2: {
        unsigned v = le16(p);
        auto five = [](unsigned c) { return uint8_t((c * 255 + 15) / 31); };
        return Bgra{five(v & 0x1F), five((v >> 5) & 0x1F), five((v >> 10) & 0x1F),
                    uint8_t((v & 0x8000) ? 255 : 0)};
    }
    case 3:
        return Bgra{p[0], p[1], p[2], 255};
    default:
        return Bgra{p[0], p[1], p[2], p[3]};
    }
}

// Pixel stream of a raw or RLE image body, one row at a time. RLE packets
// may run on from one row into the next (older writers do that).
class PixelStream {
public:
    PixelStream(ByteReader& r, bool rle, int bpp) : r_(r), rle_(rle), bpp_(bpp) {}

    // Fills `row` with n pixels; false when the data ends first.
    bool readRow(uint8_t* row, int n) {
        if (!rle_) {
            const uint8_t* p = r_.take(std::size_t(n) * bpp_);
            if (!p) return false;
            std::memcpy(row, p, std::size_t(n) * bpp_);
            return true;
        }
        int x = 0;
        while (x < n) {
            if (left_ == 0) {
                if (r_.atEnd()) return false;
                uint8_t c = r_.u8();
                left_ = (c & 0x7F) + 1;
                repeat_ = c & 0x80;
                if (repeat_) {
                    const uint8_t* p = r_.take(bpp_);
                    if (!p) return false;
                    std::memcpy(value_, p, bpp_);
                }
            }
            int k = left_ < n - x ? left_ : n - x;
            if (repeat_) {
                for (int i = 0; i < k; ++i) std::memcpy(row + std::size_t(x + i) * bpp_, value_, bpp_);
            } else {
                const uint8_t* p = r_.take(std::size_t(k) * bpp_);
                if (!p) return false;
                std::memcpy(row + std::size_t(x) * bpp_, p, std::size_t(k) * bpp_);
            }
            x += k;
            left_ -= k;
        }
        return true;
    }

private:
    ByteReader& r_;
    bool rle_;
    int bpp_;
    int left_ = 0;
    bool repeat_ = false;
    uint8_t value_[4] = {0, 0, 0, 0};
};

}  // namespace

bool tgaProbe(const uint8_t* data, std::size_t size) {
    if (size < kHeaderSize) return false;
    ByteReader r(data, size);
    TgaHeader h = parseHeader(r);
    if (!h.isSupported() || (h.ImageDescriptor & 0xC0) || h.alphaBits() > 8) return false;
    if (size >= kFooterSize &&
        std::memcmp(data + size - 18, kFooterSignature, sizeof kFooterSignature) == 0)
        return true;
    // Without the footer the header must at least be consistent.
    if (h.kind() != 1 && h.ColorMapType == 1 && h.CMapLength > 0 &&
        !(h.CMapDepth == 15 || h.CMapDepth == 16 || h.CMapDepth == 24 || h.CMapDepth == 32))
        return false;
    return true;
}

Status tgaRead(const uint8_t* data, std::size_t size, dib& out, const Progress& progress) {
    ByteReader r(data, size);
    TgaHeader h = parseHeader(r);
    if (!r.ok()) return Status::Truncated;
    if (h.ImageType == 0 || h.Width == 0 || h.Height == 0) return Status::Corrupt;
    if (!h.isSupported()) return Status::Unsupported;
    r.skip(h.IDLength);

    // Colour map: entries as colour and alpha, indexed from CMapStart.
    std::vector<Bgra> cmap;
    if (h.ColorMapType == 1) {
        std::size_t bytes = std::size_t(h.CMapLength) * h.entryBytes();
        const uint8_t* p = r.take(bytes);
        if (!p) return Status::Truncated;
        if (h.kind() == 1) {
            cmap.resize(h.CMapLength);
            for (int i = 0; i < h.CMapLength; ++i) {
                cmap[i] = unpackColour(p + std::size_t(i) * h.entryBytes(), h.entryBytes());
            }
        }
    }
    if (!r.ok()) return Status::Truncated;

    const int w = h.Width, rows = h.Height, bpp = h.pixelBytes();
    const int64_t pixels = int64_t(w) * rows;
    if (h.rle()) {
        // 128 pixels per packet of 1 + bpp bytes at best.
        if (!compressedSizePlausible(pixels, r.remaining(), 128 / (1 + bpp))) return Status::Truncated;
    } else if (int64_t(r.remaining()) < pixels * bpp) {
        return Status::Truncated;
    }

    // What the pixels become: palette images stay 8-bit when the map fits.
    bool mapped = h.kind() == 1;
    bool toPalette = mapped && h.PixelDepth == 8 && int(h.CMapStart) + h.CMapLength <= 256;
    bool grey = h.kind() == 3;
    int outBits = toPalette || grey ? 8 : 24;

    // Alpha that is zero everywhere was never meant as transparency.
    bool useAlpha = false;
    if (mapped) {
        if (h.CMapDepth == 32)
            for (const Bgra& c : cmap) useAlpha |= c.a != 0;
        if (!useAlpha)
            for (Bgra& c : cmap) c.a = 255;
    }
    // The attribute bit of 16-bit pixels is left as writers leave it, often
    // at random: only 32-bit pixels carry alpha that means anything.
    bool pixelAlpha = !mapped && !grey && h.alphaBits() > 0 && h.PixelDepth == 32;

    DibBuilder b;
    Status s = b.create(w, rows, outBits);
    if (s != Status::Ok) return s;
    if (grey) b.setGreyPalette();
    if (toPalette) {
        for (int i = 0; i < h.CMapLength; ++i) {
            const Bgra& c = cmap[i];
            b.setColour(h.CMapStart + i, overWhite(c.r, c.a), overWhite(c.g, c.a), overWhite(c.b, c.a));
        }
    }

    std::vector<uint8_t> raw(std::size_t(w) * bpp);
    PixelStream stream(r, h.rle(), bpp);
    RowProgress prog(progress, rows);

    // A first pass over the alpha of true-colour pixels: needed only when
    // the file says it has alpha, to tell real from all-zero.
    if (pixelAlpha) {
        ByteReader probe(r.here(), r.remaining());
        PixelStream ps(probe, h.rle(), bpp);
        bool any = false;
        for (int i = 0; i < rows && !any; ++i) {
            if (!ps.readRow(raw.data(), w)) break;
            for (int x = 0; x < w && !any; ++x)
                any = unpackColour(raw.data() + std::size_t(x) * bpp, bpp).a != 0;
        }
        pixelAlpha = any;
    }

    for (int i = 0; i < rows; ++i) {
        if (!stream.readRow(raw.data(), w)) return Status::Truncated;
        uint8_t* dst = h.topDown() ? b.row(i) : b.storedRow(i);
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = raw.data() + std::size_t(x) * bpp;
            int ox = h.rightToLeft() ? w - 1 - x : x;
            if (grey) {
                uint8_t v = p[0];
                dst[ox] = bpp == 2 ? overWhite(v, p[1]) : v;
            } else if (mapped) {
                unsigned idx = bpp == 2 ? le16(p) : p[0];
                if (toPalette) {
                    dst[ox] = uint8_t(idx);
                } else {
                    int k = int(idx) - h.CMapStart;
                    Bgra c = k >= 0 && k < int(cmap.size()) ? cmap[k] : Bgra{0, 0, 0, 255};
                    dst[3 * ox] = overWhite(c.b, c.a);
                    dst[3 * ox + 1] = overWhite(c.g, c.a);
                    dst[3 * ox + 2] = overWhite(c.r, c.a);
                }
            } else {
                Bgra c = unpackColour(p, bpp);
                if (!pixelAlpha) c.a = 255;
                dst[3 * ox] = overWhite(c.b, c.a);
                dst[3 * ox + 1] = overWhite(c.g, c.a);
                dst[3 * ox + 2] = overWhite(c.r, c.a);
            }
        }
        prog.row(i);
    }
    b.releaseTo(out);
    return Status::Ok;
}

namespace {

// One row of pixels of `bpp` (1 or 3) bytes as RLE packets that stay within
// the row, written at out (room for rowBound); returns the end.
uint8_t* encodeRow(const uint8_t* px, int w, int bpp, uint8_t* out) {
    int i = 0;
    while (i < w) {
        int run = runLength(px + i * bpp, w - i, 128, bpp);
        if (run >= 2) {
            *out++ = uint8_t(0x80 | (run - 1));
            std::memcpy(out, px + i * bpp, std::size_t(bpp));
            out += bpp;
            i += run;
            continue;
        }
        int start = i, n = 0;
        while (i < w && n < 128) {
            if (i + 1 < w && samePixel(px + i * bpp, px + (i + 1) * bpp, bpp)) break;
            ++i;
            ++n;
        }
        *out++ = uint8_t(n - 1);
        std::memcpy(out, px + start * bpp, std::size_t(n) * bpp);
        out += std::size_t(n) * bpp;
    }
    return out;
}

// At worst a literal of one pixel and a run of two alternate: 2 + 2 bpp
// bytes for three pixels.
std::size_t rowBound(int w, int bpp) { return std::size_t(w) * (bpp + 1) + 2; }

}  // namespace

Status tgaWrite(const dib& d, std::FILE* f) {
    if (!d.poi || !d.pmi || !f) return Status::WriteFailed;
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    if (w <= 0 || h <= 0) return Status::WriteFailed;
    if (w > 65535 || h > 65535) return Status::TooLarge;
    if (!isWorkingDepth(bits)) return Status::Unsupported;
    const bool mapped = bits <= 8;
    const int colours = mapped ? 1 << bits : 0;

    ByteWriter out(f);
    out.u8(0);                      // IDLength
    out.u8(mapped ? 1 : 0);         // ColorMapType
    out.u8(mapped ? 9 : 10);        // ImageType: RLE colour-mapped / true colour
    out.le16(0);                    // CMapStart
    out.le16(uint32_t(colours));    // CMapLength
    out.u8(mapped ? 24 : 0);        // CMapDepth
    out.le16(0);
    out.le16(0);
    out.le16(uint32_t(w));
    out.le16(uint32_t(h));
    out.u8(mapped ? 8 : 24);        // PixelDepth
    out.u8(0);                      // bottom-left origin, no alpha: the record's own row order
    for (int i = 0; i < colours; ++i) {
        const PALETTEENTRY& e = d.pal.rgb0[i];
        out.u8(e.peBlue);
        out.u8(e.peGreen);
        out.u8(e.peRed);
    }
    const int bpp = mapped ? 1 : 3;
    std::vector<uint8_t> idx(mapped ? std::size_t(w) : 0);
    std::vector<uint8_t> enc(rowBound(w, bpp));
    const std::size_t used = usedRowBytes(w, bits);
    std::size_t encLen = 0;
    for (int r = 0; r < h; ++r) {
        const uint8_t* row = d.poi + int64_t(r) * d.bytew;
        if (r > 0 && std::memcmp(row, row - d.bytew, used) == 0) {
            out.bytes(enc.data(), encLen);  // the same packets again
            continue;
        }
        const uint8_t* px = row;
        if (mapped && bits < 8) {
            for (int x = 0; x < w; ++x)
                idx[x] = bits == 1 ? uint8_t((row[x >> 3] >> (7 - (x & 7))) & 1)
                                   : uint8_t((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
            px = idx.data();
        }
        encLen = std::size_t(encodeRow(px, w, bpp, enc.data()) - enc.data());
        out.bytes(enc.data(), encLen);
    }
    // TGA 2.0 footer without extension or developer areas.
    out.le32(0);
    out.le32(0);
    out.bytes(kFooterSignature, sizeof kFooterSignature);
    return out.flush() ? Status::Ok : Status::WriteFailed;
}

}  // namespace pixkit
