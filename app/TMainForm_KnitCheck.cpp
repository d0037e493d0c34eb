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
#include "app/messages.h"
#include "app/progressgate.h"
#include "chart/gridview.h"
#include "chart/stitchedit.h"
#include "pattern/limits.h"
#include "platform/controls.h"
#include "platform/errorreport.h"

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
    // New limits: a new float limit redoes the floats (once shown), a new
    // yarn limit only the list of crowded rows.
    auto limitsChanged = [this] {
        knitChecks.setOptions(pattern::knit::gridBytes(di3), knitOptions());
        showKnitFigures();
        PaintBox2->update();
    };
    connect(FloatLimitEdit, &QSpinBox::valueChanged, this, limitsChanged);
    connect(ColourLimitEdit, &QSpinBox::valueChanged, this, limitsChanged);
    connect(maschened, &QSpinBox::valueChanged, this, limitsChanged);
}

pattern::knit::Options TMainForm::knitOptions() {
    // The limit follows the gauge as long as it shows the gauge's value.
    const int byGauge = pattern::knit::defaultFloatLimit(maschened->value());
    if (knitLimitDefault_ < 0 || FloatLimitEdit->value() == knitLimitDefault_) {
        const QSignalBlocker quiet(FloatLimitEdit);
        FloatLimitEdit->setValue(byGauge);
    }
    knitLimitDefault_ = byGauge;
    return pattern::knit::Options{FloatLimitEdit->value(), ColourLimitEdit->value(), pattern::kYarnColours};
}

void TMainForm::updateKnitChecks() {
    if (!FloatLimitEdit) return;  // before the controls exist
    knitChecks.reset(pattern::knit::gridBytes(di3), knitOptions(), true);
    knitCurrentFloat = -1;
    knitCurrentRow = 0;
    showKnitFigures();
}

void TMainForm::knitGridReplaced() {
    if (!FloatLimitEdit) return;
    knitChecks.reset(pattern::knit::gridBytes(di3), knitOptions(), KnitCheck->isChecked());
    knitCurrentFloat = -1;
    knitCurrentRow = 0;
    showKnitFigures();
}

namespace {

// Brings a list of rows (item data: the row, ascending) in line for rows
// first .. last: present exactly where `in`, with `text`.
template <class In, class Text>
void syncRows(QComboBox* box, int first, int last, In&& in, Text&& text) {
    const QSignalBlocker quiet(box);
    // The first item at or after `first`.
    int lo = 0, hi = box->count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (box->itemData(mid).toInt() < first) lo = mid + 1;
        else hi = mid;
    }
    int i = lo;
    for (int row = first; row <= last; ++row) {
        const bool there = i < box->count() && box->itemData(i).toInt() == row;
        if (in(row)) {
            if (there) box->setItemText(i, text(row));
            else box->insertItem(i, text(row), row);
            ++i;
        } else if (there) {
            box->removeItem(i);
        }
    }
}

}  // namespace

void TMainForm::showKnitFigures(int first, int last) {
    const pattern::knit::LiveCheck& r = knitChecks;
    const int64_t longFloats = r.longFloatCount();
    ColourLabel->setText(QStringLiteral("Farben: %1 Reihen").arg(number(int64_t(r.crowdedRows().size()))));
    auto crowded = [&](int row) { return r.yarnsInRow(row) > r.options().maxYarnsPerRow; };
    auto colourText = [&](int row) {
        return QStringLiteral("Reihe %1: %2 Farben").arg(number(row), number(r.yarnsInRow(row)));
    };
    auto longRow = [&](int row) { return r.longFloatsInRow(row) > 0; };
    auto floatText = [&](int row) {
        return QStringLiteral("Reihe %1: %2 M.").arg(number(row), number(r.longestInRow(row)));
    };
    // Few rows changed: their entries alone; else the lists afresh.
    const bool some = first > 0 && last - first < 64;
    if (some) {
        syncRows(ColourRowsBox, first, last, crowded, colourText);
    } else {
        ColourRowsBox->clear();
        for (int row : r.crowdedRows()) ColourRowsBox->addItem(colourText(row), row);
    }
    if (!r.floatsCurrent()) {
        // Hidden: floats and confetti are found once the strip is shown.
        KnitCheck->setToolTip(QString());
        return;
    }
    FloatLabel->setText(QStringLiteral("M.: %1 Reihen").arg(number(int64_t(r.longFloatRows().size()))));
    if (some) {
        syncRows(FloatRowsBox, first, last, longRow, floatText);
    } else {
        FloatRowsBox->clear();
        for (int row : r.longFloatRows()) FloatRowsBox->addItem(floatText(row), row);
    }
    NextFloatBtn->setEnabled(longFloats > 0);
    if (knitCurrentFloat >= longFloats) knitCurrentFloat = -1;
    ConfettiLabel->setText(QStringLiteral("Konfetti: %1 % (%2 M.)")
                               .arg(platform::uiLocale().toString(r.confettiPercent(), 'f', 1), number(r.confetti())));
    KnitCheck->setToolTip(QStringLiteral("Flottierungen zu lang: %1 Reihen, mehr als %2 Farben: %3 Reihen, %4")
                              .arg(number(int64_t(r.longFloatRows().size())), number(r.options().maxYarnsPerRow),
                                   number(int64_t(r.crowdedRows().size())), ConfettiLabel->text()));
}

void TMainForm::KnitCheckClick(QObject*) {
    const bool on = KnitCheck->isChecked();
    // What waited while the strip was hidden is done now.
    const bool waited = on && !knitChecks.floatsCurrent();
    knitChecks.setFloats(pattern::knit::gridBytes(di3), on);
    if (waited) showKnitFigures();
    KnitPanel->setVisible(on);
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
    if (!knitChecks.floatsCurrent()) knitChecks.setFloats(pattern::knit::gridBytes(di3), true);
    const int64_t total = knitChecks.longFloatCount();
    if (total <= 0) return;
    knitCurrentFloat = int((int64_t(knitCurrentFloat) + 1) % total);
    knitCurrentRow = 0;
    // The row holding float number knitCurrentFloat, and the float in it.
    int64_t before = 0;
    for (int row : knitChecks.longFloatRows()) {
        const int64_t n = knitChecks.longFloatsInRow(row);
        if (knitCurrentFloat < before + n) {
            const auto floats = knitChecks.longFloatsOfRow(pattern::knit::gridBytes(di3), row);
            const size_t k = size_t(knitCurrentFloat - before);
            if (k >= floats.size()) return;
            knitCurrentSpot_ = floats[k];
            // The row list says where "Nächste" went.
            const int entry = FloatRowsBox->findData(row);
            if (entry >= 0) {
                const QSignalBlocker quiet(FloatRowsBox);
                FloatRowsBox->setCurrentIndex(entry);
            }
            showKnitSpot(row, knitCurrentSpot_.from, knitCurrentSpot_.to);
            return;
        }
        before += n;
    }
}

void TMainForm::FloatRowsBoxChange(QObject*) {
    const int row = FloatRowsBox->currentData().toInt();
    const auto floats = knitChecks.longFloatsOfRow(pattern::knit::gridBytes(di3), row);
    if (floats.empty()) return;
    int64_t before = 0;
    for (int r : knitChecks.longFloatRows()) {
        if (r >= row) break;
        before += knitChecks.longFloatsInRow(r);
    }
    knitCurrentFloat = int(before);
    knitCurrentRow = 0;
    knitCurrentSpot_ = floats.front();
    showKnitSpot(row, floats.front().from, floats.front().to);
}

void TMainForm::ColourRowsBoxChange(QObject*) {
    const int row = ColourRowsBox->currentData().toInt();
    if (row < 1 || row > knitChecks.height()) return;
    knitCurrentFloat = -1;
    knitCurrentRow = row;
    showKnitSpot(row, 1, 1);
}

void TMainForm::ConfettiBtnClick(QObject*) {
    const pattern::knit::GridBytes grid = pattern::knit::gridBytes(di3);
    const int w = dibwidth(di3), h = dibheight(di3);
    // Room for the work and, once its size is known, for the undo step.
    const int64_t budget = pattern::computeMemoryBudget();
    if (pattern::knit::ConfettiCleanup::workBytes(w, h) > budget) {
        errorreport::Report(messages::cleanupTooLarge(), this, QStringLiteral("Konfetti entfernen"),
                            errorreport::Severity::Warning);
        return;
    }
    pattern::knit::ConfettiCleanup cleanup;
    pattern::knit::ConfettiCleanup::Status status;
    {
        ProgressGate progress(this, QStringLiteral("Konfetti entfernen …"));
        status = cleanup.run(grid, ConfettiSizeEdit->value(), pal, pattern::kYarnColours, progress.callback());
    }
    if (status == pattern::knit::ConfettiCleanup::Status::Cancelled) return;  // nothing changed
    const int64_t count = cleanup.changeCount();
    if (status == pattern::knit::ConfettiCleanup::Status::OutOfMemory ||
        count > (budget - int64_t(cleanup.memoryBytes())) / int64_t(sizeof(chart::StitchChange))) {
        errorreport::Report(messages::cleanupTooLarge(), this, QStringLiteral("Konfetti entfernen"),
                            errorreport::Severity::Warning);
        return;
    }
    if (count == 0) return;  // nothing to recolour: no empty step to undo
    // The checks count as the knitter does, the edit command by position.
    std::vector<chart::StitchChange> edits;
    try {
        edits.reserve(size_t(count));
    } catch (const std::bad_alloc&) {
        errorreport::Report(messages::cleanupTooLarge(), this, QStringLiteral("Konfetti entfernen"),
                            errorreport::Severity::Warning);
        return;
    }
    cleanup.forEachChange([&](const pattern::knit::StitchChange& c) {
        edits.push_back(chart::StitchChange{w - c.stitch, h - c.row, c.before, c.after});
    });
    cleanup = {};  // its copy of the yarns goes before the step is done
    undoStack->push(new chart::SetStitchesCommand(di3, std::move(edits), QStringLiteral("Konfetti entfernen")));
}

void TMainForm::paintKnitMarks(QPainter& canvas, int bigW, int bigH) {
    const pattern::knit::LiveCheck& r = knitChecks;
    const int w = dibwidth(di3), h = dibheight(di3);
    if (!KnitCheck->isChecked() || !r.floatsCurrent() || r.width() != w || r.height() != h || w <= 0 || h <= 0)
        return;
    auto cells = [&](int row, int from, int to) {
        const int x0 = int(int64_t(w - to) * bigW / w), x1 = int(int64_t(w - from + 1) * bigW / w);
        const int y0 = h + int(int64_t(h - row) * bigH / h), y1 = h + int(int64_t(h - row + 1) * bigH / h);
        return QRect(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0));
    };
    // Only the rows this paint covers: the floats are found row by row.
    const QRect clip = canvas.hasClipping() ? canvas.clipBoundingRect().toAlignedRect() : QRect(0, 0, bigW, h + bigH);
    const int topRow = h - int(std::max<int64_t>(0, int64_t(clip.top() - h - 2)) * h / std::max(1, bigH));
    const int bottomRow = h - int(std::max<int64_t>(0, int64_t(clip.bottom() - h + 2)) * h / std::max(1, bigH));
    const int lowRow = std::max(1, bottomRow - 1), highRow = std::min(h, topRow + 1);
    auto inView = [&](const std::vector<int>& rows) {
        return std::make_pair(std::lower_bound(rows.begin(), rows.end(), lowRow),
                              std::upper_bound(rows.begin(), rows.end(), highRow));
    };
    canvas.save();
    canvas.setBrush(Qt::NoBrush);
    // Crowded rows: a dashed frame across the whole row.
    canvas.setPen(QPen(QColor(0, 200, 255), 1, Qt::DashLine));
    const auto [c0, c1] = inView(r.crowdedRows());
    for (auto it = c0; it != c1; ++it) canvas.drawRect(cells(*it, 1, w).adjusted(0, 0, -1, -1));
    // Long floats: a thin line under the stitches the yarn is carried past,
    // dark under light so it shows on any yarn, and the yarns stay visible
    // (frames round every run hid a photo's colours).
    const pattern::knit::GridBytes grid = pattern::knit::gridBytes(di3);
    const auto [f0, f1] = inView(r.longFloatRows());
    for (auto it = f0; it != f1; ++it)
        for (const pattern::knit::Float& f : r.longFloatsOfRow(grid, *it)) {
            const QRect box = cells(f.row, f.from, f.to);
            const int y = box.bottom() - std::min(2, box.height() / 4);
            canvas.fillRect(QRect(box.left(), y - 1, box.width(), 3), Qt::black);
            canvas.fillRect(QRect(box.left(), y, box.width(), 1), QColor(255, 0, 255));
        }
    if (knitCurrentFloat >= 0 && knitCurrentFloat < r.longFloatCount()) {
        const pattern::knit::Float& f = knitCurrentSpot_;
        canvas.setPen(QPen(QColor(255, 40, 0), 3));
        canvas.drawRect(cells(f.row, f.from, f.to).adjusted(-2, -2, 1, 1));
    }
    if (knitCurrentRow > 0) {
        canvas.setPen(QPen(QColor(0, 200, 255), 3));
        canvas.drawRect(cells(knitCurrentRow, 1, w).adjusted(-1, -1, 0, 0));
    }
    canvas.restore();
}
