// What every codec of the raster library offers, and the shared error texts.
//
// A codec is a file pair raster/codecs/<name>.h/.cpp with three functions:
//   bool <name>Probe(const uint8_t* data, size_t size);   // by content
//   Status <name>Read(const uint8_t* data, size_t size, dib& out, const Progress& progress);
//   Status <name>Write(const dib& d, std::FILE* f);        // not every codec
// Readers deliver 1, 4, 8 or 24 bits per pixel only, with pal and the colour
// table in agreement; on any failure they leave `out` empty and free what
// they allocated. Writers write to an open file; the dispatcher takes care of
// the temporary file and the rename.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "raster/dib.h"

namespace pixkit {

enum class Status {
    Ok,
    UnknownFormat,
    Corrupt,
    Truncated,
    TooLarge,
    NoMemory,
    Unsupported,
    CannotOpen,
    WriteFailed,
};

// German text for the user. The program shows a library text only when it
// is longer than its minimum (messages::kLibraryTextMinLength in the
// application); every text here is, and a test holds them to it.
const char* statusText(Status s);

// Percentage 0..100 while reading.
using Progress = std::function<void(int percent)>;

}  // namespace pixkit
