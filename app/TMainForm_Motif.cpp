// Motif loading and preview on page 1.
#include "app/TMainForm.h"

void TMainForm::JamShellList1DblClick(QObject*) {}
void TMainForm::JamShellList1KeyPress(QObject*, char&) {}
void TMainForm::openfilenow(const QString&) {}
void TMainForm::DibPrevPaintPaint(QObject*) {}
void TMainForm::FilterComboBox1Change(QObject*) {}
void TMainForm::setupBrowser() {}
