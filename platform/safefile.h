// Writing a file so that nothing is lost: the bytes go to a temporary file
// beside the target, every write count is checked, the file is flushed and
// synced, and only then renamed over the target. On any failure an
// existing file stays as it was, byte for byte, and the result says why.
// (QSaveFile renames after a failed flush, and QPdfWriter ignores short
// writes: render into memory, then write here.)
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

struct SafeWriteResult {
    bool ok = false;
    QString reason;  // German, empty on success
    explicit operator bool() const { return ok; }
};

SafeWriteResult writeFileSafely(const QString& path, const QByteArray& bytes);

// Test seam: while set (>= 0), every file the program writes (through here
// or the raster library) takes at most this many bytes, as on a full disk.
// -1 lifts it.
void setWriteLimitForTesting(qint64 bytes);

}  // namespace platform
