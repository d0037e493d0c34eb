// The main window: owns the pattern (motif, stitch grid, chart, yarn
// palette) for the whole run and leads through the five wizard pages.
//
// The handlers keep the names of the original event handlers; each one is
// thin and hands the real work to the free functions of pattern/, chart/
// and output/. The implementation is split by area over TMainForm_*.cpp.
#pragma once

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "chart/chartoptions.h"
#include "chart/edittools.h"
#include "pattern/compute.h"
#include "pattern/document.h"
#include "pattern/knitcheck.h"
#include "pattern/knitlive.h"
#include "raster/window.h"
#include "raster/dib.h"

class QBoxLayout;
class QAbstractFileIconProvider;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QUndoCommand;
class QUndoStack;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTreeView;
class QUndoStack;
class QFileSystemModel;
class TBitBtnXP;
class TColorDialog;
class TDialogFolders;
class TFloatSpinEdit;
class TOpenDialog;
class TPaintBox;
class TSaveDialog;
class TStatusBar;
class TKnitModeForm;

// What "Als PDF speichern..." writes: the cell width and overlap chosen,
// and the window that owns the questions.
struct PdfRequest {
    double cellWidthMm = 5.0;
    int overlap = 2;
    QWidget* owner = nullptr;
    // Lines of the written rows, printed on pages after the chart; none: no such pages.
    QStringList writtenRows{};
};

// Rectangle in the platform's left/top/right/bottom form.
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class TMainForm : public QMainWindow, public PlatformWindow {
    Q_OBJECT
    // Declared first: di, di3, pal and undoStack below are names into it.
    std::unique_ptr<pattern::PatternDocument> document_ = std::make_unique<pattern::PatternDocument>();

public:
    // `programFile` is the program's full path; empty means the running
    // executable. Construction runs the start-up (FormCreate).
    explicit TMainForm(const QString& programFile = QString(), QWidget* parent = nullptr);
    ~TMainForm() override;

    // The pattern: motif, grid, yarns, gauge and size, history. Every view
    // and readout refreshes from its changed() signal (documentChanged).
    pattern::PatternDocument& document() { return *document_; }

    // ---- pattern state, in the original order. Public so tests can
    // inspect it; only the handlers below change it. di, di3 and pal are
    // the document's motif, grid and yarns.
    TRect sbrect;
    int StatusPosition = 0;
    bool ziehen2 = false;
    bool ziehen = false;
    bool inUeberBtn = false;
    bool inEndeBtn = false;
    QString progpath;
    dib rdi{};
    dib& di3 = document_->grid;
    dib& di = document_->motif;
    bool init = false;
    LPAL& pal = document_->yarns;
    int colornr = 0;
    int ziehx2 = 0;
    int ziehy2 = 0;
    int ziehx = 0;
    int ziehy = 0;
    // How the chart is drawn: loaded at start-up, changed by the dialog.
    chart::ChartOptions chartopts;

    // ---- start-up and shutdown
    void FormCreate(QObject* Sender);
    void FormDestroy(QObject* Sender);
    int zweihoch(int i) const;
    // Program folder of a program file, always ending in the separator.
    static QString programFolder(const QString& programFile);
    // Fills Breit, Hoch and tief from the motif.
    void showMotifInfo();
    // Loads a picture named at start (command line, file manager) and
    // opens its folder in the browser.
    void openFromCommandLine(const QString& file);

    // ---- compute command and size coupling
    void RenderBtnClick(QObject* Sender);
    void breitedChange(QObject* Sender);
    void hochedChange(QObject* Sender);
    // The stitches and rows the size and gauge give, as computing uses them.
    void showStitchCount();
    // Gauge and size from their fields into the document.
    void readSize();
    dib DepthUpTo(int nbpp);
    dib Resize(dib src, int breit, int hoch);
    dib DepthDownTo(dib src, int zcols, int rolmod);

    // ---- yarn palette editor
    void PaintBox1Paint(QObject* Sender);
    void PaintBox1MouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void PaintBox1MouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void getrgb24(uint32_t color, uint8_t& red, uint8_t& green, uint8_t& blue) const;
    // Yarn colours from the motif, yarn palette files and pattern files.
    void FromMotifBtnClick(QObject* Sender);
    void LoadPaletteBtnClick(QObject* Sender);
    void SavePaletteBtnClick(QObject* Sender);
    void OpenPatternBtnClick(QObject* Sender);
    void SavePatternBtnClick(QObject* Sender);
    // After any change of the yarn colours (pal): announced by the document.
    void yarnsChanged();
    // The palette's colours as the grid's, when some are waiting, as one
    // undoable step (a stroke painting with a waiting yarn does the same
    // within its own step). True when something changed.
    bool catchUpGridYarns();
    // "Jetzt übernehmen": the waiting yarn colours into the pattern, one
    // undoable step, without computing.
    void TakeYarnsBtnClick(QObject* Sender);
    // After a change of the grid's stitches made directly on di3: announced
    // by the document.
    void gridChanged();
    // The one place views, readouts and checks refresh: the document's
    // changed() signal.
    void documentChanged(unsigned what, int firstRow, int lastRow);
    // The notices: colours waiting (pages 3 and 4), the blank motif (page 2).
    void showNotices();
    // "Garne im Muster" readouts on pages 3 and 4.
    void showYarnUsage();

    // ---- chart
    void RenderDib();

    // ---- stitch-grid view and post-editing
    void PaintBox2Paint(QObject* Sender);
    void PaintBox2MouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void PaintBox2MouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void PaintBox2MouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void PaintBox3Paint(QObject* Sender);
    void PaintBox3MouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void EditModeCheckClick(QObject* Sender);
    // Zoom of the enlarged grid by one step in (+1) or out (-1).
    void zoomBy(int direction);
    // Pixels per stitch while post-editing; kStitchPixels unless zoomed.
    int stitchZoom = 30;
    // The document's history: post-edits, clean-ups (chart::SetStitchesCommand
    // on di3), computations and yarn colours taken over. Cleared only when a
    // pattern is opened.
    QUndoStack* undoStack = &document_->undo;

    // ---- editing tools while post-editing (TMainForm_Editor.cpp); every
    // tool's change is one step of undoStack.
    enum class EditTool { Pen, Line, Rect, FilledRect, Fill, Replace, Select };
    EditTool editTool = EditTool::Pen;
    // The selected stitches; empty when nothing is selected.
    edittools::Area editSelection;
    void setEditTool(EditTool tool);
    void EditSelectAll();
    void EditCopy();
    void EditCut();
    void EditPaste();
    // The selection takes the ground (the commonest yarn of the grid).
    void EditDelete();
    // The selection, or the whole grid when nothing is selected.
    void EditMirror(bool leftRight);
    // The left half onto the right, or the top half onto the bottom.
    void EditSymmetric(bool leftRight);
    // The selection tiled across the grid, or across its own rows.
    void EditRepeat(bool rowsOnly);
    QWidget* EditToolPanel = nullptr;
    // The window's size, remembered between runs.
    void restoreWindowSize();
    void storeWindowSize();

    // ---- knittability checks on page 4 (TMainForm_KnitCheck.cpp); the
    // clean-up is one step of undoStack.
    // The figures of the grid as it is now, kept up to date row by row;
    // floats and confetti wait while the strip is hidden.
    pattern::knit::LiveCheck knitChecks;
    // Index among all long floats (row by row, each from the right) of the
    // float last jumped to; -1 none.
    int knitCurrentFloat = -1;
    // Row last jumped to from the list of crowded rows; 0 none.
    int knitCurrentRow = 0;
    // Runs all checks on di3 afresh and shows the figures.
    void updateKnitChecks();
    void KnitCheckClick(QObject* Sender);
    void NextFloatBtnClick(QObject* Sender);
    void FloatRowsBoxChange(QObject* Sender);
    void ColourRowsBoxChange(QObject* Sender);
    void ConfettiBtnClick(QObject* Sender);
    // Marks long floats and crowded rows over the enlarged picture.
    void paintKnitMarks(QPainter& canvas, int bigW, int bigH);

    // ---- result view and progress display
    void ErgPaintBoxPaint(QObject* Sender);
    void ErgPaintBoxMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void ErgPaintBoxMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void ErgPaintBoxMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void PageControl2Change(QObject* Sender);
    void SetProSatus(int pro);
    void SetProStatus(int pro);
    void SBarPaintMore();
    void StatusBar1DrawPanel(QPainter& canvas, int panel, const QRect& rect);
    void WMUser(uintptr_t wParam);

    // ---- saving and printing
    void SaveAsBtnClick(QObject* Sender);
    void BitBtnXP1Click(QObject* Sender);
    void PrintBtnClick(QObject* Sender);
    // "Darstellung...": edits chartopts, stores them and renders afresh.
    void ChartOptBtnClick(QObject* Sender);
    // "Als PDF speichern...": the chart's pages at the remembered cell size.
    void PdfBtnClick(QObject* Sender);
    // Asks for a file and writes the pages of the stitch grid into it.
    void savePagesPdf(const PdfRequest& request);
    // Ctrl+S and Ctrl+P: the chart of the current grid, from any page.
    void SaveChartKey();
    void PrintChartKey();

    // ---- knitting from the pattern (TMainForm_Knit.cpp, KnitModeUnit)
    // The row tracker's current row (from 1), kept in pattern files; 0 none.
    int knitRow = 0;
    TBitBtnXP* KnitModeBtn = nullptr;
    TKnitModeForm* KnitModeForm = nullptr;
    // "Strickmodus...": the tracker on a copy of the grid as it is now.
    void KnitModeBtnClick(QObject* Sender);

    // ---- shell
    void EndeBtnMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void EndeBtnMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void EndeBtnMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void EndeBtnClick(QObject* Sender);
    void ueberbtnMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void ueberbtnMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void ueberbtnMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void ueberbtnClick(QObject* Sender);
    void ueberBtn2Click(QObject* Sender);
    void FormCloseQuery(QObject* Sender, bool& CanClose);
    void wwwBtnClick(QObject* Sender);

    // ---- motif loading
    void JamShellList1DblClick(QObject* Sender);
    void JamShellList1KeyPress(QObject* Sender, char& Key);
    void openfilenow(const QString& name);
    void DibPrevPaintPaint(QObject* Sender);
    void FilterComboBox1Change(QObject* Sender);
    // Start-up step 2: filter box entries and the tree opened at the start
    // folder (motif::startFolder).
    void setupBrowser();
    // Selects `folder` in the tree and keeps it in sight, names readable
    // from their start, while the tree fills in.
    void showTreeFolder(const QString& folder);
    void keepTreeFolderInSight();

    // ---- PlatformWindow: what the raster library talks to
    void sendMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    void messageBox(const std::string& text, const std::string& caption) override;

    // ---- controls (named as in the layout; objectName is the same)
    TStatusBar* StatusBar1 = nullptr;
    QWidget* Panel7 = nullptr;
    TBitBtnXP* wwwBtn = nullptr;
    QWidget* Panel8 = nullptr;
    TPaintBox* ueberbtn = nullptr;
    TPaintBox* ueberBtn2 = nullptr;
    TPaintBox* EndeBtn = nullptr;
    TPaintBox* EndeBtnDown = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QWidget* TabSheet5 = nullptr;

    // page 1
    QSplitter* Splitter1 = nullptr;
    QSplitter* Splitter2 = nullptr;
    QTreeView* JamShellTree1 = nullptr;
    QTreeView* JamShellList1 = nullptr;
    QFileSystemModel* treeModel = nullptr;
    QFileSystemModel* listModel = nullptr;
    QComboBox* FilterComboBox1 = nullptr;
    QLabel* PreviewLabel = nullptr;
    QWidget* PrevPanel = nullptr;
    TPaintBox* DibPrevPaint = nullptr;
    QLabel* PartialNotice = nullptr;  // under the preview, hidden unless a picture loaded in part

    // page 2
    QLineEdit* Breit = nullptr;
    QLineEdit* Hoch = nullptr;
    QLineEdit* tief = nullptr;
    QSpinBox* maschened = nullptr;
    QSpinBox* reihened = nullptr;
    TFloatSpinEdit* breited = nullptr;
    TFloatSpinEdit* hoched = nullptr;
    QCheckBox* sverhCheck = nullptr;
    QLabel* StitchCount = nullptr;  // "46 Maschen × 38 Reihen"
    QLabel* MotifNotice = nullptr;  // the motif is still the blank start-up picture

    // page 3
    TPaintBox* PaintBox1 = nullptr;
    QLabel* InfoLabel = nullptr;
    QRadioButton* NearCheck = nullptr;
    QRadioButton* FSErrCheck = nullptr;
    // colourwork on page 4 (TMainForm_Colourwork.cpp): at most K
    // yarns per row, floats of at most F stitches; off by default
    QWidget* ColourworkPanel = nullptr;
    QCheckBox* ColourworkCheck = nullptr;
    QSpinBox* YarnsPerRowEdit = nullptr;
    QCheckBox* CoherentRowsCheck = nullptr;
    QCheckBox* FloatMaxCheck = nullptr;
    QSpinBox* FloatMaxEdit = nullptr;
    QSpinBox* YarnCountEdit = nullptr;
    QPushButton* FromMotifBtn = nullptr;
    QPushButton* LoadPaletteBtn = nullptr;
    QPushButton* SavePaletteBtn = nullptr;
    QPushButton* OpenPatternBtn = nullptr;
    QPushButton* SavePatternBtn = nullptr;
    QLabel* YarnUsageLabel = nullptr;
    QWidget* YarnsWaitingPanel = nullptr;  // shown while changed yarn colours wait
    QLabel* YarnsWaitingLabel = nullptr;
    QPushButton* TakeYarnsBtn = nullptr;

    // page 4
    TBitBtnXP* BitBtn3 = nullptr;
    TBitBtnXP* BitBtnXP1 = nullptr;
    QCheckBox* EditModeCheck = nullptr;
    QWidget* Panel43 = nullptr;
    TPaintBox* PaintBox3 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TPaintBox* PaintBox2 = nullptr;
    // knittability checks: the switch beside the compute controls and its strip
    QCheckBox* KnitCheck = nullptr;
    QWidget* KnitPanel = nullptr;
    QSpinBox* FloatLimitEdit = nullptr;
    QLabel* FloatLabel = nullptr;
    QComboBox* FloatRowsBox = nullptr;
    TBitBtnXP* NextFloatBtn = nullptr;
    QSpinBox* ColourLimitEdit = nullptr;
    QLabel* ColourLabel = nullptr;
    QComboBox* ColourRowsBox = nullptr;
    QLabel* ConfettiLabel = nullptr;
    TBitBtnXP* ConfettiBtn = nullptr;
    QSpinBox* ConfettiSizeEdit = nullptr;
    QToolButton* UndoBtn = nullptr;
    QToolButton* RedoBtn = nullptr;
    QToolButton* ZoomOutBtn = nullptr;
    QToolButton* ZoomInBtn = nullptr;
    QLabel* StitchLabel = nullptr;
    QLabel* YarnUsageLabel2 = nullptr;
    QWidget* YarnsWaitingPanel2 = nullptr;
    QLabel* YarnsWaitingLabel2 = nullptr;
    QPushButton* TakeYarnsBtn2 = nullptr;
    // What the last "Berechnen" replaced, and that Ctrl+Z brings it back.
    QLabel* ComputeNotice = nullptr;

    // page 5
    TBitBtnXP* SaveAsBtn = nullptr;
    TBitBtnXP* PrintBtn = nullptr;
    TBitBtnXP* ChartOptBtn = nullptr;
    TBitBtnXP* PdfBtn = nullptr;
    QScrollArea* ErgScrollBox = nullptr;
    TPaintBox* ErgPaintBox = nullptr;

    // components without a place on screen
    TColorDialog* ColorDialog1 = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TSaveDialog* PdfDialog = nullptr;
    TSaveDialog* FileSaveDialog = nullptr;  // palette and pattern files
    TOpenDialog* FileOpenDialog = nullptr;
    // Where each kind of file dialog starts.
    std::unique_ptr<TDialogFolders> dialogFolders;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Ctrl + wheel over the grid view zooms.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Builds every control of the five pages (TMainForm_Layout.cpp).
    void createLayout();
    // Connects the controls' events to the handlers.
    void connectEvents();
    // Page 4's knittability controls: the switch in the compute strip `top`,
    // the strip itself added to the page's layout `page`.
    void createKnitControls(QWidget* top, QWidget* right, QBoxLayout* page);
    void connectKnitEvents();
    // The colourwork choice as a strip of page 4 under the compute buttons
    // (page 3 has no room beside the method); its events; and the grid
    // computed as the controls say.
    void createColourworkControls(QWidget* right, QBoxLayout* page);
    void connectColourworkEvents();
    pattern::ComputeStatus computeFromControls(int stitches, int rows, dib& grid,
                                               const pattern::CancellableProgress& progress);
    // The float limit offered follows the check's until the user sets one.
    int colourworkFloatDefault_ = -1;
    // Scrolls the enlarged picture to stitches from..to of `row` (knitter's
    // numbers) and marks them.
    void showKnitSpot(int row, int from, int to);
    // The float limit follows the gauge until the user sets one.
    int knitLimitDefault_ = -1;
    // The check's options from the strip (the limit following the gauge).
    pattern::knit::Options knitOptions();
    // The whole grid is new or may have changed: checked afresh, floats only
    // while the strip is shown.
    void knitGridReplaced();
    // Figures on the strip; `first` .. `last` the knitter's rows whose list
    // entries may have changed (0, 0: all).
    void showKnitFigures(int first = 0, int last = 0);
    // The float jumped to last.
    pattern::knit::Float knitCurrentSpot_{0, 0, 0, 0};

    QString programFile_;
    QPersistentModelIndex treeTarget_;  // the tree's folder kept in sight
    std::unique_ptr<QAbstractFileIconProvider> fileIcons_;
    // A paint stroke while post-editing: button held since the press.
    bool malen_ = false;
    int stroke_ = 0;
    // Sets the stitch under (X, Y) to the picked yarn, as part of the stroke;
    // the first stitch of a stroke with a waiting colour takes the colours over.
    void paintStitch(int X, int Y, bool first = false);
    // Readout of the stitch under the pointer.
    void showStitchUnder(int X, int Y);
    // Last stitch of the stroke, so a fast stroke paints the line between.
    edittools::Cell strokeLast_;
    bool strokeHasLast_ = false;

    // Editing tools (TMainForm_Editor.cpp).
    void createEditorControls();
    void connectEditorEvents();
    // The stitch under (X, Y) of the enlarged picture; outside the grid
    // when the pointer is.
    edittools::Cell cellAt(int X, int Y) const;
    // Mouse on the grid while a tool other than the pen is chosen.
    void editorMouseDown(int X, int Y);
    void editorMouseMove(int X, int Y);
    void editorMouseUp(int X, int Y);
    // The line, rectangle or selection being drawn, over the enlarged picture.
    void paintEditorOverlay(QPainter& canvas);
    // One undoable step: `edit` changes a copy of the grid; nothing is
    // pushed when it changes nothing.
    // `pickedYarn`: the tool paints with the picked yarn, whose waiting
    // colour then comes into the grid in the same step.
    void applyEdit(const QString& text, const std::function<void(edittools::Grid&)>& edit, bool pickedYarn = false);
    // Tools and menus usable only on page 4 while post-editing.
    void updateEditorActions();
    edittools::Grid editClipboard_;
    bool toolDrag_ = false;
    bool movingSelection_ = false;
    edittools::Cell toolFrom_;
    edittools::Cell toolTo_;
};
