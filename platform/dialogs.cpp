#include "platform/dialogs.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QStandardPaths>
#include <QStringList>
#include <QTreeView>

#include "platform/controls.h"
#include "platform/msgbox.h"

namespace {
TColorDialog::Hook& colorHook() {
    static TColorDialog::Hook h;
    return h;
}
TSaveDialog::Hook& saveHook() {
    static TSaveDialog::Hook h;
    return h;
}

TOpenDialog::Hook& openHook() {
    static TOpenDialog::Hook h;
    return h;
}

QColor fromPacked(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

uint32_t toPacked(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

// Shows the dialog's file sizes and dates in German; its own model uses the
// system's locale.
class GermanFileList : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel())) {
            const QVariant german = platform::germanFileCell(*files, mapToSource(index), role);
            if (german.isValid()) return german;
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// The dialog sizes its columns for English texts ("128.88 GB"); widen the
// size and date columns where the German ones would be cut, never narrow
// what the user has widened.
void fitGermanColumns(QFileDialog& dlg) {
    auto* view = dlg.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view) return;  // native dialog
    QHeaderView* header = view->header();
    const QFontMetrics fm(view->font());
    const int pad = 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view) + 8;
    const std::pair<int, QString> samples[] = {{1, QStringLiteral("999,99 KiB")}, {3, QStringLiteral("88.88.88 88:88")}};
    for (const auto& [column, sample] : samples) {
        const int need = fm.horizontalAdvance(sample) + pad;
        if (header->sectionSize(column) < need) header->resizeSection(column, need);
    }
}

// "desc|mask|desc|mask" -> Qt's "desc (mask mask)" entries.
QStringList qtFilters(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString masks = parts[i + 1];
        masks.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString desc = parts[i];
        // Descriptions often carry their masks already; Qt needs them in
        // parentheses, so add them only when missing.
        if (desc.contains(QLatin1Char('('))) desc = desc.left(desc.indexOf(QLatin1Char('('))).trimmed();
        out << QStringLiteral("%1 (%2)").arg(desc, masks);
    }
    return out;
}
// The toolkit's text in the program's language: its translation when that
// is loaded, else the German wording of it.
QString toolkitText(const char* context, const char* source, const char* german) {
    const QString t = QCoreApplication::translate(context, source);
    return t == QLatin1String(source) ? QString::fromUtf8(german) : t;
}
}  // namespace

void TColorDialog::setHook(Hook hook) { colorHook() = std::move(hook); }

bool TColorDialog::Execute(QWidget* owner) {
    if (colorHook()) return colorHook()(*this);
    QColorDialog dlg(fromPacked(Color), owner);
    dlg.setOption(QColorDialog::DontUseNativeDialog, false);
    if (dlg.exec() != QDialog::Accepted) return false;
    Color = toPacked(dlg.selectedColor());
    return true;
}

namespace {

// Shows `dlg`, set up for saving or opening, with the filters, the chosen
// one and the start name or folder; on OK writes the choice back.
bool runFileDialog(QFileDialog& dlg, TFileDialogState& state) {
    const QStringList filters = qtFilters(state.Filter);
    dlg.setProxyModel(new GermanFileList(&dlg));  // ignored by a native dialog
    fitGermanColumns(dlg);
    dlg.setNameFilters(filters);
    if (state.FilterIndex >= 1 && state.FilterIndex <= filters.size())
        dlg.selectNameFilter(filters[state.FilterIndex - 1]);
    if (!state.FileName.isEmpty()) dlg.selectFile(state.FileName);
    else if (!state.InitialDir.isEmpty()) dlg.setDirectory(state.InitialDir);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    state.FileName = dlg.selectedFiles().first();
    const int idx = filters.indexOf(dlg.selectedNameFilter());
    if (idx >= 0) state.FilterIndex = idx + 1;
    return true;
}

}  // namespace

void TSaveDialog::setHook(Hook hook) { saveHook() = std::move(hook); }

bool TSaveDialog::Execute(QWidget* owner) {
    if (saveHook()) return saveHook()(*this);
    QFileDialog dlg(owner);
    if (!Title.isEmpty()) dlg.setWindowTitle(Title);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    // The name is completed by the caller, not by the dialog.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, false);
    return runFileDialog(dlg, *this);
}

QString TSaveDialog::shownTitle() const {
    if (!Title.isEmpty()) return Title;
    return toolkitText("QFileDialog", "Save As", "Speichern unter");
}

bool TSaveDialog::ConfirmReplace(QWidget* owner, const QString& path) const {
    const QString question = toolkitText("QFileDialog", "%1 already exists.\nDo you want to replace it?",
                                         "Die Datei %1 existiert bereits.\nSoll sie überschrieben werden?")
                                 .arg(QFileInfo(path).fileName());
    return platform::MessageBox(owner, question, shownTitle(), platform::MB_YESNO | platform::MB_ICONWARNING) ==
           platform::IDYES;
}

void TOpenDialog::setHook(Hook hook) { openHook() = std::move(hook); }

bool TOpenDialog::Execute(QWidget* owner) {
    if (openHook()) return openHook()(*this);
    QFileDialog dlg(owner);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(dlg, *this);
}

QString TDialogFolders::pictures() {
    const QString p = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !p.isEmpty() && QFileInfo(p).isDir() ? p : QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
}

QString TDialogFolders::startFor(Kind kind) const {
    for (const QString& f : {last_[kind], motif_})
        if (!f.isEmpty() && QFileInfo(f).isDir()) return f;
    return pictures();
}

void TDialogFolders::used(Kind kind, const QString& file) {
    if (!file.isEmpty()) last_[kind] = QFileInfo(file).absolutePath();
}

void TDialogFolders::motifLoaded(const QString& file) { motif_ = QFileInfo(file).absolutePath(); }
