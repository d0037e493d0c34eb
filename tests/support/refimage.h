// Pictures to compare decoders against: reference PNGs (read with libpng,
// composited onto white like our readers do), PPM output of outside tools,
// and our own records, all as plain RGB.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "raster/PixKit3.h"

namespace refimage {

struct Rgb {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // r, g, b per pixel, rows from the top
    bool ok() const { return w > 0 && h > 0 && px.size() == std::size_t(w) * h * 3; }
    const uint8_t* at(int x, int y) const { return &px[(std::size_t(y) * w + x) * 3]; }
};

inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline std::string testdata(const std::string& rel) {
    return std::string(TRICOMA_TESTDATA_DIR) + "/" + rel;
}

inline bool exists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

inline uint8_t overWhite(unsigned c, unsigned a) {
    return uint8_t((c * a + 255u * (255u - a) + 127u) / 255u);
}

// Reads RGBA rows with libpng. Kept apart from its caller so that no
// destructor sits between setjmp and longjmp.
inline bool readPngRgba(std::FILE* f, int& w, int& h, std::vector<uint8_t>& rgba) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_expand(png);
    // 16-bit samples: v * 255 / 65535 rounded, as our readers scale fields.
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    w = int(png_get_image_width(png, info));
    h = int(png_get_image_height(png, info));
    if (png_get_rowbytes(png, info) != std::size_t(w) * 4) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    rgba.resize(std::size_t(w) * h * 4);
    std::vector<png_bytep> rows(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) rows[std::size_t(y)] = rgba.data() + std::size_t(y) * w * 4;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

inline Rgb loadPng(const std::string& path) {
    Rgb out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    bool ok = readPngRgba(f, w, h, rgba);
    std::fclose(f);
    if (!ok) return out;
    out.w = w;
    out.h = h;
    out.px.resize(std::size_t(w) * h * 3);
    for (std::size_t i = 0; i < std::size_t(w) * h; ++i) {
        unsigned a = rgba[4 * i + 3];
        for (int k = 0; k < 3; ++k) out.px[3 * i + k] = overWhite(rgba[4 * i + k], a);
    }
    return out;
}

// Binary PPM or PGM (P6/P5, maxval 255) as netpbm tools write them.
inline Rgb loadPpm(const std::vector<uint8_t>& data) {
    Rgb out;
    std::size_t pos = 0;
    auto token = [&]() {
        std::string t;
        while (pos < data.size()) {
            char c = char(data[pos]);
            if (c == '#') {
                while (pos < data.size() && data[pos] != '\n') ++pos;
            } else if (isspace(static_cast<unsigned char>(c))) {
                ++pos;
                if (!t.empty()) return t;
            } else {
                t += c;
                ++pos;
            }
        }
        return t;
    };
    std::string magic = token();
    if (magic != "P6" && magic != "P5") return out;  // netpbm writes grey pictures as PGM
    int channels = magic == "P6" ? 3 : 1;
    int w = std::atoi(token().c_str()), h = std::atoi(token().c_str());
    int maxval = std::atoi(token().c_str());
    if (w <= 0 || h <= 0 || maxval != 255) return out;
    std::size_t n = std::size_t(w) * h * channels;
    if (data.size() - pos < n) return out;
    out.w = w;
    out.h = h;
    out.px.resize(std::size_t(w) * h * 3);
    for (std::size_t i = 0; i < std::size_t(w) * h; ++i)
        for (int k = 0; k < 3; ++k) out.px[3 * i + k] = data[pos + i * channels + (channels == 3 ? k : 0)];
    return out;
}

// Colour of every pixel of a record of 1, 4, 8 or 24 bits.
inline Rgb fromDib(const dib& d) {
    Rgb out;
    out.w = dibwidth(d);
    out.h = dibheight(d);
    out.px.resize(std::size_t(out.w) * out.h * 3);
    bool palette = dibcolors(d) <= 256;
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            uint32_t v = getpixel(d, x, y);
            uint8_t* p = &out.px[(std::size_t(y) * out.w + x) * 3];
            if (palette) {
                const PALETTEENTRY& e = d.pal.rgb0[v & 0xFF];
                p[0] = e.peRed, p[1] = e.peGreen, p[2] = e.peBlue;
            } else {
                p[0] = getr(v), p[1] = getg(v), p[2] = getb(v);
            }
        }
    return out;
}

// Empty when equal within `tol` per channel; else where they first differ
// and how many pixels do.
inline std::string compare(const Rgb& got, const Rgb& want, int tol = 0) {
    std::ostringstream s;
    if (got.w != want.w || got.h != want.h) {
        s << "size " << got.w << "x" << got.h << ", expected " << want.w << "x" << want.h;
        return s.str();
    }
    long bad = 0;
    int fx = -1, fy = -1;
    for (int y = 0; y < got.h; ++y)
        for (int x = 0; x < got.w; ++x) {
            const uint8_t *a = got.at(x, y), *b = want.at(x, y);
            for (int k = 0; k < 3; ++k)
                if (std::abs(int(a[k]) - int(b[k])) > tol) {
                    if (!bad++) fx = x, fy = y;
                    break;
                }
        }
    if (!bad) return {};
    const uint8_t *a = got.at(fx, fy), *b = want.at(fx, fy);
    s << bad << " pixels differ, first at (" << fx << "," << fy << "): got " << int(a[0]) << ","
      << int(a[1]) << "," << int(a[2]) << " expected " << int(b[0]) << "," << int(b[1]) << ","
      << int(b[2]);
    return s.str();
}

// Output of a shell command, or empty when it fails.
inline std::vector<uint8_t> runCapture(const std::string& cmd) {
    std::vector<uint8_t> out;
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + n);
    if (pclose(p) != 0) out.clear();
    return out;
}

inline bool haveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace refimage
