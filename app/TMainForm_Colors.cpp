// Yarn palette editor on page 3: the yarn colours as swatches; pointing at
// one shows its values, clicking one changes it in the colour dialog. A new
// colour is used from the next computation on; until then the grid, and
// every view of it, keeps its colours and pages 3 and 4 say that colours
// are waiting ("Jetzt übernehmen" takes them over as one undoable step, as
// does a stroke painting with a waiting yarn).
//
// Also here: yarn colours taken from the motif, yarn palette files, pattern
// files and the readouts of the yarns the grid uses.
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QUndoStack>

#include "app/TMainForm.h"
#include "app/messages.h"
#include "chart/stitchedit.h"
#include "chart/swatches.h"
#include "pattern/depthdown.h"
#include "pattern/limits.h"
#include "pattern/patternfile.h"
#include "pattern/quantize.h"
#include "pattern/yarnfile.h"
#include "pattern/yarnname.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/errorreport.h"

namespace {

// Yarn colours in use; the palette has room for 256.
int yarnCount(const LPAL& pal) { return pal.num < 256 ? pal.num : 256; }

}  // namespace

void TMainForm::PaintBox1Paint(QObject*) {
    QPainter* canvas = PaintBox1->canvas();
    if (!canvas) {
        PaintBox1->repaint();
        return;
    }
    // Black outline, the yarn colour inside; the box's background stays.
    const int cols = swatches::columns(PaintBox1->width());
    for (int i = 0; i < yarnCount(pal); ++i) {
        const swatches::Square s = swatches::square(i, cols);
        const PALETTEENTRY& e = pal.rgb0[i];
        canvas->fillRect(s.x, s.y, swatches::kSquare, swatches::kSquare, Qt::black);
        canvas->fillRect(s.x + 1, s.y + 1, swatches::kSquare - 2, swatches::kSquare - 2,
                         QColor(e.peRed, e.peGreen, e.peBlue));
    }
}

void TMainForm::PaintBox1MouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
    const int i = swatches::hit(X, Y, swatches::columns(PaintBox1->width()), yarnCount(pal));
    if (i < 0) return;
    PALETTEENTRY& e = pal.rgb0[i];
    ColorDialog1->Color = packrgb(e.peRed, e.peGreen, e.peBlue);
    ColorDialog1->FullOpen = true;
    ColorDialog1->AnyColor = true;
    if (!ColorDialog1->Execute(this)) return;
    uint8_t red = 0, green = 0, blue = 0;
    getrgb24(ColorDialog1->Color, red, green, blue);
    e.peRed = red;  // the flags byte is not the editor's
    e.peGreen = green;
    e.peBlue = blue;
    document_->yarnsInUse = std::max(document_->yarnsInUse, i + 1);
    PaintBox1Paint(PaintBox1);
    PaintBox1MouseMove(PaintBox1, {}, X, Y);  // the label shows the new values at once
    yarnsChanged();
}

void TMainForm::PaintBox1MouseMove(QObject*, Qt::KeyboardModifiers, int X, int Y) {
    const int i = swatches::hit(X, Y, swatches::columns(PaintBox1->width()), yarnCount(pal));
    if (i < 0) return;  // over a gap the label keeps its text
    const PALETTEENTRY& e = pal.rgb0[i];
    InfoLabel->setText(QStringLiteral("Index: %1 ; R: %2 G:%3 B:%4").arg(i).arg(e.peRed).arg(e.peGreen).arg(e.peBlue));
}

void TMainForm::getrgb24(uint32_t color, uint8_t& red, uint8_t& green, uint8_t& blue) const {
    red = uint8_t(color & 0xFF);
    green = uint8_t((color >> 8) & 0xFF);
    blue = uint8_t((color >> 16) & 0xFF);
}

namespace {

const QString kPaletteFilter = QStringLiteral("GIMP-Palette (*.gpl)|*.gpl");
const QString kPatternFilter = QStringLiteral("Tricoma-Muster (*.png)|*.png");

// The name with the extension added when the user left it out.
QString withExtension(const QString& name, const QString& ext) {
    return QFileInfo(name).suffix().compare(ext, Qt::CaseInsensitive) == 0 ? name : name + QLatin1Char('.') + ext;
}

// Asks for a file of the one type `filter` offers, starting in the folder
// for its kind; empty when cancelled.
template <class Dialog>
QString askFile(Dialog& dialog, const QString& filter, QWidget* owner, TDialogFolders& folders,
                TDialogFolders::Kind kind) {
    dialog.Filter = filter;
    dialog.FilterIndex = 1;
    dialog.FileName.clear();
    dialog.InitialDir = folders.startFor(kind);
    if (!dialog.Execute(owner)) return QString();
    folders.used(kind, dialog.FileName);
    return dialog.FileName;
}

}  // namespace

void TMainForm::yarnsChanged() { document_->notify(pattern::change::Yarns); }

bool TMainForm::catchUpGridYarns() {
    if (!document_->yarnsWaiting()) return false;
    auto* step = new chart::SetStitchesCommand(di3, {}, QStringLiteral("Garnfarben übernehmen"));
    step->alsoColours(pattern::GridColours::of(di3), document_->coloursFromYarns());
    undoStack->push(step);
    return true;
}

void TMainForm::TakeYarnsBtnClick(QObject*) { catchUpGridYarns(); }

void TMainForm::gridChanged() { document_->notify(pattern::change::Stitches); }

void TMainForm::showYarnUsage() {
    // Counted with the checks, row by row as the grid changes.
    if (knitChecks.width() != dibwidth(di3) || knitChecks.height() != dibheight(di3)) knitGridReplaced();
    const std::span<const int64_t> counts = knitChecks.stitchesPerYarn();
    const QLocale de = platform::uiLocale();
    int used = 0;
    QString list;
    for (int i = 0; i < int(counts.size()); ++i) {
        if (!counts[size_t(i)]) continue;
        ++used;
        // The colour the grid shows (a changed palette colour waits for the
        // next computation), the yarn's one name and its stitches.
        const PALETTEENTRY& e = di3.pal.rgb0[pattern::kYarnIndexOffset + i];
        const QString name = pattern::yarnName(i).toHtmlEscaped().replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
        list += QStringLiteral("<span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;</span>&nbsp;%2:&nbsp;%3 ")
                    .arg(QColor(e.peRed, e.peGreen, e.peBlue).name(), name, de.toString(qlonglong(counts[size_t(i)])));
    }
    const QString head = used == 1 ? QStringLiteral("1 Garn im Muster") : QStringLiteral("%1 Garne im Muster").arg(used);
    const QString text = QStringLiteral("<b>%1</b> (Maschen) %2").arg(head, list);
    YarnUsageLabel->setText(text);
    YarnUsageLabel2->setText(text);
    // Many yarns need more room than the lines have: all of them on hover.
    YarnUsageLabel->setToolTip(text);
    YarnUsageLabel2->setToolTip(text);
}

void TMainForm::FromMotifBtnClick(QObject*) {
    const std::vector<PALETTEENTRY> colours = pattern::coloursFromMotif(di, YarnCountEdit->value());
    if (colours.empty()) {
        errorreport::Report(messages::noMotifColours(), this, QStringLiteral("Farben aus Motiv"),
                            errorreport::Severity::Warning);
        return;
    }
    pattern::setYarns(pal, colours);
    document_->yarnsInUse = int(colours.size());
    yarnsChanged();
}

void TMainForm::LoadPaletteBtnClick(QObject*) {
    const QString path = askFile(*FileOpenDialog, kPaletteFilter, this, *dialogFolders, TDialogFolders::Palette);
    if (path.isEmpty()) return;
    const pattern::YarnFileResult res = pattern::loadYarnFile(path, pal);
    if (res.status != pattern::YarnFileStatus::Ok) {
        errorreport::Report(messages::yarnFileRefusal(res, path, pal.num, true), this,
                            QStringLiteral("Palette laden"), errorreport::Severity::Warning);
        return;
    }
    document_->yarnsInUse = res.colours;
    yarnsChanged();
}

void TMainForm::SavePaletteBtnClick(QObject*) {
    const QString chosen = askFile(*FileSaveDialog, kPaletteFilter, this, *dialogFolders, TDialogFolders::Palette);
    if (chosen.isEmpty()) return;
    const QString path = withExtension(chosen, QStringLiteral("gpl"));
    const pattern::YarnFileResult res = pattern::saveYarnFile(path, pal, document_->yarnsInUse);
    if (res.status != pattern::YarnFileStatus::Ok)
        errorreport::Report(messages::yarnFileRefusal(res, path, pal.num, false), this,
                            QStringLiteral("Palette speichern"), errorreport::Severity::Warning);
}

void TMainForm::SavePatternBtnClick(QObject*) {
    const QString chosen = askFile(*FileSaveDialog, kPatternFilter, this, *dialogFolders, TDialogFolders::Pattern);
    if (chosen.isEmpty()) return;
    const QString path = withExtension(chosen, QStringLiteral("png"));
    readSize();
    const pattern::PatternDocument& doc = *document_;
    const pattern::PatternInfo info{doc.maschen, doc.reihen, doc.breite, doc.hoch, knitRow};
    QString reason;
    const pattern::PatternFileStatus st = pattern::savePattern(path, di3, info, &reason);
    if (st != pattern::PatternFileStatus::Ok) {
        errorreport::Report(messages::patternFileRefusal(st, path, reason), this, QStringLiteral("Muster speichern"),
                            errorreport::Severity::Warning);
        return;
    }
    document_->fileName = path;
}

void TMainForm::OpenPatternBtnClick(QObject*) {
    const QString path = askFile(*FileOpenDialog, kPatternFilter, this, *dialogFolders, TDialogFolders::Pattern);
    if (path.isEmpty()) return;
    dib grid{};
    pattern::PatternInfo info;
    const pattern::PatternFileStatus st = pattern::loadPattern(path, grid, info);
    if (st != pattern::PatternFileStatus::Ok) {
        errorreport::Report(messages::patternFileRefusal(st, path), this, QStringLiteral("Muster öffnen"),
                            errorreport::Severity::Warning);
        return;
    }
    // The yarns first, so the new grid never shows with colours waiting.
    pattern::yarnsOfGrid(grid, pal);
    document_->yarnsInUse = pal.num;
    yarnsChanged();
    knitRow = info.knitRow;
    // The sizes as saved, not as the motif's proportions would couple them.
    init = true;
    maschened->setValue(info.maschen);
    reihened->setValue(info.reihen);
    breited->setValue(info.breite);
    hoched->setValue(info.hoch);
    init = false;
    readSize();
    document_->resetGrid(grid, pattern::GridOrigin::Opened);
    document_->fileName = path;
}
