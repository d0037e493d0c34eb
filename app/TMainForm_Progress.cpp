// Progress display in the status bar.
#include "app/TMainForm.h"

void TMainForm::SetProSatus(int pro) { StatusPosition = pro; }
void TMainForm::SetProStatus(int pro) { SetProSatus(pro); }
void TMainForm::SBarPaintMore() {}
void TMainForm::StatusBar1DrawPanel(QPainter&, int, const QRect&) {}
void TMainForm::WMUser(uintptr_t wParam) { SetProStatus(int(wParam)); }
