// Compute command and the coupling of the size fields.
#include "app/TMainForm.h"

void TMainForm::RenderBtnClick(QObject*) {}
void TMainForm::breitedChange(QObject*) {}
void TMainForm::hochedChange(QObject*) {}
dib TMainForm::DepthUpTo(int) { return dib{}; }
dib TMainForm::Resize(dib, int, int) { return dib{}; }
dib TMainForm::DepthDownTo(dib, int, int) { return dib{}; }
