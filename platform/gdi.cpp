#include "platform/gdi.h"

PainterDC::PainterDC(QPainter& p, bool isPrinter) : painter(p), printer(isPrinter) {}
