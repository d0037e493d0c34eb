// Knitting from the pattern: the row tracker ("Strickmodus") with the
// current row's written instruction, the written rows as a file or on the
// clipboard, and the knitted-look preview ("Strickbild") in its own window.
// Both windows work on a copy of the stitches: they never change the grid.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "chart/chartoptions.h"
#include "pattern/writtenrows.h"

class QLabel;
class QScrollArea;
class TBitBtnXP;
class TSaveDialog;

namespace chart {
class KnitPreviewView;
}

// How the rows are knitted, as the chart's row numbering says: numbers on
// every row mean knitting in the round; odd rows at both sides (the plain
// chart) and numbers alternating between the sides mean knitting flat,
// back and forth, the way a chart is read unless it says otherwise.
pattern::Knitting knittingOf(chart::RowNumbering mode);

// Writes `text` as UTF-8; true only when every byte reached the file. An
// existing file is replaced only by a complete new one.
bool writeTextFile(const QString& path, const QString& text);

// The chart as the tracker shows it: cells in the stitch's proportions,
// row numbers at both sides, the rows below the current one veiled as
// done and the current row framed over its whole width.
class KnitChartView : public QWidget {
public:
    explicit KnitChartView(QWidget* parent = nullptr);
    void setPattern(const pattern::YarnCells* cells, const std::vector<uint32_t>* colours, int maschen, int reihen);
    void setCurrentRow(int row);
    void setCellWidth(int px);
    int cellWidth() const { return cellW_; }
    // Row (from 1 at the bottom) under y, 0 outside the cells.
    int rowAt(int y) const;
    QRect rowRect(int row) const;
    std::function<void(int)> onRowClicked;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void resizeToContent();
    const pattern::YarnCells* cells_ = nullptr;
    const std::vector<uint32_t>* colours_ = nullptr;
    int maschen_ = 1, reihen_ = 1;
    int cellW_ = 16;
    int row_ = 1;
};

class TKnitModeForm : public QWidget {
public:
    explicit TKnitModeForm(QWidget* owner);
    ~TKnitModeForm() override;

    // A copy of the stitches, their yarn colours (entry i = yarn i), the
    // gauge, how the rows are knitted and the row to start at (0: row 1).
    void setPattern(pattern::YarnCells cells, std::vector<uint32_t> colours, int maschen, int reihen,
                    pattern::Knitting knitting, int row);
    int currentRow() const { return row_; }
    int rowCount() const { return int(cells_.rows); }
    // Clamped to the rows; tells onRowChanged when the row moved.
    void setCurrentRow(int row);
    void nextRow() { setCurrentRow(row_ + 1); }
    void previousRow() { setCurrentRow(row_ - 1); }
    void toggleFullScreen();
    // The written rows as the export writes them.
    QString writtenText(pattern::TextFormat format) const;
    // The same as lines for the pages after the chart.
    QStringList writtenLines() const;
    // Writes them to `path` (Markdown for a .md name); false on failure.
    bool saveWrittenRows(const QString& path) const;
    void SaveTextBtnClick();
    void CopyTextBtnClick();
    void PreviewBtnClick();

    std::function<void(int)> onRowChanged;
    // "Als PDF mit Strickschrift...": the main window writes the chart's
    // pages and these lines after them.
    std::function<void(const QStringList&)> onSavePdf;

    TBitBtnXP* PrevRowBtn = nullptr;
    TBitBtnXP* NextRowBtn = nullptr;
    TBitBtnXP* FullScreenBtn = nullptr;
    TBitBtnXP* SaveTextBtn = nullptr;
    TBitBtnXP* CopyTextBtn = nullptr;
    TBitBtnXP* PreviewBtn = nullptr;
    TBitBtnXP* PdfBtn = nullptr;
    QLabel* RowLabel = nullptr;          // "Reihe 47 von 213"
    QLabel* InstructionLabel = nullptr;  // the row's runs, large
    QLabel* DoneLabel = nullptr;         // rows done so far
    QScrollArea* ChartScroll = nullptr;
    KnitChartView* ChartView = nullptr;
    std::unique_ptr<TSaveDialog> SaveDialog;
    QWidget* PreviewForm = nullptr;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void showRow();
    void fitChart();
    pattern::YarnCells cells_;
    std::vector<uint32_t> colours_;
    int maschen_ = 1, reihen_ = 1;
    pattern::Knitting knitting_ = pattern::Knitting::flat;
    int row_ = 1;
};

// "Strickbild": the knitted-look preview with zoom and PNG export.
class TKnitPreviewForm : public QWidget {
public:
    explicit TKnitPreviewForm(QWidget* owner);
    ~TKnitPreviewForm() override;
    void setPattern(pattern::YarnCells cells, std::vector<uint32_t> colours, int maschen, int reihen);
    void zoomBy(int direction);
    // The whole preview at the current zoom as a PNG; false on failure.
    bool savePng(const QString& path) const;
    void SavePngBtnClick();

    TBitBtnXP* ZoomInBtn = nullptr;
    TBitBtnXP* ZoomOutBtn = nullptr;
    TBitBtnXP* SavePngBtn = nullptr;
    QScrollArea* PreviewScroll = nullptr;
    chart::KnitPreviewView* PreviewView = nullptr;
    std::unique_ptr<TSaveDialog> SaveDialog;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};
