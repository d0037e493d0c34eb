// Replacing a file safely: the bytes go into a temporary file beside the
// target, which is renamed over the target only once every byte is written,
// flushed and synced. An existing file survives any failure whole and no
// temporary is left behind. Every file the program writes goes through here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "raster/codecs/codec.h"

namespace pixkit {

struct SaveResult {
    bool ok = false;
    std::string reason;  // German, for the user; empty on success
};

// Writes through `write`, which fills the open file and returns its status.
SaveResult saveFileVia(const std::string& name, const std::function<Status(std::FILE*)>& write);

// German reason for a failed file operation (an errno value).
std::string systemReason(int err);

// Test seam: while set (>= 0), every file written through saveFileVia takes
// at most this many bytes; further writes fail with ENOSPC as on a full
// disk. -1 lifts it.
void setWriteLimitForTesting(int64_t bytes);

}  // namespace pixkit
