#include "pattern/yarnfile.h"

#include <QFile>
#include <QSaveFile>
#include <QRegularExpression>
#include <QStringList>
#include <vector>

#include "pattern/quantize.h"
#include "pattern/yarnname.h"

namespace pattern {

namespace {

int yarnCount(const LPAL& yarns) { return yarns.num < 256 ? yarns.num : 256; }

}  // namespace

YarnFileResult saveYarnFile(const QString& path, const LPAL& yarns, int count) {
    if (count < 1 || count > yarnCount(yarns)) count = yarnCount(yarns);
    QByteArray text = "GIMP Palette\nName: Tricoma\nColumns: 18\n#\n";
    for (int i = 0; i < count; ++i) {
        const PALETTEENTRY& e = yarns.rgb0[i];
        text += QStringLiteral("%1 %2 %3\t%4\n")
                    .arg(e.peRed, 3)
                    .arg(e.peGreen, 3)
                    .arg(e.peBlue, 3)
                    .arg(yarnName(i))
                    .toUtf8();
    }
    // Written aside and renamed, so a failed save leaves an older file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return {YarnFileStatus::CannotWrite, 0};
    return {};
}

YarnFileResult loadYarnFile(const QString& path, LPAL& yarns) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kYarnFileMaxBytes) return {YarnFileStatus::CannotRead, 0};
    const QByteArray data = file.read(kYarnFileMaxBytes + 1);
    if (data.size() > kYarnFileMaxBytes) return {YarnFileStatus::CannotRead, 0};
    const QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    auto clean = [](QString s) {
        if (s.startsWith(QChar(0xFEFF))) s.remove(0, 1);
        return s.trimmed();  // also drops the CR of CRLF files
    };
    if (lines.isEmpty() || clean(lines[0]) != QLatin1String("GIMP Palette")) return {YarnFileStatus::NotAPalette, 1};

    std::vector<PALETTEENTRY> colours;
    for (int n = 1; n < lines.size(); ++n) {
        const QString line = clean(lines[n]);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1String("Name:")) ||
            line.startsWith(QLatin1String("Columns:")))
            continue;
        // "r g b" and an optional name after them.
        const QStringList parts = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (parts.size() < 3) return {YarnFileStatus::BadLine, n + 1};
        int v[3];
        for (int c = 0; c < 3; ++c) {
            bool ok = false;
            v[c] = parts[c].toInt(&ok);
            if (!ok || v[c] < 0 || v[c] > 255) return {YarnFileStatus::BadLine, n + 1};
        }
        if (int(colours.size()) == yarnCount(yarns)) return {YarnFileStatus::TooManyColours, n + 1};
        colours.push_back(PALETTEENTRY{uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2]), 0});
    }
    if (colours.empty()) return {YarnFileStatus::NoColours, 0};
    setYarns(yarns, colours);
    return {YarnFileStatus::Ok, 0, int(colours.size())};
}

}  // namespace pattern
