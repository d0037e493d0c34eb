// Pieces of motif loading that need no window: the file-type box's entries,
// the list's name filters, the preview's size and the failure message.
#pragma once

#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

class QWidget;

namespace motif {

// "desc|mask|desc|mask" -> (description, mask) pairs. A trailing
// description without a mask is dropped.
QList<QPair<QString, QString>> filterPairs(const char* filter);

// A wildcard mask ("*.bmp;*.dib") as the file list's name filters. "*.*"
// means every file, also those without an extension.
QStringList nameFilters(const QString& mask);

// Drawn size of an iw x ih motif in a bw x bh preview: full width if the
// height fits, else full height; quotients truncate.
QSize previewSize(int bw, int bh, int iw, int ih);

// Shows the box after a failed load of `path` (texts: messages::loadFailure).
void reportLoadFailure(QWidget* owner, const QString& path, const QString& libraryText);

// The sample motifs shipped with the program: "share/tricoma/samples" beside
// the program's "bin" folder, installed or in the build tree. Empty when
// that folder does not exist.
QString samplesFolder(const QString& progpath);

// The folder the browser opens at: the last one a motif was loaded from
// while it still exists, else the samples, else the program's folder.
QString startFolder(const QString& progpath, const QString& remembered);

// The last folder a motif was loaded from, from the settings store (empty
// before the first load), and storing it after a load.
QString rememberedFolder();
void rememberFolder(const QString& folder);

// The file-type box's last entry, after the library's formats.
inline constexpr const char* kAllFilesText = "Alle Dateien";
inline constexpr const char* kAllFilesMask = "*.*";

}  // namespace motif
