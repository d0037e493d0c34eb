#include "pattern/yarnfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <vector>

#include "pattern/quantize.h"
#include "pattern/yarnname.h"
#include "platform/safefile.h"

namespace pattern {

namespace {

int yarnCount(const LPAL& yarns) { return yarns.num < 256 ? yarns.num : 256; }

QString readReason(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR: return QStringLiteral("Die Datei existiert nicht.");
    case EACCES:
    case EPERM: return QStringLiteral("Keine Berechtigung zum Lesen.");
    default: return QStringLiteral("Lesefehler (Fehler %1).").arg(err);
    }
}

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
    const platform::SafeWriteResult r = platform::writeFileSafely(path, text);
    if (!r) return {YarnFileStatus::CannotWrite, 0, 0, r.reason};
    return {};
}

YarnFileResult loadYarnFile(const QString& path, LPAL& yarns) {
    // Opened without blocking and checked before reading: a pipe or device
    // under a palette's name would otherwise wait forever.
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {YarnFileStatus::CannotRead, 0, 0, readReason(errno)};
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {YarnFileStatus::NotAFile, 0};
    }
    if (st.st_size > kYarnFileMaxBytes) {
        ::close(fd);
        return {YarnFileStatus::TooLarge, 0};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {YarnFileStatus::CannotRead, 0, 0, readReason(EIO)};
    }
    const QByteArray data = file.read(kYarnFileMaxBytes + 1);
    if (data.size() > kYarnFileMaxBytes) return {YarnFileStatus::TooLarge, 0};
    if (file.error() != QFileDevice::NoError) return {YarnFileStatus::CannotRead, 0, 0, readReason(EIO)};
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = QString::fromUtf8(data).split(lineEnd);
    auto clean = [](QString s) {
        if (s.startsWith(QChar(0xFEFF))) s.remove(0, 1);
        return s.trimmed();
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
