// GIF saving of a 9320 x 5720 chart (the chart of a 466 x 381 grid)
// against one plain write of the picture's bytes, and against the writer as
// it was (kept here as the reference; both must write the same bytes).
// Two charts: 8 yarns with inverse outlines (16 colours, 4-bit codes) and
// 64 yarns (128 colours, 8-bit codes: the case whose direct string table
// was 2 MB). Files on the RAM disk, so the disk does not blur the ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "raster/PixKit3.h"
#include "raster/codecs/bytereader.h"
#include "raster/codecs/dibrows.h"
#include "raster/codecs/gif.h"
#include "raster/codecs/palettize.h"

namespace pixkit {
namespace {
class LzwEncoderBefore {
public:
    LzwEncoderBefore(ByteWriter& out, int codeSize)
        : out_(out), codeSize_(codeSize), clear_(1u << codeSize), mask_((1u << codeSize) - 1),
          table_(std::size_t(kCodes) << codeSize, uint16_t(0)) {
        reset();
        put(clear_);
    }

    void pixels(const uint8_t* p, std::size_t n) {
        std::size_t i = 0;
        if (cur_ == kNone) {
            if (n == 0) return;
            cur_ = p[i++] & mask_;
        }
        uint32_t cur = cur_, tag = stamp_ << 12;
        for (; i < n; ++i) {
            const uint32_t px = p[i] & mask_;
            uint16_t& slot = table_[(std::size_t(cur) << codeSize_) | px];
            if ((slot & 0xF000u) == tag) {
                cur = slot & 0xFFFu;
                continue;
            }
            put(cur);
            if (next_ >= kCodes - 1) {
                put(clear_);
                reset();
                tag = stamp_ << 12;
            } else {
                slot = uint16_t(tag | next_++);
            }
            cur = px;
        }
        cur_ = cur;
    }

    // Last code, end code, the bits left over and the empty block that ends
    // the image data.
    void finish() {
        if (cur_ != kNone) put(cur_);
        put(clear_ + 1);
        if (bits_ > 0) byte(uint8_t(acc_));
        acc_ = bits_ = 0;
        if (blockLen_) out_.bytes(block_, blockLen_ + 1u);
        out_.u8(0);
    }

private:
    static constexpr uint32_t kCodes = 4096;
    static constexpr uint32_t kNone = ~0u;

    void reset() {
        next_ = clear_ + 2;
        width_ = codeSize_ + 1;
        limit_ = 1u << width_;
        if (++stamp_ == 16) {  // generations used up
            std::fill(table_.begin(), table_.end(), uint16_t(0));
            stamp_ = 1;
        }
    }

    void put(uint32_t code) {
        acc_ |= uint64_t(code) << bits_;
        bits_ += width_;
        while (bits_ >= 8) {
            byte(uint8_t(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
        if (next_ >= limit_) limit_ = 1u << ++width_;
    }

    // Image data goes out in blocks of up to 255 bytes, each after its length.
    void byte(uint8_t b) {
        if (blockLen_ == 255) {
            block_[0] = 255;
            out_.bytes(block_, 256);
            blockLen_ = 0;
        }
        block_[++blockLen_] = b;
        block_[0] = uint8_t(blockLen_);
    }

    ByteWriter& out_;
    const int codeSize_;
    const uint32_t clear_, mask_;
    std::vector<uint16_t> table_;  // generation << 12 | code
    uint32_t stamp_ = 0;
    uint32_t next_ = 0, width_ = 0, limit_ = 0;
    uint32_t cur_ = kNone;
    uint64_t acc_ = 0;
    int bits_ = 0;
    uint8_t block_[256] = {};
    unsigned blockLen_ = 0;
};


}  // namespace
Status gifWriteBefore(const dib& d, std::FILE* f) {
    const int w = dibwidth(d), h = dibheight(d);
    if (!d.poi || !f) return Status::WriteFailed;
    if (w > 65535 || h > 65535) return Status::TooLarge;
    if (w <= 0 || h <= 0) return Status::WriteFailed;
    Palettizer p;
    if (!p.buildExact(d, 256)) p.buildQuantized(d, 256);
    const int bits = std::max(1, p.indexBits());
    const int entries = 1 << bits;

    ByteWriter out(f);
    const uint8_t signature[6] = {'G', 'I', 'F', '8', '7', 'a'};
    out.bytes(signature, sizeof signature);
    out.le16(uint32_t(w));
    out.le16(uint32_t(h));
    out.u8(uint8_t(0x80 | ((bits - 1) << 4) | (bits - 1)));  // global table, its depth as colour resolution
    out.u8(0);                                                // background
    out.u8(0);                                                // aspect
    for (int i = 0; i < entries; ++i) {
        Rgb c = i < p.count() ? p.colours()[i] : Rgb{0, 0, 0};
        out.u8(c.r);
        out.u8(c.g);
        out.u8(c.b);
    }
    out.u8(',');
    out.le16(0);
    out.le16(0);
    out.le16(uint32_t(w));
    out.le16(uint32_t(h));
    out.u8(0);  // no local table, not interlaced
    const int codeSize = std::max(2, bits);
    out.u8(uint8_t(codeSize));
    {
        LzwEncoderBefore lzw(out, codeSize);
        std::vector<uint8_t> idx(static_cast<size_t>(w));
        const std::size_t used = usedRowBytes(w, dibbitcount(d));
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = d.poi + int64_t(h - 1 - y) * d.bytew;
            // A row like the one above has the same indices.
            if (y == 0 || std::memcmp(row, row + d.bytew, used) != 0) p.mapRow(d, y, idx.data());
            lzw.pixels(idx.data(), idx.size());
        }
        lzw.finish();
    }
    out.u8(';');
    bool ok = out.flush();
    if (ok && (std::fflush(f) != 0 || std::ferror(f))) ok = false;
    return ok ? Status::Ok : Status::WriteFailed;
}

}  // namespace pixkit

namespace {

constexpr int kW = 9320, kH = 5720;
const char* kOut = "/dev/shm/tricoma-bench-gif.out";

const dib& chart(int yarns) {
    static dib charts[2] = {};
    dib& c = charts[yarns == 8 ? 0 : 1];
    if (!c.poi) {
        newdib(&c, kW, kH, 24, nullptr, 0);
        for (int y = 0; y < kH; ++y) {
            uint8_t* row = c.poi + int64_t(kH - 1 - y) * c.bytew;
            for (int x = 0; x < kW; ++x) {
                const int k = ((x / 20) * 5 + (y / 15) * 3 + (x / 60) * (y / 45)) % yarns;
                const uint8_t col[3] = {uint8_t(k * 37), uint8_t(255 - k * 11), uint8_t(k * 4)};
                const bool edge = x % 20 == 0 || y % 15 == 0;
                for (int i = 0; i < 3; ++i) row[3 * x + i] = edge ? uint8_t(255 - col[i]) : col[i];
            }
        }
    }
    return c;
}

std::vector<uint8_t> fileBytes(const char* path) {
    std::vector<uint8_t> v;
    if (std::FILE* f = std::fopen(path, "rb")) {
        std::fseek(f, 0, SEEK_END);
        v.resize(size_t(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        if (std::fread(v.data(), 1, v.size(), f) != v.size()) v.clear();
        std::fclose(f);
    }
    return v;
}

template <class Write>
void writeGif(benchmark::State& state, Write&& write) {
    const dib& c = chart(int(state.range(0)));
    for (auto _ : state) {
        std::FILE* f = std::fopen(kOut, "wb");
        if (write(c, f) != pixkit::Status::Ok) state.SkipWithError("write failed");
        std::fclose(f);
    }
    std::remove(kOut);
}

void BM_PlainWrite(benchmark::State& state) {
    const dib& c = chart(int(state.range(0)));
    for (auto _ : state) {
        std::FILE* f = std::fopen(kOut, "wb");
        std::fwrite(c.poi, 1, size_t(c.bytew) * kH, f);
        std::fclose(f);
    }
    std::remove(kOut);
}
void BM_GifBefore(benchmark::State& s) { writeGif(s, pixkit::gifWriteBefore); }
void BM_Gif(benchmark::State& s) { writeGif(s, pixkit::gifWrite); }
BENCHMARK(BM_PlainWrite)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_GifBefore)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_Gif)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    for (int yarns : {8, 64}) {
        std::vector<uint8_t> files[2];
        for (int k = 0; k < 2; ++k) {
            std::FILE* f = std::fopen(kOut, "wb");
            (k ? pixkit::gifWrite : pixkit::gifWriteBefore)(chart(yarns), f);
            std::fclose(f);
            files[k] = fileBytes(kOut);
        }
        std::printf("%d yarns: the same bytes as before: %s (%zu bytes)\n", yarns,
                    !files[0].empty() && files[0] == files[1] ? "yes" : "NO", files[1].size());
    }
    benchsupport::Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);
    for (const char* yarns : {"8", "64"}) {
        // CPU time: on a shared machine the wall time mostly measures the
        // neighbours.
        auto get = [&](const std::string& name) {
            auto it = summary.ns.find(name + "/" + yarns + "/repeats:3");
            return it == summary.ns.end() ? -1.0 : it->second / 1e6;
        };
        const double plain = get("BM_PlainWrite"), before = get("BM_GifBefore"), now = get("BM_Gif");
        if (plain > 0 && now > 0)
            std::printf("%s yarns: GIF %.1f ms = %.2f x a plain write (%.1f ms; goal <= 2.5 x: %s), before %.1f ms = "
                        "%.2f x\n",
                        yarns, now, now / plain, plain, now / plain <= 2.5 ? "ok" : "MISSED", before, before / plain);
    }
    benchmark::Shutdown();
    return 0;
}
