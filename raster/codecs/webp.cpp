#include "raster/codecs/webp.h"

#include <cstring>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "raster/codecs/dibrows.h"
#include "raster/codecs/imagebuild.h"

namespace pixkit {

namespace {

Status readStill(const uint8_t* data, size_t size, dib& out, const Progress& progress);

// An animation shows its first frame: the frame is decoded on its own and
// set onto a white canvas at its offset (the first frame has nothing
// beneath it to blend with).
Status readFirstFrame(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    WebPData whole{data, size};
    struct Demux {
        WebPDemuxer* d;
        ~Demux() { WebPDemuxDelete(d); }
    } demux{WebPDemux(&whole)};
    if (!demux.d) return Status::Corrupt;
    const int64_t cw = WebPDemuxGetI(demux.d, WEBP_FF_CANVAS_WIDTH), ch = WebPDemuxGetI(demux.d, WEBP_FF_CANVAS_HEIGHT);
    WebPIterator it;
    if (!WebPDemuxGetFrame(demux.d, 1, &it)) return Status::Corrupt;
    struct Iter {
        WebPIterator* i;
        ~Iter() { WebPDemuxReleaseIterator(i); }
    } iter{&it};
    if (it.x_offset < 0 || it.y_offset < 0 || it.width <= 0 || it.height <= 0 || it.x_offset + it.width > cw ||
        it.y_offset + it.height > ch)
        return Status::Corrupt;
    // The canvas around the frame is blank: a few bytes may not claim a huge one.
    if (!compressedSizePlausible(cw * ch - int64_t(it.width) * it.height, size, 4096)) return Status::Truncated;
    dib frame{};
    Status s = readStill(it.fragment.bytes, it.fragment.size, frame, progress);
    if (s != Status::Ok) return s;
    if (it.width == cw && it.height == ch) {
        out = frame;
        return Status::Ok;
    }
    dib canvas{};
    s = allocDib(canvas, cw, ch, 24);
    if (s != Status::Ok) {
        freedib(frame);
        return s;
    }
    for (int y = 0; y < int(ch); ++y) std::memset(dibRow(canvas, y), 0xFF, size_t(canvas.bytew));
    for (int y = 0; y < it.height; ++y)
        std::memcpy(dibRow(canvas, it.y_offset + y) + 3 * it.x_offset, dibRow(frame, y), size_t(it.width) * 3);
    freedib(frame);
    out = canvas;
    return Status::Ok;
}

}  // namespace

bool webpProbe(const uint8_t* data, size_t size) {
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

Status webpRead(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    out = dib{};
    if (!webpProbe(data, size)) return Status::UnknownFormat;
    return readStill(data, size, out, progress);
}

namespace {

// A picture of one frame (a whole file or an animation frame's fragment).
Status readStill(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return Status::Unsupported;
    VP8StatusCode vs = WebPGetFeatures(data, size, &config.input);
    if (vs == VP8_STATUS_NOT_ENOUGH_DATA) return Status::Truncated;
    if (vs == VP8_STATUS_UNSUPPORTED_FEATURE) return Status::Unsupported;
    if (vs != VP8_STATUS_OK) return Status::Corrupt;
    if (config.input.has_animation) return readFirstFrame(data, size, out, progress);
    const int w = config.input.width, h = config.input.height;
    const bool alpha = config.input.has_alpha != 0;
    dib img;
    Status s = allocDib(img, w, h, 24);
    if (s != Status::Ok) return s;
    if (progress) progress(0);

    // libwebp writes top-down rows only, so it decodes into a scratch buffer
    // (with alpha) or straight into the record, whose rows are then put in
    // bottom-up order.
    std::vector<uint8_t> scratch;
    config.output.is_external_memory = 1;
    if (alpha) {
        config.output.colorspace = MODE_BGRA;
        scratch.resize(size_t(w) * size_t(h) * 4);
        config.output.u.RGBA.rgba = scratch.data();
        config.output.u.RGBA.stride = w * 4;
        config.output.u.RGBA.size = scratch.size();
    } else {
        config.output.colorspace = MODE_BGR;
        config.output.u.RGBA.rgba = img.poi;
        config.output.u.RGBA.stride = img.bytew;
        config.output.u.RGBA.size = size_t(img.bytew) * size_t(h);
    }
    vs = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (vs != VP8_STATUS_OK) {
        freedib(img);
        return vs == VP8_STATUS_NOT_ENOUGH_DATA ? Status::Truncated
               : vs == VP8_STATUS_OUT_OF_MEMORY ? Status::NoMemory
                                                : Status::Corrupt;
    }
    if (alpha) {
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = scratch.data() + size_t(y) * size_t(w) * 4;
            uint8_t* dst = dibRow(img, y);
            for (int x = 0; x < w; ++x) {
                unsigned a = src[4 * x + 3];
                dst[3 * x] = overWhite(src[4 * x], a);
                dst[3 * x + 1] = overWhite(src[4 * x + 1], a);
                dst[3 * x + 2] = overWhite(src[4 * x + 2], a);
            }
        }
    } else {
        std::vector<uint8_t> tmp(static_cast<size_t>(img.bytew));
        for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
            uint8_t* a = img.poi + size_t(top) * size_t(img.bytew);
            uint8_t* b = img.poi + size_t(bottom) * size_t(img.bytew);
            std::memcpy(tmp.data(), a, tmp.size());
            std::memcpy(a, b, tmp.size());
            std::memcpy(b, tmp.data(), tmp.size());
        }
    }
    if (progress) progress(100);
    out = img;
    return Status::Ok;
}

}  // namespace

}  // namespace pixkit
