// Yarn palette editor on page 3.
#include "app/TMainForm.h"

void TMainForm::PaintBox1Paint(QObject*) {}
void TMainForm::PaintBox1MouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TMainForm::PaintBox1MouseMove(QObject*, Qt::KeyboardModifiers, int, int) {}
void TMainForm::getrgb24(uint32_t color, uint8_t& red, uint8_t& green, uint8_t& blue) const {
    red = uint8_t(color & 0xFF);
    green = uint8_t((color >> 8) & 0xFF);
    blue = uint8_t((color >> 16) & 0xFF);
}
