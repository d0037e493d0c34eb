#include "raster/codecs/png.h"

#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

#include "raster/codecs/dibrows.h"
#include "raster/codecs/imagebuild.h"
#include "raster/limits.h"

namespace pixkit {

namespace {

// Ancillary chunks (text, profiles) larger than this are a sign of a hostile
// file; the picture itself is not limited by it.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;
// zlib's deflate cannot pack more than about 1032 bytes into one.
constexpr int64_t kMaxInflateRatio = 1032;

struct MemSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
    bool ranOut;
};

void readMem(png_structp png, png_bytep buf, png_size_t n) {
    auto* m = static_cast<MemSource*>(png_get_io_ptr(png));
    if (n > m->size - m->pos) {
        m->ranOut = true;
        png_error(png, "unexpected end of data");
    }
    std::memcpy(buf, m->data + m->pos, n);
    m->pos += n;
}

void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

enum class Kind { Palette, Grey, GreyAlpha, Rgb, Rgba };

// State that must survive a longjmp sits here, in the caller's frame.
struct Job {
    MemSource src;
    dib* out;
    const Progress* progress;
    std::vector<uint8_t>* rows;  // one row, or the whole image when interlaced
    Status status;
    bool gotRows;                // some rows are in the record already
};

void storeRow(const dib& d, Kind kind, int y, const uint8_t* src, int w) {
    uint8_t* dst = dibRow(d, y);
    switch (kind) {
    case Kind::Palette:
        putIndexRow(d, y, src);
        break;
    case Kind::Grey:
        std::memcpy(dst, src, size_t(w));
        break;
    case Kind::GreyAlpha:
        for (int x = 0; x < w; ++x) dst[x] = overWhite(src[2 * x], src[2 * x + 1]);
        break;
    case Kind::Rgb:
        std::memcpy(dst, src, size_t(w) * 3);
        break;
    case Kind::Rgba:
        for (int x = 0; x < w; ++x) {
            unsigned a = src[4 * x + 3];
            dst[3 * x] = overWhite(src[4 * x], a);
            dst[3 * x + 1] = overWhite(src[4 * x + 1], a);
            dst[3 * x + 2] = overWhite(src[4 * x + 2], a);
        }
        break;
    }
}

void runRead(Job* job) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png) {
        job->status = Status::NoMemory;
        return;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        job->status = Status::NoMemory;
        return;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        // A stream that broke off after some rows keeps them (white below).
        if (job->gotRows && job->src.ranOut && dibvalid(*job->out)) job->status = Status::Ok;
        else job->status = job->src.ranOut ? Status::Truncated : Status::Corrupt;
        return;
    }
    png_set_read_fn(png, &job->src, readMem);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);

    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    Kind kind;
    int bits = 24;
    int paletteCount = 0;
    png_colorp palette = nullptr;
    if (colour == PNG_COLOR_TYPE_PALETTE) {
        if (!png_get_PLTE(png, info, &palette, &paletteCount) || paletteCount <= 0) png_error(png, "no palette");
        kind = Kind::Palette;
        png_set_packing(png);
        bits = bitsForColours(1 << depth);
    } else if (colour == PNG_COLOR_TYPE_GRAY && !trns) {
        kind = Kind::Grey;
        bits = 8;
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    } else if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) {
        kind = Kind::GreyAlpha;
        bits = 8;
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (trns) png_set_tRNS_to_alpha(png);
    } else {
        kind = (colour & PNG_COLOR_MASK_ALPHA) || trns ? Kind::Rgba : Kind::Rgb;
        if (trns) png_set_tRNS_to_alpha(png);
        png_set_bgr(png);
    }
    // The compressed data must be able to fill the picture before a large
    // one is allocated: a few bytes may not claim gigabytes.
    const int channels = colour == PNG_COLOR_TYPE_PALETTE ? 1 : png_get_channels(png, info);
    const int64_t rawBytes = ((int64_t(w) * channels * depth + 7) / 8 + 1) * int64_t(h);
    Status s = Status::Ok;
    // (A picture over the limits is refused as too large by allocDib.)
    if (decodeSizeOk(w, h, bits) && int64_t(w) * h > kSmallPicturePixels &&
        rawBytes / kMaxInflateRatio > int64_t(job->src.size))
        s = Status::Truncated;

    if (depth == 16) png_set_scale_16(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    // Interlaced rows go straight into the record when its layout is what
    // libpng delivers; the others need the whole image once more.
    const bool direct = kind == Kind::Grey || kind == Kind::Rgb || (kind == Kind::Palette && bits == 8);
    if (s == Status::Ok && passes > 1 && !direct && int64_t(rowBytes) * h > kMaxDecodeBytes) s = Status::TooLarge;

    if (s == Status::Ok) s = allocDib(*job->out, w, h, bits);
    if (s != Status::Ok) {
        png_destroy_read_struct(&png, &info, nullptr);
        job->status = s;
        return;
    }
    dib& out = *job->out;
    if (kind != Kind::Palette) std::memset(out.poi, 0xFF, size_t(out.bytew) * h);
    if (kind == Kind::Grey || kind == Kind::GreyAlpha) {
        setGreyPalette(out);
    } else if (kind == Kind::Palette) {
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        png_color_16p unusedColour = nullptr;
        if (trns) png_get_tRNS(png, info, &alpha, &alphaCount, &unusedColour);
        for (int i = 0; i < paletteCount && i < 256; ++i) {
            unsigned a = i < alphaCount && alpha ? alpha[i] : 255;
            setDibColour(out, i, overWhite(palette[i].red, a), overWhite(palette[i].green, a),
                         overWhite(palette[i].blue, a));
        }
        setDibColourCount(out, paletteCount < (1 << bits) ? paletteCount : (1 << bits));
    }
    const int iw = int(w), ih = int(h);
    const Progress& progress = *job->progress;
    if (passes > 1 && direct) {
        // Each pass sets only its own pixels of the row it is given.
        for (int p = 0; p < passes; ++p) {
            for (int y = 0; y < ih; ++y) png_read_row(png, dibRow(out, y), nullptr);
            if (progress) progress(p * 100 / passes);
        }
    } else if (passes > 1) {
        job->rows->assign(rowBytes * size_t(ih), 0);
        for (int p = 0; p < passes; ++p) {
            for (int y = 0; y < ih; ++y) png_read_row(png, job->rows->data() + rowBytes * size_t(y), nullptr);
            if (progress) progress(p * 100 / passes);
        }
        for (int y = 0; y < ih; ++y) storeRow(out, kind, y, job->rows->data() + rowBytes * size_t(y), iw);
    } else {
        job->rows->assign(rowBytes, 0);
        const int step = ih > 100 ? ih / 100 : 1;
        for (int y = 0; y < ih; ++y) {
            if (y % step == 0 && progress) progress(ih > 1 ? int(int64_t(y) * 100 / (ih - 1)) : 100);
            png_read_row(png, job->rows->data(), nullptr);
            storeRow(out, kind, y, job->rows->data(), iw);
            job->gotRows = true;
        }
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    job->status = Status::Ok;
}

struct WriteJob {
    const dib* d;
    std::FILE* f;
    Status status;
};

void runWrite(WriteJob* job) {
    const dib& d = *job->d;
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png) {
        job->status = Status::NoMemory;
        return;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        job->status = Status::NoMemory;
        return;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        job->status = Status::WriteFailed;
        return;
    }
    png_init_io(png, job->f);
    const bool mapped = bits <= 8;
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), mapped ? bits : 8,
                 mapped ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    if (mapped) {
        // Every index the depth can hold, so any pixel names an entry.
        const int n = 1 << bits;
        for (int i = 0; i < n; ++i)
            palette[i] = png_color{d.pal.rgb0[i].peRed, d.pal.rgb0[i].peGreen, d.pal.rgb0[i].peBlue};
        png_set_PLTE(png, info, palette, n);
    }
    png_write_info(png, info);
    if (!mapped) png_set_bgr(png);
    // Record rows are stored bottom-up and already packed as PNG wants them
    // (1 and 4 bits: first pixel in the high bits; 24 bits: after BGR swap).
    for (int y = 0; y < h; ++y) png_write_row(png, dibRow(d, y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    job->status = std::fflush(job->f) == 0 && !std::ferror(job->f) ? Status::Ok : Status::WriteFailed;
}

}  // namespace

Status pngWrite(const dib& d, std::FILE* f) {
    if (!d.poi || !d.pmi || !f) return Status::WriteFailed;
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    if (w <= 0 || h <= 0) return Status::WriteFailed;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return Status::Unsupported;
    WriteJob job{&d, f, Status::WriteFailed};
    runWrite(&job);
    return job.status;
}

bool pngProbe(const uint8_t* data, size_t size) {
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return size >= 8 && std::memcmp(data, sig, 8) == 0;
}

Status pngRead(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    out = dib{};
    if (!pngProbe(data, size)) return Status::UnknownFormat;
    std::vector<uint8_t> rows;
    Job job{MemSource{data, size, 0, false}, &out, &progress, &rows, Status::Corrupt, false};
    runRead(&job);
    if (job.status != Status::Ok) freedib(out);
    return job.status;
}

}  // namespace pixkit
