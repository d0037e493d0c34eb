// Yarn palette files: the yarn colours as a GIMP palette (.gpl), the plain
// text exchange format that paint and drawing programs read and write.
#pragma once

#include <QString>

#include "raster/dib.h"

namespace pattern {

enum class YarnFileStatus {
    Ok,
    CannotRead,      // missing or unreadable (reason says which)
    CannotWrite,     // reason says why
    TooLarge,        // larger than kYarnFileMaxBytes
    NotAFile,        // a folder, pipe or device: only regular files are opened
    NotAPalette,     // no "GIMP Palette" header
    BadLine,         // a colour line that is not three values 0..255
    NoColours,
    TooManyColours,  // more colours than the palette has yarns
};

struct YarnFileResult {
    YarnFileResult() = default;
    YarnFileResult(YarnFileStatus s, int l, int c = 0, QString r = {})
        : status(s), line(l), colours(c), reason(std::move(r)) {}
    YarnFileStatus status = YarnFileStatus::Ok;
    int line = 0;  // for BadLine: the line, counted from 1
    int colours = 0;  // loaded: the colours the file held
    QString reason;   // for CannotRead and CannotWrite: why, in German
};

// A palette file is a short text; anything larger is not one.
constexpr qint64 kYarnFileMaxBytes = 1 << 20;

// Writes yarns 0 .. count - 1, each named by yarnName; a count below 1
// (or above yarns.num) writes all of yarns.num (at most 256). An existing
// file is replaced only by a complete one.
YarnFileResult saveYarnFile(const QString& path, const LPAL& yarns, int count = -1);

// Reads a palette (LF, CRLF or CR line ends) of 1 .. yarns.num colours
// into the first yarns; the further yarns take the first colour (so no stitch is given them, see
// setYarns). On any status but Ok `yarns` is not changed.
YarnFileResult loadYarnFile(const QString& path, LPAL& yarns);

}  // namespace pattern
