// Yarn palette editor on page 3: the yarn colours as swatches; pointing at
// one shows its values, clicking one changes it in the colour dialog. A new
// colour is used from the next computation on.
#include <QLabel>
#include <QPainter>

#include "app/TMainForm.h"
#include "chart/swatches.h"
#include "platform/controls.h"
#include "platform/dialogs.h"

namespace {

// Yarn colours in use; the palette has room for 256.
int yarnCount(const LPAL& pal) { return pal.num < 256 ? pal.num : 256; }

}  // namespace

void TMainForm::PaintBox1Paint(QObject*) {
    QPainter* canvas = PaintBox1->canvas();
    if (!canvas) {
        PaintBox1->repaint();
        return;
    }
    // Black outline, the yarn colour inside; the box's background stays.
    const int cols = swatches::columns(PaintBox1->width());
    for (int i = 0; i < yarnCount(pal); ++i) {
        const swatches::Square s = swatches::square(i, cols);
        const PALETTEENTRY& e = pal.rgb0[i];
        canvas->fillRect(s.x, s.y, swatches::kSquare, swatches::kSquare, Qt::black);
        canvas->fillRect(s.x + 1, s.y + 1, swatches::kSquare - 2, swatches::kSquare - 2,
                         QColor(e.peRed, e.peGreen, e.peBlue));
    }
}

void TMainForm::PaintBox1MouseDown(QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
    const int i = swatches::hit(X, Y, swatches::columns(PaintBox1->width()), yarnCount(pal));
    if (i < 0) return;
    PALETTEENTRY& e = pal.rgb0[i];
    ColorDialog1->Color = packrgb(e.peRed, e.peGreen, e.peBlue);
    ColorDialog1->FullOpen = true;
    ColorDialog1->AnyColor = true;
    if (!ColorDialog1->Execute(this)) return;
    uint8_t red = 0, green = 0, blue = 0;
    getrgb24(ColorDialog1->Color, red, green, blue);
    e.peRed = red;  // the flags byte is not the editor's
    e.peGreen = green;
    e.peBlue = blue;
    PaintBox1Paint(PaintBox1);
    PaintBox1MouseMove(PaintBox1, {}, X, Y);  // the label shows the new values at once
}

void TMainForm::PaintBox1MouseMove(QObject*, Qt::KeyboardModifiers, int X, int Y) {
    const int i = swatches::hit(X, Y, swatches::columns(PaintBox1->width()), yarnCount(pal));
    if (i < 0) return;  // over a gap the label keeps its text
    const PALETTEENTRY& e = pal.rgb0[i];
    InfoLabel->setText(QStringLiteral("Index: %1 ; R: %2 G:%3 B:%4").arg(i).arg(e.peRed).arg(e.peGreen).arg(e.peBlue));
}

void TMainForm::getrgb24(uint32_t color, uint8_t& red, uint8_t& green, uint8_t& blue) const {
    red = uint8_t(color & 0xFF);
    green = uint8_t((color >> 8) & 0xFF);
    blue = uint8_t((color >> 16) & 0xFF);
}
