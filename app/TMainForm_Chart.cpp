// Rendering the knitting chart into rdi.
#include "app/TMainForm.h"

void TMainForm::RenderDib() {}
