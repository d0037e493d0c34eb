#include "output/save.h"

#include <QFileInfo>

#include "platform/dialogs.h"
#include "raster/PixKit3.h"
#include "raster/formats.h"

namespace output {

namespace {

const pixkit::SaveFormat* entry(int filterIndex) {
    const auto all = pixkit::saveFormats();
    if (filterIndex < 1 || filterIndex > int(all.size())) return nullptr;
    return &all[size_t(filterIndex - 1)];
}

}  // namespace

int saveFormatCount() { return int(pixkit::saveFormats().size()); }

const char* saveExtension(int filterIndex) {
    const pixkit::SaveFormat* e = entry(filterIndex);
    return e ? e->dotted : "";
}

int saveFormat(int filterIndex) {
    const pixkit::SaveFormat* e = entry(filterIndex);
    return e ? e->number : 0;
}

QString fileExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash) return QString();
    return name.mid(dot);
}

QString completeSaveName(const QString& name, int filterIndex) {
    if (!fileExtension(name).isEmpty()) return name;
    const pixkit::SaveFormat* e = entry(filterIndex);
    return e ? name + QLatin1String(e->dotted) : name;
}

void savePicture(TSaveDialog& dialog, const dib& image, QWidget* owner, HWND window, SaveFn save) {
    dialog.Filter = QString::fromLocal8Bit(GetDIBSaveFilter());
    QString name;
    for (;;) {
        if (!dialog.Execute(owner)) return;
        name = completeSaveName(dialog.FileName, dialog.FilterIndex);
        // The dialog has asked about the name it returned; a file that only
        // the completed name hits would be replaced unasked.
        if (name == dialog.FileName || !QFileInfo::exists(name) || dialog.ConfirmReplace(owner, name)) break;
    }
    // File names are UTF-8 on this platform, so every character survives.
    const QByteArray bytes = name.toUtf8();
    save(image, bytes.constData(), saveFormat(dialog.FilterIndex), window);
}

}  // namespace output
