// WebP through libwebp (reading only; still images, lossy or lossless).
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/codecs/codec.h"

namespace pixkit {

bool webpProbe(const uint8_t* data, size_t size);
// 24 bits, alpha composited onto white. Animations are refused as
// unsupported.
Status webpRead(const uint8_t* data, size_t size, dib& out, const Progress& progress);

}  // namespace pixkit
