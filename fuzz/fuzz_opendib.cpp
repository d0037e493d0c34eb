// libFuzzer target for reading pictures: any bytes go through the same
// dispatcher as OpenDib. Besides crashes and sanitizer reports it traps
// broken promises: a success must be a record of 1, 4, 8 or 24 bits, a
// failure an empty record with a readable text, progress 0..100 ending in 0,
// and no memory block may be left behind. The pattern files' indexed PNG
// reader gets the same bytes.
//
// The replay test in tests/raster includes this file and calls the entry
// point on the saved corpus, so it is plain C++ with no fuzzer runtime
// dependency.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "raster/memblock.h"
#include "raster/codecs/dibrows.h"
#include "raster/codecs/dispatch.h"
#include "raster/codecs/png.h"
#include "raster/dib.h"

namespace fuzzopendib {

[[noreturn]] inline void broken(const char* what) {
    std::fprintf(stderr, "fuzz_opendib: %s\n", what);
    std::abort();
}

class ProgressCheck : public PlatformWindow {
public:
    void sendMessage(uint32_t msg, uintptr_t wParam, intptr_t) override {
        if (msg != WM_USER || wParam > 100) broken("progress message out of range");
        ++count;
        last = int(wParam);
    }
    void messageBox(const std::string&, const std::string&) override { broken("message box while reading"); }
    int count = 0;
    int last = -1;
};

inline int run(const uint8_t* data, size_t size) {
    const size_t blocks = memblock::liveBlocks();
    ProgressCheck window;
    dib d{};
    OpenDibMemory(&d, data, size, &window);
    if (window.count < (d.poi ? 3 : 1) || window.last != 0) broken("progress does not start and end at 0");
    if (d.poi) {
        int bits = dibbitcount(d);
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24) broken("record of an unsupported depth");
        if (dibwidth(d) <= 0 || dibheight(d) <= 0) broken("record without size");
        // Touch the first and the last pixel byte.
        volatile uint8_t first = d.poi[0];
        volatile uint8_t lastByte = d.poi[int64_t(d.bytew) * dibheight(d) - 1];
        (void)first;
        (void)lastByte;
        freedib(d);
    } else {
        if (d.pmi || d.poih || d.pmih) broken("failed open left handles");
        if (diberrortext(d).size() <= 5) broken("failed open without a readable text");
    }
    // The pattern reader takes the same bytes: indices as stored or nothing.
    pixkit::PngIndexed info;
    if (pixkit::pngReadIndexed(data, size, d, info) == pixkit::Status::Ok) {
        if (dibbitcount(d) != 8 || info.paletteCount <= 0 || info.maxIndex < 0 || info.maxIndex > 255)
            broken("indexed read without its palette or indices");
        freedib(d);
    } else if (d.poi || d.pmi) {
        broken("failed indexed read left a record");
    }
    if (memblock::liveBlocks() != blocks) broken("memory block leaked");
    return 0;
}

}  // namespace fuzzopendib

#ifndef FUZZ_OPENDIB_NO_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzopendib::run(data, size);
}
#endif
