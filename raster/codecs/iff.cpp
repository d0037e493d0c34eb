#include "raster/codecs/iff.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/codecs/bytereader.h"
#include "raster/codecs/imagebuild.h"
#include "raster/codecs/palettize.h"
#include "raster/limits.h"

namespace pixkit {

namespace {

constexpr uint32_t fourcc(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}
constexpr uint32_t ID_FORM = fourcc("FORM");
constexpr uint32_t ID_ILBM = fourcc("ILBM");
constexpr uint32_t ID_PBM = fourcc("PBM ");
constexpr uint32_t ID_BMHD = fourcc("BMHD");
constexpr uint32_t ID_CMAP = fourcc("CMAP");
constexpr uint32_t ID_CAMG = fourcc("CAMG");
constexpr uint32_t ID_CMYK = fourcc("CMYK");
constexpr uint32_t ID_BODY = fourcc("BODY");

constexpr uint32_t kCamgHam = 0x800;  // hold-and-modify
constexpr uint32_t kCamgEhb = 0x80;   // extra half-brite

constexpr uint8_t mskHasMask = 1;     // an extra mask plane follows each row's planes
constexpr uint8_t cmpNone = 0;
constexpr uint8_t cmpByteRun1 = 1;

// The BMHD chunk.
struct BitMapHeader {
    uint16_t w = 0, h = 0;          // raster width and height in pixels
    uint8_t nPlanes = 0;            // bit planes (ILBM) or 8 (PBM)
    uint8_t masking = 0;            // 0 none, 1 mask plane, 2 transparent colour, 3 lasso
    uint8_t compression = 0;        // 0 none, 1 ByteRun1
    uint16_t transparentColor = 0;  // for masking 2; a knitted motif has no holes

    bool isValid() const { return w > 0 && h > 0 && nPlanes > 0; }
};

// Bytes of one plane row: rows are padded to 16 bits.
inline std::size_t planeRowBytes(int w) { return std::size_t((w + 15) / 16) * 2; }

struct Chunks {
    uint32_t formType = 0;
    bool haveBmhd = false;
    BitMapHeader bmhd;
    const uint8_t* cmap = nullptr;
    std::size_t cmapBytes = 0;
    const uint8_t* cmyk = nullptr;  // a colour map of cyan, magenta, yellow, black
    std::size_t cmykBytes = 0;
    uint32_t camg = 0;
    const uint8_t* body = nullptr;
    std::size_t bodyBytes = 0;
};

Status parseChunks(const uint8_t* data, std::size_t size, Chunks& c) {
    ByteReader r(data, size);
    if (r.u32be() != ID_FORM) return Status::UnknownFormat;
    uint32_t formSize = r.u32be();
    c.formType = r.u32be();
    if (!r.ok()) return Status::Truncated;
    if (c.formType != ID_ILBM && c.formType != ID_PBM) return Status::Unsupported;
    // A FORM size past the end of the file: read what is there.
    std::size_t end = formSize >= 4 && formSize - 4 <= r.remaining() ? r.pos() + formSize - 4 : size;
    while (r.pos() + 8 <= end) {
        uint32_t id = r.u32be();
        uint32_t len = r.u32be();
        std::size_t avail = end - r.pos();
        std::size_t n = len < avail ? len : avail;
        const uint8_t* p = r.here();
        if (id == ID_BMHD && n >= 20) {
            ByteReader b(p, n);
            c.bmhd.w = b.u16be();
            c.bmhd.h = b.u16be();
            b.skip(4);  // x, y position
            c.bmhd.nPlanes = b.u8();
            c.bmhd.masking = b.u8();
            c.bmhd.compression = b.u8();
            b.u8();
            c.bmhd.transparentColor = b.u16be();
            c.haveBmhd = true;
        } else if (id == ID_CMAP) {
            c.cmap = p;
            c.cmapBytes = n;
        } else if (id == ID_CMYK) {
            c.cmyk = p;
            c.cmykBytes = n;
        } else if (id == ID_CAMG && n >= 4) {
            c.camg = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
        } else if (id == ID_BODY) {
            c.body = p;
            c.bodyBytes = n;
            break;
        }
        if (len > avail) break;
        r.skip(n + (n & 1 && r.remaining() > n ? 1 : 0));
    }
    if (!c.haveBmhd) return Status::Corrupt;
    if (!c.body) return Status::Truncated;
    if (!c.bmhd.isValid()) return Status::Corrupt;
    return Status::Ok;
}

// Ink amounts to the colour they leave on white paper.
inline Rgb fromCmyk(unsigned c, unsigned m, unsigned y, unsigned k) {
    const unsigned paper = 255 - k;
    return Rgb{uint8_t((255 - c) * paper / 255), uint8_t((255 - m) * paper / 255), uint8_t((255 - y) * paper / 255)};
}

// Bit k of each of 8 pixels, the first pixel in the top bit.
inline uint8_t gatherPlane(uint64_t eightPixels, int k) {
    return uint8_t((((eightPixels >> k) & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
}

}  // namespace

bool iffProbe(const uint8_t* data, std::size_t size) {
    if (size < 12) return false;
    ByteReader r(data, size);
    if (r.u32be() != ID_FORM) return false;
    r.u32be();
    uint32_t type = r.u32be();
    return type == ID_ILBM || type == ID_PBM;
}

Status iffRead(const uint8_t* data, std::size_t size, dib& out, const Progress& progress) {
    Chunks c;
    Status s = parseChunks(data, size, c);
    if (s != Status::Ok) return s;
    const BitMapHeader& bm = c.bmhd;
    const bool pbm = c.formType == ID_PBM;
    const int w = bm.w, rows = bm.h, planes = bm.nPlanes;
    if (bm.compression != cmpNone && bm.compression != cmpByteRun1) return Status::Unsupported;
    if (pbm && planes != 8) return Status::Unsupported;
    const bool ham = !pbm && (c.camg & kCamgHam) && planes >= 5 && planes <= 8;
    const bool trueColour = !pbm && (planes == 24 || planes == 32);
    if (!pbm && !trueColour && planes > 8) return Status::Unsupported;
    // Ink values: either the colour map (up to 8 planes) or, in 32 planes,
    // the pixels themselves. Anything else would show wrong colours.
    const bool cmykMap = !c.cmap && c.cmyk && !trueColour && !ham;
    const bool cmykPixels = !c.cmap && c.cmyk && planes == 32;
    if (!c.cmap && c.cmyk && !cmykMap && !cmykPixels && !(trueColour && planes == 24)) return Status::Unsupported;

    const std::size_t planeBytes = pbm ? std::size_t((w + 1) & ~1) : planeRowBytes(w);
    const int storedPlanes = pbm ? 1 : planes + (bm.masking == mskHasMask ? 1 : 0);
    const std::size_t lineBytes = planeBytes * storedPlanes;
    const int64_t bodyNeeded = int64_t(lineBytes) * rows;
    if (bm.compression == cmpNone ? int64_t(c.bodyBytes) < bodyNeeded
                                  : !compressedSizePlausible(bodyNeeded, c.bodyBytes, 64))
        return Status::Truncated;

    const int outBits = trueColour || ham ? 24 : pbm ? 8 : paletteDepthFor(planes);
    DibBuilder b;
    s = b.create(w, rows, outBits);
    if (s != Status::Ok) return s;

    // Colour map, widened to 8 bits when the writer kept only 4 (all low
    // nibbles 0), with the half-bright copies when asked for.
    Rgb colours[256] = {};
    int ncolours = int(c.cmapBytes / 3);
    if (ncolours > 256) ncolours = 256;
    bool fourBit = ncolours > 0;
    for (int i = 0; i < ncolours * 3; ++i) fourBit &= (c.cmap[i] & 0x0F) == 0;
    for (int i = 0; i < ncolours; ++i) {
        auto ch = [&](int k) {
            uint8_t v = c.cmap[3 * i + k];
            return fourBit ? uint8_t(v | (v >> 4)) : v;
        };
        colours[i] = Rgb{ch(0), ch(1), ch(2)};
    }
    if (cmykMap) {
        ncolours = int(c.cmykBytes / 4) < 256 ? int(c.cmykBytes / 4) : 256;
        for (int i = 0; i < ncolours; ++i) {
            const uint8_t* e = c.cmyk + 4 * i;
            colours[i] = fromCmyk(e[0], e[1], e[2], e[3]);
        }
    }
    if (ncolours == 0) {
        // No colour map: grey levels.
        int n = planes <= 8 ? 1 << planes : 256;
        for (int i = 0; i < n; ++i) {
            auto v = uint8_t(i * 255 / (n - 1));
            colours[i] = Rgb{v, v, v};
        }
        ncolours = n;
    }
    if (!pbm && !ham && planes == 6 && ((c.camg & kCamgEhb) || ncolours == 32)) {
        for (int i = 0; i < 32; ++i)
            colours[32 + i] = Rgb{uint8_t(colours[i].r / 2), uint8_t(colours[i].g / 2), uint8_t(colours[i].b / 2)};
        ncolours = 64;
    }
    if (outBits <= 8)
        for (int i = 0; i < (1 << outBits) && i < 256; ++i) b.setColour(i, colours[i].r, colours[i].g, colours[i].b);

    std::vector<uint8_t> line(lineBytes);
    std::vector<uint32_t> px(static_cast<std::size_t>(w));
    ByteReader body(c.body, c.bodyBytes);
    RowProgress prog(progress, rows);
    const int hamData = planes > 6 ? planes - 2 : 4;  // HAM5/6: 4 data bits, HAM7/8: 6
    for (int y = 0; y < rows; ++y) {
        for (int k = 0; k < storedPlanes; ++k) {
            uint8_t* dst = line.data() + std::size_t(k) * planeBytes;
            if (bm.compression == cmpByteRun1) {
                if (unpackBits(body, dst, planeBytes) < planeBytes) return Status::Truncated;
            } else {
                const uint8_t* p = body.take(planeBytes);
                if (!p) return Status::Truncated;
                std::memcpy(dst, p, planeBytes);
            }
        }
        uint8_t* row = b.row(y);
        if (pbm) {
            std::memcpy(row, line.data(), std::size_t(w));
            prog.row(y);
            continue;
        }
        // Planes to chunky values: plane k holds bit k.
        std::fill(px.begin(), px.end(), 0u);
        for (int k = 0; k < planes; ++k) {
            const uint8_t* pl = line.data() + std::size_t(k) * planeBytes;
            for (int x = 0; x < w; ++x) px[x] |= uint32_t((pl[x >> 3] >> (7 - (x & 7))) & 1) << k;
        }
        if (cmykPixels) {
            for (int x = 0; x < w; ++x) {
                uint32_t v = px[x];
                Rgb e = fromCmyk(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24);
                row[3 * x] = e.b;
                row[3 * x + 1] = e.g;
                row[3 * x + 2] = e.r;
            }
        } else if (trueColour) {
            for (int x = 0; x < w; ++x) {
                uint32_t v = px[x];
                unsigned a = planes == 32 ? (v >> 24) & 0xFF : 255;
                row[3 * x] = overWhite((v >> 16) & 0xFF, a);
                row[3 * x + 1] = overWhite((v >> 8) & 0xFF, a);
                row[3 * x + 2] = overWhite(v & 0xFF, a);
            }
        } else if (ham) {
            // Each pixel takes a palette colour or changes one channel of
            // the pixel to its left; every row starts from colour 0.
            Rgb cur = colours[0];
            const unsigned dataMask = (1u << hamData) - 1;
            for (int x = 0; x < w; ++x) {
                unsigned v = px[x] & dataMask, ctrl = (px[x] >> hamData) & 3;
                auto e = uint8_t((v * 255 + dataMask / 2) / dataMask);
                switch (ctrl) {
                case 0: cur = colours[v & 0xFF]; break;
                case 1: cur.b = e; break;
                case 2: cur.r = e; break;
                default: cur.g = e; break;
                }
                row[3 * x] = cur.b;
                row[3 * x + 1] = cur.g;
                row[3 * x + 2] = cur.r;
            }
        } else {
            for (int x = 0; x < w; ++x) putIndex(row, outBits, x, px[x]);
        }
        prog.row(y);
    }
    b.releaseTo(out);
    return Status::Ok;
}

Status iffWrite(const dib& d, std::FILE* f) {
    if (!d.poi || !d.pmi || !f) return Status::WriteFailed;
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    if (w <= 0 || h <= 0) return Status::WriteFailed;
    if (w > 65535 || h > 65535) return Status::TooLarge;
    if (!isWorkingDepth(bits)) return Status::Unsupported;

    Palettizer pal;
    const bool indexed = pal.buildExact(d, 256);
    const int planes = indexed ? 8 : 24;
    const std::size_t pb = planeRowBytes(w);

    long start = std::ftell(f);
    if (start < 0) return Status::WriteFailed;
    ByteWriter out(f);
    out.be32(ID_FORM);
    out.be32(0);  // filled in at the end
    out.be32(ID_ILBM);
    out.be32(ID_BMHD);
    out.be32(20);
    out.be16(uint32_t(w));
    out.be16(uint32_t(h));
    out.be16(0);
    out.be16(0);
    out.u8(uint8_t(planes));
    out.u8(0);            // no mask
    out.u8(cmpByteRun1);
    out.u8(0);
    out.be16(0);          // transparent colour
    out.u8(1);            // square pixels
    out.u8(1);
    out.be16(uint32_t(w));
    out.be16(uint32_t(h));
    long cmapBytes = 0;
    if (indexed) {
        cmapBytes = 3L * pal.count();
        out.be32(ID_CMAP);
        out.be32(uint32_t(cmapBytes));
        for (int i = 0; i < pal.count(); ++i) {
            const Rgb& c = pal.colours()[i];
            out.u8(c.r);
            out.u8(c.g);
            out.u8(c.b);
        }
        if (cmapBytes & 1) out.u8(0);
    }
    out.be32(ID_BODY);
    out.be32(0);  // filled in at the end
    const long headerBytes = 12 + 8 + 20 + (indexed ? 8 + cmapBytes + (cmapBytes & 1) : 0) + 8;

    // One row of pixels as 8-bit values per channel, padded to whole plane
    // bytes, then bit planes, each packed on its own.
    const std::size_t padded = pb * 8;
    std::vector<uint8_t> chan(padded * (indexed ? 1 : 3), 0);
    std::vector<uint8_t> plane(pb);
    std::vector<uint8_t> enc(packBitsBound(pb) * planes);
    // Planes above the palette's index bits are zero in every row: packed
    // once.
    const int livePlanes = indexed ? pal.indexBits() : planes;
    std::vector<uint8_t> zeroEnc(packBitsBound(pb));
    std::fill(plane.begin(), plane.end(), uint8_t(0));
    const std::size_t zeroLen = packBits(plane.data(), pb, zeroEnc.data());
    uint64_t bodyBytes = 0;
    const std::size_t used = usedRowBytes(w, bits);
    std::size_t n = 0;
    for (int y = 0; y < h; ++y) {
        // A row like the one above is the same bytes again.
        const uint8_t* row = d.poi + int64_t(h - 1 - y) * d.bytew;
        if (y > 0 && std::memcmp(row, row + d.bytew, used) == 0) {
            out.bytes(enc.data(), n);
            bodyBytes += n;
            continue;
        }
        if (indexed) {
            pal.mapRow(d, y, chan.data());
        } else {
            const uint8_t* px = d.poi + int64_t(h - 1 - y) * d.bytew;
            uint8_t *r = chan.data(), *g = r + padded, *bl = g + padded;
            for (int x = 0; x < w; ++x) {
                bl[x] = px[3 * x];
                g[x] = px[3 * x + 1];
                r[x] = px[3 * x + 2];
            }
        }
        n = 0;
        for (int p = 0; p < planes; ++p) {
            if (p >= livePlanes) {
                std::memcpy(enc.data() + n, zeroEnc.data(), zeroLen);
                n += zeroLen;
                continue;
            }
            const uint8_t* src = chan.data() + std::size_t(p / 8) * padded;
            int k = p % 8;
            for (std::size_t i = 0; i < pb; ++i) {
                uint64_t eight;
                std::memcpy(&eight, src + 8 * i, 8);  // little-endian: pixel 0 in the low byte
                plane[i] = gatherPlane(eight, k);
            }
            n += packBits(plane.data(), pb, enc.data() + n);
        }
        out.bytes(enc.data(), n);
        bodyBytes += n;
    }
    if (bodyBytes & 1) out.u8(0);
    if (!out.flush()) return Status::WriteFailed;
    uint64_t formBytes = uint64_t(headerBytes - 8) + bodyBytes + (bodyBytes & 1);
    if (formBytes > 0xFFFFFFFFu) return Status::TooLarge;
    auto put32 = [&](long at, uint32_t v) {
        uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        return std::fseek(f, start + at, SEEK_SET) == 0 && std::fwrite(b, 1, 4, f) == 4;
    };
    if (!put32(4, uint32_t(formBytes)) || !put32(headerBytes - 4, uint32_t(bodyBytes)) ||
        std::fseek(f, 0, SEEK_END) != 0)
        return Status::WriteFailed;
    return Status::Ok;
}

}  // namespace pixkit
