#include "app/KnitModeUnit.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ButtonsXP.h"
#include "chart/knitpreview.h"
#include "platform/dialogs.h"
#include "platform/errorreport.h"
#include "platform/safefile.h"
#include "raster/dib.h"

namespace {

constexpr int kNumberBand = 40;  // row numbers left and right of the cells
constexpr int kMinCellPx = 6;
constexpr int kMaxCellPx = 40;
const QString kTextFilter = QStringLiteral("Text (*.txt)|*.txt|Markdown (*.md)|*.md");
const QString kPngFilter = QStringLiteral("PNG-Bild (*.png)|*.png");

QColor colourOf(const std::vector<uint32_t>& colours, int yarn) {
    const uint32_t c = std::size_t(yarn) < colours.size() ? colours[std::size_t(yarn)] : 0u;
    return QColor(getr(c), getg(c), getb(c));
}

QString withSuffix(const QString& path, const QString& suffix) {
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1Char('.') + suffix : path;
}

TBitBtnXP* button(const QString& caption, const char* name, QWidget* parent) {
    auto* b = new TBitBtnXP(caption, parent);
    b->setObjectName(QLatin1String(name));
    // Keys belong to the window: space on a focused button would click it.
    b->setFocusPolicy(Qt::NoFocus);
    b->setMinimumHeight(36);
    return b;
}

}  // namespace

pattern::Knitting knittingOf(chart::RowNumbering mode) {
    return mode == chart::RowNumbering::everyRow ? pattern::Knitting::round : pattern::Knitting::flat;
}

bool writeTextFile(const QString& path, const QString& text) {
    return bool(platform::writeFileSafely(path, text.toUtf8()));
}

// ---- the tracker's chart

KnitChartView::KnitChartView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("KnitChartView"));
    setCursor(Qt::PointingHandCursor);
}

void KnitChartView::setPattern(const pattern::YarnCells* cells, const std::vector<uint32_t>* colours, int maschen,
                               int reihen) {
    cells_ = cells;
    colours_ = colours;
    maschen_ = std::max(1, maschen);
    reihen_ = std::max(1, reihen);
    resizeToContent();
    update();
}

void KnitChartView::setCurrentRow(int row) {
    if (row == row_) return;
    update(rowRect(row_).adjusted(-4, -4, 4, 4) | QRect(0, 0, width(), rowRect(row_).bottom() + 4));
    row_ = row;
    update(QRect(0, rowRect(row_).top() - 4, width(), height()));
}

void KnitChartView::setCellWidth(int px) {
    cellW_ = std::clamp(px, kMinCellPx, kMaxCellPx);
    resizeToContent();
    update();
}

namespace {
// A cell keeps the stitch's proportions, as on the chart.
int cellHeightOf(int cellW, int maschen, int reihen) { return std::max(3, cellW * maschen / reihen); }
}  // namespace

void KnitChartView::resizeToContent() {
    const int64_t st = cells_ ? cells_->stitches : 0, rows = cells_ ? cells_->rows : 0;
    const int64_t ch = cellHeightOf(cellW_, maschen_, reihen_);
    setFixedSize(int(std::min<int64_t>(16777215, 2 * kNumberBand + st * cellW_)),
                 int(std::min<int64_t>(16777215, 8 + rows * ch)));
}

QRect KnitChartView::rowRect(int row) const {
    if (!cells_ || row < 1 || row > cells_->rows) return {};
    const int ch = cellHeightOf(cellW_, maschen_, reihen_);
    const int top = 4 + int(cells_->rows - row) * ch;
    return QRect(kNumberBand, top, int(cells_->stitches) * cellW_, ch);
}

int KnitChartView::rowAt(int y) const {
    if (!cells_ || cells_->rows <= 0) return 0;
    const int ch = cellHeightOf(cellW_, maschen_, reihen_);
    if (y < 4) return 0;
    const int64_t fromTop = (y - 4) / ch;
    return fromTop < cells_->rows ? int(cells_->rows - fromTop) : 0;
}

void KnitChartView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), palette().window());
    if (!cells_ || cells_->rows <= 0 || cells_->stitches <= 0) return;
    const int ch = cellHeightOf(cellW_, maschen_, reihen_);
    const QRect area = e->rect();
    const int64_t r0 = std::max<int64_t>(0, (area.top() - 4) / ch);
    const int64_t r1 = std::min<int64_t>(cells_->rows, (area.bottom() - 4) / ch + 1);
    const int64_t c0 = std::max<int64_t>(0, (area.left() - kNumberBand) / cellW_);
    const int64_t c1 = std::min<int64_t>(cells_->stitches, (area.right() - kNumberBand) / cellW_ + 1);
    QFont small = font();
    small.setPointSize(8);
    p.setFont(small);
    const QColor line(0, 0, 0, 60);
    for (int64_t r = r0; r < r1; ++r) {
        const int y = 4 + int(r) * ch;
        const int n = int(cells_->rows - r);
        for (int64_t c = c0; c < c1; ++c) {
            const QRect cell(kNumberBand + int(c) * cellW_, y, cellW_, ch);
            p.fillRect(cell, colourOf(*colours_, cells_->at(c, r)));
        }
        p.setPen(line);
        p.drawLine(kNumberBand, y, kNumberBand + int(cells_->stitches) * cellW_, y);
        if (n < row_) p.fillRect(QRect(kNumberBand, y, int(cells_->stitches) * cellW_, ch), QColor(255, 255, 255, 150));
        // Every 5th row numbered, and the current one, whose neighbours
        // give way to it.
        if (n == row_ || ((n % 5 == 0 || n == 1) && (ch >= 12 || std::abs(n - row_) > 2))) {
            p.setPen(n == row_ ? Qt::black : Qt::darkGray);
            const QRect left(0, y, kNumberBand - 4, ch), right(width() - kNumberBand + 4, y, kNumberBand - 4, ch);
            p.drawText(left, Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip, QString::number(n));
            p.drawText(right, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, QString::number(n));
        }
    }
    // The current row, framed over the whole width so it stands out on
    // light and dark yarns alike.
    const QRect cur = rowRect(row_);
    if (cur.isValid()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 3));
        p.drawRect(cur.adjusted(-2, -2, 1, 1));
        p.setPen(QPen(QColor(255, 200, 0), 1));
        p.drawRect(cur.adjusted(-3, -3, 2, 2));
        p.fillRect(QRect(2, cur.top(), 6, cur.height()), QColor(255, 200, 0));
        p.fillRect(QRect(width() - 8, cur.top(), 6, cur.height()), QColor(255, 200, 0));
    }
}

void KnitChartView::mousePressEvent(QMouseEvent* e) {
    const int row = rowAt(int(e->position().y()));
    if (row > 0 && onRowClicked) onRowClicked(row);
}

// ---- the tracker window

TKnitModeForm::TKnitModeForm(QWidget* owner) : QWidget(owner, Qt::Window), SaveDialog(std::make_unique<TSaveDialog>()) {
    setObjectName(QStringLiteral("KnitModeForm"));
    setWindowTitle(QStringLiteral("Strickmodus"));
    setFocusPolicy(Qt::StrongFocus);
    resize(900, 600);
    auto* h = new QHBoxLayout(this);
    ChartScroll = new QScrollArea(this);
    ChartScroll->setObjectName(QStringLiteral("KnitChartScroll"));
    ChartScroll->setFocusPolicy(Qt::NoFocus);
    ChartScroll->setBackgroundRole(QPalette::Window);
    ChartView = new KnitChartView;
    ChartScroll->setWidget(ChartView);
    ChartScroll->setAlignment(Qt::AlignHCenter);
    ChartView->onRowClicked = [this](int row) { setCurrentRow(row); };
    h->addWidget(ChartScroll, 3);

    auto* side = new QWidget(this);
    side->setMinimumWidth(300);
    auto* v = new QVBoxLayout(side);
    RowLabel = new QLabel(side);
    RowLabel->setObjectName(QStringLiteral("RowLabel"));
    QFont big = RowLabel->font();
    big.setPointSize(20);
    big.setBold(true);
    RowLabel->setFont(big);
    v->addWidget(RowLabel);
    DoneLabel = new QLabel(side);
    DoneLabel->setObjectName(QStringLiteral("DoneLabel"));
    v->addWidget(DoneLabel);
    InstructionLabel = new QLabel(side);
    InstructionLabel->setObjectName(QStringLiteral("InstructionLabel"));
    InstructionLabel->setWordWrap(true);
    InstructionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    InstructionLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    QFont instr = InstructionLabel->font();
    instr.setPointSize(16);
    InstructionLabel->setFont(instr);
    // A long row scrolls rather than stretching the window.
    auto* instrScroll = new QScrollArea(side);
    instrScroll->setObjectName(QStringLiteral("InstructionScroll"));
    instrScroll->setWidgetResizable(true);
    instrScroll->setFrameShape(QFrame::NoFrame);
    instrScroll->setFocusPolicy(Qt::NoFocus);
    instrScroll->setWidget(InstructionLabel);
    v->addWidget(instrScroll, 1);
    auto* steps = new QHBoxLayout;
    PrevRowBtn = button(QStringLiteral("◀ &Vorherige Reihe"), "PrevRowBtn", side);
    NextRowBtn = button(QStringLiteral("&Nächste Reihe ▶"), "NextRowBtn", side);
    steps->addWidget(PrevRowBtn);
    steps->addWidget(NextRowBtn);
    v->addLayout(steps);
    auto* keys = new QLabel(QStringLiteral("Leertaste, \u2191 oder \u2192: nächste Reihe; \u2193 oder \u2190: vorherige; "
                                           "F11: Vollbild; ein Klick auf eine Reihe springt dorthin."),
                            side);
    keys->setWordWrap(true);
    v->addWidget(keys);
    FullScreenBtn = button(QStringLiteral("&Vollbild"), "FullScreenBtn", side);
    SaveTextBtn = button(QStringLiteral("Strickschrift &speichern..."), "SaveTextBtn", side);
    CopyTextBtn = button(QStringLiteral("Strickschrift &kopieren"), "CopyTextBtn", side);
    PdfBtn = button(QStringLiteral("Als &PDF mit Strickschrift..."), "KnitPdfBtn", side);
    PreviewBtn = button(QStringLiteral("Strick&bild..."), "PreviewBtn", side);
    for (TBitBtnXP* b : {FullScreenBtn, SaveTextBtn, CopyTextBtn, PdfBtn, PreviewBtn}) v->addWidget(b);
    h->addWidget(side, 2);

    connect(PrevRowBtn, &QPushButton::clicked, this, [this] { previousRow(); });
    connect(NextRowBtn, &QPushButton::clicked, this, [this] { nextRow(); });
    connect(FullScreenBtn, &QPushButton::clicked, this, [this] { toggleFullScreen(); });
    connect(SaveTextBtn, &QPushButton::clicked, this, [this] { SaveTextBtnClick(); });
    connect(CopyTextBtn, &QPushButton::clicked, this, [this] { CopyTextBtnClick(); });
    connect(PreviewBtn, &QPushButton::clicked, this, [this] { PreviewBtnClick(); });
    connect(PdfBtn, &QPushButton::clicked, this, [this] {
        if (onSavePdf) onSavePdf(writtenLines());
    });
}

TKnitModeForm::~TKnitModeForm() = default;

void TKnitModeForm::setPattern(pattern::YarnCells cells, std::vector<uint32_t> colours, int maschen, int reihen,
                               pattern::Knitting knitting, int row) {
    cells_ = std::move(cells);
    colours_ = std::move(colours);
    maschen_ = std::max(1, maschen);
    reihen_ = std::max(1, reihen);
    knitting_ = knitting;
    row_ = std::clamp(row, 1, std::max(1, int(cells_.rows)));
    ChartView->setPattern(&cells_, &colours_, maschen_, reihen_);
    ChartView->setCurrentRow(row_);
    fitChart();
    showRow();
    if (auto* preview = static_cast<TKnitPreviewForm*>(PreviewForm))
        preview->setPattern(cells_, colours_, maschen_, reihen_);
}

void TKnitModeForm::setCurrentRow(int row) {
    const int r = std::clamp(row, 1, std::max(1, int(cells_.rows)));
    if (r == row_) return;
    row_ = r;
    ChartView->setCurrentRow(row_);
    showRow();
    if (onRowChanged) onRowChanged(row_);
}

void TKnitModeForm::showRow() {
    if (cells_.rows <= 0) {
        RowLabel->setText(QStringLiteral("Kein Muster"));
        InstructionLabel->clear();
        DoneLabel->clear();
        return;
    }
    const pattern::WrittenRow w = pattern::writtenRow(cells_, row_, knitting_);
    RowLabel->setText(QStringLiteral("Reihe %1 von %2").arg(row_).arg(cells_.rows));
    const QString side = knitting_ == pattern::Knitting::round ? QStringLiteral("Runde")
                         : w.rightSide                          ? QStringLiteral("Hinreihe")
                                                                : QStringLiteral("Rückreihe");
    DoneLabel->setText(QStringLiteral("%1, von %2 gelesen · %3 Reihen fertig, noch %4")
                           .arg(side, w.fromRight ? QStringLiteral("rechts") : QStringLiteral("links"))
                           .arg(row_ - 1)
                           .arg(cells_.rows - row_ + 1));
    InstructionLabel->setText(pattern::runsText(w.groups) + QStringLiteral("\n\n(%1 M.)").arg(w.stitches));
    ChartScroll->ensureVisible(ChartView->rowRect(row_).center().x(), ChartView->rowRect(row_).center().y(), 10,
                               ChartScroll->viewport()->height() / 3);
    PrevRowBtn->setEnabled(row_ > 1);
    NextRowBtn->setEnabled(row_ < cells_.rows);
}

void TKnitModeForm::fitChart() {
    if (cells_.stitches <= 0) return;
    const int room = ChartScroll->viewport()->width() - 2 * kNumberBand - 4;
    ChartView->setCellWidth(int(std::clamp<int64_t>(room / cells_.stitches, kMinCellPx, kMaxCellPx)));
}

void TKnitModeForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    fitChart();
    if (cells_.rows > 0)
        ChartScroll->ensureVisible(ChartView->rowRect(row_).center().x(), ChartView->rowRect(row_).center().y(), 10,
                                   ChartScroll->viewport()->height() / 3);
}

void TKnitModeForm::toggleFullScreen() {
    if (isFullScreen()) {
        showNormal();
        FullScreenBtn->setText(QStringLiteral("&Vollbild"));
    } else {
        showFullScreen();
        FullScreenBtn->setText(QStringLiteral("&Vollbild beenden"));
    }
}

void TKnitModeForm::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Space:
    case Qt::Key_Up:
    case Qt::Key_Right:
        nextRow();
        return;
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Backspace:
        previousRow();
        return;
    case Qt::Key_F11:
        toggleFullScreen();
        return;
    case Qt::Key_Escape:
        if (isFullScreen()) toggleFullScreen();
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

QString TKnitModeForm::writtenText(pattern::TextFormat format) const {
    return pattern::writtenRowsText(cells_, knitting_, pattern::writtenYarns(cells_, colours_), format);
}

QStringList TKnitModeForm::writtenLines() const {
    return pattern::writtenRowsLines(cells_, knitting_, pattern::writtenYarns(cells_, colours_));
}

bool TKnitModeForm::saveWrittenRows(const QString& path) const {
    const bool md = QFileInfo(path).suffix().compare(QStringLiteral("md"), Qt::CaseInsensitive) == 0;
    return writeTextFile(path, writtenText(md ? pattern::TextFormat::markdown : pattern::TextFormat::plain));
}

void TKnitModeForm::SaveTextBtnClick() {
    SaveDialog->Title = QStringLiteral("Strickschrift speichern unter");
    SaveDialog->Filter = kTextFilter;
    if (!SaveDialog->Execute(this)) return;
    const QString path =
        withSuffix(SaveDialog->FileName, SaveDialog->FilterIndex == 2 ? QStringLiteral("md") : QStringLiteral("txt"));
    if (!saveWrittenRows(path))
        errorreport::Report(QStringLiteral("Die Strickschrift konnte nicht in \u201e%1\u201c gespeichert werden.").arg(path),
                            this);
}

void TKnitModeForm::CopyTextBtnClick() {
    QApplication::clipboard()->setText(writtenText(pattern::TextFormat::plain));
}

void TKnitModeForm::PreviewBtnClick() {
    auto* preview = static_cast<TKnitPreviewForm*>(PreviewForm);
    if (!preview) {
        preview = new TKnitPreviewForm(this);
        PreviewForm = preview;
    }
    preview->setPattern(cells_, colours_, maschen_, reihen_);
    preview->show();
    preview->raise();
    preview->activateWindow();
}

// ---- the preview window

TKnitPreviewForm::TKnitPreviewForm(QWidget* owner)
    : QWidget(owner, Qt::Window), SaveDialog(std::make_unique<TSaveDialog>()) {
    setObjectName(QStringLiteral("KnitPreviewForm"));
    setWindowTitle(QStringLiteral("Strickbild"));
    resize(800, 600);
    auto* v = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    ZoomOutBtn = button(QStringLiteral("Verkleinern (−)"), "PreviewZoomOutBtn", this);
    ZoomInBtn = button(QStringLiteral("Vergrößern (+)"), "PreviewZoomInBtn", this);
    SavePngBtn = button(QStringLiteral("Als &PNG speichern..."), "SavePngBtn", this);
    bar->addWidget(ZoomOutBtn);
    bar->addWidget(ZoomInBtn);
    bar->addStretch(1);
    bar->addWidget(SavePngBtn);
    v->addLayout(bar);
    PreviewScroll = new QScrollArea(this);
    PreviewScroll->setObjectName(QStringLiteral("PreviewScroll"));
    PreviewScroll->setBackgroundRole(QPalette::Dark);
    PreviewView = new chart::KnitPreviewView;
    PreviewView->setObjectName(QStringLiteral("KnitPreviewView"));
    PreviewScroll->setWidget(PreviewView);
    v->addWidget(PreviewScroll, 1);
    connect(ZoomInBtn, &QPushButton::clicked, this, [this] { zoomBy(+1); });
    connect(ZoomOutBtn, &QPushButton::clicked, this, [this] { zoomBy(-1); });
    connect(SavePngBtn, &QPushButton::clicked, this, [this] { SavePngBtnClick(); });
}

TKnitPreviewForm::~TKnitPreviewForm() = default;

void TKnitPreviewForm::setPattern(pattern::YarnCells cells, std::vector<uint32_t> colours, int maschen, int reihen) {
    PreviewView->setPattern(std::move(cells), std::move(colours), maschen, reihen);
}

void TKnitPreviewForm::zoomBy(int direction) {
    PreviewView->setStitchWidth(direction > 0 ? chart::previewZoomIn(PreviewView->stitchWidth())
                                              : chart::previewZoomOut(PreviewView->stitchWidth()));
}

void TKnitPreviewForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Plus) zoomBy(+1);
    else if (e->key() == Qt::Key_Minus) zoomBy(-1);
    else QWidget::keyPressEvent(e);
}

bool TKnitPreviewForm::savePng(const QString& path) const {
    const QImage image = chart::knitPreviewImage(PreviewView->cells(), PreviewView->colours(), PreviewView->maschen(),
                                                 PreviewView->reihen(), PreviewView->stitchWidth());
    if (image.isNull()) return false;
    // Encoded in memory first: only complete bytes replace an older file.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "png")) return false;
    return bool(platform::writeFileSafely(path, bytes));
}

void TKnitPreviewForm::SavePngBtnClick() {
    SaveDialog->Title = QStringLiteral("Strickbild speichern unter");
    SaveDialog->Filter = kPngFilter;
    if (!SaveDialog->Execute(this)) return;
    const QString path = withSuffix(SaveDialog->FileName, QStringLiteral("png"));
    if (!savePng(path))
        errorreport::Report(QStringLiteral("Das Strickbild konnte nicht in \u201e%1\u201c gespeichert werden.").arg(path),
                            this);
}
