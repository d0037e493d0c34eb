#include "output/save.h"

#include "platform/dialogs.h"
#include "raster/PixKit3.h"

namespace output {

const char* const kSaveExts[kSaveFormatCount] = {".bmp", ".dib", ".gif", ".iff", ".jif", ".jpg",
                                                 ".lbm", ".pcx", ".rle", ".tga", ".tif"};

int saveFormat(int filterIndex) { return filterIndex + 2; }

QString fileExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash) return QString();
    return name.mid(dot);
}

QString completeSaveName(const QString& name, int filterIndex) {
    if (!fileExtension(name).isEmpty()) return name;
    if (filterIndex < 1 || filterIndex > kSaveFormatCount) return name;
    return name + QLatin1String(kSaveExts[filterIndex - 1]);
}

void savePicture(TSaveDialog& dialog, const dib& image, QWidget* owner, HWND window, SaveFn save) {
    dialog.Filter = QString::fromLocal8Bit(GetDIBSaveFilter());
    if (!dialog.Execute(owner)) return;
    const QString name = completeSaveName(dialog.FileName, dialog.FilterIndex);
    // File names are UTF-8 on this platform, so every character survives.
    const QByteArray bytes = name.toUtf8();
    save(image, bytes.constData(), saveFormat(dialog.FilterIndex), window);
}

}  // namespace output
