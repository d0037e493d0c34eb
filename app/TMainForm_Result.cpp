// Result view on page 5.
#include "app/TMainForm.h"

void TMainForm::ErgPaintBoxPaint(QObject*) {}
void TMainForm::ErgPaintBoxMouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::ErgPaintBoxMouseMove(QObject*, Qt::KeyboardModifiers, int, int) {}
void TMainForm::ErgPaintBoxMouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::PageControl2Change(QObject*) {}
