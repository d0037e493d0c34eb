#include "raster/codecs/pcx.h"

#include <cstring>
#include <vector>
#include <utility>

#include "raster/codecs/bytereader.h"
#include "raster/codecs/runs.h"
#include "raster/codecs/imagebuild.h"
#include "raster/codecs/palettize.h"
#include "raster/limits.h"

namespace pixkit {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr uint8_t kManufacturer = 0x0A;
constexpr uint8_t kPaletteMarker = 0x0C;     // precedes the 256-colour palette at the end
constexpr std::size_t kEndPaletteSize = 769;  // marker + 256 * 3

// The 128-byte file header.
struct PcxHeader {
    uint8_t Manufacturer = 0;   // 0x0A
    uint8_t Version = 0;        // 0, 2, 3, 4, 5
    uint8_t Encoding = 0;       // 1 = RLE (0 = none, rare)
    uint8_t BitsPerPixel = 0;   // per plane: 1, 2, 4, 8
    uint16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;  // window, inclusive
    uint8_t ColorMap[48] = {};  // 16-colour palette, red first
    uint8_t NPlanes = 0;        // colour planes
    uint16_t BytesPerLine = 0;  // per plane, even
    uint16_t PaletteInfo = 0;   // 1 colour, 2 grey

    int width() const { return int(XMax) - int(XMin) + 1; }
    int height() const { return int(YMax) - int(YMin) + 1; }
    bool isValid() const {
        return Manufacturer == kManufacturer && Version <= 5 && Encoding <= 1 && width() > 0 &&
               height() > 0;
    }
    bool isSupported() const {
        switch (BitsPerPixel) {
        case 1: return NPlanes >= 1 && NPlanes <= 4;
        case 2: case 4: return NPlanes == 1;
        case 8: return NPlanes == 1 || NPlanes == 3 || NPlanes == 4;
        default: return false;
        }
    }
};

PcxHeader parseHeader(ByteReader& r) {
    PcxHeader h;
    h.Manufacturer = r.u8();
    h.Version = r.u8();
    h.Encoding = r.u8();
    h.BitsPerPixel = r.u8();
    h.XMin = r.u16le();
    h.YMin = r.u16le();
    h.XMax = r.u16le();
    h.YMax = r.u16le();
    r.u16le();  // HDpi
    r.u16le();  // VDpi
    if (const uint8_t* p = r.take(48)) std::memcpy(h.ColorMap, p, 48);
    r.u8();     // reserved
    h.NPlanes = r.u8();
    h.BytesPerLine = r.u16le();
    h.PaletteInfo = r.u16le();
    r.seek(kHeaderSize);
    return h;
}

// PCX run-length scheme: a byte with both top bits set repeats the next
// byte (count in the low 6 bits); any other byte stands for itself. Runs
// may carry over from one scanline into the next.
class PcxRle {
public:
    PcxRle(ByteReader& r, bool encoded) : r_(r), encoded_(encoded) {}
    // Fills a whole scanline; false when the data ends first.
    bool readLine(uint8_t* out, std::size_t n) {
        if (!encoded_) {
            const uint8_t* p = r_.take(n);
            if (!p) return false;
            std::memcpy(out, p, n);
            return true;
        }
        std::size_t i = 0;
        while (i < n) {
            if (left_) {
                std::size_t k = left_ < n - i ? left_ : n - i;
                std::memset(out + i, value_, k);
                i += k;
                left_ -= k;
                continue;
            }
            if (r_.atEnd()) return false;
            uint8_t c = r_.u8();
            if ((c & 0xC0) == 0xC0) {
                if (r_.atEnd()) return false;
                left_ = c & 0x3F;
                value_ = r_.u8();
            } else {
                out[i++] = c;
            }
        }
        return true;
    }

private:
    ByteReader& r_;
    bool encoded_;
    std::size_t left_ = 0;
    uint8_t value_ = 0;
};

// A multi-page file (DCX): the magic number, then up to 1023 page offsets
// ending with 0. The program shows the first page, an ordinary PCX image
// that runs to the next page's offset.
constexpr uint32_t kDcxMagic = 0x3ADE68B1;

bool isDcx(const uint8_t* data, std::size_t size) {
    return size >= 8 && (data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24) == kDcxMagic;
}

// The first page's bytes, or an empty span when the table points nowhere.
std::pair<const uint8_t*, std::size_t> dcxFirstPage(const uint8_t* data, std::size_t size) {
    ByteReader r(data, size);
    r.seek(4);
    const uint32_t first = r.u32le();
    const uint32_t next = size >= 12 ? r.u32le() : 0;
    if (first < 8 || first >= size) return {nullptr, 0};
    const std::size_t end = next > first && next <= size ? next : size;
    return {data + first, end - first};
}

}  // namespace

bool pcxProbe(const uint8_t* data, std::size_t size) {
    if (isDcx(data, size)) {
        auto [page, pageSize] = dcxFirstPage(data, size);
        return page && !isDcx(page, pageSize) && pcxProbe(page, pageSize);
    }
    if (size < kHeaderSize) return false;
    ByteReader r(data, size);
    PcxHeader h = parseHeader(r);
    return h.isValid() && (h.Version == 0 || h.Version >= 2) && h.BitsPerPixel >= 1 &&
           h.BitsPerPixel <= 8 && h.NPlanes >= 1 && h.NPlanes <= 4 && h.BytesPerLine > 0;
}

Status pcxRead(const uint8_t* data, std::size_t size, dib& out, const Progress& progress) {
    if (isDcx(data, size)) {
        auto [page, pageSize] = dcxFirstPage(data, size);
        if (!page) return Status::Corrupt;
        if (isDcx(page, pageSize)) return Status::Corrupt;
        return pcxRead(page, pageSize, out, progress);
    }
    ByteReader r(data, size);
    if (size < kHeaderSize) return Status::Truncated;
    PcxHeader h = parseHeader(r);
    if (!h.isValid()) return Status::Corrupt;
    if (!h.isSupported()) return Status::Unsupported;
    const int w = h.width(), rows = h.height();
    // A line too short for its pixels cannot be decoded honestly.
    if (int64_t(h.BytesPerLine) * 8 < int64_t(w) * h.BitsPerPixel) return Status::Corrupt;
    const std::size_t lineBytes = std::size_t(h.BytesPerLine) * h.NPlanes;
    if (!compressedSizePlausible(int64_t(lineBytes) * rows, size - kHeaderSize, 32))
        return Status::Truncated;

    const int bitsPerIndex = h.BitsPerPixel * h.NPlanes;  // for palette layouts
    const bool trueColour = h.BitsPerPixel == 8 && h.NPlanes >= 3;
    const int outBits = trueColour ? 24 : paletteDepthFor(bitsPerIndex);

    DibBuilder b;
    Status s = b.create(w, rows, outBits);
    if (s != Status::Ok) return s;

    if (!trueColour) {
        if (h.BitsPerPixel == 8) {
            // 256 colours after a marker at the end of the file; grey without it.
            if (size >= kHeaderSize + kEndPaletteSize && data[size - kEndPaletteSize] == kPaletteMarker) {
                const uint8_t* p = data + size - 768;
                for (int i = 0; i < 256; ++i) b.setColour(i, p[3 * i], p[3 * i + 1], p[3 * i + 2]);
            } else {
                b.setGreyPalette();
            }
        } else if (bitsPerIndex == 1) {
            // Monochrome: the header palette is unreliable in old files.
            b.setColour(0, 0, 0, 0);
            b.setColour(1, 255, 255, 255);
        } else {
            int n = 1 << bitsPerIndex;
            for (int i = 0; i < n && i < 16; ++i)
                b.setColour(i, h.ColorMap[3 * i], h.ColorMap[3 * i + 1], h.ColorMap[3 * i + 2]);
        }
    }

    std::vector<uint8_t> line(lineBytes);
    PcxRle rle(r, h.Encoding == 1);
    RowProgress prog(progress, rows);
    const int bpl = h.BytesPerLine;
    for (int y = 0; y < rows; ++y) {
        if (!rle.readLine(line.data(), lineBytes)) return Status::Truncated;
        uint8_t* dst = b.row(y);
        if (trueColour) {
            const uint8_t *rp = line.data(), *gp = rp + bpl, *bp = gp + bpl;
            const uint8_t* ap = h.NPlanes == 4 ? bp + bpl : nullptr;
            for (int x = 0; x < w; ++x) {
                unsigned a = ap ? ap[x] : 255;
                dst[3 * x] = overWhite(bp[x], a);
                dst[3 * x + 1] = overWhite(gp[x], a);
                dst[3 * x + 2] = overWhite(rp[x], a);
            }
        } else if (h.NPlanes == 1 && h.BitsPerPixel == outBits) {
            std::memcpy(dst, line.data(), std::size_t((int64_t(w) * outBits + 7) / 8));
        } else if (h.NPlanes == 1) {  // 2 bits per pixel into 4
            for (int x = 0; x < w; ++x) putIndex(dst, outBits, x, (line[x >> 2] >> (6 - 2 * (x & 3))) & 3u);
        } else {  // 1 bit in 2..4 planes: plane k gives bit k
            for (int x = 0; x < w; ++x) {
                unsigned v = 0;
                for (int k = 0; k < h.NPlanes; ++k)
                    v |= ((line[std::size_t(k) * bpl + (x >> 3)] >> (7 - (x & 7))) & 1u) << k;
                putIndex(dst, outBits, x, v);
            }
        }
        prog.row(y);
    }
    b.releaseTo(out);
    return Status::Ok;
}

namespace {

// One plane line as PCX runs, written at out (room for 2 n bytes); returns
// the end. Runs never cross the line, and single bytes that look like a run
// count are written as runs of one.
uint8_t* encodeLine(const uint8_t* p, std::size_t n, uint8_t* out) {
    std::size_t i = 0;
    while (i < n) {
        uint8_t v = p[i];
        std::size_t run = std::size_t(runLength(p + i, int(n - i), 63, 1));
        if (run > 1 || v >= 0xC0) *out++ = uint8_t(0xC0 | run);
        *out++ = v;
        i += run;
    }
    return out;
}

void writeHeader(ByteWriter& out, int w, int h, int planes, int bpl, const Rgb* colours, int n) {
    out.u8(kManufacturer);
    out.u8(5);   // Version 3.0 with palette information
    out.u8(1);   // RLE
    out.u8(8);   // BitsPerPixel
    out.le16(0);
    out.le16(0);
    out.le16(uint32_t(w - 1));
    out.le16(uint32_t(h - 1));
    out.le16(96);
    out.le16(96);
    for (int i = 0; i < 16; ++i) {
        Rgb c = i < n ? colours[i] : Rgb{0, 0, 0};
        out.u8(c.r);
        out.u8(c.g);
        out.u8(c.b);
    }
    out.u8(0);
    out.u8(uint8_t(planes));
    out.le16(uint32_t(bpl));
    out.le16(1);  // colour
    out.le16(0);
    out.le16(0);
    out.fill(0, 54);
}

}  // namespace

Status pcxWrite(const dib& d, std::FILE* f) {
    if (!d.poi || !d.pmi || !f) return Status::WriteFailed;
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    if (w <= 0 || h <= 0) return Status::WriteFailed;
    if (w > 65535 || h > 65535) return Status::TooLarge;
    if (!isWorkingDepth(bits)) return Status::Unsupported;
    const int bpl = (w + 1) & ~1;  // even, as readers expect
    ByteWriter out(f);
    std::vector<uint8_t> line(std::size_t(bpl) * 3, 0);
    std::vector<uint8_t> enc(line.size() * 2);

    // A row like the one above is written as the same bytes again.
    const std::size_t used = usedRowBytes(w, bits);
    auto repeated = [&](int y) {
        const uint8_t* row = d.poi + int64_t(h - 1 - y) * d.bytew;
        return y > 0 && std::memcmp(row, row + d.bytew, used) == 0;
    };
    std::size_t encLen = 0;

    Palettizer pal;
    if (pal.buildExact(d, 256)) {
        writeHeader(out, w, h, 1, bpl, pal.colours(), pal.count());
        for (int y = 0; y < h; ++y) {
            if (!repeated(y)) {
                pal.mapRow(d, y, line.data());
                encLen = std::size_t(encodeLine(line.data(), std::size_t(bpl), enc.data()) - enc.data());
            }
            out.bytes(enc.data(), encLen);
        }
        out.u8(kPaletteMarker);
        for (int i = 0; i < 256; ++i) {
            Rgb c = i < pal.count() ? pal.colours()[i] : Rgb{0, 0, 0};
            out.u8(c.r);
            out.u8(c.g);
            out.u8(c.b);
        }
        return out.flush() ? Status::Ok : Status::WriteFailed;
    }

    // More than 256 colours: 24 bits as a red, a green and a blue plane.
    writeHeader(out, w, h, 3, bpl, nullptr, 0);
    for (int y = 0; y < h; ++y) {
        if (repeated(y)) {
            out.bytes(enc.data(), encLen);
            continue;
        }
        const uint8_t* px = d.poi + int64_t(h - 1 - y) * d.bytew;
        uint8_t *rp = line.data(), *gp = rp + bpl, *bp = gp + bpl;
        for (int x = 0; x < w; ++x) {
            bp[x] = px[3 * x];
            gp[x] = px[3 * x + 1];
            rp[x] = px[3 * x + 2];
        }
        uint8_t* end = enc.data();
        for (int k = 0; k < 3; ++k) end = encodeLine(line.data() + std::size_t(k) * bpl, std::size_t(bpl), end);
        encLen = std::size_t(end - enc.data());
        out.bytes(enc.data(), encLen);
    }
    return out.flush() ? Status::Ok : Status::WriteFailed;
}

}  // namespace pixkit
