// Speed of the simple codecs against plain memory and file operations of
// the same size, measured in the same run, all files on the RAM disk
// (/dev/shm) so that the disk does not blur the ratios:
//   reading a big BMP/TGA   vs  reading the file + one memcpy of its pixels
//   writing the 9320 x 5720 chart (the chart of a 460 x 380 grid) as BMP,
//   DIB, TGA, PCX, RLE, IFF  vs  one fwrite of the same number of bytes.
// Ratios: divide a codec's time by its Baseline's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "raster/PixKit3.h"
#include "raster/codecs/bmp.h"
#include "raster/codecs/iff.h"
#include "raster/codecs/pcx.h"
#include "raster/codecs/tga.h"

namespace {

constexpr int kW = 9320, kH = 5720;
const char* kOut = "/dev/shm/tricoma-bench-codecs.out";

// Cells of 20 x 15 pixels in a handful of yarn colours with inverse
// outlines, like a rendered chart.
const dib& chart() {
    static dib d = [] {
        dib c{};
        newdib(&c, kW, kH, 24, nullptr, 0);
        const uint8_t yarn[5][3] = {{40, 30, 200}, {250, 250, 250}, {160, 90, 20}, {0, 0, 0}, {30, 200, 220}};
        std::vector<uint8_t> row(std::size_t(c.bytew));
        for (int y = 0; y < kH; ++y) {
            uint8_t* p = c.poi + int64_t(y) * c.bytew;
            for (int x = 0; x < kW; ++x) {
                const uint8_t* col = yarn[((x / 20) * 7 + (y / 15) * 3) % 5];
                bool edge = x % 20 == 0 || y % 15 == 0;
                for (int k = 0; k < 3; ++k) p[3 * x + k] = edge ? uint8_t(255 - col[k]) : col[k];
            }
        }
        return c;
    }();
    return d;
}

std::size_t pixelBytes() { return std::size_t(chart().bytew) * kH; }

std::vector<uint8_t> readAll(const std::string& path) {
    std::vector<uint8_t> v;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return v;
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    v.resize(std::size_t(n));
    if (std::fread(v.data(), 1, v.size(), f) != v.size()) v.clear();
    std::fclose(f);
    return v;
}

void writeFile(const std::string& path, const std::function<void(std::FILE*)>& w) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    w(f);
    std::fclose(f);
}

// Test files to read: the chart as BMP, as our RLE TGA and as raw TGA.
const std::string& bmpFile() {
    static std::string p = [] {
        std::string path = "/dev/shm/tricoma-bench-read.bmp";
        writeFile(path, [](std::FILE* f) { pixkit::bmpWrite(chart(), f, false); });
        return path;
    }();
    return p;
}
const std::string& tgaRleFile() {
    static std::string p = [] {
        std::string path = "/dev/shm/tricoma-bench-read-rle.tga";
        writeFile(path, [](std::FILE* f) { pixkit::tgaWrite(chart(), f); });
        return path;
    }();
    return p;
}
const std::string& tgaRawFile() {
    static std::string p = [] {
        std::string path = "/dev/shm/tricoma-bench-read-raw.tga";
        writeFile(path, [](std::FILE* f) {
            uint8_t h[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             uint8_t(kW), uint8_t(kW >> 8), uint8_t(kH), uint8_t(kH >> 8), 24, 0};
            std::fwrite(h, 1, 18, f);
            for (int y = 0; y < kH; ++y) std::fwrite(chart().poi + int64_t(y) * chart().bytew, 1, kW * 3, f);
        });
        return path;
    }();
    return p;
}

// ---- reading

void BM_ReadBaseline(benchmark::State& st) {
    const std::string& path = bmpFile();
    for (auto _ : st) {
        std::vector<uint8_t> file = readAll(path);
        std::vector<uint8_t> pixels(pixelBytes());
        std::memcpy(pixels.data(), file.data() + 54, pixels.size());
        benchmark::DoNotOptimize(pixels.data());
    }
}

void readWith(benchmark::State& st, const std::string& path,
              pixkit::Status (*read)(const uint8_t*, std::size_t, dib&, const pixkit::Progress&)) {
    for (auto _ : st) {
        std::vector<uint8_t> file = readAll(path);
        dib d{};
        if (read(file.data(), file.size(), d, {}) != pixkit::Status::Ok) st.SkipWithError("read failed");
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
}
void BM_ReadBmp(benchmark::State& st) { readWith(st, bmpFile(), pixkit::bmpRead); }
void BM_ReadTgaRaw(benchmark::State& st) { readWith(st, tgaRawFile(), pixkit::tgaRead); }
void BM_ReadTgaRle(benchmark::State& st) { readWith(st, tgaRleFile(), pixkit::tgaRead); }

// ---- writing

void BM_WriteBaseline(benchmark::State& st) {
    const dib& d = chart();
    for (auto _ : st) {
        std::FILE* f = std::fopen(kOut, "wb");
        std::fwrite(d.poi, 1, pixelBytes(), f);
        std::fclose(f);
    }
}

template <typename Fn>
void writeWith(benchmark::State& st, Fn write) {
    const dib& d = chart();
    for (auto _ : st) {
        std::FILE* f = std::fopen(kOut, "wb");
        if (write(d, f) != pixkit::Status::Ok) st.SkipWithError("write failed");
        std::fclose(f);
    }
    st.counters["file_MB"] = double(readAll(kOut).size()) / 1e6;
}
void BM_WriteBmp(benchmark::State& st) { writeWith(st, [](const dib& d, std::FILE* f) { return pixkit::bmpWrite(d, f, false); }); }
// DIB files are written by the same code as BMP; measured apart all the same.
void BM_WriteDib(benchmark::State& st) { writeWith(st, [](const dib& d, std::FILE* f) { return pixkit::bmpWrite(d, f, false); }); }
void BM_WriteRle(benchmark::State& st) { writeWith(st, [](const dib& d, std::FILE* f) { return pixkit::bmpWrite(d, f, true); }); }
void BM_WriteTga(benchmark::State& st) { writeWith(st, pixkit::tgaWrite); }
void BM_WritePcx(benchmark::State& st) { writeWith(st, pixkit::pcxWrite); }
void BM_WriteIff(benchmark::State& st) { writeWith(st, pixkit::iffWrite); }

}  // namespace

BENCHMARK(BM_ReadBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTgaRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTgaRle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteDib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTga)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePcx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteIff)->Unit(benchmark::kMillisecond);

// The RAM disk is memory: take the files away again.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* p : {kOut, "/dev/shm/tricoma-bench-read.bmp", "/dev/shm/tricoma-bench-read-rle.tga",
                          "/dev/shm/tricoma-bench-read-raw.tga"})
        std::remove(p);
    return 0;
}
