#include "raster/codecs/png.h"

#include <csetjmp>
#include <cstdlib>
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

void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

enum class Kind { Palette, Grey, GreyAlpha, Rgb, Rgba };

// State of one progressive read; the callbacks reach it through libpng.
struct Job {
    size_t size = 0;
    dib* out = nullptr;
    const Progress* progress = nullptr;
    std::vector<uint8_t> rows;  // a row, or the whole image for interlaced layouts not stored directly
    Status status = Status::Corrupt;
    Kind kind = Kind::Rgb;
    int passes = 1;
    bool direct = false;        // interlaced rows combine straight in the record
    size_t rowBytes = 0;
    int rowsDone = 0;           // rows of a plain image stored so far
    bool gotRows = false;       // some rows are in the record already
    bool finished = false;      // the image end arrived
    int lastPercent = -1;
    uint8_t greyIndex = 0;      // palette entry standing for "no data"
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

// One libpng row (of the layout the transforms deliver) standing for "no
// data": mid grey, opaque.
void fillNoData(uint8_t* row, size_t bytes, Kind kind, uint8_t greyIndex) {
    if (kind == Kind::Palette) {
        std::memset(row, greyIndex, bytes);
        return;
    }
    std::memset(row, 0x80, bytes);
    const size_t step = kind == Kind::GreyAlpha ? 2 : kind == Kind::Rgba ? 4 : 0;
    if (step)
        for (size_t i = step - 1; i < bytes; i += step) row[i] = 0xFF;
}

void progressTo(Job* job, int percent) {
    if (*job->progress && percent != job->lastPercent) {
        job->lastPercent = percent;
        (*job->progress)(percent);
    }
}

void onInfo(png_structp png, png_infop info) {
    auto* job = static_cast<Job*>(png_get_progressive_ptr(png));
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    int bits = 24;
    int paletteCount = 0;
    png_colorp palette = nullptr;
    if (colour == PNG_COLOR_TYPE_PALETTE) {
        if (!png_get_PLTE(png, info, &palette, &paletteCount) || paletteCount <= 0) png_error(png, "no palette");
        job->kind = Kind::Palette;
        png_set_packing(png);
        bits = bitsForColours(1 << depth);
    } else if (colour == PNG_COLOR_TYPE_GRAY && !trns) {
        job->kind = Kind::Grey;
        bits = 8;
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    } else if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) {
        job->kind = Kind::GreyAlpha;
        bits = 8;
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (trns) png_set_tRNS_to_alpha(png);
    } else {
        job->kind = (colour & PNG_COLOR_MASK_ALPHA) || trns ? Kind::Rgba : Kind::Rgb;
        if (trns) png_set_tRNS_to_alpha(png);
        png_set_bgr(png);
    }
    const Kind kind = job->kind;
    // The compressed data must be able to fill the picture before a large
    // one is allocated: a few bytes may not claim gigabytes.
    const int channels = colour == PNG_COLOR_TYPE_PALETTE ? 1 : png_get_channels(png, info);
    const int64_t rawBytes = ((int64_t(w) * channels * depth + 7) / 8 + 1) * int64_t(h);
    Status s = Status::Ok;
    // (A picture over the limits is refused as too large by allocDib.)
    if (decodeSizeOk(w, h, bits) && int64_t(w) * h > kSmallPicturePixels &&
        rawBytes / kMaxInflateRatio > int64_t(job->size))
        s = Status::Truncated;

    if (depth == 16) png_set_scale_16(png);
    job->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    job->rowBytes = png_get_rowbytes(png, info);
    // Interlaced rows go straight into the record when its layout is what
    // libpng delivers; the others need the whole image once more.
    job->direct = kind == Kind::Grey || kind == Kind::Rgb || (kind == Kind::Palette && bits == 8);
    if (s == Status::Ok && job->passes > 1 && !job->direct && int64_t(job->rowBytes) * h > kMaxDecodeBytes)
        s = Status::TooLarge;

    if (s == Status::Ok) s = allocDib(*job->out, w, h, bits);
    if (s != Status::Ok) {
        job->status = s;
        png_error(png, "refused");
    }
    dib& out = *job->out;
    if (kind == Kind::Grey || kind == Kind::GreyAlpha) {
        setGreyPalette(out);
    } else if (kind == Kind::Palette) {
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        png_color_16p unusedColour = nullptr;
        if (trns) png_get_tRNS(png, info, &alpha, &alphaCount, &unusedColour);
        const int entries = paletteCount < (1 << bits) ? paletteCount : (1 << bits);
        int best = 1 << 30;
        for (int i = 0; i < entries; ++i) {
            unsigned a = i < alphaCount && alpha ? alpha[i] : 255;
            uint8_t r = overWhite(palette[i].red, a), g = overWhite(palette[i].green, a),
                    b = overWhite(palette[i].blue, a);
            setDibColour(out, i, r, g, b);
            int d = std::abs(r - 128) + std::abs(g - 128) + std::abs(b - 128);
            if (d < best) {
                best = d;
                job->greyIndex = uint8_t(i);
            }
        }
        setDibColourCount(out, entries);
    }
    if (job->passes > 1) {
        // Pixels of passes that never arrive stay grey.
        try {
            if (job->direct) {
                for (int y = 0; y < int(h); ++y) fillNoData(dibRow(out, y), job->rowBytes, kind, job->greyIndex);
            } else {
                job->rows.resize(job->rowBytes * size_t(h));
                fillNoData(job->rows.data(), job->rows.size(), kind, job->greyIndex);
            }
        } catch (const std::bad_alloc&) {
            job->status = Status::NoMemory;
            png_error(png, "no memory");
        }
    }
}

void onRow(png_structp png, png_bytep row, png_uint_32 y, int pass) {
    auto* job = static_cast<Job*>(png_get_progressive_ptr(png));
    const dib& out = *job->out;
    const int h = dibheight(out);
    if (!row || int64_t(y) >= h) return;
    if (job->passes > 1) {
        uint8_t* dst = job->direct ? dibRow(out, int(y)) : job->rows.data() + job->rowBytes * y;
        png_progressive_combine_row(png, dst, row);
        progressTo(job, int((int64_t(pass) * h + y) * 100 / (int64_t(job->passes) * h)));
    } else {
        storeRow(out, job->kind, int(y), row, dibwidth(out));
        job->rowsDone = int(y) + 1;
        progressTo(job, h > 1 ? int(int64_t(y) * 100 / (h - 1)) : 100);
    }
    job->gotRows = true;
}

void onEnd(png_structp png, png_infop) { static_cast<Job*>(png_get_progressive_ptr(png))->finished = true; }

// Feeds the whole file to libpng's progressive reader, which hands out
// every row it can decode: a file cut inside its image data keeps them.
void runRead(Job* job, const uint8_t* data) {
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
        // job->status holds a refusal made in the callbacks, else Corrupt.
        return;
    }
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_progressive_read_fn(png, job, onInfo, onRow, onEnd);
    png_process_data(png, info, const_cast<png_bytep>(data), job->size);
    png_destroy_read_struct(&png, &info, nullptr);
    if (job->finished) {
        job->status = Status::Ok;
    } else if (job->gotRows && dibvalid(*job->out)) {
        // Cut short: the rows that arrived stay, the rest is grey.
        const dib& out = *job->out;
        if (job->passes > 1 && !job->direct) {
            // The interlaced image is finished below from the grey-filled buffer.
        } else {
            std::vector<uint8_t> none(job->rowBytes);
            fillNoData(none.data(), none.size(), job->kind, job->greyIndex);
            for (int y = job->rowsDone; job->passes == 1 && y < dibheight(out); ++y)
                storeRow(out, job->kind, y, none.data(), dibwidth(out));
        }
        job->status = Status::Ok;
    } else {
        job->status = Status::Truncated;
        return;
    }
    if (job->passes > 1 && !job->direct) {
        const dib& out = *job->out;
        for (int y = 0; y < dibheight(out); ++y)
            storeRow(out, job->kind, y, job->rows.data() + job->rowBytes * size_t(y), dibwidth(out));
    }
}

struct WriteJob {
    const dib* d;
    std::FILE* f;
    Status status;
    const std::vector<std::pair<std::string, std::string>>* texts;
    std::vector<png_text>* chunks;  // made before the write: no allocation after setjmp
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
    if (job->chunks && !job->chunks->empty()) png_set_text(png, info, job->chunks->data(), int(job->chunks->size()));
    png_write_info(png, info);
    if (!mapped) png_set_bgr(png);
    // Record rows are stored bottom-up and already packed as PNG wants them
    // (1 and 4 bits: first pixel in the high bits; 24 bits: after BGR swap).
    for (int y = 0; y < h; ++y) png_write_row(png, dibRow(d, y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    job->status = std::fflush(job->f) == 0 && !std::ferror(job->f) ? Status::Ok : Status::WriteFailed;
}

struct IndexedJob {
    const uint8_t* data;
    size_t size;
    size_t pos;
    dib* out;
    PngIndexed* info;
    Status status;
};

void readFromMemory(png_structp png, png_bytep dst, png_size_t n) {
    auto* job = static_cast<IndexedJob*>(png_get_io_ptr(png));
    if (n > job->size - job->pos) {
        job->status = Status::Truncated;
        png_error(png, "truncated");
    }
    std::memcpy(dst, job->data + job->pos, n);
    job->pos += n;
}

// Everything that outlives a longjmp is in the job; the locals here are
// trivially destructible.
void runReadIndexed(IndexedJob* job) {
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
        if (job->status == Status::Ok) job->status = Status::Corrupt;
        return;
    }
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_read_fn(png, job, readFromMemory);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    png_colorp palette = nullptr;
    int count = 0;
    if (colour != PNG_COLOR_TYPE_PALETTE) {
        job->status = Status::Unsupported;
        png_error(png, "not indexed");
    }
    if (!png_get_PLTE(png, info, &palette, &count) || count <= 0) png_error(png, "no palette");
    // A few bytes may not claim gigabytes: the data must be able to fill it.
    const int64_t rawBytes = ((int64_t(w) * depth + 7) / 8 + 1) * int64_t(h);
    if (decodeSizeOk(w, h, 8) && int64_t(w) * h > kSmallPicturePixels &&
        rawBytes / kMaxInflateRatio > int64_t(job->size)) {
        job->status = Status::Truncated;
        png_error(png, "too short");
    }
    job->status = allocDib(*job->out, w, h, 8);
    if (job->status != Status::Ok) png_error(png, "refused");
    job->status = Status::Ok;
    dib& out = *job->out;
    for (int i = 0; i < count && i < 256; ++i) setDibColour(out, i, palette[i].red, palette[i].green, palette[i].blue);
    job->info->depth = depth;
    job->info->paletteCount = count;
    if (depth < 8) png_set_packing(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    // Interlaced passes combine into the rows already stored.
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < int(h); ++y) png_read_row(png, dibRow(out, y), nullptr);
    png_read_end(png, info);
    png_textp text = nullptr;
    int texts = 0;
    png_get_text(png, info, &text, &texts);
    for (int i = 0; i < texts; ++i)
        job->info->texts.emplace_back(text[i].key ? text[i].key : "", text[i].text ? text[i].text : "");
    png_destroy_read_struct(&png, &info, nullptr);
    int top = -1;
    for (int y = 0; y < int(h); ++y) {
        const uint8_t* r = dibRow(out, y);
        for (int x = 0; x < int(w); ++x)
            if (r[x] > top) top = r[x];
    }
    job->info->maxIndex = top;
}

}  // namespace

Status pngReadIndexed(const uint8_t* data, size_t size, dib& out, PngIndexed& info) {
    out = dib{};
    info = PngIndexed{};
    if (!data || !pngProbe(data, size)) return Status::UnknownFormat;
    IndexedJob job{data, size, 0, &out, &info, Status::Ok};
    try {
        runReadIndexed(&job);
    } catch (const std::bad_alloc&) {
        job.status = Status::NoMemory;
    }
    if (job.status != Status::Ok) {
        freedib(out);
        out = dib{};
        info = PngIndexed{};
    }
    return job.status;
}

Status pngWriteWithTexts(const dib& d, std::FILE* f, const std::vector<std::pair<std::string, std::string>>& texts) {
    if (!d.poi || !d.pmi || !f) return Status::WriteFailed;
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    if (w <= 0 || h <= 0) return Status::WriteFailed;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return Status::Unsupported;
    std::vector<png_text> chunks;
    for (const auto& [key, value] : texts) {
        if (key.empty() || key.size() > 79) return Status::Unsupported;
        png_text t{};
        t.compression = PNG_TEXT_COMPRESSION_NONE;
        t.key = const_cast<char*>(key.c_str());
        t.text = const_cast<char*>(value.c_str());
        t.text_length = value.size();
        chunks.push_back(t);
    }
    WriteJob job{&d, f, Status::WriteFailed, &texts, &chunks};
    runWrite(&job);
    return job.status;
}

Status pngWrite(const dib& d, std::FILE* f) { return pngWriteWithTexts(d, f, {}); }

bool pngProbe(const uint8_t* data, size_t size) {
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return size >= 8 && std::memcmp(data, sig, 8) == 0;
}

Status pngRead(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    out = dib{};
    if (!pngProbe(data, size)) return Status::UnknownFormat;
    Job job;
    job.size = size;
    job.out = &out;
    job.progress = &progress;
    runRead(&job, data);
    if (job.status != Status::Ok) freedib(out);
    return job.status;
}

}  // namespace pixkit
