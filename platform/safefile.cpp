#include "platform/safefile.h"

#include <cerrno>

#include "raster/safewrite.h"

namespace platform {

SafeWriteResult writeFileSafely(const QString& path, const QByteArray& bytes) {
    const QByteArray name = path.toLocal8Bit();
    const pixkit::SaveResult r = pixkit::saveFileVia(name.toStdString(), [&](std::FILE* f) {
        const size_t n = size_t(bytes.size());
        if (n && std::fwrite(bytes.constData(), 1, n, f) != n) return pixkit::Status::WriteFailed;
        return pixkit::Status::Ok;
    });
    return {r.ok, QString::fromStdString(r.reason)};
}

void setWriteLimitForTesting(qint64 bytes) { pixkit::setWriteLimitForTesting(bytes); }

}  // namespace platform
