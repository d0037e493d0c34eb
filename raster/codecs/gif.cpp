#include "raster/codecs/gif.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "raster/codecs/bytereader.h"
#include "raster/codecs/dibrows.h"
#include "raster/codecs/imagebuild.h"
#include "raster/codecs/palettize.h"

namespace pixkit {

namespace {

// Pixels that merged frames may add beyond one canvas' worth.
constexpr int64_t kMergeExtraPixels = int64_t(1) << 27;
constexpr int64_t kMaxLzwPixelsPerByte = 4096;

struct MemReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int readMem(GifFileType* gif, GifByteType* buf, int len) {
    auto* r = static_cast<MemReader*>(gif->UserData);
    if (len <= 0) return 0;
    size_t n = std::min(size_t(len), r->size - r->pos);
    std::memcpy(buf, r->data + r->pos, n);
    r->pos += n;
    return int(n);
}

struct GifCloser {
    GifFileType* gif = nullptr;
    ~GifCloser() {
        int err = 0;
        if (gif) DGifCloseFile(gif, &err);
    }
};

// Owns the picture being composed until it is handed out.
struct Canvas {
    dib d{};
    ~Canvas() { freedib(d); }
};

// Colour table of an image: its own, else the global one, else a grey ramp
// (files without any table exist; their indices are best read as levels).
struct Table {
    GifColorType colours[256];
    int count;
};

Table tableFor(const GifFileType* gif) {
    Table t{};
    const ColorMapObject* m = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    if (m && m->ColorCount > 0 && m->Colors) {
        t.count = std::min(m->ColorCount, 256);
        std::copy(m->Colors, m->Colors + t.count, t.colours);
    } else {
        t.count = 256;
        for (int i = 0; i < 256; ++i) t.colours[i] = GifColorType{uint8_t(i), uint8_t(i), uint8_t(i)};
    }
    return t;
}

Status toRgb(Canvas& c) {
    dib rgb;
    Status s = allocDib(rgb, dibwidth(c.d), dibheight(c.d), 24);
    if (s != Status::Ok) return s;
    for (int y = 0; y < dibheight(c.d); ++y) getBgrRow(c.d, y, dibRow(rgb, y));
    freedib(c.d);
    c.d = rgb;
    return Status::Ok;
}

// LZW decoder for the pixel data of one image, reading the data sub-blocks
// straight from memory after giflib has read the image descriptor. Our own
// because giflib refuses valid streams: code sizes up to 11 bits, and a
// code table that fills up exactly and is then used without a clear code.
class LzwLines {
public:
    LzwLines(MemReader& in, int codeSize) : in_(in), codeSize_(codeSize) {}

    // Corrupt when the code size is invalid.
    Status start() {
        if (codeSize_ < 1 || codeSize_ > 11) return Status::Corrupt;
        clear_ = 1 << codeSize_;
        for (int i = 0; i < clear_; ++i) {
            suffix_[i] = uint8_t(i);
            first_[i] = uint8_t(i);
            length_[i] = 1;
        }
        reset();
        return Status::Ok;
    }

    // Fills `n` pixels; Corrupt on an invalid code, Truncated when the data
    // ends first.
    Status line(GifPixelType* out, int n) {
        int x = 0;
        while (x < n) {
            if (pendPos_ < pendLen_) {
                int k = std::min(n - x, pendLen_ - pendPos_);
                std::memcpy(out + x, pending_ + pendPos_, size_t(k));
                pendPos_ += k;
                x += k;
                continue;
            }
            Status s = nextString();
            if (s != Status::Ok) return s;
        }
        return Status::Ok;
    }

    // Skips the remaining data blocks so the next record can be read.
    void finish() {
        while (!ended_) nextBlock();
    }

private:
    static constexpr int kMaxCodes = 4096;

    void reset() {
        bits_ = codeSize_ + 1;
        next_ = clear_ + 2;
        prev_ = -1;
    }
    void nextBlock() {
        blockPos_ = blockLen_ = 0;
        if (in_.pos >= in_.size) {
            ended_ = true;
            return;
        }
        size_t n = in_.data[in_.pos++];
        if (n == 0) {
            ended_ = true;
            return;
        }
        n = std::min(n, in_.size - in_.pos);
        block_ = in_.data + in_.pos;
        blockLen_ = int(n);
        in_.pos += n;
    }
    // Next code of `bits_` bits, least significant first; -1 when the data ends.
    int readCode() {
        while (have_ < bits_) {
            if (blockPos_ >= blockLen_) {
                if (ended_) return -1;
                nextBlock();
                continue;
            }
            acc_ |= uint32_t(block_[blockPos_++]) << have_;
            have_ += 8;
        }
        int code = int(acc_ & ((1u << bits_) - 1));
        acc_ >>= bits_;
        have_ -= bits_;
        return code;
    }
    // Decodes codes until one yields pixels, leaving them in `pending_`.
    Status nextString() {
        for (;;) {
            int code = readCode();
            if (code < 0) return Status::Truncated;
            if (code == clear_) {
                reset();
                continue;
            }
            if (code == clear_ + 1) return Status::Truncated;  // end before the last pixel
            // Palette indices stop at 255, whatever the code size.
            if (code < clear_ && code > 255) return Status::Corrupt;
            int firstChar;
            if (prev_ < 0) {
                if (code > clear_) return Status::Corrupt;
                firstChar = code;
            } else if (code < next_) {
                firstChar = first_[code];
            } else if (code == next_ && next_ < kMaxCodes) {
                firstChar = first_[prev_];
            } else {
                return Status::Corrupt;
            }
            if (prev_ >= 0 && next_ < kMaxCodes) {
                prefix_[next_] = uint16_t(prev_);
                suffix_[next_] = uint8_t(firstChar);
                first_[next_] = first_[prev_];
                length_[next_] = uint16_t(length_[prev_] + 1);
                ++next_;
                if (next_ == (1 << bits_) && bits_ < 12) ++bits_;
            }
            prev_ = code;
            int len = length_[code];
            for (int i = len - 1, c = code; i >= 0; --i) {
                pending_[i] = suffix_[c];
                c = prefix_[c];
            }
            pendLen_ = len;
            pendPos_ = 0;
            return Status::Ok;
        }
    }

    MemReader& in_;
    int codeSize_ = 0, clear_ = 0, bits_ = 0, next_ = 0, prev_ = -1;
    uint32_t acc_ = 0;
    int have_ = 0;
    const uint8_t* block_ = nullptr;
    int blockLen_ = 0, blockPos_ = 0;
    bool ended_ = false;
    uint16_t prefix_[kMaxCodes] = {};
    uint8_t suffix_[kMaxCodes] = {};
    uint8_t first_[kMaxCodes] = {};
    uint16_t length_[kMaxCodes] = {};
    uint8_t pending_[kMaxCodes] = {};
    int pendLen_ = 0, pendPos_ = 0;
};

// Reads the pixel rows of the current image into the canvas. Returns Ok, or
// the error that stopped it (the rows before it are in the canvas).
Status decodeImage(GifFileType* gif, Canvas& c, const Table& t, int transparent, bool indexed,
                   const Progress& progress, bool report) {
    const GifImageDesc& im = gif->Image;
    const int sw = dibwidth(c.d), sh = dibheight(c.d);
    auto& in = *static_cast<MemReader*>(gif->UserData);
    auto lzw = std::make_unique<LzwLines>(in, in.pos > 0 ? in.data[in.pos - 1] : 0);
    if (im.Width <= 0 || im.Height <= 0) {
        lzw->finish();
        return Status::Ok;
    }
    Status st = lzw->start();
    if (st != Status::Ok) return st;
    std::vector<GifPixelType> line(static_cast<size_t>(im.Width));
    std::vector<uint8_t> idxRow(indexed ? size_t(sw) : 0);
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    const int passes = im.Interlace ? 4 : 1;
    int done = 0;
    for (int p = 0; p < passes; ++p) {
        for (int r = im.Interlace ? start[p] : 0; r < im.Height; r += im.Interlace ? step[p] : 1) {
            st = lzw->line(line.data(), im.Width);
            if (st != Status::Ok) return st;
            if (report && progress) progress(im.Height > 1 ? done * 100 / (im.Height - 1) : 100);
            ++done;
            for (int x = 0; x < im.Width; ++x)
                if (line[size_t(x)] >= t.count && line[size_t(x)] != transparent) return Status::Corrupt;
            const int y = im.Top + r;
            if (y < 0 || y >= sh) continue;
            const int x0 = std::max(0, im.Left), x1 = std::min(sw, im.Left + im.Width);
            if (x0 >= x1) continue;
            if (indexed) {
                getIndexRow(c.d, y, idxRow.data());
                for (int x = x0; x < x1; ++x) idxRow[size_t(x)] = line[size_t(x - im.Left)];
                putIndexRow(c.d, y, idxRow.data());
            } else {
                uint8_t* row = dibRow(c.d, y);
                for (int x = x0; x < x1; ++x) {
                    int v = line[size_t(x - im.Left)];
                    if (v == transparent) continue;
                    const GifColorType& col = t.colours[v];
                    row[3 * x] = col.Blue;
                    row[3 * x + 1] = col.Green;
                    row[3 * x + 2] = col.Red;
                }
            }
        }
    }
    lzw->finish();
    return Status::Ok;
}

Status readFirstFrame(GifFileType* gif, Canvas& c, const Progress& progress) {
    const int sw = gif->SWidth, sh = gif->SHeight;
    if (sw <= 0 || sh <= 0) return Status::Corrupt;
    // The screen is filled with background around the first image: a few
    // bytes may not claim a huge one. (LZW packs at most about 2700 pixels
    // into a byte.)
    const size_t fileBytes = static_cast<MemReader*>(gif->UserData)->size;
    if (!compressedSizePlausible(int64_t(sw) * sh, fileBytes, kMaxLzwPixelsPerByte)) return Status::Truncated;
    int transparent = -1, delay = 0;
    int images = 0;
    // Frames without delay are merged; the pixels they may cover together
    // are bounded so that a small file cannot stack up minutes of work.
    const int64_t mergeBudget = int64_t(sw) * sh + kMergeExtraPixels;
    int64_t merged = 0;
    bool terminated = false;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) break;
        if (type == TERMINATE_RECORD_TYPE) {
            terminated = true;
            break;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) break;
            bool first = true;
            while (ext) {
                if (first && code == GRAPHICS_EXT_FUNC_CODE && ext[0] >= 4) {
                    GraphicsControlBlock gcb;
                    if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) {
                        transparent = gcb.TransparentColor;
                        delay = gcb.DelayTime;
                    }
                }
                first = false;
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return images ? Status::Ok : Status::Truncated;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) break;
        auto& in = *static_cast<MemReader*>(gif->UserData);
        const size_t descStart = in.pos;
        if (DGifGetImageDesc(gif) == GIF_ERROR) {
            // giflib stops at code sizes over 8 after reading the whole
            // descriptor; those up to 11 are valid and ours to decode.
            const ColorMapObject* local = gif->Image.ColorMap;
            const size_t descBytes = 9 + (local ? 3 * size_t(local->ColorCount) : 0) + 1;
            const bool wideCodes = gif->Error == D_GIF_ERR_READ_FAILED && in.pos == descStart + descBytes &&
                                   in.data[in.pos - 1] > 8 && in.data[in.pos - 1] <= 11;
            if (!wideCodes) return images ? Status::Ok : Status::Corrupt;
        }
        const GifImageDesc& im = gif->Image;
        Table t = tableFor(gif);
        merged += int64_t(std::max(0, im.Width)) * std::max(0, im.Height);
        if (images > 0 && merged > mergeBudget) break;
        if (images == 0) {
            bool covers = im.Left <= 0 && im.Top <= 0 && im.Left + im.Width >= sw && im.Top + im.Height >= sh;
            // A transparent index beyond the table still marks its pixels
            // transparent, so its entry (white) joins the palette.
            bool tValid = transparent >= 0 && transparent < 256;
            int num = tValid ? std::max(t.count, transparent + 1) : t.count;
            int fill = -1;
            if (!covers) fill = tValid ? transparent : num < 256 ? num : -1;
            if (fill == num) num = num + 1;
            bool indexed = covers || fill >= 0;
            Status s = allocDib(c.d, sw, sh, indexed ? bitsForColours(num) : 24);
            if (s != Status::Ok) return s;
            if (indexed) {
                for (int i = 0; i < t.count; ++i)
                    setDibColour(c.d, i, t.colours[i].Red, t.colours[i].Green, t.colours[i].Blue);
                if (tValid) setDibColour(c.d, transparent, 255, 255, 255);
                if (fill >= 0) {
                    setDibColour(c.d, fill, 255, 255, 255);
                    std::vector<uint8_t> row(static_cast<size_t>(sw), static_cast<uint8_t>(fill));
                    for (int y = 0; y < sh; ++y) putIndexRow(c.d, y, row.data());
                }
                setDibColourCount(c.d, num);
            } else {
                std::memset(c.d.poi, 0xFF, size_t(c.d.bytew) * size_t(sh));
            }
            Status r = decodeImage(gif, c, t, transparent, indexed, progress, true);
            if (r == Status::Corrupt) return r;
            images = 1;
            if (r != Status::Ok) return Status::Ok;  // keep what arrived
        } else {
            if (dibbitcount(c.d) != 24) {
                Status s = toRgb(c);
                if (s != Status::Ok) return s;
            }
            Status r = decodeImage(gif, c, t, transparent, false, progress, false);
            ++images;
            if (r != Status::Ok) return Status::Ok;
        }
        // An image with a delay is shown on its own before the next comes.
        if (delay > 0) break;
        transparent = -1;
        delay = 0;
    }
    if (images) return Status::Ok;
    // A complete file without any image shows its empty screen.
    if (terminated) {
        Status s = allocDib(c.d, sw, sh, 1);
        if (s != Status::Ok) return s;
        setDibColour(c.d, 0, 255, 255, 255);
        setDibColourCount(c.d, 1);
        return Status::Ok;
    }
    return gif->Error == D_GIF_ERR_READ_FAILED ? Status::Truncated : Status::Corrupt;
}

}  // namespace

bool gifProbe(const uint8_t* data, size_t size) {
    return size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

Status gifRead(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    out = dib{};
    if (!gifProbe(data, size)) return Status::UnknownFormat;
    MemReader reader{data, size, 0};
    int err = 0;
    GifCloser closer;
    closer.gif = DGifOpen(&reader, readMem, &err);
    if (!closer.gif) return err == D_GIF_ERR_NOT_ENOUGH_MEM ? Status::NoMemory : Status::Truncated;
    Canvas c;
    Status s = readFirstFrame(closer.gif, c, progress);
    if (s != Status::Ok) return s;
    out = c.d;
    c.d = dib{};
    return Status::Ok;
}

namespace {

// GIF's LZW, code for code as the usual encoders write it: a clear code
// first, the code width grows once the next free code no longer fits it,
// and when code 4095 would be assigned a clear code is sent instead. The string table is a
// direct array over (prefix code, pixel) whose 16-bit entries carry the
// table's generation in their top four bits, so that only every fifteenth
// clear wipes it: per pixel one load, where a hash table costs a probe
// sequence. That array is up to 2 MB, and each look-up waits for the one
// before it; charts are mostly runs of one colour, so a string followed by
// its own last pixel is kept apart in 12 KB that stay in the first-level
// cache. Each (prefix, pixel) pair lives in exactly one of the two, so the
// codes are those of the one table.
class LzwEncoder {
public:
    // `columnBits`: the pixels are below 1 << columnBits (at most codeSize):
    // the table has a column per pixel value that occurs, not per code.
    LzwEncoder(ByteWriter& out, int codeSize, int columnBits)
        : out_(out), codeSize_(codeSize), columnBits_(columnBits), clear_(1u << codeSize), mask_((1u << codeSize) - 1),
          table_(std::size_t(kCodes) << columnBits, uint16_t(0)) {
        for (uint32_t c = 0; c < clear_; ++c) lastPixel_[c] = uint8_t(c);
        reset();
        put(clear_);
    }

    void pixels(const uint8_t* p, std::size_t n) {
        std::size_t i = 0;
        if (cur_ == kNone) {
            if (n == 0) return;
            cur_ = p[i++] & mask_;
        }
        uint32_t cur = cur_, tag = stamp_ << 12;
        for (; i < n; ++i) {
            const uint32_t px = p[i] & mask_;
            if (px == lastPixel_[cur]) {  // the run goes on
                if (const uint16_t same = sameNext_[cur]) {
                    cur = same;
                    continue;
                }
                put(cur);
                if (next_ >= kCodes - 1) {
                    put(clear_);
                    reset();
                    tag = stamp_ << 12;
                } else {
                    sameNext_[cur] = uint16_t(next_);
                    lastPixel_[next_++] = uint8_t(px);
                }
                cur = px;
                continue;
            }
            uint16_t& slot = table_[(std::size_t(cur) << columnBits_) | px];
            if ((slot & 0xF000u) == tag) {
                cur = slot & 0xFFFu;
                continue;
            }
            put(cur);
            if (next_ >= kCodes - 1) {
                put(clear_);
                reset();
                tag = stamp_ << 12;
            } else {
                lastPixel_[next_] = uint8_t(px);
                slot = uint16_t(tag | next_++);
            }
            cur = px;
        }
        cur_ = cur;
    }

    // Last code, end code, the bits left over and the empty block that ends
    // the image data.
    void finish() {
        if (cur_ != kNone) put(cur_);
        put(clear_ + 1);
        if (bits_ > 0) byte(uint8_t(acc_));
        acc_ = bits_ = 0;
        if (blockLen_) out_.bytes(block_, blockLen_ + 1u);
        out_.u8(0);
    }

private:
    static constexpr uint32_t kCodes = 4096;
    static constexpr uint32_t kNone = ~0u;

    void reset() {
        next_ = clear_ + 2;
        width_ = codeSize_ + 1;
        limit_ = 1u << width_;
        sameNext_.fill(0);  // no code assigned is 0
        if (++stamp_ == 16) {  // generations used up
            std::fill(table_.begin(), table_.end(), uint16_t(0));
            stamp_ = 1;
        }
    }

    void put(uint32_t code) {
        acc_ |= uint64_t(code) << bits_;
        bits_ += width_;
        while (bits_ >= 8) {
            byte(uint8_t(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
        if (next_ >= limit_) limit_ = 1u << ++width_;
    }

    // Image data goes out in blocks of up to 255 bytes, each after its length.
    void byte(uint8_t b) {
        if (blockLen_ == 255) {
            block_[0] = 255;
            out_.bytes(block_, 256);
            blockLen_ = 0;
        }
        block_[++blockLen_] = b;
        block_[0] = uint8_t(blockLen_);
    }

    ByteWriter& out_;
    const int codeSize_, columnBits_;
    const uint32_t clear_, mask_;
    std::vector<uint16_t> table_;  // generation << 12 | code
    std::array<uint16_t, kCodes> sameNext_;  // code of string + its own last pixel; 0 none
    std::array<uint8_t, kCodes> lastPixel_{};
    uint32_t stamp_ = 0;
    uint32_t next_ = 0, width_ = 0, limit_ = 0;
    uint32_t cur_ = kNone;
    uint64_t acc_ = 0;
    int bits_ = 0;
    uint8_t block_[256] = {};
    unsigned blockLen_ = 0;
};

}  // namespace

Status gifWrite(const dib& d, std::FILE* f) {
    const int w = dibwidth(d), h = dibheight(d);
    if (!d.poi || !f) return Status::WriteFailed;
    if (w > 65535 || h > 65535) return Status::TooLarge;
    if (w <= 0 || h <= 0) return Status::WriteFailed;
    Palettizer p;
    if (!p.buildExact(d, 256)) p.buildQuantized(d, 256);
    const int bits = std::max(1, p.indexBits());
    const int entries = 1 << bits;

    ByteWriter out(f);
    const uint8_t signature[6] = {'G', 'I', 'F', '8', '7', 'a'};
    out.bytes(signature, sizeof signature);
    out.le16(uint32_t(w));
    out.le16(uint32_t(h));
    out.u8(uint8_t(0x80 | ((bits - 1) << 4) | (bits - 1)));  // global table, its depth as colour resolution
    out.u8(0);                                                // background
    out.u8(0);                                                // aspect
    for (int i = 0; i < entries; ++i) {
        Rgb c = i < p.count() ? p.colours()[i] : Rgb{0, 0, 0};
        out.u8(c.r);
        out.u8(c.g);
        out.u8(c.b);
    }
    out.u8(',');
    out.le16(0);
    out.le16(0);
    out.le16(uint32_t(w));
    out.le16(uint32_t(h));
    out.u8(0);  // no local table, not interlaced
    const int codeSize = std::max(2, bits);
    out.u8(uint8_t(codeSize));
    {
        int columnBits = 1;
        while ((1 << columnBits) < p.count()) ++columnBits;
        LzwEncoder lzw(out, codeSize, std::min(columnBits, codeSize));
        std::vector<uint8_t> idx(static_cast<size_t>(w));
        const std::size_t used = usedRowBytes(w, dibbitcount(d));
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = d.poi + int64_t(h - 1 - y) * d.bytew;
            // A row like the one above has the same indices.
            if (y == 0 || std::memcmp(row, row + d.bytew, used) != 0) p.mapRow(d, y, idx.data());
            lzw.pixels(idx.data(), idx.size());
        }
        lzw.finish();
    }
    out.u8(';');
    bool ok = out.flush();
    if (ok && (std::fflush(f) != 0 || std::ferror(f))) ok = false;
    return ok ? Status::Ok : Status::WriteFailed;
}

}  // namespace pixkit
