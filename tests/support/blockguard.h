// Asserts at scope end that no memory block was leaked or released twice
// while the guard lived.
#pragma once

#include <gtest/gtest.h>

#include "raster/memblock.h"

class BlockGuard {
public:
    BlockGuard() : live_(memblock::liveBlocks()), bad_(memblock::badReleases()) {}
    ~BlockGuard() {
        EXPECT_EQ(memblock::liveBlocks(), live_) << "memory blocks leaked";
        EXPECT_EQ(memblock::badReleases(), bad_) << "a block was released twice";
    }
    BlockGuard(const BlockGuard&) = delete;
    BlockGuard& operator=(const BlockGuard&) = delete;

private:
    std::size_t live_;
    std::size_t bad_;
};
