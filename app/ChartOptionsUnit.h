// The dialog "Darstellung des Musters": the chart options, edited on a
// copy; the caller takes options() after OK.
#pragma once

#include <QDialog>

#include "chart/chartoptions.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class TFloatSpinEdit;

class TChartOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TChartOptionsForm(QWidget* owner, const chart::ChartOptions& start);

    void setOptions(const chart::ChartOptions& o);
    chart::ChartOptions options() const;

    QRadioButton* InverseCheck = nullptr;
    QRadioButton* ContrastCheck = nullptr;
    QComboBox* HeavyLinesBox = nullptr;
    QComboBox* ColumnNumbersBox = nullptr;
    QComboBox* RowNumbersBox = nullptr;
    QCheckBox* SymbolsCheck = nullptr;
    QCheckBox* LegendCheck = nullptr;
    TFloatSpinEdit* FactorEdit = nullptr;
};
