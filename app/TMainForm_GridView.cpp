// Stitch-grid view and post-editing on page 4.
#include "app/TMainForm.h"

void TMainForm::PaintBox2Paint(QObject*) {}
void TMainForm::PaintBox2MouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::PaintBox2MouseMove(QObject*, Qt::KeyboardModifiers, int, int) {}
void TMainForm::PaintBox2MouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::PaintBox3Paint(QObject*) {}
void TMainForm::PaintBox3MouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::EditModeCheckClick(QObject*) {}
