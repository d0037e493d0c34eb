// Speed of the codecs over reference libraries, each against the bare
// library doing the same work in the same run:
//   - OpenDib of a 12 MP JPEG photo vs libjpeg-turbo decoding it into a
//     buffer (goal: at most 1.2x),
//   - OpenDib of a big PNG and a big TIFF vs libpng / libtiff alone,
//   - SaveDib of a 9320 x 5720 chart (a 460 x 380 grid) as JPEG vs a bare
//     libjpeg-turbo encode (goal 1.3x), as TIFF vs bare libtiff LZW, and as
//     GIF, IFF and LBM (goal: under 0.25 s), next to one plain write of the
//     picture's bytes.
#include <benchmark/benchmark.h>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "raster/PixKit3.h"
#include "raster/codecs/jpeg.h"

namespace {

std::string scratchDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/tricoma-bench-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return dir;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// Photo-like content: smooth gradients with fine texture, so the codecs
// see neither flat areas nor noise.
dib makePhoto(int w, int h) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = d.poi + int64_t(h - 1 - y) * d.bytew;
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t((x * 255 / w) ^ ((y >> 3) & 15));
            row[3 * x + 1] = uint8_t((y * 255 / h) + ((x * y) >> 12 & 7));
            row[3 * x + 2] = uint8_t(((x + y) * 128 / (w + h)) + ((x ^ y) & 31));
        }
    }
    return d;
}

// A chart of a 460 x 380 grid: cells of 20 x 15 pixels in eight yarn
// colours, outlined in the inverse colour.
const dib& chart() {
    static dib d = [] {
        const int w = 9320, h = 5720;
        dib c{};
        newdib(&c, w, h, 24, nullptr, 0);
        const uint8_t yarn[8][3] = {{40, 30, 200}, {250, 250, 250}, {160, 90, 20}, {0, 200, 240},
                                    {0, 0, 0},     {90, 160, 60},   {200, 0, 120}, {128, 128, 128}};
        for (int y = 0; y < h; ++y) {
            uint8_t* row = c.poi + int64_t(h - 1 - y) * c.bytew;
            for (int x = 0; x < w; ++x) {
                const uint8_t* col = yarn[((x / 20) * 5 + (y / 15) * 3 + (x / 60) * (y / 45)) % 8];
                bool edge = x % 20 == 0 || y % 15 == 0;
                for (int k = 0; k < 3; ++k) row[3 * x + k] = edge ? uint8_t(255 - col[k]) : col[k];
            }
        }
        return c;
    }();
    return d;
}

// The 12 MP photo of the test data when present, else one made here.
const std::string& bigJpeg() {
    static std::string path = [] {
        std::string photo = std::string(TRICOMA_BENCH_TESTDATA) + "/photos/42_IndexError.jpg";
        if (std::FILE* f = std::fopen(photo.c_str(), "rb")) {
            std::fclose(f);
            return photo;
        }
        std::string p = scratchDir() + "/photo.jpg";
        dib d = makePhoto(4032, 3024);
        SaveDib(d, p.c_str(), 8, nullptr);
        freedib(d);
        return p;
    }();
    return path;
}

void BM_OpenDib_Jpeg12MP(benchmark::State& state) {
    const std::string& path = bigJpeg();
    for (auto _ : state) {
        dib d{};
        OpenDib(&d, path.c_str(), 0, nullptr);
        if (!d.poi) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(d.poi);
        freedib(d);
    }
}

// The baseline: the file already in memory, decoded into a new buffer (not
// cleared; OpenDib's record is).
void BM_Baseline_LibjpegDecode12MP(benchmark::State& state) {
    std::vector<uint8_t> data = readFile(bigJpeg());
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, data.data(), data.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        size_t stride = size_t(cinfo.output_width) * 3;
        std::unique_ptr<uint8_t[]> out(new uint8_t[stride * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = out.get() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(out.get());
    }
}

// ------------------------------------------------------------------ PNG

const std::string& bigPng() {
    static std::string path = [] {
        std::string p = scratchDir() + "/photo.png";
        dib d = makePhoto(4000, 3000);
        std::FILE* f = std::fopen(p.c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, f);
        png_set_IHDR(png, info, 4000, 3000, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_bgr(png);
        png_write_info(png, info);
        for (int y = 0; y < 3000; ++y) png_write_row(png, d.poi + int64_t(2999 - y) * d.bytew);
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        freedib(d);
        return p;
    }();
    return path;
}

void BM_OpenDib_Png12MP(benchmark::State& state) {
    const std::string& path = bigPng();
    for (auto _ : state) {
        dib d{};
        OpenDib(&d, path.c_str(), 0, nullptr);
        if (!d.poi) state.SkipWithError("open failed");
        freedib(d);
    }
}

void BM_Baseline_LibpngDecode12MP(benchmark::State& state) {
    std::vector<uint8_t> data = readFile(bigPng());
    for (auto _ : state) {
        png_image img;
        std::memset(&img, 0, sizeof img);
        img.version = PNG_IMAGE_VERSION;
        png_image_begin_read_from_memory(&img, data.data(), data.size());
        img.format = PNG_FORMAT_BGR;
        std::unique_ptr<uint8_t[]> out(new uint8_t[PNG_IMAGE_SIZE(img)]);
        if (!png_image_finish_read(&img, nullptr, out.get(), 0, nullptr)) state.SkipWithError("libpng failed");
        png_image_free(&img);
        benchmark::DoNotOptimize(out.get());
    }
}

// ------------------------------------------------------------------ TIFF

const std::string& bigTiff() {
    static std::string path = [] {
        std::string p = scratchDir() + "/photo.tif";
        dib d = makePhoto(4000, 3000);
        SaveDib(d, p.c_str(), 13, nullptr);
        freedib(d);
        return p;
    }();
    return path;
}

void BM_OpenDib_Tiff12MP(benchmark::State& state) {
    const std::string& path = bigTiff();
    for (auto _ : state) {
        dib d{};
        OpenDib(&d, path.c_str(), 0, nullptr);
        if (!d.poi) state.SkipWithError("open failed");
        freedib(d);
    }
}

// Bare libtiff: strips decoded into one buffer, no colour conversion.
void BM_Baseline_LibtiffDecode12MP(benchmark::State& state) {
    const std::string& path = bigTiff();
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        uint32_t h = 0;
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
        tmsize_t line = TIFFScanlineSize(tif);
        std::unique_ptr<uint8_t[]> out(new uint8_t[size_t(line) * h]);
        for (uint32_t y = 0; y < h; ++y) TIFFReadScanline(tif, out.get() + size_t(line) * y, y, 0);
        TIFFClose(tif);
        benchmark::DoNotOptimize(out.get());
    }
}

// ------------------------------------------------------------------ writing the chart

void saveChart(benchmark::State& state, int format, const char* ext) {
    const dib& c = chart();
    std::string name = scratchDir() + "/chart." + ext;
    for (auto _ : state) {
        if (!SaveDib(c, name.c_str(), format, nullptr)) state.SkipWithError("save failed");
    }
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (f) {
        std::fseek(f, 0, SEEK_END);
        state.counters["file_MB"] = double(std::ftell(f)) / 1e6;
        std::fclose(f);
    }
    std::remove(name.c_str());
}

void BM_SaveDib_Chart_JPG(benchmark::State& s) { saveChart(s, 8, "jpg"); }
void BM_SaveDib_Chart_GIF(benchmark::State& s) { saveChart(s, 5, "gif"); }
void BM_SaveDib_Chart_TIF(benchmark::State& s) { saveChart(s, 13, "tif"); }
void BM_SaveDib_Chart_IFF(benchmark::State& s) { saveChart(s, 6, "iff"); }
void BM_SaveDib_Chart_LBM(benchmark::State& s) { saveChart(s, 9, "lbm"); }

// One plain write of the picture's pixel bytes to a file in the same folder.
void BM_Baseline_PlainWriteChartBytes(benchmark::State& state) {
    const dib& c = chart();
    std::string name = scratchDir() + "/plain.raw";
    for (auto _ : state) {
        std::FILE* f = std::fopen(name.c_str(), "wb");
        std::fwrite(c.poi, 1, size_t(c.bytew) * size_t(dibheight(c)), f);
        std::fclose(f);
    }
    std::remove(name.c_str());
}

// Bare libjpeg-turbo with the settings SaveDib uses (quality, 4:4:4).
void BM_Baseline_LibjpegEncodeChart(benchmark::State& state) {
    const dib& c = chart();
    std::string name = scratchDir() + "/bare.jpg";
    const int w = dibwidth(c), h = dibheight(c);
    for (auto _ : state) {
        std::FILE* f = std::fopen(name.c_str(), "wb");
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, f);
        cinfo.image_width = JDIMENSION(w);
        cinfo.image_height = JDIMENSION(h);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, pixkit::kJpegQuality, TRUE);
        for (int k = 0; k < cinfo.num_components; ++k) cinfo.comp_info[k].h_samp_factor = cinfo.comp_info[k].v_samp_factor = 1;
        jpeg_start_compress(&cinfo, TRUE);
        for (int y = 0; y < h; ++y) {
            JSAMPROW row = c.poi + int64_t(h - 1 - y) * c.bytew;
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(f);
    }
    std::remove(name.c_str());
}

// Bare libtiff: the same RGB LZW + predictor strips, rows swapped to RGB.
void BM_Baseline_LibtiffEncodeChart(benchmark::State& state) {
    const dib& c = chart();
    std::string name = scratchDir() + "/bare.tif";
    const int w = dibwidth(c), h = dibheight(c);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(name.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = c.poi + int64_t(h - 1 - y) * c.bytew;
            for (int x = 0; x < w; ++x) {
                row[size_t(3 * x)] = src[3 * x + 2];
                row[size_t(3 * x + 1)] = src[3 * x + 1];
                row[size_t(3 * x + 2)] = src[3 * x];
            }
            TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
        }
        TIFFClose(tif);
    }
    std::remove(name.c_str());
}

}  // namespace

BENCHMARK(BM_OpenDib_Jpeg12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_LibjpegDecode12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDib_Png12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_LibpngDecode12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDib_Tiff12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_LibtiffDecode12MP)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline_PlainWriteChartBytes)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDib_Chart_JPG)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Baseline_LibjpegEncodeChart)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDib_Chart_TIF)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Baseline_LibtiffEncodeChart)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDib_Chart_GIF)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDib_Chart_IFF)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveDib_Chart_LBM)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
