#include "raster/codecs/imagebuild.h"

#include <cstring>


namespace pixkit {

Status DibBuilder::create(int64_t width, int64_t height, int bits) {
    freedib(d_);
    Status s = allocDib(d_, width, height, bits);
    if (s != Status::Ok) return s;
    w_ = int(width);
    h_ = int(height);
    bits_ = bits;
    return Status::Ok;
}

void DibBuilder::setColour(int i, uint8_t r, uint8_t g, uint8_t b) {
    if (bits_ > 8 || i < 0 || i >= (1 << bits_)) return;
    setDibColour(d_, i, r, g, b);
}

void DibBuilder::setGreyPalette() { pixkit::setGreyPalette(d_); }

void DibBuilder::fill(uint8_t v) {
    if (d_.poi) std::memset(d_.poi, v, std::size_t(d_.bytew) * std::size_t(h_));
}

void DibBuilder::releaseTo(dib& out) {
    out = d_;
    d_ = dib{};
    w_ = h_ = bits_ = 0;
}

}  // namespace pixkit
