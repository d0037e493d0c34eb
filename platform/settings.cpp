#include "platform/settings.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace platform {

QString ProgramName() {
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (name.isEmpty()) name = QCoreApplication::applicationName();
    return name;
}

std::unique_ptr<QSettings> UserSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, ProgramName());
}

bool ReadInt(const QSettings& s, const QString& key, int& out) {
    const QVariant v = s.value(key);
    if (!v.isValid()) return false;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    if (!ok) return false;
    out = n;
    return true;
}

}  // namespace platform
