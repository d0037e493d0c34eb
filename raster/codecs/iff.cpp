#include "raster/codecs/iff.h"

namespace pixkit {

bool iffProbe(const uint8_t*, std::size_t) { return false; }
Status iffRead(const uint8_t*, std::size_t, dib&, const Progress&) { return Status::Unsupported; }
Status iffWrite(const dib&, std::FILE*) { return Status::Unsupported; }
}  // namespace pixkit
