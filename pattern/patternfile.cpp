#include "pattern/patternfile.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>

#include "pattern/limits.h"
#include "raster/PixKit3.h"
#include "raster/codecs/png.h"
#include "raster/limits.h"
#include "raster/safewrite.h"

namespace pattern {

namespace {

// Text chunk keys.
const QString kMaschen = QStringLiteral("Tricoma Maschen je 10 cm");
const QString kReihen = QStringLiteral("Tricoma Reihen je 10 cm");
const QString kBreite = QStringLiteral("Tricoma Breite cm");
const QString kHoch = QStringLiteral("Tricoma Hoehe cm");

bool gaugeOk(int v) { return v >= kGaugeMin && v <= kGaugeMax; }
bool sizeOk(double v) { return std::isfinite(v) && v >= kSizeMin && v <= kSizeMax; }

}  // namespace

PatternFileStatus savePattern(const QString& path, const dib& grid, const PatternInfo& info, QString* reason) {
    const int w = dibwidth(grid), h = dibheight(grid);
    if (!grid.poi || !grid.pmi || dibbitcount(grid) != 8 || w <= 0 || h <= 0) return PatternFileStatus::NoGrid;
    const std::vector<std::pair<std::string, std::string>> texts = {
        {kMaschen.toStdString(), QString::number(info.maschen).toStdString()},
        {kReihen.toStdString(), QString::number(info.reihen).toStdString()},
        {kBreite.toStdString(), QString::number(info.breite, 'g', 17).toStdString()},
        {kHoch.toStdString(), QString::number(info.hoch, 'g', 17).toStdString()},
    };
    // Streamed by libpng into the safe write (every index of the grid's
    // 256-entry palette is written, so any viewer shows the yarns).
    const pixkit::SaveResult r = pixkit::saveFileVia(path.toLocal8Bit().toStdString(), [&](std::FILE* f) {
        return pixkit::pngWriteWithTexts(grid, f, texts);
    });
    if (r.ok) return PatternFileStatus::Ok;
    if (reason) *reason = QString::fromStdString(r.reason);
    return PatternFileStatus::CannotWrite;
}

PatternFileStatus loadPattern(const QString& path, dib& grid, PatternInfo& info) {
    // Read with the raster library's libpng wrapper, which hands back the
    // indices as stored (Qt's reader remaps out-of-range ones and refuses
    // what exceeds its own allocation limit).
    if (!QFileInfo(path).isFile()) return PatternFileStatus::CannotRead;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return PatternFileStatus::CannotRead;
    if (file.size() > pixkit::kMaxDecodeFileBytes) return PatternFileStatus::TooLarge;
    QByteArray data;
    try {
        data = file.readAll();
    } catch (const std::bad_alloc&) {
        return PatternFileStatus::OutOfMemory;
    }
    if (file.error() != QFileDevice::NoError) return PatternFileStatus::CannotRead;
    file.close();

    dib out{};
    pixkit::PngIndexed png;
    const pixkit::Status st =
        pixkit::pngReadIndexed(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), out, png);
    data = QByteArray();
    PatternInfo in;
    bool ok[4] = {false, false, false, false};
    auto text = [&png](const QString& key) {
        for (const auto& [k, v] : png.texts)
            if (QString::fromLatin1(k.c_str()) == key) return QString::fromUtf8(v.c_str());
        return QString();
    };
    switch (st) {
    case pixkit::Status::Ok: break;
    case pixkit::Status::Unsupported: return PatternFileStatus::NotAPattern;  // only indexed pictures name yarns
    case pixkit::Status::TooLarge: return PatternFileStatus::TooLarge;
    case pixkit::Status::NoMemory: return PatternFileStatus::OutOfMemory;
    default: return PatternFileStatus::CannotRead;
    }
    in.maschen = text(kMaschen).toInt(&ok[0]);
    in.reihen = text(kReihen).toInt(&ok[1]);
    in.breite = text(kBreite).toDouble(&ok[2]);
    in.hoch = text(kHoch).toDouble(&ok[3]);
    PatternFileStatus result = PatternFileStatus::Ok;
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3]) result = PatternFileStatus::NotAPattern;
    else if (!gaugeOk(in.maschen) || !gaugeOk(in.reihen) || !sizeOk(in.breite) || !sizeOk(in.hoch))
        result = PatternFileStatus::BadValues;
    // A stitch without a palette entry names no yarn: guessing one would
    // change the pattern unseen.
    else if (png.maxIndex >= png.paletteCount) result = PatternFileStatus::ShortPalette;
    if (result != PatternFileStatus::Ok) {
        freedib(out);
        return result;
    }
    // Entries the file leaves out show yarn 0's colour, as a grid's unused
    // indices do.
    for (int i = png.paletteCount; i < kGridPaletteSize; ++i) {
        out.pal.rgb0[i] = out.pal.rgb0[0];
        out.pmi->bmiColors[i] = out.pmi->bmiColors[0];
    }
    for (int i = 0; i < kGridPaletteSize; ++i) out.pal.rgb0[i].peFlags = 0;
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
