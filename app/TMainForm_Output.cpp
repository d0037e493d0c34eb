// Saving and printing the chart.
#include "app/TMainForm.h"

void TMainForm::SaveAsBtnClick(QObject*) {}
void TMainForm::BitBtnXP1Click(QObject*) {}
void TMainForm::PrintBtnClick(QObject*) {}
