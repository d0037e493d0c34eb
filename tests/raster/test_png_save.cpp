// PNG as a save format, read back by libpng itself rather than by the
// library's own reader.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <vector>

#include "raster/PixKit3.h"
#include "raster/codecs/png.h"
#include "raster/formats.h"

namespace {

std::vector<uint8_t> written(const dib& d) {
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    EXPECT_EQ(pixkit::pngWrite(d, f), pixkit::Status::Ok);
    std::vector<uint8_t> bytes(size_t(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

uint32_t colourAt(const dib& d, int x, int y) {
    const uint32_t v = getpixel(d, x, y);
    if (dibbitcount(d) > 8) return v & 0xFFFFFF;
    const PALETTEENTRY& e = d.pal.rgb0[v & 0xFF];
    return packrgb(e.peRed, e.peGreen, e.peBlue);
}

}  // namespace

TEST(PngSave, EveryDepthIsReadBackExactlyByLibpng) {
    for (int bits : {1, 4, 8, 24}) {
        dib d{};
        const int w = 37, h = 23;  // odd sizes catch row padding faults
        newdib(&d, w, h, bits, nullptr, 0);
        const int colours = bits <= 8 ? 1 << bits : 0;
        for (int i = 0; i < colours; ++i) {
            d.pal.rgb0[i] = PALETTEENTRY{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13), 0};
            d.pmi->bmiColors[i] = RGBQUAD{uint8_t(i * 13), uint8_t(255 - i), uint8_t(i * 7), 0};
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                setpixel(d, x, y, colours ? uint32_t((x * 3 + y * 5) % colours) : packrgb(x * 6, y * 11, x ^ y));
        const std::vector<uint8_t> bytes = written(d);

        png_image img{};
        img.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&img, bytes.data(), bytes.size())) << bits;
        EXPECT_EQ(int(img.width), w);
        EXPECT_EQ(int(img.height), h);
        EXPECT_EQ((img.format & PNG_FORMAT_FLAG_COLORMAP) != 0, bits <= 8) << bits << ": palette kept";
        img.format = PNG_FORMAT_RGB;
        std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(img));
        ASSERT_TRUE(png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr)) << bits;
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = &rgb[size_t(y * w + x) * 3];
                if (packrgb(p[0], p[1], p[2]) != colourAt(d, x, y)) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << bits << " bits";
        freedib(d);
    }
    const pixkit::SaveFormat* png = pixkit::findSaveFormat(14);
    ASSERT_NE(png, nullptr);
    EXPECT_STREQ(png->dotted, ".png");
}

TEST(PngSave, AFullDiskIsAFailedWrite) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (!full) GTEST_SKIP() << "no /dev/full";
    dib d{};
    newdib(&d, 300, 300, 24, nullptr, 0);
    EXPECT_EQ(pixkit::pngWrite(d, full), pixkit::Status::WriteFailed);
    std::fclose(full);
    freedib(d);
}
