#include "raster/memblock.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>
#include <unordered_map>

namespace {

struct Block {
    void* ptr;
    std::size_t size;
};

struct Table {
    std::mutex mu;
    std::unordered_map<HGLOBAL, Block> blocks;
    HGLOBAL next = 1;
    std::size_t bytes = 0;
    std::size_t peak = 0;
    std::size_t bad = 0;
    long failCountdown = -1;
};

Table& table() {
    static Table* t = new Table;  // never destroyed: images may outlive statics
    return *t;
}

}  // namespace

HGLOBAL GlobalAlloc(std::size_t bytes, bool zero) {
    Table& t = table();
    {
        std::lock_guard<std::mutex> lock(t.mu);
        if (t.failCountdown == 0) return 0;
        if (t.failCountdown > 0) --t.failCountdown;
    }
    // A zero-sized block still gets its own address.
    std::size_t n = bytes ? bytes : 1;
    void* p = zero ? std::calloc(1, n) : std::malloc(n);
    if (!p) return 0;
    std::lock_guard<std::mutex> lock(t.mu);
    HGLOBAL h = t.next++;
    if (t.next == 0) t.next = 1;
    while (t.blocks.count(h)) h = t.next++;
    t.blocks.emplace(h, Block{p, bytes});
    t.bytes += bytes;
    if (t.bytes > t.peak) t.peak = t.bytes;
    return h;
}

void* GlobalLock(HGLOBAL h) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mu);
    auto it = t.blocks.find(h);
    return it == t.blocks.end() ? nullptr : it->second.ptr;
}

void GlobalUnlock(HGLOBAL) {}

std::size_t GlobalSize(HGLOBAL h) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mu);
    auto it = t.blocks.find(h);
    return it == t.blocks.end() ? 0 : it->second.size;
}

HGLOBAL GlobalFree(HGLOBAL h) {
    Table& t = table();
    void* p = nullptr;
    {
        std::lock_guard<std::mutex> lock(t.mu);
        auto it = t.blocks.find(h);
        if (it == t.blocks.end()) {
            ++t.bad;
            return h;
        }
        p = it->second.ptr;
        t.bytes -= it->second.size;
        t.blocks.erase(it);
    }
    std::free(p);
    return 0;
}

namespace memblock {
int64_t physicalBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : 0;
}

std::size_t liveBlocks() {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mu);
    return t.blocks.size();
}
std::size_t liveBytes() {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mu);
    return t.bytes;
}
std::size_t badReleases() {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mu);
    return t.bad;
}
std::size_t peakBytes() {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mu);
    return t.peak;
}
void resetPeak() {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mu);
    t.peak = t.bytes;
}
void failAfter(long n) {
    Table& t = table();
    std::lock_guard<std::mutex> lock(t.mu);
    t.failCountdown = n < 0 ? -1 : n;
}
}  // namespace memblock
