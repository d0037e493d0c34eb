#include "app/TMainForm.h"

#include <QAbstractFileIconProvider>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QScrollArea>

#include "platform/controls.h"
#include <QTreeView>
#include <QUndoStack>
#include <cstring>

#include "pattern/limits.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/errorreport.h"
#include "raster/PixKit3.h"

TMainForm::TMainForm(const QString& programFile, QWidget* parent)
    : QMainWindow(parent), programFile_(programFile) {
    ColorDialog1 = new TColorDialog;
    SaveDialog1 = new TSaveDialog;
    PdfDialog = new TSaveDialog;
    PdfDialog->Filter = QStringLiteral("PDF-Dokument (*.pdf)|*.pdf");
    FileSaveDialog = new TSaveDialog;
    FileOpenDialog = new TOpenDialog;
    dialogFolders = std::make_unique<TDialogFolders>();
    createLayout();
    connectEvents();
    FormCreate(this);
}

TMainForm::~TMainForm() {
    // The history empties itself when it goes and says so; this window must
    // not hear it half torn down.
    undoStack->disconnect();
    document_->disconnect(this);
    undoStack->clear();
    if (PaintBox2) PaintBox2->removeEventFilter(this);
    if (ScrollBox1) ScrollBox1->viewport()->removeEventFilter(this);
    // The file list's event filter calls back into this window; while the
    // widgets are torn down below, this object is no longer a TMainForm.
    if (JamShellList1) delete JamShellList1->findChild<QObject*>(QStringLiteral("ListEvents"), Qt::FindDirectChildrenOnly);
    FormDestroy(this);
    delete ColorDialog1;
    delete SaveDialog1;
    delete PdfDialog;
    delete FileSaveDialog;
    delete FileOpenDialog;
}

QString TMainForm::programFolder(const QString& programFile) {
    QString folder = QFileInfo(programFile).absolutePath();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

int TMainForm::zweihoch(int i) const {
    // Doubling in 32 bits: 31 gives INT_MIN, 32 gives 0, as the colour
    // count of a 32-bit motif has always shown.
    uint32_t n = 1;
    for (int k = 0; k < i; ++k) n <<= 1;
    return int32_t(n);
}

namespace {

// A blank picture filled with 0xFF bytes (white, or index 255).
void makeWhite(dib& d, int w, int h, int bits) {
    newdib(&d, w, h, bits, nullptr, 0);
    if (d.poih && d.poi) std::memset(d.poi, 0xFF, d.pmi->bmiHeader.biSizeImage);
}

}  // namespace

void TMainForm::showMotifInfo() {
    Breit->setText(QString::number(dibwidth(di)) + QStringLiteral(" Pixels"));
    Hoch->setText(QString::number(dibheight(di)) + QStringLiteral(" Pixels"));
    tief->setText(QString::number(zweihoch(dibbitcount(di))));
}

void TMainForm::FormCreate(QObject*) {
    QString exe = programFile_.isEmpty() ? QCoreApplication::applicationFilePath() : programFile_;
    progpath = programFolder(exe);

    setupBrowser();

    makeWhite(rdi, 320, 200, 24);
    makeWhite(di, 320, 200, 24);
    makeWhite(di3, 32, 20, 8);

    showMotifInfo();
    breitedChange(this);
    showStitchCount();

    pal.num = pattern::kYarnColours;
    pal.ver = kPaletteVersion;
    pal.rgb0[1] = PALETTEENTRY{255, 255, 255, 0};
    document_->yarnsInUse = pal.num;

    RenderBtnClick(this);
    undoStack->clear();  // the start-up grid has no history
    chartopts = chart::loadChartOptions();
    RenderDib();

    // Not the program's folder: installed, it is a system folder. Each
    // command sets its dialog's folder anew (see TDialogFolders).
    SaveDialog1->InitialDir = dialogFolders->startFor(TDialogFolders::ChartPicture);
    PdfDialog->InitialDir = dialogFolders->startFor(TDialogFolders::Pdf);
    FileSaveDialog->InitialDir = dialogFolders->startFor(TDialogFolders::Palette);
    FileOpenDialog->InitialDir = dialogFolders->startFor(TDialogFolders::Palette);
}

void TMainForm::FormDestroy(QObject*) {
    freedib(di);
    freedib(di3);
    freedib(rdi);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(this, canClose);
    if (canClose) {
        storeWindowSize();
        event->accept();
    } else {
        event->ignore();
    }
}

void TMainForm::sendMessage(uint32_t msg, uintptr_t wParam, intptr_t) {
    if (msg == WM_USER) WMUser(wParam);
}

void TMainForm::messageBox(const std::string& text, const std::string& caption) {
    errorreport::Report(QString::fromStdString(text), this, QString::fromStdString(caption));
}
