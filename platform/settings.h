// The per-user settings store, under the program's name (the program
// file's name without extension), like a key of its own per program.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace platform {

// The program file's name without its extension.
QString ProgramName();
// The program's settings for the current user.
std::unique_ptr<QSettings> UserSettings();

// Reads a value stored as text; false (and `out` untouched) when it is
// missing or not a whole number.
bool ReadInt(const QSettings& s, const QString& key, int& out);

}  // namespace platform
