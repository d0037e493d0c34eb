// Push button with a caption and a small two-state picture.
#pragma once

#include <QIcon>
#include <QPushButton>

class TBitBtnXP : public QPushButton {
    Q_OBJECT
public:
    explicit TBitBtnXP(const QString& caption, QWidget* parent = nullptr);
    // Picture for the normal and the disabled state.
    void setGlyph(const QPixmap& normal, const QPixmap& disabled = QPixmap());
};
