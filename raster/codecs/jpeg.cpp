#include "raster/codecs/jpeg.h"

#include <csetjmp>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "raster/codecs/dibrows.h"
#include "raster/codecs/imagebuild.h"
#include "raster/codecs/orient.h"
#include "raster/limits.h"

namespace pixkit {

namespace {

// Progressive files can carry thousands of tiny scans, each a full pass
// over the coefficients; real encoders never write more than a few dozen.
constexpr int kMaxScans = 1000;
// libjpeg's own working memory (coefficient buffers of progressive files).
constexpr long kMaxWorkMemory = 1L << 30;
// Blocks times scans a progressive file may make us visit. Real files need a
// few dozen scans over their blocks; beyond this the rest of the data is
// ignored and the picture shows the scans read so far.
constexpr int64_t kMaxScanWork = int64_t(1) << 27;
// Every block costs at least one bit of entropy-coded data (the shortest
// Huffman code of its DC difference), so a file holds at most this many
// blocks per byte.
constexpr int64_t kMaxBlocksPerByte = 8;

struct ErrorMgr {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;          // msg_code of the fatal error
    bool sawEof;       // the data ended before the image did
    bool ranShort;     // a scan ran out of data: its rest is made up
    int eofRow;        // rows output when the data first ran out, -1 before

    // Fatal errors jump back instead of ending the process.
    jpeg_error_mgr* install();
};

[[noreturn]] void onError(j_common_ptr c) {
    auto* e = reinterpret_cast<ErrorMgr*>(c->err);
    e->code = c->err->msg_code;
    std::longjmp(e->jump, 1);
}

void onMessage(j_common_ptr c, int level) {
    auto* e = reinterpret_cast<ErrorMgr*>(c->err);
    if (level < 0) {
        if (c->err->msg_code == JWRN_JPEG_EOF) {
            e->sawEof = true;
            if (e->eofRow < 0 && c->is_decompressor)
                e->eofRow = int(reinterpret_cast<j_decompress_ptr>(c)->output_scanline);
        }
        if (c->err->msg_code == JWRN_HIT_MARKER) e->ranShort = true;
        c->err->num_warnings++;
    }
}

jpeg_error_mgr* ErrorMgr::install() {
    jpeg_std_error(&pub);
    pub.error_exit = onError;
    pub.emit_message = onMessage;
    code = 0;
    sawEof = false;
    ranShort = false;
    eofRow = -1;
    return &pub;
}

struct ScanGuard {
    jpeg_progress_mgr pub;
    int64_t blocks;  // DCT blocks of all components
    bool cut;        // the scan budget ended the data, not the file
};

void onProgress(j_common_ptr c) {
    if (!c->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(c);
    if (d->input_scan_number > kMaxScans) ERREXIT(c, JERR_NOT_COMPILED);
    auto* g = reinterpret_cast<ScanGuard*>(c->progress);
    // Out of budget: the source runs dry, libjpeg sees the end of the data
    // and finishes the picture from the scans it has.
    if (g->blocks > 0 && int64_t(d->input_scan_number) * g->blocks > kMaxScanWork && d->src) {
        d->src->bytes_in_buffer = 0;
        g->cut = true;
    }
}

int64_t countBlocks(const jpeg_decompress_struct& c) {
    int64_t n = 0;
    for (int i = 0; i < c.num_components; ++i)
        n += int64_t(c.comp_info[i].width_in_blocks) * c.comp_info[i].height_in_blocks;
    return n;
}

Status mapError(const ErrorMgr& e) {
    switch (e.code) {
    case JERR_ARITH_NOTIMPL:
    case JERR_SOF_UNSUPPORTED:
    case JERR_NOT_COMPILED:
    case JERR_BAD_PRECISION:
    case JERR_NOTIMPL:
    case JERR_CONVERSION_NOTIMPL:
        return Status::Unsupported;
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
        return Status::NoMemory;
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
        return Status::TooLarge;
    default:
        return e.sawEof ? Status::Truncated : Status::Corrupt;
    }
}

// Everything the decode needs that must outlive a longjmp lives here, in the
// caller's frame; the function holding setjmp has only trivial locals.
struct ReadJob {
    const uint8_t* data;
    size_t size;
    dib* out;
    const Progress* progress;
    Status status;
    std::vector<uint8_t>* scratch;  // one row of CMYK samples
    int rowsDone;                   // picture rows already in the record
    int orientation;                // the Exif Orientation tag, 1 when absent
};

// Reads the Orientation tag (0x0112) from IFD0 of an APP1 Exif segment;
// 1 (as stored) when there is none or the segment is damaged. Every read
// is checked against the segment's length.
int exifOrientation(const uint8_t* p, size_t n) {
    if (n < 14 || std::memcmp(p, "Exif\0\0", 6) != 0) return 1;
    const uint8_t* t = p + 6;  // the TIFF header; offsets count from here
    const size_t len = n - 6;
    bool little;
    if (t[0] == 'I' && t[1] == 'I') little = true;
    else if (t[0] == 'M' && t[1] == 'M') little = false;
    else return 1;
    auto u16 = [&](size_t at) -> unsigned { return little ? t[at] | t[at + 1] << 8 : t[at] << 8 | t[at + 1]; };
    auto u32 = [&](size_t at) -> uint32_t {
        return little ? uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16 : uint32_t(u16(at)) << 16 | u16(at + 2);
    };
    if (u16(2) != 42) return 1;
    const uint32_t ifd = u32(4);
    if (ifd > len - 2) return 1;
    const unsigned entries = u16(ifd);
    for (unsigned i = 0; i < entries; ++i) {
        const size_t e = size_t(ifd) + 2 + size_t(i) * 12;
        if (e + 12 > len) return 1;
        if (u16(e) != 0x0112) continue;
        if (u16(e + 2) != 3 || u32(e + 4) != 1) return 1;  // one SHORT
        const unsigned v = u16(e + 8);
        return v >= 1 && v <= 8 ? int(v) : 1;
    }
    return 1;
}

// After a fatal error the rows decoded so far stay; the rest turn grey, as
// libjpeg shows data that is missing.
bool keepPartial(ReadJob* job) {
    dib& out = *job->out;
    if (job->rowsDone <= 0 || !dibvalid(out)) return false;
    for (int y = job->rowsDone; y < dibheight(out); ++y) std::memset(dibRow(out, y), 0x80, size_t(out.bytew));
    out.readflags |= kDibPartial;
    return true;
}

void convertCmykRow(const uint8_t* src, uint8_t* bgr, int w, bool inverted) {
    for (int x = 0; x < w; ++x) {
        unsigned c = src[4 * x], m = src[4 * x + 1], y = src[4 * x + 2], k = src[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // Adobe writes inverted CMYK, so here c, m, y, k are "amount of white".
        bgr[3 * x] = uint8_t((y * k + 127) / 255);
        bgr[3 * x + 1] = uint8_t((m * k + 127) / 255);
        bgr[3 * x + 2] = uint8_t((c * k + 127) / 255);
    }
}

void runRead(ReadJob* job) {
    jpeg_decompress_struct cinfo;
    ErrorMgr err;
    ScanGuard guard;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = err.install();
    if (setjmp(err.jump)) {
        job->status = keepPartial(job) ? Status::Ok : mapError(err);
        jpeg_destroy_decompress(&cinfo);
        return;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxWorkMemory;
    guard.pub.progress_monitor = onProgress;
    guard.blocks = 0;
    guard.cut = false;
    cinfo.progress = &guard.pub;
    jpeg_mem_src(&cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data && exifOrientation(m->data, m->data_length) != 1) {
            job->orientation = exifOrientation(m->data, m->data_length);
            break;
        }
    // Nothing after the scan header (but perhaps an end marker): there is
    // no row to decode, and a picture made up of grey would pass for one.
    if (cinfo.src->bytes_in_buffer <= 2) {
        job->status = Status::Corrupt;
        jpeg_destroy_decompress(&cinfo);
        return;
    }
    guard.blocks = countBlocks(cinfo);
    // A large picture must come with the data to fill it; a few bytes
    // declaring gigapixels are refused before anything is allocated.
    // (One over the limits is refused as too large by allocDib.)
    if (decodeSizeOk(cinfo.image_width, cinfo.image_height, 24) &&
        int64_t(cinfo.image_width) * cinfo.image_height > kSmallPicturePixels &&
        guard.blocks / kMaxBlocksPerByte > int64_t(job->size)) {
        job->status = Status::Truncated;
        jpeg_destroy_decompress(&cinfo);
        return;
    }

    bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    Status s = allocDib(*job->out, cinfo.image_width, cinfo.image_height, grey ? 8 : 24);
    if (s != Status::Ok) {
        job->status = s;
        jpeg_destroy_decompress(&cinfo);
        return;
    }
    dib& out = *job->out;
    if (grey) setGreyPalette(out);
    jpeg_start_decompress(&cinfo);
    const int w = int(cinfo.output_width), h = int(cinfo.output_height);
    if (cmyk) job->scratch->resize(size_t(w) * 4);
    const int step = h > 100 ? h / 100 : 1;
    while (cinfo.output_scanline < cinfo.output_height) {
        int y = int(cinfo.output_scanline);
        if (y % step == 0 && *job->progress) (*job->progress)(h > 1 ? y * 100 / (h - 1) : 100);
        if (cmyk) {
            JSAMPROW row = job->scratch->data();
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
            convertCmykRow(row, dibRow(out, y), w, cinfo.saw_Adobe_marker);
        } else {
            JSAMPROW rows[4];
            int n = 0;
            for (; n < 4 && y + n < h; ++n) rows[n] = dibRow(out, y + n);
            if (jpeg_read_scanlines(&cinfo, rows, JDIMENSION(n)) == 0) break;
        }
        job->rowsDone = int(cinfo.output_scanline);
    }
    // A file that ends early still decodes to the end: libjpeg finishes the
    // picture from data it makes up, so only its warning tells. A missing
    // end marker alone loses nothing and gives no such warning.
    if (err.ranShort && !guard.cut) out.readflags |= kDibPartial;
    // The data ran out before the first row was done: every row is made up.
    if (err.eofRow == 0 && !jpeg_has_multiple_scans(&cinfo)) {
        job->status = Status::Corrupt;
        jpeg_destroy_decompress(&cinfo);
        return;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    job->status = Status::Ok;
}

struct WriteJob {
    const dib* d;
    std::FILE* f;
    std::vector<uint8_t>* row;
    Status status;
};

void runWrite(WriteJob* job) {
    jpeg_compress_struct cinfo;
    ErrorMgr err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = err.install();
    if (setjmp(err.jump)) {
        job->status = err.code == JERR_FILE_WRITE ? Status::WriteFailed : Status::Corrupt;
        jpeg_destroy_compress(&cinfo);
        return;
    }
    const dib& d = *job->d;
    const int w = dibwidth(d), h = dibheight(d), bits = dibbitcount(d);
    const bool grey = isGreyRamp(d);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, job->f);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kJpegQuality, TRUE);
    // Charts are line art with one-pixel outlines: full-resolution chroma
    // keeps the yarn colours from bleeding across the cell borders.
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (bits != 24 && !grey) job->row->resize(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        JSAMPROW row;
        if (bits == 24 || (grey && bits == 8)) {
            row = dibRow(d, y);
        } else {
            getBgrRow(d, y, job->row->data());
            row = job->row->data();
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    job->status = Status::Ok;
}

}  // namespace

bool jpegProbe(const uint8_t* data, size_t size) {
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8) return false;
    if (data[2] == 0xFF) return true;
    // The first marker is damaged: libjpeg skips to the next one, so accept
    // the file when a table, frame or application marker follows soon.
    const size_t end = size < 4096 ? size : 4096;
    for (size_t i = 2; i + 1 < end; ++i) {
        if (data[i] != 0xFF) continue;
        unsigned m = data[i + 1];
        if ((m >= 0xC0 && m <= 0xCF && m != 0xC8) || m == 0xDB || m == 0xDD || (m >= 0xE0 && m <= 0xEF) ||
            m == 0xFE)
            return true;
    }
    return false;
}

Status jpegRead(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    out = dib{};
    if (!jpegProbe(data, size)) return Status::UnknownFormat;
    std::vector<uint8_t> scratch;
    ReadJob job{data, size, &out, &progress, Status::Corrupt, &scratch, 0, 1};
    runRead(&job);
    // Shown the way every viewer shows the photo, so the grid is knitted
    // that way too.
    if (job.status == Status::Ok && job.orientation != 1) job.status = orientDib(out, job.orientation);
    if (job.status != Status::Ok) freedib(out);
    return job.status;
}

Status jpegWrite(const dib& d, std::FILE* f) {
    if (!d.poi || !f) return Status::WriteFailed;
    std::vector<uint8_t> row;
    WriteJob job{&d, f, &row, Status::Corrupt};
    runWrite(&job);
    if (job.status == Status::Ok && (std::fflush(f) != 0 || std::ferror(f))) return Status::WriteFailed;
    return job.status;
}

}  // namespace pixkit
