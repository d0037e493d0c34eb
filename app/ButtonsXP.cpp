#include "app/ButtonsXP.h"

TBitBtnXP::TBitBtnXP(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void TBitBtnXP::setGlyph(const QPixmap& normal, const QPixmap& disabled) {
    QIcon icon(normal);
    if (!disabled.isNull()) icon.addPixmap(disabled, QIcon::Disabled);
    setIcon(icon);
    setIconSize(normal.size());
}
