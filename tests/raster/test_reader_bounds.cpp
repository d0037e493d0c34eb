// Damaged, truncated and hostile inputs built by the test: readers give what
// the data holds, bound their work and memory by the data, and do not refuse
// valid pictures at the edges of their formats.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <zlib.h>

#include "raster/PixKit3.h"
#include "raster/codecs/dispatch.h"
#include "raster/codecs/gif.h"
#include "raster/codecs/jpeg.h"
#include "raster/codecs/png.h"
#include "raster/memblock.h"
#include "support/blockguard.h"
#include "support/bytebuilder.h"
#include "support/refimage.h"

using pixkit::Status;

namespace {

using ReadFn = Status (*)(const uint8_t*, std::size_t, dib&, const pixkit::Progress&);

// Small picture with a diagonal gradient, encoded by libjpeg.
std::vector<uint8_t> encodeJpeg(int w, int h, bool grey, bool progressive) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t((y * 4 + int(i)) & 0xFF);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(buf, buf + size);
    std::free(buf);
    return out;
}

std::size_t findMarker(const std::vector<uint8_t>& v, uint8_t m) {
    for (std::size_t i = 2; i + 1 < v.size(); ++i)
        if (v[i] == 0xFF && v[i + 1] == m) return i;
    return 0;
}

void patchSize(std::vector<uint8_t>& v, uint8_t sof, unsigned w, unsigned h) {
    std::size_t at = findMarker(v, sof);
    ASSERT_NE(at, 0u);
    v[at + 5] = uint8_t(h >> 8), v[at + 6] = uint8_t(h), v[at + 7] = uint8_t(w >> 8), v[at + 8] = uint8_t(w);
}

std::vector<uint8_t> comSegments(int count) {
    ByteBuilder b;
    for (int i = 0; i < count; ++i) b.bytes({0xFF, 0xFE}).be16(65000).fill(64998, 'x');
    return b.v;
}

struct Read {
    dib d{};
    Status status;
    Read(ReadFn fn, const std::vector<uint8_t>& v) : status(fn(v.data(), v.size(), d, {})) {}
    ~Read() { freedib(d); }
};

TEST(ReaderBounds, DamagedJpegsShowWhatTheyHold) {
    BlockGuard guard;
    const std::vector<uint8_t> intact = encodeJpeg(64, 64, false, false);
    Read whole(pixkit::jpegRead, intact);
    ASSERT_EQ(whole.status, Status::Ok);

    std::vector<uint8_t> badFirstMarker = intact;
    badFirstMarker[2] = 0x00;  // FF E0 of the JFIF header hit
    std::vector<uint8_t> fatalLater = intact;
    // A second frame header inside the data: libjpeg gives up when it reads
    // it, after the rows before it are out.
    std::size_t sos = findMarker(intact, 0xDA);
    std::size_t sof = findMarker(intact, 0xC0);
    std::size_t cut = sos + (intact.size() - sos) * 6 / 10;
    fatalLater.insert(fatalLater.begin() + long(cut), intact.begin() + long(sof), intact.begin() + long(sof) + 19);

    for (const auto* v : {&badFirstMarker, &fatalLater}) {
        Read r(pixkit::jpegRead, *v);
        ASSERT_EQ(r.status, Status::Ok) << (v == &fatalLater ? "fatal error after some rows" : "first marker");
        for (int x = 0; x < 64; x += 7) EXPECT_EQ(getpixel(r.d, x, 0), getpixel(whole.d, x, 0)) << x;
    }
    EXPECT_FALSE(pixkit::jpegProbe(reinterpret_cast<const uint8_t*>("\xFF\xD8 plain text"), 13));
}

TEST(ReaderBounds, TinyFilesDeclaringHugePicturesAllocateNothing) {
    BlockGuard guard;
    std::vector<uint8_t> jpeg = encodeJpeg(16, 16, false, false), prog = encodeJpeg(16, 16, false, true);
    patchSize(jpeg, 0xC0, 16000, 16000);
    patchSize(prog, 0xC2, 16000, 16000);
    ByteBuilder png;
    png.bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    auto chunk = [&png](const char* type, const std::vector<uint8_t>& data) {
        png.be32(uint32_t(data.size()));
        std::size_t from = png.size();
        png.str(type).append(data);
        png.be32(uint32_t(crc32(0, png.data() + from, uInt(png.size() - from))));
    };
    chunk("IHDR", ByteBuilder().be32(16000).be32(16000).bytes({8, 2, 0, 0, 0}).v);
    chunk("IDAT", std::vector<uint8_t>(2000, 0));
    chunk("IEND", {});
    memblock::resetPeak();
    const std::size_t before = memblock::liveBytes();
    for (auto [fn, v] : {std::pair<ReadFn, std::vector<uint8_t>>{pixkit::jpegRead, jpeg}, {pixkit::jpegRead, prog},
                         {pixkit::pngRead, png.v}}) {
        Read r(fn, v);
        EXPECT_EQ(r.status, Status::Truncated) << v.size();
    }
    EXPECT_LT(memblock::peakBytes(), before + (1u << 20)) << "allocated by a size the file only declares";
}

TEST(ReaderBounds, ProgressiveScansAreBoundedByTheBlocksTheyVisit) {
    BlockGuard guard;
    // 8000 x 8000 grey (a million blocks), data enough to be plausible, then
    // 900 empty scans over every block: read the picture from the scans
    // within the budget instead of visiting a billion blocks.
    std::vector<uint8_t> v = encodeJpeg(8, 8, true, true);
    patchSize(v, 0xC2, 8000, 8000);
    v.resize(v.size() - 2);  // EOI
    std::vector<uint8_t> pad = comSegments(2);
    v.insert(v.begin() + 2, pad.begin(), pad.end());
    ByteBuilder scans;
    for (int i = 0; i < 900; ++i) scans.bytes({0xFF, 0xDA, 0, 8, 1, 1, 0x00, 1, 63, 0x00});
    scans.bytes({0xFF, 0xD9});
    v.insert(v.end(), scans.v.begin(), scans.v.end());
    Read r(pixkit::jpegRead, v);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(dibwidth(r.d), 8000);
}

// GIF image data packed by the test: codes of the widths the decoder
// expects, least significant bit first, in sub-blocks.
struct LzwWriter {
    int codeSize, bits, next = 0;
    uint32_t acc = 0;
    int have = 0;
    std::vector<uint8_t> bytes;
    explicit LzwWriter(int size) : codeSize(size), bits(size + 1), next((1 << size) + 2) {}
    void put(int code, bool addsEntry) {
        acc |= uint32_t(code) << have;
        for (have += bits; have >= 8; have -= 8, acc >>= 8) bytes.push_back(uint8_t(acc));
        if (addsEntry && next < 4096 && ++next == (1 << bits) && bits < 12) ++bits;
    }
    std::vector<uint8_t> blocks() {
        if (have > 0) bytes.push_back(uint8_t(acc));
        ByteBuilder b;
        b.u8(unsigned(codeSize));
        for (std::size_t i = 0; i < bytes.size(); i += 255) {
            std::size_t n = std::min<std::size_t>(255, bytes.size() - i);
            b.u8(unsigned(n)).append(std::vector<uint8_t>(bytes.begin() + long(i), bytes.begin() + long(i + n)));
        }
        return b.u8(0).v;
    }
};

// `pixels` pixels of index v as ever longer runs: the table fills up and
// stays full (no clear code), its longest strings are used again.
std::vector<uint8_t> solidImage(int v, int64_t pixels) {
    LzwWriter w(8);
    w.put(v, false);
    int64_t done = 1;
    for (int code = 258; done < pixels; code = code < 4095 ? code + 1 : code) {
        w.put(code, true);
        done += code - 256;  // code 258 stands for 2 pixels, each next one more
    }
    w.put(257, false);
    return w.blocks();
}

ByteBuilder gifScreen(int w, int h) {
    ByteBuilder b;
    b.str("GIF89a").le16(unsigned(w)).le16(unsigned(h)).bytes({0xF7, 0, 0});
    for (int i = 0; i < 256; ++i) b.bytes({unsigned(i), unsigned(255 - i), 0});
    return b;
}

TEST(ReaderBounds, GifCodeTablesFullOrWideAreValid) {
    BlockGuard guard;
    // 9-bit code size (giflib stops at 8) and a table that fills up and is
    // used without a clear code.
    LzwWriter wide(9);
    for (int c : {512, 1, 2, 3, 0}) wide.put(c, c != 512 && c != 1);
    wide.put(513, false);
    ByteBuilder a = gifScreen(2, 2);
    a.bytes({0x2C}).le16(0).le16(0).le16(2).le16(2).u8(0).append(wide.blocks()).u8(0x3B);
    ByteBuilder b = gifScreen(3000, 3000);
    b.bytes({0x2C}).le16(0).le16(0).le16(3000).le16(3000).u8(0).append(solidImage(7, 9000000)).u8(0x3B);
    for (const auto* g : {&a, &b}) {
        Read r(pixkit::gifRead, g->v);
        ASSERT_EQ(r.status, Status::Ok) << dibwidth(r.d);
        EXPECT_EQ(getpixel(r.d, 1, 1), g == &a ? 0u : 7u);
        EXPECT_EQ(getpixel(r.d, 0, dibheight(r.d) - 1), g == &a ? 3u : 7u);
    }
    for (const char* file : {"pillow/gif/issue_2811.gif", "gif-pygif/max-codes.gif"}) {
        std::string path = refimage::testdata(file);
        if (!refimage::exists(path)) continue;
        Read r(pixkit::gifRead, refimage::readFile(path));
        EXPECT_EQ(r.status, Status::Ok) << file;
    }
}

TEST(ReaderBounds, MergedGifFramesAreBoundedByTheCanvas) {
    BlockGuard guard;
    // 250 full-canvas frames without delay, frame k in colour k: merging
    // stops long before the last frame.
    ByteBuilder g = gifScreen(2000, 2000);
    for (int k = 0; k < 250; ++k)
        g.bytes({0x2C}).le16(0).le16(0).le16(2000).le16(2000).u8(0).append(solidImage(k, 4000000));
    g.u8(0x3B);
    Read r(pixkit::gifRead, g.v);
    ASSERT_EQ(r.status, Status::Ok);
    const unsigned red = getr(getpixel(r.d, 0, 0));
    EXPECT_GT(red, 0u) << "only the first frame";
    EXPECT_LT(red, 249u) << "all 250 frames merged";
}

TEST(ReaderBounds, LargeInterlacedPngOpens) {
    BlockGuard guard;
    // 9500 x 9500 RGB, Adam7: its rows alone pass the old row-buffer limit.
    const int n = 9500;
    static const int x0[7] = {0, 4, 0, 2, 0, 1, 0}, dx[7] = {8, 8, 4, 4, 2, 2, 1};
    static const int y0[7] = {0, 0, 4, 0, 2, 0, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    z_stream z{};
    ASSERT_EQ(deflateInit(&z, 1), Z_OK);
    std::vector<uint8_t> idat(1 << 20), row;
    std::vector<uint8_t> out;
    auto feed = [&](const uint8_t* p, std::size_t len, int flush) {
        z.next_in = const_cast<uint8_t*>(p);
        z.avail_in = uInt(len);
        do {
            z.next_out = idat.data();
            z.avail_out = uInt(idat.size());
            deflate(&z, flush);
            out.insert(out.end(), idat.data(), z.next_out);
        } while (z.avail_out == 0);
    };
    for (int p = 0; p < 7; ++p) {
        int w = (n - x0[p] + dx[p] - 1) / dx[p], h = (n - y0[p] + dy[p] - 1) / dy[p];
        row.assign(1 + size_t(w) * 3, uint8_t(p * 30));
        row[0] = 0;
        for (int y = 0; y < h; ++y) feed(row.data(), row.size(), Z_NO_FLUSH);
    }
    feed(nullptr, 0, Z_FINISH);
    deflateEnd(&z);
    ByteBuilder png;
    png.bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    auto chunk = [&png](const char* type, const std::vector<uint8_t>& data) {
        png.be32(uint32_t(data.size()));
        std::size_t from = png.size();
        png.str(type).append(data);
        png.be32(uint32_t(crc32(0, png.data() + from, uInt(png.size() - from))));
    };
    chunk("IHDR", ByteBuilder().be32(n).be32(n).bytes({8, 2, 0, 0, 1}).v);
    chunk("IDAT", out);
    chunk("IEND", {});
    Read r(pixkit::pngRead, png.v);
    ASSERT_EQ(r.status, Status::Ok) << pixkit::statusText(r.status);
    // Pixel (x, y) comes from the pass that owns it.
    EXPECT_EQ(getr(getpixel(r.d, 0, 0)), 0u);
    EXPECT_EQ(getr(getpixel(r.d, 4, 0)), 30u);
    EXPECT_EQ(getr(getpixel(r.d, 1, 1)), 180u);
    EXPECT_EQ(getr(getpixel(r.d, n - 1, n - 1)), 180u);
}

}  // namespace

TEST(FirstUsePartialRead, JpegCutShortIsMarkedPartialAndWholeOnesAreNot) {
    BlockGuard guard;
    const std::vector<uint8_t> intact = encodeJpeg(64, 64, false, false);
    const std::size_t sos = findMarker(intact, 0xDA);
    std::vector<uint8_t> noEnd(intact.begin(), intact.end() - 2);  // only the end marker lost
    std::vector<uint8_t> half(intact.begin(), intact.begin() + long(sos + (intact.size() - sos) / 2));
    std::vector<uint8_t> fatalLater = intact;
    const std::size_t sof = findMarker(intact, 0xC0);
    fatalLater.insert(fatalLater.begin() + long(sos + (intact.size() - sos) * 6 / 10), intact.begin() + long(sof),
                      intact.begin() + long(sof) + 19);
    const struct {
        const char* what;
        const std::vector<uint8_t>* data;
        bool partial;
    } cases[] = {
        {"intact", &intact, false},         {"no end marker", &noEnd, false},
        {"half the data", &half, true},     {"fatal error after some rows", &fatalLater, true},
    };
    for (const auto& c : cases) {
        Read r(pixkit::jpegRead, *c.data);
        ASSERT_EQ(r.status, Status::Ok) << c.what;
        EXPECT_EQ(dibpartial(r.d), c.partial) << c.what;
    }
    // OpenDib hands the mark on; a record without pixels is never partial.
    dib opened{};
    OpenDibMemory(&opened, half.data(), half.size(), nullptr);
    EXPECT_TRUE(dibpartial(opened));
    freedib(opened);
    dib none{};
    none.readflags = kDibPartial;
    EXPECT_FALSE(dibpartial(none));
}
