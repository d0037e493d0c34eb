#include "app/ChartOptionsUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/controls.h"

namespace {

template <typename W>
W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

TChartOptionsForm::TChartOptionsForm(QWidget* owner, const chart::ChartOptions& start) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Darstellung des Musters"));
    auto* v = new QVBoxLayout(this);

    auto* outline = new QGroupBox(QStringLiteral("Umrandung der Maschen"), this);
    auto* ov = new QVBoxLayout(outline);
    InverseCheck = named(new QRadioButton(QStringLiteral("&Umkehrfarbe der Masche"), outline), "InverseCheck");
    ContrastCheck = named(new QRadioButton(QStringLiteral("&Kontrast: schwarz auf hellen, weiß auf dunklen Maschen"),
                                           outline), "ContrastCheck");
    ov->addWidget(InverseCheck);
    ov->addWidget(ContrastCheck);
    v->addWidget(outline);

    auto* lines = new QGroupBox(QStringLiteral("Linien und Zahlen"), this);
    auto* f = new QFormLayout(lines);
    HeavyLinesBox = named(new QComboBox(lines), "HeavyLinesBox");
    HeavyLinesBox->addItems({QStringLiteral("keine"), QStringLiteral("alle 10 Maschen und Reihen"),
                             QStringLiteral("alle 5 und 10 Maschen und Reihen")});
    ColumnNumbersBox = named(new QComboBox(lines), "ColumnNumbersBox");
    ColumnNumbersBox->addItems({QStringLiteral("keine"), QStringLiteral("jede 5. Masche"), QStringLiteral("jede 10. Masche")});
    RowNumbersBox = named(new QComboBox(lines), "RowNumbersBox");
    RowNumbersBox->addItems({QStringLiteral("ungerade Reihen, beide Seiten"),
                             QStringLiteral("flach: ungerade rechts, gerade links"),
                             QStringLiteral("jede Reihe, beide Seiten (rund)")});
    f->addRow(QStringLiteral("&Hilfslinien:"), HeavyLinesBox);
    f->addRow(QStringLiteral("&Maschenzahlen oben und unten:"), ColumnNumbersBox);
    f->addRow(QStringLiteral("&Reihenzahlen:"), RowNumbersBox);
    v->addWidget(lines);

    auto* yarn = new QGroupBox(QStringLiteral("Garne"), this);
    auto* yv = new QFormLayout(yarn);
    SymbolsCheck = named(new QCheckBox(QStringLiteral("&Symbol je Garn in den Maschen"), yarn), "SymbolsCheck");
    LegendCheck = named(new QCheckBox(QStringLiteral("&Legende mit Maschenzahl und Garnbedarf"), yarn), "LegendCheck");
    FactorEdit = named(new TFloatSpinEdit(yarn), "FactorEdit");
    FactorEdit->setRange(pattern::kYarnFactorMin, pattern::kYarnFactorMax);
    FactorEdit->setSingleStep(0.1);
    yv->addRow(SymbolsCheck);
    yv->addRow(LegendCheck);
    yv->addRow(QStringLiteral("&Faktor k für den Garnbedarf:"), FactorEdit);
    auto* hint = new QLabel(QStringLiteral("Garn je Masche ≈ k × (Breite + Höhe einer Masche)"), yarn);
    yv->addRow(hint);
    v->addWidget(yarn);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(buttons);

    connect(LegendCheck, &QCheckBox::toggled, FactorEdit, &QWidget::setEnabled);
    setOptions(start);
}

void TChartOptionsForm::setOptions(const chart::ChartOptions& in) {
    const chart::ChartOptions o = in.sanitised();
    InverseCheck->setChecked(o.outline == chart::Outline::inverse);
    ContrastCheck->setChecked(o.outline == chart::Outline::contrast);
    HeavyLinesBox->setCurrentIndex(int(o.heavyLines));
    ColumnNumbersBox->setCurrentIndex(o.columnNumbers / 5);
    RowNumbersBox->setCurrentIndex(int(o.rowNumbers));
    SymbolsCheck->setChecked(o.symbols);
    LegendCheck->setChecked(o.legend);
    FactorEdit->setValue(o.yarnFactor);
    FactorEdit->setEnabled(o.legend);
}

chart::ChartOptions TChartOptionsForm::options() const {
    chart::ChartOptions o;
    o.outline = ContrastCheck->isChecked() ? chart::Outline::contrast : chart::Outline::inverse;
    o.heavyLines = chart::HeavyLines(HeavyLinesBox->currentIndex());
    o.columnNumbers = ColumnNumbersBox->currentIndex() * 5;
    o.rowNumbers = chart::RowNumbering(RowNumbersBox->currentIndex());
    o.symbols = SymbolsCheck->isChecked();
    o.legend = LegendCheck->isChecked();
    o.yarnFactor = FactorEdit->value();
    return o.sanitised();
}
