// Drawing bitmaps stretched onto devices.
#include "raster/drawdib.h"

void drawdib(HDC, int, int, int, int, dib, int, int, int, int, bool, uint32_t) {}
