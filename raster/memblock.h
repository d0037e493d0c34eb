// Movable memory blocks named by 32-bit handles: the stand-in for the host
// platform's global memory. No Qt here, the raster library uses it.
//
// The layer counts live blocks and bad releases so tests can prove that no
// image leaks and none is freed twice.
#pragma once

#include <cstddef>
#include <cstdint>

// Memory handle (32 bits, 0 = none).
using HGLOBAL = uint32_t;

// Allocates a block of `bytes` (zero-filled when `zero`). Returns 0 when the
// memory cannot be had.
HGLOBAL GlobalAlloc(std::size_t bytes, bool zero = true);
// Address of the block's first byte, nullptr for an unknown handle.
void* GlobalLock(HGLOBAL h);
void GlobalUnlock(HGLOBAL h);
std::size_t GlobalSize(HGLOBAL h);
// Releases the block. Returns 0 on success, `h` when the handle is unknown
// (already released or never issued); that case is counted, not fatal.
HGLOBAL GlobalFree(HGLOBAL h);

namespace memblock {
// Physical memory of this machine in bytes, 0 when the system cannot tell.
// Blocks are zero-filled lazily, so an allocation past this "succeeds" and
// only fails later while its pixels are written: size limits use this.
int64_t physicalBytes();

// ---- For tests and benchmarks only: counters and failure injection.
std::size_t liveBlocks();
std::size_t liveBytes();
std::size_t badReleases();
std::size_t peakBytes();
void resetPeak();
// The next `n` allocations succeed, every later one fails. A negative value
// switches failure injection off.
void failAfter(long n);
}  // namespace memblock
