#include "raster/codecs/webp.h"

#include <cstring>
#include <vector>

#include <webp/decode.h>

#include "raster/codecs/dibrows.h"

namespace pixkit {

bool webpProbe(const uint8_t* data, size_t size) {
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

Status webpRead(const uint8_t* data, size_t size, dib& out, const Progress& progress) {
    out = dib{};
    if (!webpProbe(data, size)) return Status::UnknownFormat;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return Status::Unsupported;
    VP8StatusCode vs = WebPGetFeatures(data, size, &config.input);
    if (vs == VP8_STATUS_NOT_ENOUGH_DATA) return Status::Truncated;
    if (vs == VP8_STATUS_UNSUPPORTED_FEATURE) return Status::Unsupported;
    if (vs != VP8_STATUS_OK) return Status::Corrupt;
    if (config.input.has_animation) return Status::Unsupported;
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

}  // namespace pixkit
