// Picture buttons, close confirmation and the web-site button.
#include "app/TMainForm.h"

void TMainForm::EndeBtnMouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::EndeBtnMouseMove(QObject*, Qt::KeyboardModifiers, int, int) {}
void TMainForm::EndeBtnMouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::EndeBtnClick(QObject*) { close(); }
void TMainForm::ueberbtnMouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::ueberbtnMouseMove(QObject*, Qt::KeyboardModifiers, int, int) {}
void TMainForm::ueberbtnMouseUp(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::ueberbtnClick(QObject*) {}
void TMainForm::ueberBtn2Click(QObject*) {}
void TMainForm::FormCloseQuery(QObject*, bool& CanClose) { CanClose = true; }
void TMainForm::wwwBtnClick(QObject*) {}
