// What the two save commands hand to the raster library: the 24-bit chart
// and the 8-bit stitch grid, in each of the 11 formats of the save filter,
// read back with the library's own reader.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>

#include "output/save.h"
#include "raster/PixKit3.h"
#include "support/blockguard.h"
#include "support/gridsupport.h"

namespace {

uint32_t colourAt(const dib& d, int x, int y) {
    const uint32_t v = getpixel(d, x, y);
    if (dibbitcount(d) > 8) return v & 0xFFFFFF;
    const PALETTEENTRY& e = d.pal.rgb0[v & 0xFF];
    return packrgb(e.peRed, e.peGreen, e.peBlue);
}

const uint32_t kYarns[] = {packrgb(0, 0, 0),     packrgb(255, 255, 255), packrgb(200, 30, 40),
                           packrgb(20, 160, 60), packrgb(30, 60, 220),   packrgb(240, 200, 0)};

// Blocks of 4 x 4 stitches, so that lossy formats keep their colours too.
int yarnOf(int x, int y) { return (x / 4 + 2 * (y / 4)) % 6; }

dib stitchGrid(int w, int h) { return gridsupport::stitchGrid(w, h, kYarns, yarnOf); }

dib chart24(int w, int h) {
    dib d{};
    newdib(&d, w, h, 24, nullptr, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) setpixel(d, x, y, kYarns[yarnOf(x, y)]);
    return d;
}

bool lossy(int format) { return format == 7 || format == 8; }  // .jif, .jpg

int channelDiff(uint32_t a, uint32_t b) {
    return std::max({std::abs(getr(a) - getr(b)), std::abs(getg(a) - getg(b)), std::abs(getb(a) - getb(b))});
}

void roundTrip(const dib& image, const char* what) {
    QTemporaryDir dir;
    for (int index = 1; index <= output::saveFormatCount(); ++index) {
        const int format = output::saveFormat(index);
        const QString name = output::completeSaveName(dir.path() + "/bild", index);
        const QByteArray bytes = name.toUtf8();
        ASSERT_TRUE(SaveDib(image, bytes.constData(), format, nullptr)) << what << " as " << bytes.constData();
        dib back{};
        OpenDib(&back, bytes.constData(), 0, nullptr);
        ASSERT_TRUE(back.poi) << what << " from " << bytes.constData() << ": " << diberrortext(back);
        EXPECT_EQ(dibwidth(back), dibwidth(image)) << bytes.constData();
        EXPECT_EQ(dibheight(back), dibheight(image)) << bytes.constData();
        int worst = 0;
        for (int y = 0; y < dibheight(image) && y < dibheight(back); ++y)
            for (int x = 0; x < dibwidth(image) && x < dibwidth(back); ++x)
                worst = std::max(worst, channelDiff(colourAt(image, x, y), colourAt(back, x, y)));
        // JPEG keeps 4 x 4 blocks of one colour close; the rest is exact.
        EXPECT_LE(worst, lossy(format) ? 48 : 0) << what << " in " << bytes.constData();
        freedib(back);
    }
}

}  // namespace

TEST(SaveFormats, StitchGridOfEightBitsInEveryFormat) {
    BlockGuard guard;
    dib grid = stitchGrid(37, 23);  // odd and prime sizes catch row padding faults
    roundTrip(grid, "8-bit grid");
    freedib(grid);
}

TEST(SaveFormats, ChartOfTwentyFourBitsInEveryFormat) {
    BlockGuard guard;
    dib chart = chart24(41, 29);
    roundTrip(chart, "24-bit chart");
    freedib(chart);
}
