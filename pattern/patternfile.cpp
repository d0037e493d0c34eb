#include "pattern/patternfile.h"

#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <cmath>
#include <cstring>

#include "pattern/limits.h"
#include "raster/PixKit3.h"

namespace pattern {

namespace {

// Text chunk keys.
const QString kMaschen = QStringLiteral("Tricoma Maschen je 10 cm");
const QString kReihen = QStringLiteral("Tricoma Reihen je 10 cm");
const QString kBreite = QStringLiteral("Tricoma Breite cm");
const QString kHoch = QStringLiteral("Tricoma Hoehe cm");
const QString kKnitRow = QStringLiteral("Tricoma aktuelle Reihe");

bool gaugeOk(int v) { return v >= kGaugeMin && v <= kGaugeMax; }
bool sizeOk(double v) { return std::isfinite(v) && v >= kSizeMin && v <= kSizeMax; }

}  // namespace

PatternFileStatus savePattern(const QString& path, const dib& grid, const PatternInfo& info) {
    const int w = dibwidth(grid), h = dibheight(grid);
    if (!grid.poi || dibbitcount(grid) != 8 || w <= 0 || h <= 0) return PatternFileStatus::NoGrid;
    QImage image(w, h, QImage::Format_Indexed8);
    if (image.isNull()) return PatternFileStatus::OutOfMemory;
    QList<QRgb> table(kGridPaletteSize);
    for (int i = 0; i < kGridPaletteSize; ++i)
        table[i] = qRgb(grid.pal.rgb0[i].peRed, grid.pal.rgb0[i].peGreen, grid.pal.rgb0[i].peBlue);
    image.setColorTable(table);
    for (int y = 0; y < h; ++y)  // stored rows run bottom-up
        std::memcpy(image.scanLine(y), grid.poi + int64_t(h - 1 - y) * grid.bytew, size_t(w));
    image.setText(kMaschen, QString::number(info.maschen));
    image.setText(kReihen, QString::number(info.reihen));
    image.setText(kBreite, QString::number(info.breite, 'g', 17));
    image.setText(kHoch, QString::number(info.hoch, 'g', 17));
    if (info.knitRow > 0) image.setText(kKnitRow, QString::number(info.knitRow));
    // Written aside and renamed, so a failed save leaves an older file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return PatternFileStatus::CannotWrite;
    QImageWriter writer(&file, "png");
    if (!writer.write(image) || !file.commit()) return PatternFileStatus::CannotWrite;
    return PatternFileStatus::Ok;
}

PatternFileStatus loadPattern(const QString& path, dib& grid, PatternInfo& info) {
    QImageReader reader(path, "png");
    if (!reader.canRead()) return PatternFileStatus::CannotRead;
    // The text chunks are known only once the picture is read.
    const QImage image = reader.read();
    if (image.isNull()) return PatternFileStatus::CannotRead;
    PatternInfo in;
    bool ok[4] = {false, false, false, false};
    in.maschen = image.text(kMaschen).toInt(&ok[0]);
    in.reihen = image.text(kReihen).toInt(&ok[1]);
    in.breite = image.text(kBreite).toDouble(&ok[2]);
    in.hoch = image.text(kHoch).toDouble(&ok[3]);
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3]) return PatternFileStatus::NotAPattern;
    if (!gaugeOk(in.maschen) || !gaugeOk(in.reihen) || !sizeOk(in.breite) || !sizeOk(in.hoch))
        return PatternFileStatus::BadValues;
    // Only an indexed picture names yarns (a grid's palette repeats yarn 0
    // at indices 0 to 9, so it is never written as a grey ramp).
    if (image.format() != QImage::Format_Indexed8) return PatternFileStatus::NotAPattern;

    const int w = image.width(), h = image.height();
    // Only a bookmark: one that does not fit the grid is dropped, the
    // pattern still opens.
    bool rowOk = false;
    in.knitRow = image.text(kKnitRow).toInt(&rowOk);
    if (!rowOk || in.knitRow < 1 || in.knitRow > h) in.knitRow = 0;
    dib out{};
    newdib(&out, w, h, 8, nullptr, 0);
    if (!out.poi) {
        freedib(out);
        return PatternFileStatus::OutOfMemory;
    }
    const QList<QRgb> table = image.colorTable();
    for (int i = 0; i < kGridPaletteSize; ++i) {
        // A shorter table leaves the rest as yarn 0 shows it.
        const QRgb c = table.value(i, table.value(0, qRgb(0, 0, 0)));
        out.pal.rgb0[i].peRed = uint8_t(qRed(c));
        out.pal.rgb0[i].peGreen = uint8_t(qGreen(c));
        out.pal.rgb0[i].peBlue = uint8_t(qBlue(c));
        out.pmi->bmiColors[i].rgbRed = uint8_t(qRed(c));
        out.pmi->bmiColors[i].rgbGreen = uint8_t(qGreen(c));
        out.pmi->bmiColors[i].rgbBlue = uint8_t(qBlue(c));
    }
    for (int y = 0; y < h; ++y) std::memcpy(out.poi + int64_t(h - 1 - y) * out.bytew, image.constScanLine(y), size_t(w));
    grid = out;
    info = in;
    return PatternFileStatus::Ok;
}

void yarnsOfGrid(const dib& grid, LPAL& yarns) {
    const int n = std::min<int>(yarns.num, kMaxYarnColours);
    for (int i = 0; i < n; ++i) {
        const PALETTEENTRY& e = grid.pal.rgb0[kYarnIndexOffset + i];
        yarns.rgb0[i].peRed = e.peRed;
        yarns.rgb0[i].peGreen = e.peGreen;
        yarns.rgb0[i].peBlue = e.peBlue;
    }
}

}  // namespace pattern
