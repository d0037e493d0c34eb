#include "raster/codecs/bmp.h"

namespace pixkit {

bool bmpProbe(const uint8_t*, std::size_t) { return false; }
Status bmpRead(const uint8_t*, std::size_t, dib&, const Progress&) { return Status::Unsupported; }
Status bmpWrite(const dib&, std::FILE*, bool) { return Status::Unsupported; }
}  // namespace pixkit
