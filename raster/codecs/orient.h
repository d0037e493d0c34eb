// Turning and mirroring a picture as an Exif Orientation value (1..8)
// says: the stored picture becomes the one a viewer shows.
#pragma once

#include "raster/codecs/codec.h"

namespace pixkit {

// 8- or 24-bit records. 2..4 work in place; 5..8 swap width and height
// and need a second record (NoMemory when it cannot be had, `d` then stays
// as it was). Values outside 2..8 leave `d` unchanged.
Status orientDib(dib& d, int orientation);

}  // namespace pixkit
