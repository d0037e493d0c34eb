#include "raster/codecs/pcx.h"

namespace pixkit {

bool pcxProbe(const uint8_t*, std::size_t) { return false; }
Status pcxRead(const uint8_t*, std::size_t, dib&, const Progress&) { return Status::Unsupported; }
Status pcxWrite(const dib&, std::FILE*) { return Status::Unsupported; }
}  // namespace pixkit
