// The print options dialog "Bild drucken...": fill the page or a width and
// a height in percent of it, keep the proportions, centre; a preview of the
// current printer's page; the printer setup. It prints nothing itself: the
// print command reads its controls after OK.
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <functional>
#include <memory>
#include <optional>

#include "output/pages.h"
#include "output/print.h"
#include "platform/printer.h"
#include "raster/dib.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TFloatSpinEdit;
class TPaintBox;

// Integer spin field: any text may be typed; text that is no whole number
// reads as the minimum, and values are held in the field's range.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& text, int& pos) const override;
};

class TPrintForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintForm(QWidget* owner);
    ~TPrintForm() override;

    // Copy of the chart record for the preview; shares the chart's memory
    // and is never freed here.
    dib di{};
    // Set while one percentage is derived from the other.
    bool inedit = false;

    // For "Mehrere Seiten": the stitch grid (a record copy sharing the
    // grid's memory, never freed here) and the gauge. Without a grid the
    // mode is not offered.
    dib grid{};
    output::PageStyle pageStyle;  // of the multi-page mode
    int stitchesPer10cm = pattern::kDefaultStitches;
    int rowsPer10cm = pattern::kDefaultRows;
    // "Als PDF speichern...": the print command supplies the saving.
    std::function<void(TPrintForm*)> onSavePdf;

    // Restores the stored settings, runs FormShow and shows the dialog
    // modally. A printer error while opening raises PrinterError and the
    // dialog is not shown.
    int ShowModal();

    // The controls' choices as the print command reads them.
    output::PrintChoice choice() const;

    // Redraws the preview and re-derives the height from the width; the
    // click handler of UseFullCheck, SverhCheck and ZentrCheck.
    void PrintPaintBoxPaint(QObject* Sender);
    void BreitEditChange(QObject* Sender);
    void HochEditChange(QObject* Sender);
    void UserdefCheckClick(QObject* Sender);
    void FormShow(QObject* Sender);
    void PrintSetupBtnClick(QObject* Sender);

    void RestoreSettings();
    void StoreSettings();

    // "Mehrere Seiten": the chart over several pages at a cell size.
    bool multiPage() const;
    output::PageChoice pageChoice() const;
    // The pages as chosen now, laid out on the current printer's paper;
    // nullptr without a grid or a printer.
    std::unique_ptr<output::PageDocument> pageDocument();
    void MultiPageCheckClick(QObject* Sender);
    void OrigCheckClick(QObject* Sender);
    // The page the preview shows in that mode, from 1.
    int previewPage = 1;
    void showPreviewPage(int page);

    // Where the last drawn preview put paper and picture (box coordinates);
    // empty when the page size could not be had.
    std::optional<output::Placement> previewPaper;
    std::optional<output::Placement> previewPicture;

    QLabel* RxLabel1 = nullptr;
    QFrame* Panel1 = nullptr;
    TPaintBox* PrintPaintBox = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* UseFullCheck = nullptr;
    QRadioButton* UserdefCheck = nullptr;
    QLabel* RxLabel2 = nullptr;
    TSpinEdit* BreitEdit = nullptr;
    QLabel* RxLabel3 = nullptr;
    TSpinEdit* HochEdit = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* SverhCheck = nullptr;
    QCheckBox* ZentrCheck = nullptr;
    QFrame* Bevel1 = nullptr;
    QPushButton* OkBitBtn1 = nullptr;
    QPushButton* PrintSetupBtn = nullptr;
    QPushButton* CancelBitBtn2 = nullptr;
    // Beside the one-page controls: the dialog grows to the right for them.
    QCheckBox* MultiPageCheck = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLabel* CellLabel = nullptr;
    TFloatSpinEdit* CellEdit = nullptr;
    QCheckBox* OrigCheck = nullptr;
    QLabel* OverlapLabel = nullptr;
    TSpinEdit* OverlapEdit = nullptr;
    QLabel* PagesLabel = nullptr;
    QPushButton* PrevPageBtn = nullptr;
    QLabel* PageLabel = nullptr;
    QPushButton* NextPageBtn = nullptr;
    QFrame* Bevel2 = nullptr;
    QPushButton* PdfBtn = nullptr;

public slots:
    void done(int result) override;

private:
    void drawPreview(QPainter& canvas);
    void drawPagesPreview(QPainter& canvas, const output::Placement& paper, int PW);
    void pagesChanged();
    // The current printer's printable page; false after a printer error,
    // which is reported (once until the printer answers again) or, while
    // the dialog opens, kept for ShowModal to raise.
    bool pageSize(int& pw, int& ph);
    void failed(const platform::PrinterError& e);

    double userCellMm_ = output::kDefaultCellMm;  // the typed width, kept under "Originalgröße"
    bool opening_ = false;
    bool stored_ = false;
    bool errorShown_ = false;
    std::optional<platform::PrinterError> openError_;
};

// The dialog while the print command runs, else nullptr.
extern TPrintForm* PrintForm;
