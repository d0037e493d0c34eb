// Knittability checks on page 4: floats, yarns per row and confetti of the
// stitch grid, shown in a strip under the compute controls while
// "Strickbarkeit prüfen" is ticked, with the long floats marked over the
// enlarged picture and the confetti clean-up as one undoable step. The
// checks themselves are pattern::knit; this file only wires.
#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUndoStack>

#include "app/ButtonsXP.h"
#include "app/TMainForm.h"
#include "chart/gridview.h"
#include "chart/stitchedit.h"
#include "pattern/limits.h"
#include "platform/controls.h"

namespace {

QSpinBox* smallSpin(QWidget* parent, const char* name, int min, int max, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(min, max);
    s->setValue(value);
    s->setFixedWidth(48);
    return s;
}

QLabel* label(QWidget* parent, const QString& text, const char* name = nullptr) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    return l;
}

QComboBox* rowList(QWidget* parent, const char* name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // The strip has to fit the window's designed width.
    c->setMinimumContentsLength(3);
    return c;
}

// A figure that may grow long: it takes its room when there is some and is
// cut rather than widening the window.
QLabel* figure(QWidget* parent, const char* name) {
    QLabel* l = label(parent, QString(), name);
    l->setMinimumWidth(40);
    return l;
}

QString number(int64_t n) { return platform::uiLocale().toString(qlonglong(n)); }

}  // namespace

void TMainForm::createKnitControls(QWidget* top, QWidget* right, QBoxLayout* page) {
    // Right of "Nachbearbeiten", which ends at x = 208.
    KnitCheck = new QCheckBox(QStringLiteral("Strickbarkeit prüfen"), top);
    KnitCheck->setObjectName(QStringLiteral("KnitCheck"));
    KnitCheck->setGeometry(240, 40, 166, 17);

    KnitPanel = new QWidget(right);
    KnitPanel->setObjectName(QStringLiteral("KnitPanel"));
    auto* v = new QVBoxLayout(KnitPanel);
    v->setContentsMargins(8, 2, 8, 4);
    v->setSpacing(2);
    auto row = [&] {
        auto* h = new QHBoxLayout;
        h->setSpacing(4);
        v->addLayout(h);
        return h;
    };
    QHBoxLayout* floats = row();
    floats->addWidget(label(KnitPanel, QStringLiteral("Flottierungen über")));
    FloatLimitEdit = smallSpin(KnitPanel, "FloatLimitEdit", 0, pattern::kGaugeMax, 5);
    FloatLimitEdit->setToolTip(QStringLiteral("Längste erlaubte Flottierung in Maschen (Vorgabe: 2,5 cm)"));
    floats->addWidget(FloatLimitEdit);
    floats->addWidget(FloatLabel = figure(KnitPanel, "FloatLabel"));
    floats->addWidget(FloatRowsBox = rowList(KnitPanel, "FloatRowsBox"), 1);
    NextFloatBtn = new TBitBtnXP(QStringLiteral("Nächste"), KnitPanel);
    NextFloatBtn->setObjectName(QStringLiteral("NextFloatBtn"));
    NextFloatBtn->setToolTip(QStringLiteral("Zur nächsten zu langen Flottierung"));
    NextFloatBtn->setMaximumWidth(72);
    floats->addWidget(NextFloatBtn);

    QHBoxLayout* colours = row();
    colours->addWidget(label(KnitPanel, QStringLiteral("Mehr als")));
    ColourLimitEdit = smallSpin(KnitPanel, "ColourLimitEdit", 1, pattern::kMaxYarnColours,
                                pattern::knit::kDefaultMaxYarnsPerRow);
    colours->addWidget(ColourLimitEdit);
    colours->addWidget(ColourLabel = figure(KnitPanel, "ColourLabel"));
    colours->addWidget(ColourRowsBox = rowList(KnitPanel, "ColourRowsBox"), 1);

    QHBoxLayout* confetti = row();
    confetti->addWidget(ConfettiLabel = figure(KnitPanel, "ConfettiLabel"));
    confetti->addStretch(1);
    ConfettiBtn = new TBitBtnXP(QStringLiteral("Konfetti entfernen"), KnitPanel);
    ConfettiBtn->setObjectName(QStringLiteral("ConfettiBtn"));
    ConfettiBtn->setToolTip(
        QStringLiteral("Färbt Inseln bis zur angegebenen Größe in der häufigsten Garnfarbe um sie herum"));
    confetti->addWidget(ConfettiBtn);
    confetti->addWidget(label(KnitPanel, QStringLiteral("bis")));
    ConfettiSizeEdit = smallSpin(KnitPanel, "ConfettiSizeEdit", 1, 99, pattern::knit::kDefaultIslandSize);
    confetti->addWidget(ConfettiSizeEdit);
    confetti->addWidget(label(KnitPanel, QStringLiteral("M.")));

    KnitPanel->hide();
    page->addWidget(KnitPanel);

}

void TMainForm::connectKnitEvents() {
    connect(KnitCheck, &QCheckBox::clicked, this, [this] { KnitCheckClick(KnitCheck); });
    connect(NextFloatBtn, &QPushButton::clicked, this, [this] { NextFloatBtnClick(NextFloatBtn); });
    connect(ConfettiBtn, &QPushButton::clicked, this, [this] { ConfettiBtnClick(ConfettiBtn); });
    connect(FloatRowsBox, &QComboBox::activated, this, [this] { FloatRowsBoxChange(FloatRowsBox); });
    connect(ColourRowsBox, &QComboBox::activated, this, [this] { ColourRowsBoxChange(ColourRowsBox); });
    connect(FloatLimitEdit, &QSpinBox::valueChanged, this, [this] { updateKnitChecks(); PaintBox2->update(); });
    connect(ColourLimitEdit, &QSpinBox::valueChanged, this, [this] { updateKnitChecks(); PaintBox2->update(); });
    // The grid's changes reach the checks through the document (documentChanged).
    connect(maschened, &QSpinBox::valueChanged, this, [this] { updateKnitChecks(); PaintBox2->update(); });
}

void TMainForm::updateKnitChecks() {
    if (!FloatLimitEdit) return;  // before the controls exist
    // The limit follows the gauge as long as it shows the gauge's value.
    const int byGauge = pattern::knit::defaultFloatLimit(maschened->value());
    if (knitLimitDefault_ < 0 || FloatLimitEdit->value() == knitLimitDefault_) {
        const QSignalBlocker quiet(FloatLimitEdit);
        FloatLimitEdit->setValue(byGauge);
    }
    knitLimitDefault_ = byGauge;

    const pattern::knit::Options options{FloatLimitEdit->value(), ColourLimitEdit->value(), pattern::kYarnColours};
    pattern::knit::check(pattern::knit::gridBytes(di3), options, knitReport);
    knitCurrentFloat = -1;
    knitCurrentRow = 0;

    const pattern::knit::Report& r = knitReport;
    FloatLabel->setText(QStringLiteral("M.: %1 Reihen").arg(number(int64_t(r.longFloatRows.size()))));
    FloatRowsBox->clear();
    for (int row : r.longFloatRows)
        FloatRowsBox->addItem(QStringLiteral("Reihe %1: %2 M.").arg(number(row), number(r.longestInRow[size_t(row) - 1])),
                              row);
    NextFloatBtn->setEnabled(!r.longFloats.empty());
    ColourLabel->setText(QStringLiteral("Farben: %1 Reihen").arg(number(int64_t(r.crowdedRows.size()))));
    ColourRowsBox->clear();
    for (int row : r.crowdedRows)
        ColourRowsBox->addItem(
            QStringLiteral("Reihe %1: %2 Farben").arg(number(row), number(r.yarnsInRow[size_t(row) - 1])), row);
    ConfettiLabel->setText(QStringLiteral("Konfetti: %1 % (%2 M.)")
                               .arg(platform::uiLocale().toString(r.confettiPercent, 'f', 1), number(r.confetti)));
    KnitCheck->setToolTip(QStringLiteral("Flottierungen zu lang: %1 Reihen, mehr als %2 Farben: %3 Reihen, %4")
                              .arg(number(int64_t(r.longFloatRows.size())), number(options.maxYarnsPerRow),
                                   number(int64_t(r.crowdedRows.size())), ConfettiLabel->text()));
}

void TMainForm::KnitCheckClick(QObject*) {
    KnitPanel->setVisible(KnitCheck->isChecked());
    PaintBox2->update();
}

void TMainForm::showKnitSpot(int row, int from, int to) {
    if (!KnitCheck->isChecked()) {
        KnitCheck->setChecked(true);
        KnitCheckClick(KnitCheck);
    }
    const int w = dibwidth(di3), h = dibheight(di3);
    if (w <= 0 || h <= 0) return;
    const gridview::ViewSize size =
        gridview::viewSize(w, h, EditModeCheck->isChecked(), breited->value(), hoched->value());
    // Stitch s (from the right) is column w - s; row r (from the bottom) is
    // h - r from the top.
    const int x0 = int(int64_t(w - to) * size.bigW / w), x1 = int(int64_t(w - from + 1) * size.bigW / w);
    const int y0 = h + int(int64_t(h - row) * size.bigH / h), y1 = h + int(int64_t(h - row + 1) * size.bigH / h);
    ScrollBox1->ensureVisible((x0 + x1) / 2, (y0 + y1) / 2, std::max(50, (x1 - x0) / 2 + 20), 50);
    PaintBox2->update();
}

void TMainForm::NextFloatBtnClick(QObject*) {
    const auto& floats = knitReport.longFloats;
    if (floats.empty()) return;
    knitCurrentFloat = (knitCurrentFloat + 1) % int(floats.size());
    knitCurrentRow = 0;
    const pattern::knit::Float& f = floats[size_t(knitCurrentFloat)];
    // The row list says where "Nächste" went.
    const int entry = FloatRowsBox->findData(f.row);
    if (entry >= 0) {
        const QSignalBlocker quiet(FloatRowsBox);
        FloatRowsBox->setCurrentIndex(entry);
    }
    showKnitSpot(f.row, f.from, f.to);
}

void TMainForm::FloatRowsBoxChange(QObject*) {
    const int row = FloatRowsBox->currentData().toInt();
    const auto& floats = knitReport.longFloats;
    for (size_t i = 0; i < floats.size(); ++i)
        if (floats[i].row == row) {
            knitCurrentFloat = int(i);
            knitCurrentRow = 0;
            showKnitSpot(row, floats[i].from, floats[i].to);
            return;
        }
}

void TMainForm::ColourRowsBoxChange(QObject*) {
    const int row = ColourRowsBox->currentData().toInt();
    if (row < 1 || row > knitReport.height) return;
    knitCurrentFloat = -1;
    knitCurrentRow = row;
    showKnitSpot(row, 1, 1);
}

void TMainForm::ConfettiBtnClick(QObject*) {
    std::vector<pattern::knit::StitchChange> changes = pattern::knit::removeConfetti(
        pattern::knit::gridBytes(di3), ConfettiSizeEdit->value(), pal, pattern::kYarnColours);
    if (changes.empty()) return;  // nothing to recolour: no empty step to undo
    // The checks count as the knitter does, the edit command by position.
    const int w = dibwidth(di3), h = dibheight(di3);
    std::vector<chart::StitchChange> edits;
    edits.reserve(changes.size());
    for (const pattern::knit::StitchChange& c : changes)
        edits.push_back(chart::StitchChange{w - c.stitch, h - c.row, c.before, c.after});
    undoStack->push(new chart::SetStitchesCommand(di3, std::move(edits), QStringLiteral("Konfetti entfernen")));
}

void TMainForm::paintKnitMarks(QPainter& canvas, int bigW, int bigH) {
    const pattern::knit::Report& r = knitReport;
    const int w = dibwidth(di3), h = dibheight(di3);
    if (!KnitCheck->isChecked() || r.width != w || r.height != h || w <= 0 || h <= 0) return;
    auto cells = [&](int row, int from, int to) {
        const int x0 = int(int64_t(w - to) * bigW / w), x1 = int(int64_t(w - from + 1) * bigW / w);
        const int y0 = h + int(int64_t(h - row) * bigH / h), y1 = h + int(int64_t(h - row + 1) * bigH / h);
        return QRect(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0));
    };
    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    // Crowded rows: a dashed frame across the whole row.
    canvas.setPen(QPen(QColor(0, 200, 255), 1, Qt::DashLine));
    for (int row : r.crowdedRows) canvas.drawRect(cells(row, 1, w).adjusted(0, 0, -1, -1));
    // Long floats: a thin line under the stitches the yarn is carried past,
    // dark under light so it shows on any yarn, and the yarns stay visible
    // (frames round every run hid a photo's colours).
    for (const pattern::knit::Float& f : r.longFloats) {
        const QRect box = cells(f.row, f.from, f.to);
        const int y = box.bottom() - std::min(2, box.height() / 4);
        canvas.fillRect(QRect(box.left(), y - 1, box.width(), 3), Qt::black);
        canvas.fillRect(QRect(box.left(), y, box.width(), 1), QColor(255, 0, 255));
    }
    if (knitCurrentFloat >= 0 && size_t(knitCurrentFloat) < r.longFloats.size()) {
        const pattern::knit::Float& f = r.longFloats[size_t(knitCurrentFloat)];
        canvas.setPen(QPen(QColor(255, 40, 0), 3));
        canvas.drawRect(cells(f.row, f.from, f.to).adjusted(-2, -2, 1, 1));
    }
    if (knitCurrentRow > 0) {
        canvas.setPen(QPen(QColor(0, 200, 255), 3));
        canvas.drawRect(cells(knitCurrentRow, 1, w).adjusted(-1, -1, 0, 0));
    }
    canvas.restore();
}
