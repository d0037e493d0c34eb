#include "raster/codecs/tga.h"

namespace pixkit {

bool tgaProbe(const uint8_t*, std::size_t) { return false; }
Status tgaRead(const uint8_t*, std::size_t, dib&, const Progress&) { return Status::Unsupported; }
Status tgaWrite(const dib&, std::FILE*) { return Status::Unsupported; }
}  // namespace pixkit
